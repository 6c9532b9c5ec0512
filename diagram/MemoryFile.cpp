#include "diagram/MemoryFile.h"

#include "platform/AtomicFile.h"
#include "diagram/BoundedLines.h"
#include "platform/DeviceLog.h"
#include "platform/RegularFile.h"

#include <QBuffer>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace korvanta {

namespace {

const QByteArray Header = "KORVANTA MEMORIES 1";
constexpr int MaxLine = 4096;
constexpr qint64 MaxBytes = 64LL * 1024 * 1024;
const QString DateFormat = QStringLiteral("yyyy-MM-ddThh:mm:ss");

// Shortest text that reads back as the same float.
void AppendFloat(QByteArray& out, float v)
{
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, ec == std::errc() ? end - buf : 0);
}

// Texts are one line each.
QByteArray OneLine(const QString& text)
{
    QString t = text;
    t.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    return t.toUtf8();
}

void AppendMemory(QByteArray& out, int slot, const MemoryCurve& m)
{
    out += "MEMORY " + QByteArray::number(slot + 1) + '\n';
    out += "NAME " + OneLine(m.name) + '\n';
    out += "UNIT " + OneLine(m.unit) + '\n';
    out += "RANGE " + QByteArray::number(m.xmin) + ' ' + QByteArray::number(m.xmax) + '\n';
    out += "STORED " + m.stored.toString(DateFormat).toLatin1() + '\n';
    out += QByteArray("VISIBLE ") + (m.visible ? '1' : '0') + '\n';
    out += "SCALES ";
    for (const MemoryTrace& t : m.traces)
        out += t.rightScale ? 'R' : 'L';
    out += "\nPOINTS " + QByteArray::number(qulonglong(m.x.size())) + '\n';
    for (size_t i = 0; i < m.x.size(); ++i) {
        AppendFloat(out, m.x[i]);
        for (const MemoryTrace& t : m.traces) {
            out += ' ';
            AppendFloat(out, t.values[i]);
        }
        out += '\n';
    }
    out += "END\n";
}

// A text as the writer leaves it: one line, cut without splitting a
// character, so that reading and writing again gives the same text.
QString ReadText(const QByteArray& bytes)
{
    QString t = QString::fromUtf8(bytes).left(MemoryNameMax);
    if (!t.isEmpty() && t.back().isHighSurrogate())
        t.chop(1);
    return QString::fromUtf8(OneLine(t));
}

bool ReadFloat(const QByteArray& field, float& v)
{
    const char* end = field.constData() + field.size();
    const auto [ptr, ec] = std::from_chars(field.constData(), end, v);
    return ec == std::errc() && ptr == end && std::isfinite(v);
}

bool ReadInt(const QByteArray& field, long long& v)
{
    const char* end = field.constData() + field.size();
    const auto [ptr, ec] = std::from_chars(field.constData(), end, v);
    return ec == std::errc() && ptr == end && !field.isEmpty();
}

struct ParseError {
    QString reason;
};

// Reads the file line by line; every fault throws a ParseError with its
// reason, and the caller reports the reader's line.
class MemoryParser {
public:
    explicit MemoryParser(QIODevice& in) : reader_(in, MaxLine, MaxBytes) {}

    MemoryBank parse()
    {
        if (!nextLine(line_) || line_ != Header)
            throw ParseError{QStringLiteral("not a memory file")};
        MemoryBank bank;
        bool seen[MemorySlots] = {};
        while (nextLine(line_)) {
            const long long slot = intValue("MEMORY");
            if (slot < 1 || slot > MemorySlots || seen[slot - 1])
                throw ParseError{QStringLiteral("bad or repeated memory number")};
            seen[slot - 1] = true;
            bank[size_t(slot - 1)] = memory();
        }
        return bank;
    }

    int lineNumber() const { return reader_.lineNumber(); }

private:
    // False at the end of the file; blank lines are skipped.
    bool nextLine(QByteArray& line)
    {
        for (;;) {
            switch (reader_.next(line)) {
            case BoundedLineReader::Status::Line:
                if (!line.isEmpty())
                    return true;
                continue;
            case BoundedLineReader::Status::End: return false;
            case BoundedLineReader::Status::TooLong: throw ParseError{QStringLiteral("line too long")};
            case BoundedLineReader::Status::TooLarge: throw ParseError{QStringLiteral("file too large")};
            case BoundedLineReader::Status::ReadError: throw ParseError{QStringLiteral("read error")};
            }
        }
    }

    void requireLine()
    {
        if (!nextLine(line_))
            throw ParseError{QStringLiteral("file ends early")};
    }

    // The text after "KEY " on the current line.
    QByteArray keyed(const char* key)
    {
        const QByteArray k(key);
        if (line_ == k)
            return QByteArray();
        if (!line_.startsWith(k + ' '))
            throw ParseError{QStringLiteral("%1 expected").arg(QLatin1String(key))};
        return line_.mid(k.size() + 1);
    }

    QByteArray nextKeyed(const char* key)
    {
        requireLine();
        return keyed(key);
    }

    long long intValue(const char* key)
    {
        long long v = 0;
        if (!ReadInt(keyed(key), v))
            throw ParseError{QStringLiteral("number expected after %1").arg(QLatin1String(key))};
        return v;
    }

