#include "cli/DeviceLock.h"

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
        error = QStringLiteral("%1 cannot be made: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    // Never a link or a folder someone else made in a shared /tmp.
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()
        || (info.st_mode & kWritableByOthers) != 0) {
        error = QStringLiteral("%1 is not a folder of this user's alone").arg(folder);
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
    const QString what = QStringLiteral("the %1 device \"%2\"")
                             .arg(kind == 'I' ? QStringLiteral("input") : QStringLiteral("output"), name);
    QString error;
    const QString folder = DeviceLockFolder(error);
    if (folder.isEmpty())
        return QStringLiteral("%1 cannot be locked: %2").arg(what, error);
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
        const QString owner = lock->getLockInfo(&pid, &host, &application)
                                  ? QStringLiteral(" (process %1)").arg(pid)
                                  : QString();
        return QStringLiteral("%1 is in use by another measurement%2; try again when it has finished")
            .arg(what, owner);
    }
    return QStringLiteral("%1 cannot be locked: %2 cannot be written").arg(what, lock->fileName());
}

void DeviceLocks::release() { held_.clear(); }

} // namespace korvanta
