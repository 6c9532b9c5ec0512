#pragma once
// The diagram's plain records: the options that the options dialog edits as
// a whole, the x-axis scaling of the cursor read-out, the visible ranges, and
// conversions between Windows colour values and QColor.
//
// Colours are kept as Windows colour values (0x00BBGGRR) because that is how
// the settings file stores them and how users' existing files carry them.

#include <QColor>
#include <QString>
#include <cstdint>

namespace korvanta {

using ColorRef = uint32_t;

inline QColor ColorFromRef(ColorRef c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

inline ColorRef RefFromColor(const QColor& c)
{
    return static_cast<ColorRef>(c.red()) | (static_cast<ColorRef>(c.green()) << 8) |
           (static_cast<ColorRef>(c.blue()) << 16);
}

// Default colours, also used by the dialog's "default Colors" button and as
// the settings defaults.
namespace diacolor {
inline constexpr ColorRef Cursor = 0;            // black
inline constexpr ColorRef Diagram = 16776960;    // aqua  (0xFFFF00)
inline constexpr ColorRef Grid = 65535;          // yellow (0x00FFFF)
inline constexpr ColorRef Line1 = 16711680;      // blue  (0xFF0000)
inline constexpr ColorRef Line2 = 255;           // red
inline constexpr ColorRef Line3 = 32768;         // green (0x008000)
inline constexpr ColorRef Margin = 12632256;     // silver (0xC0C0C0)
inline constexpr ColorRef Text = 0;              // black
} // namespace diacolor

// Difference modes of curve 3.
enum DiffMode : int32_t { DiffNone = 0, DiffK1MinusK2 = 1, DiffK2MinusK1 = 2, DiffK1PlusK2 = 3 };

struct DiagramOptions {
    bool peak1 = false;      // curve 3 holds the peak of curve 1
    bool peak2 = false;      // curve 3 holds the peak of curve 2
    bool resetPeaks = false; // one-shot request to reset curve 3
    bool route1 = true;      // single-value points go to curve 1
    bool route2 = false;     // single-value points go to curve 2
    bool show1 = true;
    bool show2 = false;
    bool measFreq = false;   // what the mouse cursor measures (exactly one is set)
    bool measLevel = true;
    bool measSlope = false;
    bool yStepAuto = true;
    bool xLog = true;
    int32_t diffMode = DiffNone;
    float yStep = 5.0f;      // y spin step in dB when yStepAuto is off
    float ymin = 99.0f, ymax = 99.0f;   // copies of the diagram's ranges
    int32_t xmin = 99, xmax = 99;
    ColorRef colCur = diacolor::Cursor;
    ColorRef colDia = diacolor::Diagram;
    ColorRef colGrid = diacolor::Grid;
    ColorRef colLine1 = diacolor::Line1;
    ColorRef colLine2 = diacolor::Line2;
    ColorRef colLine3 = diacolor::Line3;
    ColorRef colMargin = diacolor::Margin;
    ColorRef colText = diacolor::Text;
    QString separator = QStringLiteral(",");   // text export column separator

    // Curve 3 is drawn and exported whenever it carries something.
    bool curve3Active() const { return peak1 || peak2 || diffMode != DiffNone; }

    bool operator==(const DiagramOptions&) const = default;
};

// Frequency read-out of the mouse cursor: f * factor + offset, then unit.
struct XScaling {
    float factor = 1.0f;
    float offset = 0.0f;
    QString unit = QStringLiteral("Hz");
    // Read-outs in 4 digits with an SI prefix ("12.35mW") instead of a
    // fixed number of decimals, for axes that span many decades.
    bool prefixed = false;

    bool operator==(const XScaling&) const = default;
};

// The visible window onto the data. 99/99 (x) and 99.0/99.0 (y) together mark
// a range that no measuring page has set yet.
struct DiaRanges {
    static constexpr int32_t UnsetX = 99;
    static constexpr float UnsetY = 99.0f;

    int32_t xmin = UnsetX, xmax = UnsetX;
    float ymin = UnsetY, ymax = UnsetY;
    float y2min = -90.0f, y2max = 90.0f;

    bool xUnset() const { return xmin == UnsetX && xmax == UnsetX; }
    bool yUnset() const { return ymin == UnsetY && ymax == UnsetY; }
};

} // namespace korvanta
