#include "diagram/CurveTable.h"

#include "diagram/BoundedLines.h"
#include "diagram/DiaPointStore.h"

#include <QBuffer>
#include <QByteArrayList>
#include <QFile>
#include <charconv>
#include <cmath>
#include <limits>

namespace korvanta {

namespace {

using Fault = CurveTableFault;

// A comment runs from '#' to the end of the line; numbers never hold one.
QByteArray WithoutComment(const QByteArray& line)
{
    const qsizetype hash = line.indexOf('#');
    return (hash < 0 ? line : line.left(hash)).trimmed();
}

// Columns are divided by tabs, else by semicolons, else by commas, else by
// runs of blanks; blanks around a separator do not count.
QByteArrayList SplitFields(const QByteArray& text, char& separator)
{
    for (char sep : {'\t', ';', ','}) {
        if (text.contains(sep)) {
            separator = sep;
            QByteArrayList fields = text.split(sep);
            for (QByteArray& f : fields)
                f = f.trimmed();
            return fields;
        }
    }
    separator = ' ';
    QByteArrayList fields;
    for (const QByteArray& f : text.simplified().split(' '))
        fields << f;
    return fields;
}

// A decimal number as written by this program, spreadsheets and numeric
// tools: optional sign, digits with a decimal point, optional exponent.
// Where columns are divided by tabs or semicolons a decimal comma is read
// too, as spreadsheets in many languages write it.
bool ParseNumber(QByteArray field, char separator, double& value)
{
    if ((separator == '\t' || separator == ';') && !field.contains('.') && field.count(',') == 1)
        field.replace(',', '.');
    const char* begin = field.constData();
    const char* end = begin + field.size();
    if (begin != end && *begin == '+' && ++begin != end && *begin == '-')
        return false;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

// Column names start with a letter; a line of digits and signs that does not
// read is a damaged data line, not a header.
bool LooksLikeHeader(const QByteArray& field)
{
    for (char c : field)
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
            return true;
    return false;
}

bool FitsFloat(double v) { return std::fabs(v) <= double(std::numeric_limits<float>::max()); }

class TableBuilder {
public:
    // Takes one data line; a fault ends the reading.
    CurveTableResult add(const QByteArrayList& fields, char separator, int line)
    {
        CurveTableResult r;
        r.line = line;
        const int columns = int(fields.size());
        if (columns_ == 0) {
            if (columns == 1)
                return fail(r, Fault::OneColumn);
            if (columns > CurveTableMaxLevelColumns + 1)
                return fail(r, Fault::TooManyColumns);
            columns_ = columns;
            table_.levels.resize(size_t(columns - 1));
        } else if (columns != columns_) {
            r.column = columns;
            r.expectedColumns = columns_;
            return fail(r, Fault::ColumnCount);
        }
        if (int(table_.x.size()) >= DiaPointStore::MaxPoints)
            return fail(r, Fault::TooManyPoints);
        double values[CurveTableMaxLevelColumns + 1];
        for (int c = 0; c < columns; ++c) {
            r.column = c + 1;
            if (!ParseNumber(fields[c], separator, values[c]))
                return fail(r, Fault::NotNumber);
            if (!FitsFloat(values[c]))
                return fail(r, Fault::OutOfRange);
        }
        r.column = 1;
        if (values[0] < 0)
            return fail(r, Fault::NegativeFrequency);
        if (!table_.x.empty() && float(values[0]) < table_.x.back())
            return fail(r, Fault::Descending);
        table_.x.push_back(float(values[0]));
        for (int c = 1; c < columns; ++c)
            table_.levels[size_t(c - 1)].push_back(float(values[c]));
        return CurveTableResult{};
    }

    bool empty() const { return table_.x.empty(); }
    CurveTable take() { return std::move(table_); }

private:
    static CurveTableResult fail(CurveTableResult r, Fault f)
    {
        r.fault = f;
        return r;
    }

    CurveTable table_;
    int columns_ = 0;
};

CurveTableResult Failure(Fault f, int line)
{
    CurveTableResult r;
    r.fault = f;
    r.line = line;
    return r;
}

CurveTableResult Loaded(CurveTable table)
{
    CurveTableResult r;
    r.table = std::move(table);
    return r;
}

} // namespace

CurveTableResult ParseCurveTable(QIODevice& in)
{
    BoundedLineReader reader(in, CurveTableMaxLineLength, CurveTableMaxFileBytes);
    TableBuilder builder;
    bool headerSeen = false;
    QByteArray line;
    for (;;) {
        switch (reader.next(line)) {
        case BoundedLineReader::Status::Line: break;
        case BoundedLineReader::Status::End:
            if (builder.empty())
                return Failure(Fault::NoPoints, 0);
            return Loaded(builder.take());
        case BoundedLineReader::Status::TooLong: return Failure(Fault::TooLong, reader.lineNumber());
        case BoundedLineReader::Status::TooLarge: return Failure(Fault::TooLarge, reader.lineNumber());
        case BoundedLineReader::Status::ReadError: return Failure(Fault::Unreadable, reader.lineNumber());
        }
        const QByteArray text = WithoutComment(line);
        if (text.isEmpty())
            continue;
        char separator = ' ';
        const QByteArrayList fields = SplitFields(text, separator);
        double first = 0;
        // One line of column names may stand before the first data line.
        if (builder.empty() && !headerSeen && !ParseNumber(fields.first(), separator, first) &&
            LooksLikeHeader(fields.first())) {
            headerSeen = true;
            continue;
        }
        CurveTableResult r = builder.add(fields, separator, reader.lineNumber());
        if (!r.ok())
            return r;
    }
}

CurveTableResult LoadCurveTable(const QString& path)
{
    QByteArray bytes;
    FileProblem problem;
    if (!ReadRegularFile(path, CurveTableMaxFileBytes, bytes, problem)) {
        CurveTableResult r = Failure(Fault::Unreadable, 0);
        r.file = problem;
        return r;
    }
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    return ParseCurveTable(file);
}

namespace {

QString Reason(const CurveTableResult& r, bool en)
{
    switch (r.fault) {
    case Fault::TooLong:
        return en ? QStringLiteral("the line is longer than %1 characters").arg(CurveTableMaxLineLength)
                  : QStringLiteral("die Zeile ist länger als %1 Zeichen").arg(CurveTableMaxLineLength);
    case Fault::TooLarge:
        return en ? QStringLiteral("the file is larger than %1 MB").arg(CurveTableMaxFileBytes >> 20)
                  : QStringLiteral("die Datei ist größer als %1 MB").arg(CurveTableMaxFileBytes >> 20);
    case Fault::NotNumber:
        return en ? QStringLiteral("column %1 is not a number").arg(r.column)
                  : QStringLiteral("Spalte %1 ist keine Zahl").arg(r.column);
    case Fault::OneColumn:
        return en ? QStringLiteral("only one column; frequency and level must be divided by a comma, "
                                   "semicolon, tab or blanks")
                  : QStringLiteral("nur eine Spalte; Frequenz und Pegel müssen durch Komma, Semikolon, "
                                   "Tabulator oder Leerzeichen getrennt sein");
    case Fault::TooManyColumns:
        return en ? QStringLiteral("more than %1 columns").arg(CurveTableMaxLevelColumns + 1)
                  : QStringLiteral("mehr als %1 Spalten").arg(CurveTableMaxLevelColumns + 1);
    case Fault::ColumnCount:
        return en ? QStringLiteral("%1 columns instead of %2").arg(r.column).arg(r.expectedColumns)
                  : QStringLiteral("%1 Spalten statt %2").arg(r.column).arg(r.expectedColumns);
    case Fault::NegativeFrequency:
        return en ? QStringLiteral("negative frequency") : QStringLiteral("negative Frequenz");
    case Fault::Descending:
        return en ? QStringLiteral("the frequency is lower than on the line before")
                  : QStringLiteral("die Frequenz ist kleiner als in der Zeile davor");
    case Fault::OutOfRange:
        return en ? QStringLiteral("the number in column %1 is too large").arg(r.column)
                  : QStringLiteral("die Zahl in Spalte %1 ist zu groß").arg(r.column);
    case Fault::TooManyPoints:
        return en ? QStringLiteral("more than %1 points").arg(DiaPointStore::MaxPoints)
                  : QStringLiteral("mehr als %1 Punkte").arg(DiaPointStore::MaxPoints);
    default: return QString();
    }
}

} // namespace

QString CurveTableMessage(const CurveTableResult& r, const QString& fileName, QChar language)
{
    const bool en = language == QLatin1Char('E');
    switch (r.fault) {
    case Fault::None: return QString();
    case Fault::Unreadable:
        if (r.file.fault != FileFault::None)
            return (en ? QStringLiteral("%1 cannot be read: %2.") : QStringLiteral("%1 kann nicht gelesen werden: %2."))
                .arg(fileName, FileProblemText(r.file, en ? 'E' : 'D'));
        return en ? QStringLiteral("%1 cannot be read.").arg(fileName)
                  : QStringLiteral("%1 kann nicht gelesen werden.").arg(fileName);
    case Fault::NoPoints:
        return en ? QStringLiteral("%1 holds no table of frequency and level.").arg(fileName)
                  : QStringLiteral("%1 enthält keine Tabelle aus Frequenz und Pegel.").arg(fileName);
    default:
        return (en ? QStringLiteral("%1, line %2: %3. Nothing was loaded.")
                   : QStringLiteral("%1, Zeile %2: %3. Es wurde nichts geladen."))
            .arg(fileName)
            .arg(r.line)
            .arg(Reason(r, en));
    }
}

} // namespace korvanta
