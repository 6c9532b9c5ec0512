// The oscilloscope window without the acquisition: where the renderer puts
// the graticule and the curves (checked pixel by pixel), the point store's
// set-up rules, the text export, the mouse read-outs, "Illum." and the
// background colour in the settings file.
#include "scope/ui/Oszidia1.h"
#include "scope/OszidiaRender.h"
#include "scope/OszidiaPicture.h"
#include "scope/OszidiaStore.h"
#include "platform/ProfileStore.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <gtest/gtest.h>
#include <cmath>

using namespace korvanta;

namespace {
// A client area whose plot is 235 x 320 pixels: 23.5 pixels per division
// across (so rounding shows), 40 down.
constexpr int kWidth = 236;
constexpr int kHeight = kHeaderHeight + 320 + 1 + kBottomMargin;

OszidiaStore storeWith(int n, float value)
{
    OszidiaStore s;
    s.Setup(QString(), n, false, 1.0f, 0.0f, 0.01f, 0.0f, 8.0f);
    for (int j = 0; j < n; ++j)
        s.StorePoint(j, true, 2.0f, 6.0f, 0.1f, 0.1f, 0.01f * j / (n - 1), value, value);
    return s;
}

QImage render(const OszidiaStore& s, const OszidiaCursors& c = {})
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    RenderOszidia(img, s, LayoutOszidia(s, kWidth, kHeight), c, oszi::Background, QFont());
    return img;
}

QColor at(const QImage& img, int x, int y) { return img.pixelColor(x, y); }

