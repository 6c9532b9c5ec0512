#include "platform/FileFolders.h"

#include "platform/ProfileStore.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>

namespace korvanta {

namespace {

QHash<QString, QString>& folders()
{
    static QHash<QString, QString> f;
    return f;
}

bool UsableFolder(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

QString DocumentsFolder()
{
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return UsableFolder(docs) ? docs : QDir::homePath();
}

} // namespace

QString FileKindOf(const QString& defaultExt)
{
    static const QHash<QString, QString> kinds = {
        {QStringLiteral("txt"), QStringLiteral("TEXT")},      {QStringLiteral("csv"), QStringLiteral("TEXT")},
        {QStringLiteral("png"), QStringLiteral("PICTURE")},   {QStringLiteral("svg"), QStringLiteral("PICTURE")},
        {QStringLiteral("html"), QStringLiteral("REPORT")},   {QStringLiteral("json"), QStringLiteral("REPORT")},
        {QStringLiteral("pdf"), QStringLiteral("REPORT")},    {QStringLiteral("cor"), QStringLiteral("CORRECTION")},
        {QStringLiteral("wav"), QStringLiteral("WAVE")},      {QStringLiteral("ini"), QStringLiteral("SETTINGS")},
    };
    return kinds.value(defaultExt.toLower(), QStringLiteral("OTHER"));
}

const QStringList& FileKinds()
{
    static const QStringList kinds = {QStringLiteral("TEXT"),       QStringLiteral("PICTURE"), QStringLiteral("REPORT"),
                                      QStringLiteral("CORRECTION"), QStringLiteral("WAVE"),    QStringLiteral("SETTINGS"),
                                      QStringLiteral("OTHER")};
    return kinds;
}

QString StartFolder(const QString& kind)
{
    const QString last = folders().value(kind);
    return UsableFolder(last) ? last : DocumentsFolder();
}

QString StartPath(const QString& kind, const QString& initialPath)
{
    if (QDir::isAbsolutePath(initialPath))
        return initialPath;
    const QString folder = StartFolder(kind);
    return initialPath.isEmpty() ? folder : QDir(folder).filePath(initialPath);
}

void RememberFolder(const QString& kind, const QString& file)
{
    if (!file.isEmpty())
        folders().insert(kind, QFileInfo(file).absolutePath());
}

void ReadFileFolders(const ProfileStore& store)
{
    ResetFileFolders();
    for (const QString& kind : FileKinds()) {
        const QString path = store.value(QString::fromLatin1(kFileFoldersSection), kind, QString(), 4096);
        if (QDir::isAbsolutePath(path))
            folders().insert(kind, QDir::cleanPath(path));
    }
}

void WriteFileFolders(ProfileStore& store)
{
    const QString section = QString::fromLatin1(kFileFoldersSection);
    for (const QString& kind : FileKinds()) {
        const QString path = folders().value(kind);
        if (path.isEmpty())
            store.removeKey(section, kind);
        else
            store.setValue(section, kind, path);
    }
}

void ResetFileFolders() { folders().clear(); }

} // namespace korvanta
