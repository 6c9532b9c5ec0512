#pragma once
// The result file of --out: checked before anything is measured, so that a
// path that cannot be written ends the command at once instead of after a
// long measurement, and written in one atomic step, so that a script never
// reads half a result or loses the previous one to a full disk.

#include <QByteArray>
#include <QString>

namespace korvanta {

// Empty when a file can be made at `path`: the nearest folder on the way
// that exists takes a new file (a probe, removed again), `path` itself is
// no folder, and its name and the name of the temporary copy the atomic
// write makes beside it both fit the system's limits on a name and a path.
// Otherwise the reason, in the command's language. Nothing is left behind.
QString CheckResultPath(const QString& path);

// Replaces the file at `path` by `bytes` atomically. False when it could
// not be written; the old file is then unchanged.
bool WriteResultFile(const QString& path, const QByteArray& bytes);

// Whether `a` and `b` name one file that exists (through links, or as two
// names of one file).
bool SameExistingFile(const QString& a, const QString& b);

} // namespace korvanta
