// Where a window goes among the program's other windows: in the room they
// leave free, smaller when the room is short, over the others only when no
// free room is left, and never over the window that must stay visible.

#include "app/FreeRoom.h"
#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

using namespace korvanta;

namespace {

const QRect kSmall(0, 0, 1366, 768);
const QRect kLarge(0, 0, 1600, 1000);
// The main window where a first start puts it, right of the oscilloscope's place.
const QRect kMain(284, 8, 700, 340);

std::string Describe(const QRect& r)
{
    return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
           std::to_string(r.height());
}

} // namespace

TEST(FreeRoom, AWindowGoesWhereItCoversNothingElseItCoversTheLeast)
{
    const QPoint nearMain = kMain.bottomLeft() + QPoint(0, 1 + kWindowGap);
    const QRect diagram(kMain.right() + 1 + kWindowGap, 8, 588, 400);
    const struct {
        const char* what;
        QRect screen;
        PlaceWish wish;
        std::vector<QRect> avoid;
        std::optional<QRect> expected;
    } cases[] = {
        // As near the main window's corner as the diagram beside it allows.
        {"below the main window at its size", kLarge, {{760, 590}, {500, 400}, nearMain}, {diagram},
         QRect(diagram.x() - kWindowGap - 760, nearMain.y(), 760, 590)},
        {"the room below is short: smaller", kSmall, {{760, 590}, {500, 400}, nearMain}, {},
         QRect(nearMain, QSize(760, 768 - nearMain.y()))},
        // As near below the main window as the room right of it allows.
        {"too short below: whole right of the main window", kLarge, {{560, 700}, {500, 620}, nearMain}, {},
         QRect(kMain.right() + 1 + kWindowGap, 1000 - 700, 560, 700)},
        {"no free room: over another window, never over the main window", kSmall, {{600, 500}, {560, 400}, nearMain},
         {QRect(0, 400, 1366, 368)}, QRect(nearMain, QSize(600, 768 - nearMain.y()))},
        {"nothing clear of the main window is large enough", kSmall, {{1300, 700}, {1200, 500}, nearMain}, {},
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<QRect> place = PlaceClearOf(c.screen, c.wish, {kMain}, c.avoid);
        ASSERT_EQ(place.has_value(), c.expected.has_value()) << (place ? Describe(*place) : "none");
        if (!place)
            continue;
        EXPECT_EQ(*place, *c.expected) << Describe(*place);
        EXPECT_TRUE(c.screen.contains(*place));
        EXPECT_FALSE(place->intersects(kMain));
        EXPECT_GE(place->width(), c.wish.least.width());
        EXPECT_GE(place->height(), c.wish.least.height());
    }
}

TEST(FreeRoom, AWindowAndItsDiagramShareTheRoomBesideTheMainWindow)
{
    // The main window framed as on a desktop, its own diagram right of it
    // as a first start puts it.
    const QRect main(284, 8, 571, 322);
    const QRect mainDiagram(main.right() + 1 + kWindowGap, 8, 452, 345);
    const QPoint nearMain = main.bottomLeft() + QPoint(0, 1 + kWindowGap);
    const PlaceWish deviceTest{{1182, 685}, {933, 421}, nearMain};
    const PlaceWish plot{{590, 403}, {426, 305}, {}};
    const struct {
        const char* what;
        QRect screen;
        bool fits;
        bool free;  // the main window's diagram stays uncovered
    } cases[] = {
        {"large screen", kLarge, true, true},
        // Below the main window, the window narrowed and the plot smaller.
        {"small screen", kSmall, true, false},
        {"too small for both beside the main window", QRect(0, 0, 1024, 600), false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto places = PlacePairClearOf(c.screen, deviceTest, plot, {main}, {mainDiagram});
        ASSERT_EQ(places.has_value(), c.fits);
        if (!places)
            continue;
        for (const auto& [r, wish] : {std::pair(places->window, deviceTest), std::pair(places->diagram, plot)}) {
            EXPECT_TRUE(c.screen.contains(r)) << Describe(r);
            EXPECT_FALSE(r.intersects(main)) << Describe(r);
            EXPECT_FALSE(c.free && r.intersects(mainDiagram)) << Describe(r) << " covers the main window's diagram";
            EXPECT_GE(r.width(), wish.least.width());
            EXPECT_GE(r.height(), wish.least.height());
        }
        EXPECT_FALSE(places->window.intersects(places->diagram));
    }
}
