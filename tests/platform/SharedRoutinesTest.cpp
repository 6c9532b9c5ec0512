#include "platform/SharedRoutines.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <gtest/gtest.h>

using namespace korvanta;

TEST(LogStep, EndsOfTheRangeAndDegenerateCases)
{
    EXPECT_FLOAT_EQ(LogStep(20, 20000, 10, 0), 20.0f);
    EXPECT_FLOAT_EQ(LogStep(20, 20000, 10, 10), 20000.0f);
    EXPECT_FLOAT_EQ(LogStep(20, 20000, 10, 5), static_cast<float>(20.0 * std::sqrt(1000.0)));
    EXPECT_FLOAT_EQ(LogStep(20, 20000, 0, 5), 333.0f);
    EXPECT_FLOAT_EQ(LogStep(0, 20000, 10, 5), 333.0f);
    // The correction test display walks from just above 1 Hz to 28 kHz.
    EXPECT_NEAR(LogStep(1, 28000, 1000, 1), std::pow(28000.0, 0.001), 1e-6);
}

TEST(NumericHelpers, Log10AndPow10AreInverse)
{
    EXPECT_DOUBLE_EQ(Log10(1000.0), 3.0);
    EXPECT_NEAR(Pow10(Log10(0.125)), 0.125, 1e-15);
    EXPECT_DOUBLE_EQ(Pow10(-2.0), 0.01);
}

TEST(ProgramDirTest, EndsWithSeparatorAndHoldsTheExecutable)
{
    const QString dir = ProgramDir();
    ASSERT_TRUE(dir.endsWith('/'));
    EXPECT_TRUE(QFileInfo::exists(dir + QCoreApplication::applicationName()))
        << dir.toStdString();
    EXPECT_LE(dir.size(), 255);
}

TEST(DelayMsTest, WaitsAtLeastTheTimeAndDispatchesEvents)
{
    bool fired = false;
    QTimer::singleShot(10, [&] { fired = true; });
    QElapsedTimer t;
    t.start();
    DelayMs(60);
    EXPECT_GE(t.elapsed(), 60);
    EXPECT_TRUE(fired) << "events must be dispatched while waiting";
}

TEST(DelayMsTest, SurvivesTheWrapOfTheTickCounter)
{
    // Place the 32-bit wrap 30 ms into a 100 ms wait.
    const uint32_t now = TickCount();
    testing_hooks::SetTickOffset(0xFFFFFFFFu - now - 30u + 1u);
    const uint32_t before = TickCount();
    ASSERT_GT(before, 0xFFFFFF00u);
    QElapsedTimer t;
    t.start();
    DelayMs(100);
    const qint64 waited = t.elapsed();
    const uint32_t after = TickCount();
    testing_hooks::SetTickOffset(0);
    EXPECT_LT(after, before) << "the counter should have wrapped during the wait";
    EXPECT_GE(waited, 100);
    EXPECT_LT(waited, 1000) << "a signed or 64-bit comparison would return at once or never";
}

namespace {
// Bounding box of non-white pixels.
QRect inkBox(const QImage& img)
{
    int l = img.width(), t = img.height(), r = -1, b = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != qRgb(255, 255, 255)) {
                l = std::min(l, x); r = std::max(r, x);
                t = std::min(t, y); b = std::max(b, y);
            }
    return r < 0 ? QRect() : QRect(QPoint(l, t), QPoint(r, b));
}
} // namespace

TEST(TextOutRotatedTest, ReadsUpwardsFromTheAnchorAndRestoresThePainter)
{
    QImage img(200, 200, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(14);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(255, 0, 0));
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(Qt::black);
    TextOutRotated(p, 20, 150, 90, QStringLiteral("Level [dB FS]"));

    EXPECT_EQ(p.font(), f);
    EXPECT_EQ(p.pen().color(), QColor(255, 0, 0));
    EXPECT_EQ(p.backgroundMode(), Qt::OpaqueMode);
    EXPECT_TRUE(p.transform().isIdentity());
    p.end();

    const QRect box = inkBox(img);
    ASSERT_TRUE(box.isValid());
    // Rotated by 90 degrees the text is taller than wide, lies right of the
    // anchor column and above the anchor row.
    EXPECT_GT(box.height(), 2 * box.width());
    EXPECT_GE(box.left(), 20);
    EXPECT_LE(box.right(), 20 + 16);
    EXPECT_LE(box.bottom(), 150);
    // Transparent background: no black fill behind the glyphs.
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            ASSERT_NE(img.pixel(x, y), qRgb(0, 0, 0));
    // Drawn in the painter's colour.
    bool red = false;
    for (int y = box.top(); y <= box.bottom() && !red; ++y)
        for (int x = box.left(); x <= box.right() && !red; ++x)
            red = qRed(img.pixel(x, y)) > 200 && qGreen(img.pixel(x, y)) < 60;
    EXPECT_TRUE(red);
}
