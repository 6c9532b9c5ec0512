#include "fuzz/FuzzSupport.h"

#include "platform/ModalQuestions.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace korvanta;

namespace fuzz {

namespace {
int messageBoxes = 0;

QString makeScratchDir()
{
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    QByteArray pattern = QByteArray(base) + "/korvanta-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        Fail("no scratch directory");
    return QString::fromLocal8Bit(pattern);
}

void removeScratchDir() { QDir(ScratchDir()).removeRecursively(); }
} // namespace

const QString& ScratchDir()
{
    static const QString dir = [] {
        const QString d = makeScratchDir();
        std::atexit(removeScratchDir);
        return d;
    }();
    return dir;
}

QString WriteScratchFile(const QString& name, const QByteArray& bytes)
{
    const QString path = ScratchDir() + QLatin1Char('/') + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        Fail("cannot write the scratch file");
    return path;
}

void AnswerMessageBoxes()
{
    modal::SetHook([](const modal::Question&) {
        ++messageBoxes;
        return modal::Answer{};
    });
}

int MessageBoxCount() { return messageBoxes; }

void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz property violated: %s\n", what);
    std::abort();
}

} // namespace fuzz
