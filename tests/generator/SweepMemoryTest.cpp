// Comparing two sweeps: the first, stored in a memory through the menu,
// stays in the diagram while the second runs, both in the saved picture.
// With KORVANTA_SWEEP_COMPARE_DIR set (run under Xvfb) the window and the
// saved PNG and SVG are kept there for a look.

#include "diagram/DiaPicture.h"
#include "app/ui/MemoryMenu.h"
#include "tests/generator/SweepTestSupport.h"

#include <QAction>
#include <QMenu>

using namespace korvanta;

namespace {

int CountColour(const QImage& img, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += (img.pixel(x, y) & 0xFFFFFF) == colour;
    return n;
}

QRgb Colour(ColorRef c) { return ColorFromRef(c).rgb() & 0xFFFFFF; }

TEST_F(SweepTest, TwoSweepsComparedThroughAMemory)
{
    SetBits(24, 24);
    useDut(QStringLiteral("lp=1000"));
    setPlan({.steps = 60});
    diagram->Edicomment->setText(QStringLiteral("Low-pass 1 kHz"));
    ASSERT_TRUE(sweep());
    main->MemoryMenu->Slots[0].store->trigger();
    const MemoryCurve first = diagram->Memories().at(0);
    ASSERT_EQ(first.x.size(), 61u);
    EXPECT_EQ(first.name, "Low-pass 1 kHz");
    EXPECT_EQ(first.unit, "Level [dB]");

    useDut(QStringLiteral("lp=4000"));
    diagram->Edicomment->setText(QStringLiteral("Low-pass 4 kHz"));
    ASSERT_TRUE(sweep());
    // The memory keeps the first sweep: 12 dB/oct below the second at 4 kHz.
    const auto live = points();
    ASSERT_EQ(live.size(), 61u);
    EXPECT_TRUE(diagram->Memories().at(0) == first);
    const size_t k = 46;   // about 4 kHz
    EXPECT_LT(first.traces[0].values[k], live[k].v1 - 10);

    const QString keep = qEnvironmentVariable("KORVANTA_SWEEP_COMPARE_DIR");
    const QString out = keep.isEmpty() ? dir.path() : keep;
    const QString png = out + "/sweep-compare.png";
    modals.answerFile(png);
    main->MemoryMenu->AskPictureSize = [](QSize) -> std::optional<QSize> { return QSize(1200, 800); };
    main->MemoryMenu->SavePictureItem->trigger();
    const QImage picture(png);
    ASSERT_EQ(picture.size(), QSize(1200, 800));
    EXPECT_GT(CountColour(picture, Colour(MemoryStyleOf(0).colour)), 300);
    EXPECT_GT(CountColour(picture, Colour(diagram->Options().colLine1)), 300);
    if (!keep.isEmpty()) {
        EXPECT_EQ(SaveDiagramPicture(diagram->PictureContent(), out + "/sweep-compare.svg", QSize(900, 600)), PictureResult::Saved);
        diagram->resize(720, 460);
        QTest::qWait(300);
        EXPECT_TRUE(diagram->grab().save(out + "/sweep-compare-window.png"));
    }
}

} // namespace
