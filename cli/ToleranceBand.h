#pragma once
// A tolerance band for a frequency response: the lowest and highest level
// a device may show at a set of frequencies, read from a text file that a
// test bench keeps beside its scripts. Between two listed frequencies the
// limits run straight on a logarithmic frequency axis (as the curve is
// drawn); outside the listed range nothing is checked.
//
// File format (UTF-8 or plain ASCII text, LF or CR LF line ends):
//   # comment            ('#' or ';' starts a comment, also after values)
//   20     -3   1        frequency in Hz, lowest and highest level in dB
//   1000   -0.5 0.5      (separated by blanks, tabs or ",")
//   20000  -3   1
// Frequencies are above 0 and at most kMaxBandHz, strictly ascending; limits
// lie within +/- kMaxBandDb with min <= max; at least one line, at most
// kMaxBandPoints lines with values.

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace korvanta {

inline constexpr int kMaxBandPoints = 10000;
inline constexpr double kMaxBandHz = 1e6;
inline constexpr double kMaxBandDb = 1e4;
inline constexpr qsizetype kMaxBandFileBytes = 1 << 20;

struct BandPoint {
    double frequency = 0.0;
    double min = 0.0;
    double max = 0.0;
};

struct ToleranceBand {
    std::vector<BandPoint> points; // ascending frequencies

    struct Limits {
        double min;
        double max;
    };
    // The limits at f, or none when f lies outside the listed range.
    std::optional<Limits> at(double f) const;
};

struct BandParse {
    ToleranceBand band;
    QString error; // empty on success; else "line N: what is wrong"
};

// Parses the text of a band file.
BandParse ParseToleranceBand(const QByteArray& text);

// Reads and parses the file; a file that cannot be read, is larger than
// kMaxBandFileBytes or does not parse gives an error naming the file.
BandParse LoadToleranceBand(const QString& path);

} // namespace korvanta