void mouse(QWidget& w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint pos)
{
    QMouseEvent e(type, QPointF(pos), w.mapToGlobal(QPointF(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}
} // namespace

TEST(OszidiaRender, GraticuleLinesSitWhereTheDivisionsAre)
{
    // Curves far above the plot keep out of the way (they run in the header).
    const QImage img = render(storeWith(100, 20.0f));
    const int columns[11] = {0, 24, 47, 71, 94, 118, 141, 165, 188, 212, 235};
    for (int x : columns)
        EXPECT_EQ(at(img, x, 100), oszi::Graticule) << "column " << x;
    for (int i = 0; i <= 8; ++i)
        EXPECT_EQ(at(img, 10, kHeaderHeight + 40 * i), oszi::Graticule) << "row " << i;
    EXPECT_EQ(at(img, 10, kHeaderHeight + 20), oszi::Background);
    EXPECT_EQ(at(img, 30, 100), oszi::Background);
    EXPECT_EQ(at(img, 150, 5), oszi::Header);
}

TEST(OszidiaRender, ValuesOutsideTheRangeAreDrawnThreePixelsOutside)
{
    const int bottom = kHeight - 1 - kBottomMargin;
    const QImage above = render(storeWith(100, 8.5f));
    EXPECT_EQ(at(above, 100, kHeaderHeight - 3), oszi::Curve2) << "blue is drawn over red";
    EXPECT_NE(at(above, 100, kHeaderHeight - 2), oszi::Curve2);
    const QImage below = render(storeWith(100, -0.5f));
    EXPECT_EQ(at(below, 100, bottom + 3), oszi::Curve2);
    EXPECT_NE(at(below, 100, bottom + 2), oszi::Curve2);
    EXPECT_EQ(at(below, 100, bottom), oszi::Graticule) << "the bottom line stays visible";
}

TEST(OszidiaRender, PointsMapToPixelsAndAllButTheFirstAreKeptInsideTheWidth)
{
    OszidiaStore s = storeWith(10, 4.0f);
    const OszidiaLayout l = LayoutOszidia(s, kWidth, kHeight);
    EXPECT_DOUBLE_EQ(l.yScale, 40.0);
    EXPECT_NEAR(l.xScale, 235 / 0.01, 0.01);
    EXPECT_EQ(OszidiaPointX(l, s, 0.005f, false), 118);
    EXPECT_EQ(OszidiaPointX(l, s, 0.02f, false), 235);
    EXPECT_EQ(OszidiaPointX(l, s, -0.001f, false), 0);
    EXPECT_EQ(OszidiaPointX(l, s, -0.001f, true), -24);
    EXPECT_EQ(OszidiaPointY(l, s, 0.0f), kHeaderHeight + 320);
    EXPECT_EQ(OszidiaPointY(l, s, 8.0f), kHeaderHeight);
    EXPECT_EQ(OszidiaPointY(l, s, 2.5f), kHeaderHeight + 220);
    // X-Y: the x range 0 .. -10 puts x = -1 - y2 at (y2 + 1) tenths.
    s.Setup(QString(), 10, false, 1.0f, 0.0f, -10.0f, 0.0f, 8.0f);
    const OszidiaLayout xy = LayoutOszidia(s, kWidth, kHeight);
    EXPECT_EQ(OszidiaPointX(xy, s, -1.0f - 3.0f, false), 94);
    // A logarithmic axis puts x at its log position, and a value it cannot
    // place at the right edge.
    s.Setup(QString(), 10, true, 1.0f, 10.0f, 1000.0f, 0.0f, 8.0f);
    const OszidiaLayout lg = LayoutOszidia(s, kWidth, kHeight);
    EXPECT_EQ(OszidiaPointX(lg, s, 100.0f, false), 118);
    EXPECT_EQ(OszidiaPointX(lg, s, 0.0f, false), 235);
}

TEST(OszidiaRender, TracesAndCursorsInTheirColours)
{
    OszidiaStore s = storeWith(236, 0.0f);
    for (int j = 0; j < 236; ++j)
        s.StorePoint(j, true, 2.0f, 6.0f, 0.1f, 0.1f, 0.01f * j / 235, 2.5f, 6.5f);
    OszidiaCursors c;
    c.timeStart = 50;
    c.timeNow = 60;
    c.voltStart = 200;
    c.voltNow = 0; // not both positive: no voltage lines
    const QImage img = render(s, c);
    EXPECT_EQ(at(img, 30, kHeaderHeight + 60), oszi::Curve1);
    EXPECT_EQ(at(img, 30, kHeaderHeight + 220), oszi::Curve2);
    EXPECT_EQ(at(img, 50, 100), oszi::Cursor);
    EXPECT_EQ(at(img, 60, 100), oszi::Cursor);
    EXPECT_NE(at(img, 30, 200), oszi::Cursor);
}

TEST(OszidiaRender, NothingButTheBackgroundWithoutPointsOrRange)
{
    OszidiaStore s;
    s.Setup(QString(), 1, false, 1.0f, 0.0f, 1.0f, 0.0f, 8.0f);
    const QImage one = render(s);
    EXPECT_EQ(at(one, 24, 100), oszi::Background) << "one point is no curve and gets no graticule";
    EXPECT_EQ(at(one, 24, 5), oszi::Header);
}

int countColour(const QImage& img, const QColor& c, QRect area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += img.pixelColor(x, y) == c;
    return n;
}

// Nothing is drawn that no frame stored: the zero-filled arrays of a fresh
// set-up (a new timebase, the page entered) and, in X-Y, the empty second
// slot would each draw a line along the bottom.
TEST(OszidiaRender, NoLineAlongTheBottomThatNoFrameStored)
{
    const int bottom = kHeight - 1 - kBottomMargin;
    const QRect bottomRow(1, bottom, kWidth - 2, 1);
    OszidiaStore s;
    s.Setup(QString(), 100, false, 1.0f, 0.0f, 0.01f, 0.0f, 8.0f);
    QImage img = render(s);
    EXPECT_EQ(countColour(img, oszi::Curve1, bottomRow) + countColour(img, oszi::Curve2, bottomRow), 0);

    // A circle in X-Y around the centre: channel 1 over channel 2 only.
    s.Setup(QString(), 100, false, 1.0f, 0.0f, -10.0f, 0.0f, 8.0f);
    for (int j = 0; j < 100; ++j) {
        const double a = 2 * M_PI * j / 99;
        s.StorePoint(j, true, 2.0f, 6.02f, 0.1f, 0.1f, float(-5.0 - 2.0 * std::cos(a)), 0.0f,
                     float(4.0 + 2.0 * std::sin(a)));
    }
    img = render(s);
    const QRect plot(0, kHeaderHeight, kWidth, bottom - kHeaderHeight + kOutsideOffset + 1);
    EXPECT_EQ(countColour(img, oszi::Curve2, plot), 0) << "no second trace in X-Y";
    EXPECT_EQ(countColour(img, oszi::Curve1, bottomRow), 0);
    EXPECT_GT(countColour(img, oszi::Curve1, plot), 100);
}

bool dark(QRgb c) { return qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100; }

// Under the plot the scales are written once a frame told them; the
// trigger marker sits at the level on its channel's zero line, in that
// channel's colour, and not in X-Y.
TEST(OszidiaRender, ScaleReadoutUnderThePlotAndTheTriggerMarkerAtItsLevel)
{
    OszidiaStore s = storeWith(100, 20.0f);
    const int height = kHeight + kScaleStripHeight;
    const OszidiaLayout l = LayoutOszidia(s, kWidth, height, kScaleStripHeight);
    ASSERT_DOUBLE_EQ(l.yScale, 40.0) << "the strip is below the plot, not in it";
    const auto inkInStrip = [&](const QImage& img) {
        int n = 0;
        for (int y = height - kScaleStripHeight; y < height; ++y)
            for (int x = 0; x < kWidth; ++x)
                n += dark(img.pixel(x, y));
        return n;
    };
    QImage img(kWidth, height, QImage::Format_RGB32);
    RenderOszidia(img, s, l, {}, oszi::Background, QFont(), 'E');
    EXPECT_EQ(inkInStrip(img), 0) << "no scales before a frame";
    EXPECT_EQ(img.pixelColor(10, height - 5), oszi::Header);

    s.scales.valid = true;
    s.scales.triggerOnChannel1 = false;
    s.scales.triggerZero = 2.0f;
    s.scales.triggerLevel = 0.5f;
    RenderOszidia(img, s, l, {}, oszi::Background, QFont(), 'E');
    EXPECT_GT(inkInStrip(img), 20) << "the scales are written";
    const int markerY = kHeaderHeight + 320 - 100;
    EXPECT_EQ(OszidiaTriggerMarkerY(l, s), markerY);
    EXPECT_EQ(img.pixelColor(2, markerY), oszi::Curve2);
    EXPECT_NE(img.pixelColor(2, markerY - 10), oszi::Curve2);

    s.Setup(QString(), 100, false, 1.0f, 0.0f, -10.0f, 0.0f, 8.0f);
    EXPECT_EQ(OszidiaTriggerMarkerY(LayoutOszidia(s, kWidth, height, kScaleStripHeight), s), -1);
}

TEST(OszidiaStore, SetUpKeepsTheYRangeOnceSetAndZeroFillsNewArrays)
{
    OszidiaStore s;
    EXPECT_EQ(s.Setup(QString(), 512, false, 1.0f, 0.0f, 10.0f, 0.0f, 8.0f), 0);
    s.StorePoint(3, false, 1.0f, 2.0f, 0.5f, 0.2f, 9.0f, 8.0f, 7.0f);
    EXPECT_EQ(s.Setup(QStringLiteral("t"), 1224, false, 1.0f, 0.0f, 0.1f, -5.0f, 5.0f), 0);
    EXPECT_EQ(s.Count(), 1224);
    EXPECT_FLOAT_EQ(s.yMin, 0.0f);
    EXPECT_FLOAT_EQ(s.yMax, 8.0f);
    EXPECT_FLOAT_EQ(s.xMax, 0.1f);
    EXPECT_FLOAT_EQ(s.Curve1()[3], 0.0f);
    EXPECT_EQ(s.StorePoint(1224, true, 0, 0, 0, 0, 0, 0, 0), 1);
    EXPECT_EQ(s.StorePoint(-1, true, 0, 0, 0, 0, 0, 0, 0), 1);
    EXPECT_EQ(s.Setup(QString(), 0, false, 1.0f, 0.0f, 1.0f, 0.0f, 8.0f), 1);
    EXPECT_FALSE(s.HasArrays());
    EXPECT_EQ(s.StorePoint(0, true, 0, 0, 0, 0, 0, 0, 0), 1);
}

struct SeparatorCase {
    const char* typed;
    const char* expected;
};

class ScopeExport : public ::testing::TestWithParam<SeparatorCase> {};

TEST_P(ScopeExport, TimeInMsAndBothChannelsInMvWithThreeDecimals)
{
    const SeparatorCase c = GetParam();
    OszidiaStore s;
    s.Setup(QString(), 2, false, 1.0f, 0.0f, 0.01f, 0.0f, 8.0f);
    // Channel 1 at 0.1 V/div around 6, channel 2 at 0.5 V/div around 2.
    s.StorePoint(0, true, 2.0f, 6.0f, 0.5f, 0.1f, 0.0f, 1.5f, 7.25f);
    s.StorePoint(1, true, 2.0f, 6.0f, 0.5f, 0.1f, 0.0000226757f, 2.0f, 5.0f);
    ScratchDir dir;
    const QString path = dir.file(QStringLiteral("frame.txt"));
    ASSERT_EQ(WriteScopeExport(path, s, QString::fromUtf8(c.typed)), 0);
    EXPECT_EQ(dir.read(QStringLiteral("frame.txt")), QByteArray(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    , ScopeExport,
    ::testing::Values(SeparatorCase{",", "0.000,125.000,-250.000\r\n0.023,-100.000,0.000\r\n"},
                      SeparatorCase{"\\t", "0.000\t125.000\t-250.000\r\n0.023\t-100.000\t0.000\r\n"},
                      SeparatorCase{"\\n", "0.000\r\n125.000\r\n-250.000\r\n0.023\r\n-100.000\r\n0.000\r\n"},
                      SeparatorCase{"; ", "0.000; 125.000; -250.000\r\n0.023; -100.000; 0.000\r\n"},
                      SeparatorCase{"\\t;", "0.000\\t;125.000\\t;-250.000\r\n0.023\\t;-100.000\\t;0.000\r\n"}));

TEST(ScopeExportFailures, NoArraysAndUnwritablePlaces)
{
    OszidiaStore none;
    ScratchDir dir;
    EXPECT_EQ(WriteScopeExport(dir.file(QStringLiteral("a.txt")), none, QStringLiteral(",")), 1000);
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("a.txt"))));
    OszidiaStore s = storeWith(4, 1.0f);
    dir.write(QStringLiteral("plain"), "x");
    // A parent that is a regular file: no user can create the file.
    EXPECT_NE(WriteScopeExport(dir.file(QStringLiteral("plain/a.txt")), s, QStringLiteral(",")), 0);
}

TEST(OszidiaBackground, StoredColourValues)
{
    EXPECT_EQ(OszidiaBackgroundFromText(QStringLiteral("1")), oszi::Background);
    EXPECT_EQ(OszidiaBackgroundFromText(QStringLiteral("blue")), oszi::Background);
    EXPECT_EQ(OszidiaBackgroundFromText(QStringLiteral("-5")), oszi::Background);
    EXPECT_EQ(OszidiaBackgroundFromText(QStringLiteral("16776960")), oszi::Illuminated);
    EXPECT_EQ(OszidiaBackgroundFromText(QStringLiteral("255")), QColor(255, 0, 0));
    EXPECT_EQ(OszidiaBackgroundText(oszi::Background), QStringLiteral("8421376"));
}

class OszidiaWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.file(QStringLiteral("krv14f.ini"));
        qputenv("KORVANTA_SETTINGS", path.toLocal8Bit());
    }
    ScratchDir dir;
    QString path;
};

