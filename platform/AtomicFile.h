#pragma once
// Replacing a file so that it is always either the old or the new one, even
// when the process is killed at any moment: the new content goes to a
// temporary copy beside the file, is flushed to the disk, and then renamed
// over the file.
//
// A kill before the rename leaves the temporary copy behind. Its name says
// whose it is ("<file>.korvanta-save-<pid>-<6 letters>"), and the next write
// of the same file removes such copies once the process that made them is
// gone. Nothing else is ever removed: a "<file>.backup" of the user's, a
// copy of a process that is still writing, a link or another user's file
// all stay where they are.

#include <QByteArray>
#include <QString>
#include <functional>

namespace korvanta {

// Writes `bytes` to `path` atomically, creating its directory if needed. An
// existing file keeps its permission bits, and its owner and group as far
// as this user may give them. `midWrite`, when set, runs after half of the
// bytes are in the temporary copy (tests end the process there). Returns
// false when the file could not be written; the old file is then unchanged
// and no temporary copy is left.
//
// A symbolic link stays a link and its target is replaced, but only when
// every link on the way is this user's and the target is a regular file of
// this user (or does not exist yet): a link someone else planted must not
// make the program overwrite a file it was never meant to touch. Nothing
// but a regular file is ever replaced (no directory, device or pipe).
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, const std::function<void()>& midWrite = {});

// The same; on failure `reason` says why (the system's text, or why the
// path was refused).
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString& reason,
                         const std::function<void()>& midWrite = {});

// Why WriteFileAtomically would refuse `path` (a link that is not the
// user's, or a path that is not a regular file), or empty. Lets a caller
// find out before it does long work whose result goes there.
QString AtomicWriteRefusal(const QString& path);

// The path of the file a write of `path` replaces: a link's target, as far
// as links lead; `path` itself where it is no link.
QString AtomicWriteTarget(const QString& path);

// How many bytes the temporary copy's name adds to the file's name in this
// process. The file's name must leave room for them within the folder's
// limit on a name, and the copy's path within the system's on a path.
int TemporaryCopySuffixBytes();

// True when `name` (a file name without directory) is a temporary copy that
// WriteFileAtomically made for the file named `fileName`; `pid` receives the
// process that made it.
bool IsTemporaryCopyName(const QString& name, const QString& fileName, long long& pid);

// Removes the temporary copies of `path` left by processes that no longer
// run (and by this one). Only regular files of this user are touched.
// Returns how many were removed.
int RemoveStrayCopies(const QString& path);

} // namespace korvanta
