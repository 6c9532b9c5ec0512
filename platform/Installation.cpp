#include "platform/Installation.h"

#include "platform/SharedRoutines.h"

#include <QDir>
#include <QFileInfo>

#ifndef KORVANTA_DATA_FROM_BIN
#define KORVANTA_DATA_FROM_BIN "../share/korvanta"
#endif

namespace korvanta {

QString InstalledDataDirFor(const QString& programDir, const QString& dataFromBin)
{
    if (programDir.isEmpty())
        return QString();
    const QString data = QDir::cleanPath(QDir(programDir).filePath(dataFromBin)) + QLatin1Char('/');
    return QFileInfo(data + InstalledMarkerName).isFile() ? data : QString();
}

QString InstalledDataDir()
{
    // Asked often (every settings access); the answer cannot change while
    // the program runs.
    static const QString dir = InstalledDataDirFor(ProgramDir(), QStringLiteral(KORVANTA_DATA_FROM_BIN));
    return dir;
}

bool ProgramIsInstalled() { return !InstalledDataDir().isEmpty(); }

} // namespace korvanta
