#include "platform/ProfileStore.h"

#include "platform/AtomicFile.h"
#include "platform/DeviceLog.h"
#include "platform/Installation.h"
#include "platform/RegularFile.h"
#include "platform/SharedRoutines.h"
#include "platform/TextDecoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <map>

#include <unistd.h>

namespace korvanta {

namespace {
std::function<void()>& saveInterruptHook()
{
    static std::function<void()> hook;
    return hook;
}

bool isSectionHeader(const QString& trimmed) { return trimmed.startsWith(QLatin1Char('[')); }

QString sectionName(const QString& trimmed)
{
    const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    return (close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1)).trimmed();
}

bool isComment(const QString& trimmed)
{
    return trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}

QString keyOf(const QString& line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : line.left(eq).trimmed();
}

QString unquote(QString v)
{
    v = v.trimmed();
    if (v.size() >= 2) {
        const QChar first = v.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && v.back() == first)
            return v.mid(1, v.size() - 2);
    }
    return v;
}

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

bool hasLineBreak(const QString& s)
{
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

// Why a section or key name cannot go into the file, or empty. A name the
// reader would see differently (trimmed, cut at "=" or "]", read as a
// section header or a comment, or broken onto a line of its own) would put
// the value under another name, or under none.
QString nameProblem(const QString& name, bool isKey)
{
    if (name.isEmpty())
        return QStringLiteral("the name is empty");
    if (name != name.trimmed())
        return QStringLiteral("the name has blanks at its ends");
    if (hasLineBreak(name))
        return QStringLiteral("the name holds a line break");
    if (!name.isValidUtf16())
        return QStringLiteral("the name is not valid text");
    if (name.contains(QLatin1Char('=')))
        return QStringLiteral("the name holds \"=\"");
    if (!isKey && name.contains(QLatin1Char(']')))
        return QStringLiteral("the name holds \"]\"");
    if (isKey && (isSectionHeader(name) || isComment(name)))
        return QStringLiteral("the name starts as a section or a comment does");
    return {};
}

// Why a value cannot go into the file, or empty. A line break would end the
// key's line and let the rest of the value be read as lines of their own:
// sections and keys the program never set.
QString valueProblem(const QString& value)
{
    if (hasLineBreak(value))
        return QStringLiteral("the value holds a line break");
    if (!value.isValidUtf16())
        return QStringLiteral("the value is not valid text");
    return {};
}

// Names and values in the device log: a line break in them would make the
// log line look like two.
QString printable(const QString& s)
{
    QString out = s;
    out.replace(QLatin1Char('\r'), QStringLiteral("\\r")).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return out;
}

// The form a value takes in the file. A read trims a value and removes one
// pair of quotes around it; a value that this would change is written in
// quotes, so that it reads back as it was set.
QString storedForm(const QString& value)
{
    return unquote(value) == value ? value : QLatin1Char('"') + value + QLatin1Char('"');
}

// What a save inside the settings transaction leaves for the commit.
struct PendingFile {
    QStringList lines;
    bool crlf = false;
    QString refusal; // why the file itself must not be replaced, or empty
};

struct SettingsTransaction {
    bool open = false;
    std::map<QString, PendingFile> files; // by absolute path
};

SettingsTransaction& transaction()
{
    static SettingsTransaction t;
    return t;
}

QString transactionKey(const QString& path) { return QFileInfo(path).absoluteFilePath(); }

QByteArray fileBytes(const QStringList& lines, bool crlf)
{
    const QString eol = crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text;
    for (const QString& line : lines)
        text += line + eol;
    return text.toUtf8();
}

bool writeToDisk(const QString& path, const QStringList& lines, bool crlf, QString& reason)
{
    return WriteFileAtomically(path, fileBytes(lines, crlf), reason, saveInterruptHook());
}

bool writeToDisk(const QString& path, const QStringList& lines, bool crlf)
{
    QString reason;
    return writeToDisk(path, lines, crlf, reason);
}
} // namespace

ProfileStore::ProfileStore(QString path) : path_(std::move(path)) {}

bool ProfileStore::load()
{
    lines_.clear();
    crlf_ = false;
    unreadable_ = false;
    readError_.clear();
    SettingsTransaction& t = transaction();
    if (t.open) {
        const auto pending = t.files.find(transactionKey(path_));
        if (pending != t.files.end()) {
            lines_ = pending->second.lines;
            crlf_ = pending->second.crlf;
            return true;
        }
    }
    QByteArray bytes;
    FileProblem problem;
    if (!ReadRegularFile(path_, kSettingsMaxBytes, bytes, problem)) {
        // Nothing there reads as an empty file, a link to nothing too: a
        // save creates the file it leads to.
        if (problem.fault == FileFault::Missing || problem.fault == FileFault::DanglingLink)
            return false;
        readError_ = FileProblemText(problem, 'E');
        // Inside the transaction the sections saved from here on are
        // collected for the commit to hand back; the file stays as it is.
        unreadable_ = !t.open;
        return t.open;
    }
    crlf_ = bytes.contains("\r\n");
    lines_ = SplitLines(DecodeText(bytes));
    return true;
}

bool ProfileStore::save() const
{
    if (unreadable_)
        return false;
    if (SettingsTransaction& t = transaction(); t.open) {
        PendingFile& pending = t.files[transactionKey(path_)];
        pending.lines = lines_;
        pending.crlf = crlf_;
        if (!readError_.isEmpty())
            pending.refusal = QStringLiteral("it is there but could not be read (%1), so it was left as it is")
                                  .arg(readError_);
        return readError_.isEmpty();
    }
    return writeToDisk(path_, lines_, crlf_);
}