TEST_F(OszidiaWindow, BackgroundComesFromTheSettingsAndIllumToggleIsWrittenBack)
{
    dir.write(QStringLiteral("krv14f.ini"), "[OSZIPRIV]\nCOLDIA=16776960\n");
    auto* w = new TOszidia;
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Korvanta V1.4 Oscilloscope"));
    EXPECT_EQ(w->Store().Count(), 512);
    EXPECT_FLOAT_EQ(w->Store().yMax, 8.0f);
    EXPECT_EQ(w->Background(), oszi::Illuminated);
    w->IllumBut->click();
    EXPECT_EQ(w->Background(), oszi::Background);
    w->IllumBut->click();
    w->IllumBut->click();
    delete w;
    EXPECT_EQ(GetProfileString(QStringLiteral("OSZIPRIV"), QStringLiteral("COLDIA"), QString(), 154, path),
              QStringLiteral("8421376"));
}

TEST_F(OszidiaWindow, MouseDragsReadTimeFrequencyAndVoltage)
{
    TOszidia w;
    w.resize(kWidth + 165, kHeight + kScaleStripHeight); // plot 400 wide: 40 pixels per division
    w.SetupOszi(QString(), 512, false, 1.0f, 0.0f, 0.01f, 0.0f, 8.0f);
    w.StorePoint(0, false, 2.0f, 6.0f, 0.5f, 0.1f, 0.0f, 2.0f, 6.0f);
    w.SetOsziLanguage('E');

    mouse(w, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {100, 100});
    mouse(w, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {100, 120});
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Time / Frequ.")) << "no distance, no new text";
    mouse(w, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {140, 120});
    EXPECT_EQ(w.Label1->text(), QStringLiteral("1.000ms / 1.000kHz"));
    mouse(w, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {120, 120});
    EXPECT_EQ(w.Label1->text(), QStringLiteral("0.500ms / 2.000kHz"));
    mouse(w, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {120, 120});
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Time / Frequ."));

    // The voltage uses the trigger channel's scale: channel 2 at 0.5 V/div.
    mouse(w, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, {100, 100});
    mouse(w, QEvent::MouseMove, Qt::NoButton, Qt::RightButton, {100, 180});
    EXPECT_EQ(w.Label2->text(), QStringLiteral("1000.000mV"));
    mouse(w, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, {100, 180});
    EXPECT_EQ(w.Label2->text(), QStringLiteral("Volt"));
}

