#pragma once
// Where the file dialogs start. Each kind of file (text tables, pictures,
// reports, correction files, wave files, settings) remembers the folder its
// last file was chosen in, for this run and, through the settings file's
// "FOLDERS" section, for the next; a kind never used yet starts in the
// user's documents folder. Without this every dialog opens in the
// program's working directory, which for a build is the build folder.
//
// The kind is told by the dialog's default extension, so that every dialog
// of the program follows the rule without naming its kind. Process-wide,
// like the language: there is one user choosing files.

#include <QString>
#include <QStringList>

namespace korvanta {

class ProfileStore;

inline constexpr char kFileFoldersSection[] = "FOLDERS";

// "TEXT", "PICTURE", "REPORT", "CORRECTION", "WAVE", "SETTINGS", or "OTHER",
// from a dialog's default extension ("txt", "png" ...), any case.
QString FileKindOf(const QString& defaultExt);
// Every kind, in the order the section is written.
const QStringList& FileKinds();

// The folder a dialog for `kind` starts in: the last folder used for it
// while that still exists, else the documents folder (the home folder when
// there is none).
QString StartFolder(const QString& kind);
// What a dialog opens at: an absolute `initialPath` as it is (a file the
// user chose before), a bare or relative name inside the start folder, or
// the start folder itself.
QString StartPath(const QString& kind, const QString& initialPath);
// The user chose `file` in a dialog for `kind`: its folder is remembered.
void RememberFolder(const QString& kind, const QString& file);

// The section "FOLDERS": one key per kind, an absolute path. A value that is
// not an absolute path is not taken (and not written back); a folder that
// does not exist now is kept, as a removable disk may come back.
void ReadFileFolders(const ProfileStore& store);
void WriteFileFolders(ProfileStore& store);
// Forgets every folder (a fresh start, for tests).
void ResetFileFolders();

} // namespace korvanta
