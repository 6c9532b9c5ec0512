#include "platform/RegularFile.h"

#include "platform/LanguageTexts.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvanta {

namespace {

constexpr qint64 kChunkBytes = 64 * 1024;
constexpr qint64 kKilobyte = 1024;
constexpr qint64 kMegabyte = 1024 * 1024;

constexpr Words kFolder{"das ist ein Ordner", "it is a folder"};
constexpr Words kPipe{"das ist eine Pipe, keine gewöhnliche Datei", "it is a pipe, not a regular file"};
constexpr Words kDevice{"das ist ein Gerät, keine gewöhnliche Datei", "it is a device, not a regular file"};
constexpr Words kOther{"das ist keine gewöhnliche Datei", "it is not a regular file"};
constexpr Words kDangling{"das ist ein Verweis auf %1, das es nicht gibt", "it is a link to %1, which does not exist"};
constexpr Words kTooLarge{"die Datei ist größer als %1", "it is larger than %1"};

bool refuse(FileProblem& problem, FileFault fault, const QString& detail = {})
{
    problem.fault = fault;
    problem.detail = detail;
    return false;
}

bool refuseNode(FileProblem& problem, mode_t mode)
{
    problem.kind = S_ISDIR(mode)                      ? NodeKind::Folder
                   : S_ISFIFO(mode)                   ? NodeKind::Pipe
                   : S_ISCHR(mode) || S_ISBLK(mode)   ? NodeKind::Device
                                                      : NodeKind::Other;
    return refuse(problem, FileFault::NotRegular);
}

QString linkTarget(const QByteArray& name)
{
    QByteArray target(PATH_MAX, '\0');
    const ssize_t n = ::readlink(name.constData(), target.data(), size_t(target.size()));
    return n > 0 ? QFile::decodeName(target.left(n)) : QString();
}

// What the path leads to, before anything is opened: opening a device may
// act on it (a tape rewinds), and a pipe is never opened at all.
bool checkNode(const QByteArray& name, FileProblem& problem)
{
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        const int err = errno;
        struct stat link {};
        if (err == ENOENT && ::lstat(name.constData(), &link) == 0 && S_ISLNK(link.st_mode))
            return refuse(problem, FileFault::DanglingLink, linkTarget(name));
        const bool missing = err == ENOENT || err == ENOTDIR;
        return refuse(problem, missing ? FileFault::Missing : FileFault::Unreadable, qt_error_string(err));
    }
    return S_ISREG(st.st_mode) || refuseNode(problem, st.st_mode);
}

} // namespace

int OpenRegularFile(const QString& path, FileProblem& problem)
{
    problem = FileProblem{};
    const QByteArray name = QFile::encodeName(path);
    if (path.isEmpty()) {
        refuse(problem, FileFault::Missing, qt_error_string(ENOENT));
        return -1;
    }
    if (!checkNode(name, problem))
        return -1;
    // Not blocking, in case a pipe was put there since the look above; the
    // descriptor's own type is what counts.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        refuse(problem, FileFault::Unreadable, qt_error_string(errno));
        return -1;
    }
    struct stat st {};
    const bool known = ::fstat(fd, &st) == 0;
    if (!known || !S_ISREG(st.st_mode)) {
        const int err = errno;
        ::close(fd);
        known ? refuseNode(problem, st.st_mode) : refuse(problem, FileFault::Unreadable, qt_error_string(err));
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool ReadRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes, FileProblem& problem)
{
    bytes.clear();
    const int fd = OpenRegularFile(path, problem);
    if (fd < 0)
        return false;
    auto tooLarge = [&] {
        ::close(fd);
        bytes.clear();
        problem.limit = maxBytes;
        return refuse(problem, FileFault::TooLarge);
    };
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > maxBytes)
        return tooLarge();
    // The size said is only a hint: a file may grow, and some report none.
    bytes.reserve(qsizetype(std::min<qint64>(st.st_size, maxBytes) + 1));
    qint64 total = 0;
    for (;;) {
        const qint64 room = std::min(kChunkBytes, maxBytes + 1 - total);
        bytes.resize(qsizetype(total + room));
        const ssize_t n = ::read(fd, bytes.data() + total, size_t(room));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            bytes.clear();
            return refuse(problem, FileFault::Unreadable, qt_error_string(err));
        }
        if (n == 0)
            break;
        total += n;
        if (total > maxBytes)
            return tooLarge();
    }
    ::close(fd);
    bytes.resize(qsizetype(total));
    return true;
}

QString FileProblemText(const FileProblem& problem, char letter)
{
    switch (problem.fault) {
    case FileFault::None: return {};
    case FileFault::Missing:
    case FileFault::Unreadable: return problem.detail;
    case FileFault::DanglingLink: return Pick(letter, kDangling).arg(problem.detail);
    case FileFault::TooLarge: return Pick(letter, kTooLarge).arg(ByteLimitText(problem.limit));
    case FileFault::NotRegular: break;
    }
    switch (problem.kind) {
    case NodeKind::Folder: return Pick(letter, kFolder);
    case NodeKind::Pipe: return Pick(letter, kPipe);
    case NodeKind::Device: return Pick(letter, kDevice);
    case NodeKind::Other: break;
    }
    return Pick(letter, kOther);
}

QString ByteLimitText(qint64 bytes)
{
    if (bytes >= kMegabyte && bytes % kMegabyte == 0)
        return QStringLiteral("%1 MB").arg(bytes / kMegabyte);
    if (bytes >= kKilobyte && bytes % kKilobyte == 0)
        return QStringLiteral("%1 KB").arg(bytes / kKilobyte);
    return QStringLiteral("%1 B").arg(bytes);
}

} // namespace korvanta