TEST_F(OszidiaWindow, LanguagesSetTheRestTexts)
{
    TOszidia w;
    w.SetOsziLanguage('D');
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Zeit / Frequ."));
    EXPECT_EQ(w.Label2->text(), QStringLiteral("Volt"));
    w.SetOsziLanguage('X');
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Zeit / Frequ.")) << "another letter changes nothing";
    w.SetOsziLanguage('E');
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Time / Frequ."));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Korvanta V1.4 Oscilloscope"));
}

TEST_F(OszidiaWindow, PictureHasTheClientSize)
{
    TOszidia w;
    w.resize(300, 200);
    const QImage p = w.Picture();
    EXPECT_EQ(p.size(), QSize(300, 200));
    EXPECT_EQ(p.pixelColor(150, 5), oszi::Header);
}

// A printout or picture file draws the frame larger with traces as much
// wider as the text, and writes PNG, SVG and PDF whole.
TEST_F(OszidiaWindow, PictureForPaperAndFilesHasWideTracesAndEveryFormat)
{
    TOszidia w;
    w.resize(260, 400);
    w.SetupOszi(QString(), 100, false, 1.0f, 0.0f, 0.01f, 0.0f, 8.0f);
    for (int j = 0; j < 100; ++j)
        w.StorePoint(j, true, 2.0f, 6.0f, 0.1f, 0.1f, 0.0001f * j, 20.0f, 4.0f);
    const QImage big = w.PictureAt(QSize(1040, 1600), 32);
    ASSERT_EQ(big.size(), QSize(1040, 1600));
    int stroke = 0;
    for (int y = 0; y < big.height(); ++y)
        stroke += big.pixelColor(520, y) == oszi::Curve1;
    EXPECT_GE(stroke, 4) << "a trace four pixels wide at four times the text";
    EXPECT_EQ(FitToWindowShape(QSize(2000, 1000), QSize(260, 400)), QSize(650, 1000));

    const QString png = dir.file(QStringLiteral("scope.png"));
    ASSERT_TRUE(w.SavePicture(png, QSize(520, 800)));
    EXPECT_EQ(QImage(png).size(), QSize(520, 800));
    ASSERT_TRUE(w.SavePicture(dir.file(QStringLiteral("scope.svg")), QSize(520, 800)));
    EXPECT_TRUE(dir.read(QStringLiteral("scope.svg")).contains("<svg"));
    ASSERT_TRUE(w.SavePicture(dir.file(QStringLiteral("scope.pdf")), QSize(520, 800)));
    EXPECT_TRUE(dir.read(QStringLiteral("scope.pdf")).startsWith("%PDF"));
    EXPECT_FALSE(w.SavePicture(dir.file(QStringLiteral("tiny.png")), QSize(10, 10)));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("tiny.png"))));
}

TEST_F(OszidiaWindow, TheSmallestWindowStillShowsTheWholeVoltsReadOut)
{
    TOszidia w;
    w.resize(40, 40);
    w.show();
    ASSERT_LE(w.width(), w.minimumWidth());
    const QRect label = w.Label2->geometry();
    EXPECT_LE(label.right(), w.width() - 1) << "the read-out lies inside the window";
    const QFontMetrics metrics(w.Label2->font());
    for (const char* text : {"Volt", "1000.000mV"})
        EXPECT_LE(metrics.horizontalAdvance(QString::fromLatin1(text)), label.width()) << text;
}
