#pragma once
// Fonts of the diagram picture. Sizes are given in points as the rest of the
// program thinks of them and turned into pixel sizes at 96 dpi, so the
// picture and its layout are the same on every screen and in every bitmap.

#include <QFont>
#include <QString>

namespace korvanta {

// Pixel size of a point size at 96 dpi, rounded to the nearest pixel.
int FontPixelSize(int points);

// Arial (or the metric-compatible sans serif the system offers for it).
QFont DiaFont(int points, bool bold = false, bool italic = false);

// Text metrics the layout needs, measured in the font of the given size.
struct DiaTextMetrics {
    int charW = 0;        // width of "8"
    int charH = 0;        // height of "8"
    int kLabelWidth = 0;  // width of "20.00k"
    int textHeight = 0;   // height of any line of text
};
DiaTextMetrics MeasureDiaText(int points);

// Height of a caption: 0 when it is empty.
int CaptionHeight(const QString& caption, int points);

// Width of the widest left-axis label of a grid from ymin in steps of
// `step` up to ymax, in the font of the given size. The widest labels are
// those of largest magnitude, so the two ends decide.
int WidestLeftLabel(double ymin, double ymax, double step, int decimals, int points);

inline const QString ProductName = QStringLiteral("Korvanta");

} // namespace korvanta
