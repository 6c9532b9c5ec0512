#include "AtomicFile.h"

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

// The file a write really replaces: the target of a symbolic link, so the
// link itself stays a link.
QString writeTarget(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return info.absoluteFilePath();
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
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
    const QString target = writeTarget(path);
    const QString dir = QFileInfo(target).absolutePath();
    QDir().mkpath(dir);
    RemoveStrayCopies(target);

    QString copy;
    const int fd = createCopy(target, copy);
    if (fd < 0)
        return false;
    struct stat old {};
    bool ok = true;
    // The new file keeps the old one's permissions (a private file stays private).
    if (::stat(QFile::encodeName(target).constData(), &old) == 0)
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && fillCopy(fd, bytes, midWrite);
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(QFile::encodeName(copy).constData(), QFile::encodeName(target).constData()) == 0;
    if (!ok) {
        ::unlink(QFile::encodeName(copy).constData());
        return false;
    }
    syncDirectory(dir);
    return true;
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
    const QFileInfo info(writeTarget(path));
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