    MemoryCurve memory()
    {
        MemoryCurve m;
        m.name = ReadText(nextKeyed("NAME"));
        m.unit = ReadText(nextKeyed("UNIT"));
        range(m, nextKeyed("RANGE"));
        m.stored = QDateTime::fromString(QString::fromLatin1(nextKeyed("STORED")), DateFormat);
        if (!m.stored.isValid())
            throw ParseError{QStringLiteral("bad date")};
        const QByteArray visible = nextKeyed("VISIBLE");
        if (visible != "0" && visible != "1")
            throw ParseError{QStringLiteral("VISIBLE must be 0 or 1")};
        m.visible = visible == "1";
        scales(m, nextKeyed("SCALES"));
        requireLine();
        const long long count = intValue("POINTS");
        if (count < 1 || count > DiaPointStore::MaxPoints)
            throw ParseError{QStringLiteral("bad point count")};
        m.x.reserve(size_t(count));
        for (MemoryTrace& t : m.traces)
            t.values.reserve(size_t(count));
        for (long long i = 0; i < count; ++i)
            point(m);
        requireLine();
        if (line_ != "END")
            throw ParseError{QStringLiteral("END expected")};
        return m;
    }

    static void range(MemoryCurve& m, const QByteArray& text)
    {
        const QByteArrayList parts = text.split(' ');
        long long lo = 0, hi = 0;
        if (parts.size() != 2 || !ReadInt(parts[0], lo) || !ReadInt(parts[1], hi) || lo < INT32_MIN ||
            lo > INT32_MAX || hi < INT32_MIN || hi > INT32_MAX)
            throw ParseError{QStringLiteral("bad range")};
        m.xmin = int32_t(lo);
        m.xmax = int32_t(hi);
    }

    static void scales(MemoryCurve& m, const QByteArray& text)
    {
        if (text.isEmpty() || text.size() > CurveTableMaxLevelColumns)
            throw ParseError{QStringLiteral("bad scales")};
        for (char c : text) {
            if (c != 'L' && c != 'R')
                throw ParseError{QStringLiteral("bad scales")};
            m.traces.push_back(MemoryTrace{c == 'R', {}});
        }
    }

    void point(MemoryCurve& m)
    {
        requireLine();
        const QByteArrayList fields = line_.split(' ');
        if (fields.size() != qsizetype(m.traces.size() + 1))
            throw ParseError{QStringLiteral("wrong number of values")};
        float v = 0;
        if (!ReadFloat(fields[0], v) || v < 0)
            throw ParseError{QStringLiteral("bad frequency")};
        m.x.push_back(v);
        for (size_t k = 0; k < m.traces.size(); ++k) {
            if (!ReadFloat(fields[qsizetype(k + 1)], v))
                throw ParseError{QStringLiteral("bad value")};
            m.traces[k].values.push_back(v);
        }
    }

    BoundedLineReader reader_;
    QByteArray line_;
};

} // namespace

QString MemoryFilePath(const QString& settingsPath, const QString& diagramTag)
{
    const QFileInfo info(settingsPath);
    const QString tag = diagramTag.isEmpty() ? QString() : QLatin1Char('-') + diagramTag;
    return info.dir().filePath(info.completeBaseName() + tag + QStringLiteral("-memories.txt"));
}

QByteArray SerializeMemories(const MemoryBank& bank)
{
    QByteArray out = Header + '\n';
    for (int slot = 0; slot < MemorySlots; ++slot)
        if (!bank[size_t(slot)].isEmpty())
            AppendMemory(out, slot, bank[size_t(slot)]);
    return out;
}

MemoryFileResult ParseMemories(QIODevice& in)
{
    MemoryParser parser(in);
    MemoryFileResult r;
    try {
        r.bank = parser.parse();
    } catch (const ParseError& e) {
        r = MemoryFileResult{};
        r.ok = false;
        // An empty file is refused at its first line.
        r.line = std::max(1, parser.lineNumber());
        r.reason = e.reason;
    }
    return r;
}

MemoryStore::MemoryStore(QString path) : path_(std::move(path)) {}

void MemoryStore::load()
{
    bank_ = MemoryBank{};
    QByteArray bytes;
    FileProblem problem;
    MemoryFileResult r;
    if (ReadRegularFile(path_, MaxBytes, bytes, problem)) {
        QBuffer file(&bytes);
        file.open(QIODevice::ReadOnly);
        r = ParseMemories(file);
    } else {
        // None yet (a link to nothing included: the next write creates the
        // file it leads to).
        if (problem.fault == FileFault::Missing || problem.fault == FileFault::DanglingLink)
            return;
        r.ok = false;
        r.reason = FileProblemText(problem, 'E');
    }
    if (r.ok) {
        bank_ = std::move(r.bank);
        return;
    }
    // A name of its own for every damaged file, so an earlier one is never
    // overwritten. What is no file at all (a pipe, a device, a folder) is
    // not ours to move.
    const QString aside =
        path_ + QStringLiteral(".damaged-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    const bool moved = problem.fault != FileFault::NotRegular && QFile::rename(path_, aside);
    devlog::Append(QStringLiteral("Memory curves: %1 line %2: %3; %4")
                       .arg(path_)
                       .arg(r.line)
                       .arg(r.reason, moved ? QStringLiteral("kept as ") + aside : QStringLiteral("left as it is")));
}

bool MemoryStore::write() const { return WriteFileAtomically(path_, SerializeMemories(bank_)); }

bool MemoryStore::set(int slot, MemoryCurve curve)
{
    bank_[size_t(slot)] = std::move(curve);
    return write();
}

bool MemoryStore::remove(int slot) { return set(slot, MemoryCurve{}); }

bool MemoryStore::rename(int slot, const QString& name)
{
    bank_[size_t(slot)].name = name.left(MemoryNameMax);
    return write();
}

bool MemoryStore::setVisible(int slot, bool visible)
{
    bank_[size_t(slot)].visible = visible;
    return write();
}

bool MemoryStore::hideAll()
{
    for (MemoryCurve& m : bank_)
        m.visible = false;
    return write();
}

} // namespace korvanta
