#pragma once
// Helpers for the diagram's widget tests.

#include "diagram/ui/Diadlg3.h"
#include "diagram/ui/Diagr3.h"
#include "platform/ProfileStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <cmath>

using namespace korvanta;

// Removes the settings file, so a test starts from the defaults whatever an
// earlier test's window wrote when it was destroyed.
struct FreshSettings {
    FreshSettings() { QFile::remove(SettingsFilePath()); }
};

// Applies what the options dialog posted, as the event loop would.
inline void ApplyPosted() { QCoreApplication::sendPostedEvents(); }

inline QRgb Rgb(ColorRef c) { return ColorFromRef(c).rgb() & 0xFFFFFF; }
inline QRgb PixelAt(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

// Sets a diagram up as the analyzer does: n points, log axis 20 Hz ... 20 kHz,
// -100 ... 0 dB.
inline void SetupAnalyzerLike(TDiagramm& d, int n = 1000, int32_t xmin = 20, int32_t xmax = 20000)
{
    float ymin = -100, ymax = 0;
    d.SetupDiagram(QString(), n - 1, xmin, xmax, ymin, ymax);
}

// Log-spaced points from xmin to xmax, all at the same levels.
inline void FillFlat(TDiagramm& d, int n, double xmin, double xmax, float left, float right)
{
    for (int i = 0; i < n; ++i)
        d.AddPoint(left, right, i, static_cast<float>(xmin * std::pow(xmax / xmin, double(i) / (n - 1))));
}

// Row of a level on the left axis of the current layout.
inline int RowOf(const TDiagramm& d, double level)
{
    const DiaLayout& l = d.Layout();
    return l.plotBottom - static_cast<int>(std::lround((level - l.ranges.ymin) * l.ppdB));
}

inline int ColumnOf(const TDiagramm& d, double freq) { return static_cast<int>(std::lround(d.Layout().FreqToX(freq))); }

// Counts the dark (text) pixels in a rectangle of an image.
inline int DarkPixels(const QImage& img, const QRect& r)
{
    int count = 0;
    const QRect area = r.intersected(img.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(img.pixel(x, y)) < 96)
                ++count;
    return count;
}
