#pragma once
// The result file of --out: checked before anything is measured, so that a
// path that cannot be written ends the command at once instead of after a
// long measurement, and written in one atomic step, so that a script never
// reads half a result or loses the previous one to a full disk.

#include <QByteArray>
#include <QString>

namespace korvanta {

// Empty when a file can be made at `path`: the nearest folder on the way
// that exists takes a new file (a probe, removed again), and `path` itself
// is no folder. Otherwise the reason. Nothing is left behind.
QString CheckResultPath(const QString& path);

// Replaces the file at `path` by `bytes` atomically. False when it could
// not be written; the old file is then unchanged.
bool WriteResultFile(const QString& path, const QByteArray& bytes);

} // namespace korvanta
