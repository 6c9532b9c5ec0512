#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvanta {

namespace {

const QLatin1String kCopyTag(".korvanta-save-");
constexpr int kRandomLetters = 6;
constexpr int kNameAttempts = 16;

bool isAlnum(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

QString randomLetters()
{
    static const char kLetters[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QString s;
    for (int i = 0; i < kRandomLetters; ++i)
        s += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))]);
    return s;
}

// As many links as the kernel itself follows before it gives up.
constexpr int kMaxLinks = 40;
constexpr uid_t kRootUid = 0;

// The file a write replaces, or why nothing may be written there.
struct Target {
    QString path;
    QString refusal;
};

QString systemText(int err) { return qt_error_string(err); }

// Where the link at `link` points, as a path the kernel resolves the same
// way (relative targets are relative to the link's directory).
QString linkTarget(const QString& link)
{
    QByteArray buffer(PATH_MAX, '\0');
    const ssize_t n = ::readlink(QFile::encodeName(link).constData(), buffer.data(), size_t(buffer.size()));
    if (n <= 0 || n >= buffer.size())
        return {};
    const QString target = QFile::decodeName(buffer.left(n));
    return QDir::isAbsolutePath(target) ? target : QFileInfo(link).absolutePath() + QLatin1Char('/') + target;
}

// Follows `path` link by link. A link stays a link and its target is what a
// write replaces, as long as the chain is the user's own: a link planted by
// someone else, or one that leads to another user's file, is refused.
Target resolveTarget(const QString& path)
{
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        struct stat st {};
        // Missing: the write creates it. Any other trouble is the write's to report.
        if (::lstat(QFile::encodeName(current).constData(), &st) != 0)
            return {current, {}};
        if (!S_ISLNK(st.st_mode)) {
            if (!S_ISREG(st.st_mode))
                return {current, QStringLiteral("%1 is not a regular file").arg(current)};
            if (hop > 0 && st.st_uid != ::geteuid())
                return {current, QStringLiteral("the link leads to %1, which belongs to another user").arg(current)};
            return {current, {}};
        }
        // Only root could have made a link of root's, so it is trusted too.
        if (st.st_uid != ::geteuid() && st.st_uid != kRootUid)
            return {current, QStringLiteral("%1 is a link that belongs to another user").arg(current)};
        const QString next = linkTarget(current);
        if (next.isEmpty())
            return {current, QStringLiteral("the link %1 cannot be read").arg(current)};
        current = next;
    }
    return {current, QStringLiteral("too many links lead from %1").arg(path)};
}

bool writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// Makes the rename itself durable; a failure here does not undo the write.
void syncDirectory(const QString& dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Creates a fresh temporary copy beside `target`; returns its descriptor
// (or -1) and its name.
int createCopy(const QString& target, QString& copyName)
{
    const QByteArray pid = QByteArray::number(static_cast<long long>(::getpid()));
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        copyName = target + kCopyTag + QString::fromLatin1(pid) + QLatin1Char('-') + randomLetters();
        const int fd = ::open(QFile::encodeName(copyName).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The new file keeps the old one's owner, group and permissions (a private
// file stays private, a group's file stays the group's). Owner first: a
// change of owner clears set-id bits that the mode then restores.
bool keepAttributes(int fd, const struct stat& old)
{
    if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
        // Another user's file or group: the copy stays ours, as any new file would be.
    }
    return ::fchmod(fd, old.st_mode & 07777) == 0;
}

bool fillCopy(int fd, const QByteArray& bytes, const std::function<void()>& midWrite)
{
    const qsizetype half = bytes.size() / 2;
    if (!writeAll(fd, bytes.constData(), half))
        return false;
    if (midWrite)
        midWrite();
    return writeAll(fd, bytes.constData() + half, bytes.size() - half) && ::fsync(fd) == 0;
}

bool processGone(long long pid) { return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

} // namespace

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, const std::function<void()>& midWrite)
{
    QString reason;
    return WriteFileAtomically(path, bytes, reason, midWrite);
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString& reason,
                         const std::function<void()>& midWrite)
{
    const Target target = resolveTarget(path);
    if (!target.refusal.isEmpty()) {
        reason = target.refusal;
        return false;
    }
    const QByteArray targetName = QFile::encodeName(target.path);
    const QString dir = QFileInfo(target.path).absolutePath();
    QDir().mkpath(dir);
    RemoveStrayCopies(target.path);

    QString copy;
    const int fd = createCopy(target.path, copy);
    if (fd < 0) {
        reason = systemText(errno);
        return false;
    }
    int firstError = 0; // the step that failed first is the one worth telling
    auto step = [&firstError](bool done) {
        if (!done && firstError == 0)
            firstError = errno != 0 ? errno : EIO;
        return done;
    };
    errno = 0;
    struct stat old {};
    bool ok = true;
    if (::stat(targetName.constData(), &old) == 0)
        ok = step(keepAttributes(fd, old));
    ok = ok && step(fillCopy(fd, bytes, midWrite));
    ok = step(::close(fd) == 0) && ok;
    ok = ok && step(::rename(QFile::encodeName(copy).constData(), targetName.constData()) == 0);
    if (!ok) {
        ::unlink(QFile::encodeName(copy).constData());
        reason = systemText(firstError);
        return false;
    }
    syncDirectory(dir);
    return true;
}

QString AtomicWriteRefusal(const QString& path) { return resolveTarget(path).refusal; }

QString AtomicWriteTarget(const QString& path) { return resolveTarget(path).path; }

int TemporaryCopySuffixBytes()
{
    const int pidDigits = int(QByteArray::number(static_cast<long long>(::getpid())).size());
    return int(kCopyTag.size()) + pidDigits + 1 + kRandomLetters;
}

bool IsTemporaryCopyName(const QString& name, const QString& fileName, long long& pid)
{
    const QString prefix = fileName + kCopyTag;
    if (!name.startsWith(prefix))
        return false;
    const QString rest = name.mid(prefix.size());
    const qsizetype dash = rest.indexOf(QLatin1Char('-'));
    if (dash <= 0 || rest.size() - dash - 1 != kRandomLetters)
        return false;
    for (qsizetype i = dash + 1; i < rest.size(); ++i)
        if (!isAlnum(rest.at(i)))
            return false;
    const QString digits = rest.left(dash);
    for (QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    bool ok = false;
    pid = digits.toLongLong(&ok);
    return ok && pid > 0 && pid <= INT_MAX;
}

int RemoveStrayCopies(const QString& path)
{
    const QFileInfo info(resolveTarget(path).path);
    const QString fileName = info.fileName();
    const QDir dir(info.absolutePath());
    // Names are compared by hand: the file's own name may hold wildcard characters.
    const QStringList candidates = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    int removed = 0;
    for (const QString& name : candidates) {
        long long pid = 0;
        // A copy of a process that still runs may be about to be renamed;
        // this process never leaves one behind while it runs.
        if (!IsTemporaryCopyName(name, fileName, pid) || pid == ::getpid() || !processGone(pid))
            continue;
        const QByteArray full = QFile::encodeName(dir.filePath(name));
        struct stat st {};
        if (::lstat(full.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        if (::unlink(full.constData()) == 0)
            ++removed;
    }
    return removed;
}

} // namespace korvanta
