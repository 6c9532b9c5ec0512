#pragma once
// How this copy of the program was installed. An installation (`cmake
// --install`, the Debian package) puts a marker file into the program's data
// folder; a build tree or a portable copy has none. Whether the program's
// folder is writable says nothing about this: run as root, an installed
// program could write into /usr/bin, and must not.

#include <QString>

namespace korvanta {

// Name of the marker file inside the data folder.
inline const QString InstalledMarkerName = QStringLiteral("installed");

// The data folder (with a trailing '/') of a program in `programDir` when
// the marker is there, else an empty string. `dataFromBin` is the data
// folder relative to the program's folder ("../share/korvanta").
QString InstalledDataDirFor(const QString& programDir, const QString& dataFromBin);

// The same for the running program, with the folders it was built for.
QString InstalledDataDir();
bool ProgramIsInstalled();

} // namespace korvanta