int ProfileStore::findSection(const QString& section) const
{
    for (int i = 0; i < lines_.size(); ++i) {
        const QString t = lines_[i].trimmed();
        if (isSectionHeader(t) && sameName(sectionName(t), section))
            return i;
    }
    return -1;
}

int ProfileStore::sectionEnd(int headerIndex) const
{
    int i = headerIndex + 1;
    while (i < lines_.size() && !isSectionHeader(lines_[i].trimmed()))
        ++i;
    return i;
}

int ProfileStore::findKey(int headerIndex, const QString& key) const
{
    const int end = sectionEnd(headerIndex);
    for (int i = headerIndex + 1; i < end; ++i) {
        const QString t = lines_[i].trimmed();
        if (t.isEmpty() || isComment(t))
            continue;
        if (sameName(keyOf(t), key))
            return i;
    }
    return -1;
}

QString ProfileStore::value(const QString& section, const QString& key, const QString& defaultValue,
                            int bufferLength) const
{
    QString result = defaultValue.trimmed();
    const int header = findSection(section);
    if (header >= 0) {
        const int line = findKey(header, key);
        if (line >= 0) {
            const QString& text = lines_[line];
            result = unquote(text.mid(text.indexOf(QLatin1Char('=')) + 1));
        }
    }
    if (bufferLength <= 0)
        return QString();
    return result.left(bufferLength - 1);
}

bool ProfileStore::contains(const QString& section, const QString& key) const
{
    const int header = findSection(section);
    return header >= 0 && findKey(header, key) >= 0;
}

bool ProfileStore::setValue(const QString& section, const QString& key, const QString& value)
{
    QString problem = nameProblem(section, false);
    if (problem.isEmpty())
        problem = nameProblem(key, true);
    if (problem.isEmpty())
        problem = valueProblem(value);
    if (!problem.isEmpty()) {
        devlog::Append(QStringLiteral("Settings: [%1] %2 not stored in %3: %4")
                           .arg(printable(section), printable(key), path_, problem));
        return false;
    }
    const QString stored = storedForm(value);
    const QString entry = key + QLatin1Char('=') + stored;
    int header = findSection(section);
    if (header < 0) {
        lines_.append(QLatin1Char('[') + section + QLatin1Char(']'));
        lines_.append(entry);
        return true;
    }
    const int line = findKey(header, key);
    if (line >= 0) {
        lines_[line] = keyOf(lines_[line]) + QLatin1Char('=') + stored;
        return true;
    }
    // Append after the section's last non-blank line so that a blank line
    // separating it from the next section stays where it is.
    int insertAt = sectionEnd(header);
    while (insertAt - 1 > header && lines_[insertAt - 1].trimmed().isEmpty())
        --insertAt;
    lines_.insert(insertAt, entry);
    return true;
}

void ProfileStore::removeKey(const QString& section, const QString& key)
{
    const int header = findSection(section);
    if (header < 0)
        return;
    const int line = findKey(header, key);
    if (line >= 0)
        lines_.removeAt(line);
}

QString GetProfileString(const QString& section, const QString& key, const QString& defaultValue,
                         int bufferLength, const QString& path)
{
    ProfileStore store(path);
    store.load();
    return store.value(section, key, defaultValue, bufferLength);
}

bool WriteProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& path)
{
    ProfileStore store(path);
    if (!store.load() && QFileInfo::exists(path))
        return false; // present but unreadable: never replace what we could not read
    return store.setValue(section, key, value) && store.save();
}

QString SettingsFilePathFor(const QString& overridePath, const QString& programDir,
                            const QString& xdgConfigHome, const QString& home, bool installed)
{
    if (!overridePath.isEmpty())
        return overridePath;
    const QString base = !xdgConfigHome.isEmpty() ? xdgConfigHome : QDir(home).filePath(QStringLiteral(".config"));
    const QString perUser = QDir(base).filePath(QStringLiteral("korvanta/krv14f.ini"));
    if (installed)
        return perUser;
    const QString local = QDir(programDir).filePath(QStringLiteral("krv14f.ini"));
    const QFileInfo dirInfo(programDir);
    const QFileInfo fileInfo(local);
    const bool dirWritable = ::access(QFile::encodeName(programDir).constData(), W_OK) == 0;
    const bool fileUsable = !fileInfo.exists() || ::access(QFile::encodeName(local).constData(), W_OK) == 0;
    if (dirInfo.isDir() && dirWritable && fileUsable)
        return local;
    return perUser;
}

QString SettingsFilePath()
{
    return SettingsFilePathFor(qEnvironmentVariable("KORVANTA_SETTINGS"), ProgramDir(),
                               qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath(), ProgramIsInstalled());
}

void BeginSettingsTransaction() { transaction().open = true; }

std::vector<UnsavedSettings> CommitSettings()
{
    SettingsTransaction& t = transaction();
    if (!t.open)
        return {};
    // Closed first, so that a hook or a failure cannot leave it half open.
    std::map<QString, PendingFile> files;
    files.swap(t.files);
    t.open = false;
    std::vector<UnsavedSettings> unsaved;
    for (const auto& [path, file] : files) {
        QString reason = file.refusal;
        if (reason.isEmpty() && writeToDisk(path, file.lines, file.crlf, reason))
            continue;
        unsaved.push_back({path, reason, fileBytes(file.lines, file.crlf)});
    }
    return unsaved;
}

bool CommitSettingsTransaction() { return CommitSettings().empty(); }

bool SettingsTransactionOpen() { return transaction().open; }

namespace testing_hooks {
void SetProfileSaveInterruptHook(std::function<void()> hook) { saveInterruptHook() = std::move(hook); }
} // namespace testing_hooks

} // namespace korvanta
