// Where windows go on a screen: pulled onto it as little as needed, laid
// out side by side (one above the other when a row is full), and placed
// beside another window without covering it or what must stay visible.

#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

using namespace korvanta;

namespace {
const QRect kScreen(0, 0, 1366, 768);
}

TEST(WindowPlacement, PulledOntoTheScreenAsLittleAsNeeded)
{
    const struct {
        QRect frame;
        QPoint expected;
    } cases[] = {
        {{100, 100, 400, 300}, {100, 100}},       // already on it
        {{1300, 700, 400, 300}, {966, 468}},      // stored on a larger screen
        {{-500, -50, 400, 300}, {0, 0}},          // on a screen left of this one
        {{200, 100, 2000, 300}, {0, 100}},        // wider than the screen: left edge on it
        {{200, 900, 400, 1000}, {200, 0}},        // taller: title bar on it
    };
    for (const auto& c : cases)
        EXPECT_EQ(PulledOnto(c.frame, kScreen).topLeft(), c.expected) << c.frame.x() << "," << c.frame.y();
}

TEST(WindowPlacement, SideBySideThenOneAboveTheOther)
{
    const auto at = SideBySide(kScreen, {{270, 340}, {420, 330}, {460, 350}, {500, 200}});
    ASSERT_EQ(at.size(), 4u);
    EXPECT_EQ(at[0], QPoint(kWindowGap, kWindowGap));
    EXPECT_EQ(at[1], QPoint(kWindowGap + 270 + kWindowGap, kWindowGap));
    EXPECT_EQ(at[2], QPoint(at[1].x() + 420 + kWindowGap, kWindowGap));
    // The fourth would leave the screen: a new row below the tallest.
    EXPECT_EQ(at[3], QPoint(kWindowGap, kWindowGap + 350 + kWindowGap));
}

TEST(WindowPlacement, BesideTheAnchorClearOfWhatMustStayVisible)
{
    const QRect anchor(100, 50, 420, 330);
    const QSize size(300, 250);
    const struct {
        std::vector<QRect> avoid;
        QRect anchorFrame;
        QPoint expected;
    } cases[] = {
        {{}, anchor, {100, 50 + 330 + kWindowGap}},                                     // below
        {{QRect(0, 390, 800, 300)}, anchor, {100 + 420 + kWindowGap, 50}},                // below is taken: right
        {{}, QRect(100, 500, 420, 260), {100 + 420 + kWindowGap, 500}},                 // no room below: right
        {{}, QRect(1000, 500, 360, 260), {1000 - kWindowGap - 300, 500}},               // nor right: left
    };
    for (const auto& c : cases) {
        const QPoint at = BesidePlace(c.anchorFrame, size, kScreen, c.avoid);
        EXPECT_EQ(at, c.expected);
        EXPECT_FALSE(QRect(at, size).intersects(c.anchorFrame));
        EXPECT_TRUE(kScreen.contains(QRect(at, size)));
    }
}

TEST(WindowPlacement, AWindowsOwnDiagramBesideItEvenOnASmallScreen)
{
    const QSize diagram(600, 400), diagramLeast(430, 310);
    const struct {
        const char* what;
        QRect window;
        QSize windowLeast;
        QRect expectedWindow;
        QRect expectedDiagram;
    } cases[] = {
        // Room below at its size: as BesidePlace puts it.
        {"room below", {8, 8, 760, 300}, {400, 300}, {8, 8, 760, 300}, {8, 8 + 300 + kWindowGap, 600, 400}},
        // Too little below, less than its width right: shrunk into the room right.
        {"shrunk right", {0, 0, 860, 700}, {600, 500}, {0, 0, 860, 700}, {860 + kWindowGap, 0, 498, 400}},
        // No room at all beside the wide first size of a window: the window
        // narrowed at the left edge, the diagram at its size right of it.
        {"window narrowed", {8, 8, 1190, 700}, {700, 500}, {0, 8, 758, 700}, {758 + kWindowGap, 8, 600, 400}},
        // Narrowed no further than it can be: the diagram smaller beside it.
        {"both give way", {8, 8, 1190, 700}, {900, 500}, {0, 8, 900, 700}, {900 + kWindowGap, 8, 458, 400}},
        // Too wide to narrow: shorter, at the top, the diagram below.
        {"window shortened", {8, 8, 1190, 700}, {1100, 400}, {8, 0, 1190, 400}, {8, 400 + kWindowGap, 600, 360}},
        // The device test's first size on this screen, its diagram below it.
        {"device test", {0, 0, 1206, 681}, {1206, 347}, {0, 0, 1206, 360}, {0, 360 + kWindowGap, 600, 400}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const WindowAndDiagram places = FirstPlacesWithDiagram(c.window, c.windowLeast, diagram, diagramLeast, kScreen);
        EXPECT_EQ(places.window, c.expectedWindow);
        EXPECT_EQ(places.diagram, c.expectedDiagram);
        EXPECT_FALSE(places.window.intersects(places.diagram));
        EXPECT_TRUE(kScreen.contains(places.window));
        EXPECT_TRUE(kScreen.contains(places.diagram));
        EXPECT_GE(places.window.width(), c.windowLeast.width());
    }
}
