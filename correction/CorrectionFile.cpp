#include "correction/CorrectionFile.h"

#include "platform/ModalQuestions.h"
#include "platform/RegularFile.h"
#include "platform/TextDecoding.h"

#include <QBuffer>
#include <QFile>

#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <new>

namespace korvanta {

namespace {

struct CorrectionTexts {
    char letter;
    const char* cannotCreate;
    const char* lineError;
    const char* noLines;
    const char* readErrorPrefix;
    const char* notAscending;
    const char* notFinite;
};

constexpr CorrectionTexts kGerman{'D', "Kann Datei nicht erzeugen", "Zeilenfehler", "Keine Zeilen in Datei",
                                  "Fehler beim Lesen von ", "Frequenzen nicht aufsteigend",
                                  "Korrekturkurve nicht berechenbar"};
constexpr CorrectionTexts kEnglish{'E', "Unable to create file", "Line error", "No lines in file",
                                   "Error at reading of ", "Frequencies not ascending",
                                   "Correction curve cannot be computed"};

const CorrectionTexts* currentTexts = &kGerman;

void warn(const QString& text) { modal::MessageBox(modal::Kind::Warning, text, modal::Ok); }

// A file the system would not let us read, or a folder, shows as such by its
// name; what else is no file to read (a pipe, a device, a link to nothing,
// a file too large) is said on a line of its own.
void warnReadError(const QString& name, const FileProblem& problem = {})
{
    QString text = QString::fromUtf8(currentTexts->readErrorPrefix) + QStringLiteral(": ") + name;
    const bool plain = problem.fault == FileFault::None || problem.fault == FileFault::Unreadable ||
                       (problem.fault == FileFault::NotRegular && problem.kind == NodeKind::Folder);
    if (!plain)
        text += QLatin1Char('\n') + FileProblemText(problem, currentTexts->letter);
    warn(text);
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

QByteArrayView trimmed(QByteArrayView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

qsizetype skipDigits(QByteArrayView s, qsizetype i)
{
    while (i < s.size() && isDigit(s[i]))
        ++i;
    return i;
}

// Checks the decimal grammar: optional sign, digits with an optional point
// and fraction (a bare ".5" or "5." is taken too), optional exponent. No
// thousands separators, no decimal comma, no "inf" or "nan".
bool isDecimalNumber(QByteArrayView s, bool& negativeExponent)
{
    qsizetype i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    const qsizetype intStart = i;
    i = skipDigits(s, i);
    bool haveDigits = i > intStart;
    if (i < s.size() && s[i] == '.') {
        const qsizetype fracStart = ++i;
        i = skipDigits(s, i);
        haveDigits = haveDigits || i > fracStart;
    }
    if (!haveDigits)
        return false;
    negativeExponent = false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            negativeExponent = s[i++] == '-';
        const qsizetype expStart = i;
        i = skipDigits(s, i);
        if (i == expStart)
            return false;
    }
    return i == s.size();
}

// Converts a checked decimal number. Values too large for a double are
// rejected (they would turn the whole curve into infinities); values too
// small for a double become zero.
bool toNumber(QByteArrayView s, double& value)
{
    bool negativeExponent = false;
    if (!isDecimalNumber(s, negativeExponent))
        return false;
    const bool negative = s[0] == '-';
    if (s[0] == '+' || s[0] == '-')
        s = s.sliced(1);
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec == std::errc::result_out_of_range && negativeExponent)
        value = 0.0;
    else if (ec != std::errc() || ptr != s.data() + s.size() || !std::isfinite(value))
        return false;
    if (negative)
        value = -value;
    return true;
}

// Feeds every line of the device to `onLine`, cut to the line length limit,
// without its line end. LF, CR LF and a lone CR end a line; a last line
// without a line end counts. `onLine` returns false to stop early. Returns
// false on a read error.
bool forEachLine(QIODevice& in, const std::function<bool(QByteArrayView)>& onLine)
{
    QByteArray line;
    line.reserve(kCorrectionLineLength);
    bool lineOpen = false;   // bytes seen since the last line end
    bool afterCr = false;    // the previous byte was a CR (a following LF belongs to it)
    char chunk[65536];
    for (;;) {
        const qint64 got = in.read(chunk, sizeof chunk);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        for (qint64 i = 0; i < got; ++i) {
            const char c = chunk[i];
            if (c == '\n' && afterCr) {
                afterCr = false;
                continue;
            }
            afterCr = c == '\r';
            if (c == '\n' || c == '\r') {
                if (!onLine(line))
                    return true;
                line.clear();
                lineOpen = false;
                continue;
            }
            lineOpen = true;
            if (line.size() < kCorrectionLineLength)
                line.append(c);
        }
    }
    if (lineOpen)
        onLine(line);
    return true;
}

enum class ReadOutcome { Points, LineError, ReadError };

// Reads all points of the file. Stops at the first line error: one is
// enough to reject the file.
ReadOutcome readPoints(QIODevice& in, std::vector<CorrectionPair>& points)
{
    bool lineError = false;
    bool first = true;
    const bool ok = forEachLine(in, [&](QByteArrayView line) {
        // Editors on Windows like to start UTF-8 files with a byte order mark
        // (a file saved by two of them with two).
        if (first)
            line = WithoutByteOrderMarks(line);
        first = false;
        CorrectionPair p;
        switch (ParseCorrectionLine(line, p)) {
        case CorrectionLine::Blank: return true;
        case CorrectionLine::Point: points.push_back(p); return true;
        case CorrectionLine::Error: lineError = true; return false;
        }
        return true;
    });
    if (!ok)
        return ReadOutcome::ReadError;
    return lineError ? ReadOutcome::LineError : ReadOutcome::Points;
}

// Creates a missing correction file with one flat point. Never replaces a
// file that exists; a half-written file is removed again.
bool createDefaultFile(const QString& name)
{
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    const qint64 size = sizeof kDefaultCorrectionContent - 1;
    const bool written = f.write(kDefaultCorrectionContent, size) == size && f.flush();
    f.close();
    if (!written || f.error() != QFileDevice::NoError) {
        f.remove();
        return false;
    }
    return true;
}

// Reads the whole file, creating it first when it does not exist. Reports
// the failure and returns false when neither works.
bool readOrCreate(const QString& name, QByteArray& bytes)
{
    FileProblem problem;
    if (ReadRegularFile(name, kCorrectionMaxFileBytes, bytes, problem))
        return true;
    if (problem.fault != FileFault::Missing) {
        // Exists (or may exist behind a directory we cannot search, or is a
        // link to nothing) but is unreadable: never touch what the user has.
        warnReadError(name, problem);
        return false;
    }
    if (!createDefaultFile(name)) {
        warn(QString::fromUtf8(currentTexts->cannotCreate));
        return false;
    }
    if (ReadRegularFile(name, kCorrectionMaxFileBytes, bytes, problem))
        return true;
    warnReadError(name, problem);
    return false;
}

bool strictlyAscending(const std::vector<CorrectionPair>& points)
{
    for (size_t i = 1; i < points.size(); ++i)
        if (!(points[i].x > points[i - 1].x))
            return false;
    return true;
}

// Every frequency the program looks the curve up at, and the table's own.
bool finiteWhereUsed(const CorrectionTable& table)
{
    const double low = std::min(0.0, table.points[0].x);
    const double high = std::max(kCorrectionTopFrequency, table.points[table.count - 1].x);
    return SplineFiniteBetween(table, low, high);
}

} // namespace

CorrectionLine ParseCorrectionLine(QByteArrayView line, CorrectionPair& point)
{
    const QByteArrayView text = trimmed(line);
    if (text.isEmpty())
        return CorrectionLine::Blank;
    const qsizetype space = text.indexOf(' ');
    if (space < 0)
        return CorrectionLine::Error;
    const QByteArrayView rest = trimmed(text.sliced(space + 1));
    if (!toNumber(text.first(space), point.x) || !toNumber(rest, point.y))
        return CorrectionLine::Error;
    return CorrectionLine::Point;
}

bool LoadCorrection(CorrectionTable& table, const QString& name)
{
    if (name.isEmpty())
        return false;
    QByteArray bytes;
    if (!readOrCreate(name, bytes))
        return false;
    ClearCorrection(table);
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    std::vector<CorrectionPair> points;
    ReadOutcome outcome;
    try {
        outcome = readPoints(file, points);
    } catch (const std::bad_alloc&) {
        outcome = ReadOutcome::ReadError;
    }
    // The point count is a 32-bit number; a file beyond that is not a table.
    if (points.size() >= static_cast<size_t>(std::numeric_limits<int>::max()))
        outcome = ReadOutcome::ReadError;
    file.close();
    switch (outcome) {
    case ReadOutcome::ReadError: warnReadError(name); return false;
    case ReadOutcome::LineError: warn(QString::fromUtf8(currentTexts->lineError)); return false;
    case ReadOutcome::Points: break;
    }
    if (points.empty()) {
        warn(QString::fromUtf8(currentTexts->noLines));
        return false;
    }
    if (!strictlyAscending(points)) {
        warn(QString::fromUtf8(currentTexts->notAscending));
        return false;
    }
    SetCorrectionPoints(table, points);
    if (!finiteWhereUsed(table)) {
        ClearCorrection(table);
        warn(QString::fromUtf8(currentTexts->notFinite));
        return false;
    }
    table.fileName = name;
    return true;
}

void SetCorLanguage(char language)
{
    if (language == 'E' || language == 'e')
        currentTexts = &kEnglish;
    else if (language == 'D' || language == 'd')
        currentTexts = &kGerman;
}

} // namespace korvanta
