#include "cli/ResultFile.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace korvanta {

namespace {

// The folder the file will be made in, or the nearest one above it that
// exists: the atomic write makes the missing ones.
QFileInfo nearestExistingAbove(const QString& path)
{
    QString dir = QFileInfo(path).absolutePath();
    while (!QFileInfo::exists(dir)) {
        const QString up = QFileInfo(dir).absolutePath();
        if (up == dir)
            break;
        dir = up;
    }
    return QFileInfo(dir);
}

} // namespace

QString CheckResultPath(const QString& path)
{
    const QFileInfo file(path);
    if (file.isDir())
        return QStringLiteral("%1 is a folder").arg(path);
    if (const QString refusal = AtomicWriteRefusal(path); !refusal.isEmpty())
        return QStringLiteral("%1 cannot be written: %2").arg(path, refusal);
    const QFileInfo folder = nearestExistingAbove(path);
    if (!folder.isDir())
        return QStringLiteral("%1 cannot be written: %2 is not a folder").arg(path, folder.filePath());
    QTemporaryFile probe(QDir(folder.filePath()).filePath(QStringLiteral(".korvanta-measure-probe-XXXXXX")));
    if (!probe.open())
        return QStringLiteral("%1 cannot be written: %2").arg(path, probe.errorString());
    return {};
}

bool WriteResultFile(const QString& path, const QByteArray& bytes) { return WriteFileAtomically(path, bytes); }

} // namespace korvanta
