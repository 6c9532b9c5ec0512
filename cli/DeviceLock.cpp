#include "cli/DeviceLock.h"

#include "cli/CommandLanguage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace korvanta {

namespace {

constexpr Words kCannotMake{"%1 kann nicht angelegt werden: %2", "%1 cannot be made: %2"};
constexpr Words kNotPrivate{"%1 ist kein Ordner dieses Benutzers allein", "%1 is not a folder of this user's alone"};
constexpr Words kInputDevice{"das Eingangsgerät „%1“", "the input device \"%1\""};
constexpr Words kOutputDevice{"das Ausgangsgerät „%1“", "the output device \"%1\""};
constexpr Words kCannotLock{"%1 kann nicht gesperrt werden: %2", "%1 cannot be locked: %2"};
constexpr Words kInUse{"%1 ist von einer anderen Messung belegt%2; später noch einmal versuchen",
                       "%1 is in use by another measurement%2; try again when it has finished"};
constexpr Words kProcess{" (Prozess %1)", " (process %1)"};
constexpr Words kLockNotWritten{"%1 kann nicht gesperrt werden: %2 kann nicht geschrieben werden",
                                "%1 cannot be locked: %2 cannot be written"};

constexpr mode_t kPrivateFolder = 0700;
// Others may not add or remove files in the folder: they could take a
// device from us or hold it for ever.
constexpr mode_t kWritableByOthers = S_IWGRP | S_IWOTH;

QString folderCandidate()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(QStringLiteral("korvanta"));
    return QDir(QDir::tempPath()).filePath(QStringLiteral("korvanta-%1").arg(::geteuid()));
}

} // namespace

QString DeviceLockFolder(QString& error)
{
    const QString folder = folderCandidate();
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), kPrivateFolder) != 0 && errno != EEXIST) {
        error = Say(kCannotMake).arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    // Never a link or a folder someone else made in a shared /tmp.
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()
        || (info.st_mode & kWritableByOthers) != 0) {
        error = Say(kNotPrivate).arg(folder);
        return {};
    }
    return folder;
}

QString DeviceLockFileName(char kind, const QString& id)
{
    const QString direction = kind == 'I' ? QStringLiteral("input") : QStringLiteral("output");
    return direction + QLatin1Char('-') + QString::fromLatin1(QUrl::toPercentEncoding(id)) + QStringLiteral(".lock");
}

DeviceLocks::DeviceLocks() = default;

DeviceLocks::~DeviceLocks() { release(); }

QString DeviceLocks::acquire(char kind, const QString& id, const QString& name)
{
    const QString what = Say(kind == 'I' ? kInputDevice : kOutputDevice).arg(name);
    QString error;
    const QString folder = DeviceLockFolder(error);
    if (folder.isEmpty())
        return Say(kCannotLock).arg(what, error);
    auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(DeviceLockFileName(kind, id)));
    // A measurement may run for hours: only an owner that no longer runs
    // makes a lock stale, never its age.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        held_.push_back(std::move(lock));
        return {};
    }
    if (lock->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host, application;
        const QString owner = lock->getLockInfo(&pid, &host, &application) ? Say(kProcess).arg(pid) : QString();
        return Say(kInUse).arg(what, owner);
    }
    return Say(kLockNotWritten).arg(what, lock->fileName());
}

void DeviceLocks::release() { held_.clear(); }

} // namespace korvanta
