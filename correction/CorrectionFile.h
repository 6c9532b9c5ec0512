#pragma once
// Correction files (*.cor): plain text, one point per line, "frequency value"
// separated by at least one space, for example "1000 0". Blank lines are
// skipped; any other line that is not exactly two decimal numbers is a line
// error and rejects the whole file. Lines are cut at 255 characters. LF,
// CR LF and CR all end a line, so files edited on Windows load as they are.
// The points are taken in file order and their frequencies must strictly
// ascend: the interpolation divides by the distance between neighbours, so a
// repeated frequency would turn the whole curve into NaN. Nothing is sorted.

#include "correction/CorrectionTable.h"

#include <QByteArrayView>
#include <QString>

namespace korvanta {

// Longest line that is looked at; the rest of a longer line is ignored.
inline constexpr int kCorrectionLineLength = 255;

// The loaded curve must be a finite number at every frequency the program
// looks it up: from 0 Hz (the analyzer's first bin) to half of 192 kHz, the
// highest rate sound cards offer, and over the table's own range.
inline constexpr double kCorrectionTopFrequency = 96000.0;

// The largest file read: millions of points, far more than any measuring
// chain needs, and still a table the spline can hold in memory.
inline constexpr qint64 kCorrectionMaxFileBytes = 16 << 20;

// Content written to a correction file that does not exist yet.
inline constexpr char kDefaultCorrectionContent[] = "1000 0\n";

enum class CorrectionLine { Blank, Point, Error };

// Classifies one line (without its line end). For a Point, `point` receives
// the two numbers.
CorrectionLine ParseCorrectionLine(QByteArrayView line, CorrectionPair& point);

// Loads the file into the table. An empty name loads nothing. A file that
// does not exist is created with "1000 0" and loaded. Returns true when a
// table was loaded; it is then inactive with the file name set. Every
// failure is reported in a warning box in the current language:
//  - the file is missing and cannot be created: the old table stays;
//  - the file exists but cannot be opened, is no regular file (a pipe, a
//    device, a folder, a link to nothing) or is larger than
//    kCorrectionMaxFileBytes: the old table stays and the file is left
//    untouched;
//  - a line error, no valid line, frequencies that do not strictly ascend, a
//    curve that is not finite everywhere it is looked up, or a read error in
//    the middle of the file: the table is left empty.
bool LoadCorrection(CorrectionTable& table, const QString& name);

// 'E' selects English messages, 'D' German (the default); other letters
// leave the language as it is.
void SetCorLanguage(char language);

} // namespace korvanta
