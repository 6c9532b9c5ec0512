#pragma once
// The text export of the diagram: one line per visible point, the frequency
// and the shown curves with exactly two decimals, columns divided by the
// user's separator, lines ended by CR LF (the files go to spreadsheet users
// on every system).

#include "diagram/DiaPointStore.h"
#include "diagram/DiagramOptions.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace korvanta {

// The separator as typed, with the two-character texts \t and \n standing for
// a tab and for a line end (CR LF).
QString TranslateSeparator(const QString& typed);

// The fields of one exported line: the frequency, then curve 1 if shown,
// curve 2 if shown, curve 3 if it carries peaks or a difference.
QStringList ExportFields(const DiaPointStore& points, int index, const DiagramOptions& opt, double xFactor = 1.0);

// Whether point i is exported: its frequency lies in xmin ... xmax and every
// curve the line writes has a value there.
bool ExportsPoint(const DiaPointStore& points, int index, const DiagramOptions& opt, double xmin, double xmax);

// Whether the export holds anything: a curve is shown and at least one
// point is exported. The curves are cleared when a page is left, so a save
// after a page change has nothing to write.
bool ExportsAnyPoint(const DiaPointStore& points, const DiagramOptions& opt, double xmin, double xmax);

// What WriteTextExport returns when there is nothing to write.
inline constexpr int NothingToExport = 1001;

// Writes the export to `path` (created or overwritten), flushing after every
// field so that a failing disk leaves what was written. Returns 0 on
// success, NothingToExport (touching no file) when no point of a shown
// curve lies in the range, otherwise the system's error number (or 101 when
// the system gave none); a partly written file stays.
int WriteTextExport(const QString& path, const DiaPointStore& points, const DiagramOptions& opt,
                    double xmin, double xmax, const QString& separator, double xFactor = 1.0);

} // namespace korvanta
