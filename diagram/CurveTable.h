#pragma once
// Reading curves back from text tables: the program's own text export (with
// a separator that keeps the table readable: comma, semicolon, tab or
// blanks) and two- to four-column CSV/TSV files of other tools (frequency,
// then one to three levels; one header line; comments after '#'). A table is
// loaded whole or not at all: the result carries either the curves or the
// first bad line and what is wrong with it.
//
// Sizes are bounded, so any file costs bounded time and memory: a line holds
// at most MaxLineLength characters, a file at most MaxFileBytes bytes are
// read, and a table has at most the diagram's point count.

#include "platform/RegularFile.h"

#include <QIODevice>
#include <QString>
#include <vector>

namespace korvanta {

struct CurveTable {
    std::vector<float> x;                     // frequencies in Hz, ascending (equal neighbours allowed)
    std::vector<std::vector<float>> levels;   // one to three columns, each as long as x
};

enum class CurveTableFault {
    None,
    Unreadable,      // the file cannot be opened or read
    NoPoints,        // no data line at all
    TooLong,         // a line longer than MaxLineLength
    TooLarge,        // more than MaxFileBytes
    NotNumber,       // a field that is not a number (column tells which)
    OneColumn,       // a data line with a single column: no readable separator
    TooManyColumns,  // more than MaxLevelColumns levels
    ColumnCount,     // a line with another column count than the first data line
    NegativeFrequency,
    Descending,      // a frequency below the one of the line before
    OutOfRange,      // a number too large for the diagram's values
    TooManyPoints,   // more data lines than the diagram holds
};

struct CurveTableResult {
    CurveTable table;                 // empty unless the table loaded
    CurveTableFault fault = CurveTableFault::None;
    int line = 0;                     // 1-based line of the fault
    int column = 0;                   // 1-based column (NotNumber, OutOfRange), columns seen (ColumnCount)
    int expectedColumns = 0;          // ColumnCount: the columns of the first data line
    FileProblem file;                 // Unreadable: why the file was not read

    bool ok() const { return fault == CurveTableFault::None; }
};

inline constexpr int CurveTableMaxLineLength = 4096;
inline constexpr qint64 CurveTableMaxFileBytes = 32LL * 1024 * 1024;
inline constexpr int CurveTableMaxLevelColumns = 3;

// Reads a table from an open device.
CurveTableResult ParseCurveTable(QIODevice& in);
// Reads the file at `path`: only a regular file (or a link to one) of at
// most CurveTableMaxFileBytes; anything else is Unreadable, with the reason.
CurveTableResult LoadCurveTable(const QString& path);

// The message for a refused table in 'D' (German) or 'E' (English), naming
// the file and the line.
QString CurveTableMessage(const CurveTableResult& result, const QString& fileName, QChar language);

} // namespace korvanta
