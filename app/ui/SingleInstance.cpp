#include "app/ui/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace korvanta {

namespace {
// How long a refused start waits for the first program to take its call.
constexpr int kCallTimeoutMs = 2000;
const QByteArray kToFront = QByteArrayLiteral("front\n");

QString CanonicalPath(const QString& path)
{
    const QFileInfo info(path);
    const QString dir = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (dir.isEmpty() ? info.absolutePath() : dir) + QLatin1Char('/') + info.fileName();
}
} // namespace

SingleInstance::SingleInstance(const QString& settingsPath, QObject* parent)
    : QObject(parent), settingsPath_(settingsPath), lock_(CanonicalPath(settingsPath) + QStringLiteral(".lock"))
{
    // Only a lock whose program has ended is stale, however old it is.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::ServerName(const QString& settingsPath)
{
    const QByteArray hash = QCryptographicHash::hash(CanonicalPath(settingsPath).toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("korvanta-") + QString::fromLatin1(hash.toHex().left(16));
}

QString SingleInstance::AlreadyRunningText(char language, const QString& settingsPath)
{
    const QString path = QDir::toNativeSeparators(settingsPath);
    if (language == 'E')
        return QStringLiteral("Korvanta is already running with the settings file %1.").arg(path);
    return QStringLiteral("Korvanta läuft bereits mit der Einstellungsdatei %1.").arg(path);
}

bool SingleInstance::Claim()
{
    QDir().mkpath(QFileInfo(settingsPath_).absolutePath());
    if (!lock_.tryLock(0)) {
        if (lock_.error() == QLockFile::LockFailedError) {
            askFirstToFront();
            return false;
        }
        // A folder where no lock can be written cannot hold the settings
        // either; the program starts and says so when it saves.
        return true;
    }
    server_ = std::make_unique<QLocalServer>();
    const QString name = ServerName(settingsPath_);
    // A socket left by a program that died would refuse the name.
    QLocalServer::removeServer(name);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* caller = server_->nextPendingConnection()) {
            connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
            emit anotherStart();
        }
    });
    server_->listen(name);
    return true;
}

bool SingleInstance::askFirstToFront() const
{
    QLocalSocket socket;
    socket.connectToServer(ServerName(settingsPath_));
    if (!socket.waitForConnected(kCallTimeoutMs))
        return false;
    socket.write(kToFront);
    const bool sent = socket.waitForBytesWritten(kCallTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

} // namespace korvanta
