#include "cli/StandardOutput.h"

#include "cli/CommandLanguage.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace korvanta {

namespace {

constexpr Words kClosed{"die Standardausgabe war beim Start geschlossen", "standard output was closed when the program started"};

bool& outputClosed()
{
    static bool closed = false;
    return closed;
}

bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

// A stream set to non-blocking by whoever shares it: wait until it takes more.
bool waitWritable(int fd)
{
    pollfd p{fd, POLLOUT, 0};
    while (::poll(&p, 1, -1) < 0)
        if (errno != EINTR)
            return false;
    return true;
}

} // namespace

void GuardStandardStreams()
{
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (isOpen(fd))
            continue;
        if (fd == STDOUT_FILENO)
            outputClosed() = true;
        const int null = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
}

QString StandardOutputRefusal() { return outputClosed() ? Say(kClosed) : QString(); }

bool WriteStandardOutput(const QByteArray& bytes, QString& error)
{
    if (outputClosed()) {
        error = Say(kClosed);
        return false;
    }
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size_t(left));
        if (n > 0) {
            data += n;
            left -= n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitWritable(STDOUT_FILENO))
            continue;
        error = qt_error_string(n < 0 ? errno : EIO);
        return false;
    }
    return true;
}

} // namespace korvanta
