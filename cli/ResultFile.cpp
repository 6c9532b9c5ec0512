#include "cli/ResultFile.h"

#include "cli/CommandLanguage.h"
#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace korvanta {

namespace {

constexpr Words kIsFolder{"%1 ist ein Ordner", "%1 is a folder"};
constexpr Words kCannotWrite{"%1 kann nicht geschrieben werden: %2", "%1 cannot be written: %2"};
constexpr Words kNotAFolder{"%1 ist kein Ordner", "%1 is not a folder"};
constexpr Words kNameTooLong{"der Name ist %1 Bytes lang; die vorläufige Kopie, die das Schreiben braucht, hängt %2 "
                             "an, und ein Name darf dort höchstens %3 haben: höchstens %4 Bytes passen",
                             "the name is %1 bytes long; the temporary copy the write needs adds %2, and a name may "
                             "hold at most %3 there: at most %4 bytes fit"};
constexpr Words kPathTooLong{"der Pfad ist %1 Bytes lang; mit der vorläufigen Kopie (%2 mehr) überschreitet er die "
                             "%3, die das System für einen Pfad zulässt",
                             "the path is %1 bytes long; with the temporary copy (%2 more) it passes the %3 the "
                             "system allows a path"};

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

long systemLimit(const QString& folder, int name, long fallback)
{
    const long limit = ::pathconf(QFile::encodeName(folder).constData(), name);
    return limit > 0 ? limit : fallback;
}

// The write makes "<name><suffix>" beside the file and renames it: a name
// or a path that leaves no room for the suffix fails only after the run.
QString lengthProblem(const QString& target, const QString& folder)
{
    const qsizetype name = QFile::encodeName(QFileInfo(target).fileName()).size();
    const qsizetype path = QFile::encodeName(QFileInfo(target).absoluteFilePath()).size();
    const int suffix = TemporaryCopySuffixBytes();
    const long nameMax = systemLimit(folder, _PC_NAME_MAX, NAME_MAX);
    const long pathMax = systemLimit(folder, _PC_PATH_MAX, PATH_MAX);
    if (name + suffix > nameMax)
        return Say(kNameTooLong).arg(name).arg(suffix).arg(nameMax).arg(nameMax - suffix);
    // The limit counts the closing zero.
    if (path + suffix >= pathMax)
        return Say(kPathTooLong).arg(path).arg(suffix).arg(pathMax - 1);
    return {};
}

} // namespace

QString CheckResultPath(const QString& path)
{
    const QFileInfo file(path);
    if (file.isDir())
        return Say(kIsFolder).arg(path);
    if (const QString refusal = AtomicWriteRefusal(path); !refusal.isEmpty())
        return Say(kCannotWrite).arg(path, refusal);
    const QString target = AtomicWriteTarget(path);
    const QFileInfo folder = nearestExistingAbove(target);
    if (!folder.isDir())
        return Say(kCannotWrite).arg(path, Say(kNotAFolder).arg(folder.filePath()));
    if (const QString tooLong = lengthProblem(target, folder.filePath()); !tooLong.isEmpty())
        return Say(kCannotWrite).arg(path, tooLong);
    QTemporaryFile probe(QDir(folder.filePath()).filePath(QStringLiteral(".korvanta-measure-probe-XXXXXX")));
    if (!probe.open())
        return Say(kCannotWrite).arg(path, probe.errorString());
    return {};
}

bool WriteResultFile(const QString& path, const QByteArray& bytes) { return WriteFileAtomically(path, bytes); }

bool SameExistingFile(const QString& a, const QString& b)
{
    struct stat sa {}, sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace korvanta
