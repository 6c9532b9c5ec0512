// Window places under a real window manager, where frames and title bars
// exist: the first start's layout, places kept over restarts, and places
// pulled onto a screen that is smaller than the one they were stored on.
// wm-geometry.sh runs this on Xvfb with openbox, at two screen sizes.

#include "tests/app/AppTestSupport.h"
#include "app/ui/DeviceTestMenu.h"
#include "app/ui/DistortionMenu.h"
#include "app/ui/IrMenu.h"
#include "devicetest/ui/DeviceTestWindow.h"
#include "ir/ui/IrWindow.h"
#include "app/ui/HelpBrowser.h"
#include "diagram/ui/Diagr3.h"
#include "distortion/ui/DistortionWindow.h"
#include "generator/ui/GeneratorPage.h"
#include "generator/ui/Wavegene.h"
#include "scope/ui/Oszidia1.h"

#include "app/ui/StatusLine.h"

#include <QApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <tuple>

using namespace korvanta;

namespace {

// Long enough for a loaded machine; a framed window ends the wait at once.
constexpr int kFrameWaitMs = 20000;

class WmGeometry : public MainWindowTest {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X display with a window manager (tests/app/wm-geometry.sh)";
        MainWindowTest::SetUp();
    }

    static QRect screen() { return QGuiApplication::primaryScreen()->availableGeometry(); }

    // The window manager has framed `w`: its frame is known.
    static bool framed(const QWidget* w)
    {
        return QTest::qWaitFor([w] { return w->isVisible() && w->frameGeometry() != w->geometry(); },
                               kFrameWaitMs);
    }

    static std::string describe(const QRect& r)
    {
        return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
    }

    // `windows` lie on the screen and none covers another.
    void expectApart(const std::vector<const QWidget*>& windows)
    {
        const auto apart = [&] {
            for (size_t i = 0; i < windows.size(); ++i) {
                if (!screen().contains(windows[i]->frameGeometry()))
                    return false;
                for (size_t j = 0; j < i; ++j)
                    if (windows[i]->frameGeometry().intersects(windows[j]->frameGeometry()))
                        return false;
            }
            return true;
        };
        for (const QWidget* w : windows)
            ASSERT_TRUE(framed(w)) << w->objectName().toStdString();
        // Framed windows may still be on their way to their places.
        (void)QTest::qWaitFor(apart, kFrameWaitMs);
        for (size_t i = 0; i < windows.size(); ++i) {
            const QRect a = windows[i]->frameGeometry();
            EXPECT_TRUE(screen().contains(a)) << windows[i]->objectName().toStdString() << " " << describe(a) << " on "
                                              << describe(screen());
            for (size_t j = 0; j < i; ++j)
                EXPECT_FALSE(a.intersects(windows[j]->frameGeometry()))
                    << windows[i]->objectName().toStdString() << " " << describe(a) << " covers "
                    << windows[j]->objectName().toStdString() << " " << describe(windows[j]->frameGeometry());
        }
    }
};

TEST_F(WmGeometry, FirstStartPutsTheWindowsSideBySideOnEachPage)
{
    writeSettings("[MAIN]\nPAGE=0\n");
    start();
    TDiagramm* diagram = Forms().Diagramm;
    expectApart({main, diagram});
    // The generator stands beside the main window once it was shown, and
    // over its group on its own page only.
    main->PageControl1->setCurrentIndex(1);
    ASSERT_TRUE(framed(Forms().Wavegen));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Forms().Wavegen->pos() == main->GeneratorPage->GeneratorDockPoint(); },
                                kFrameWaitMs))
        << describe(QRect(Forms().Wavegen->pos(), QSize(1, 1))) << " docks at "
        << describe(QRect(main->GeneratorPage->GeneratorDockPoint(), QSize(1, 1)));
    main->PageControl1->setCurrentIndex(0);
    QTest::qWait(0);
    expectApart({main, diagram, Forms().Wavegen});
    main->PageControl1->setCurrentIndex(2);
    expectApart({main, Forms().Oszidia, Forms().Wavegen});
    // The distortion window and its diagram: both whole, side by side.
    main->DistortionMenu->Distortion1->trigger();
    expectApart({Forms().Distortion, Forms().Distortion->Diagram});
    Forms().Distortion->hide();
    // The device test's wide window and its plots: both whole, side by side,
    // on the small screen too; the impulse response window likewise.
    main->DeviceTestMenu->DeviceTest1->trigger();
    Forms().DeviceTest->ShowDiagram();
    expectApart({Forms().DeviceTest, Forms().DeviceTest->Diagram});
    Forms().DeviceTest->hide();
    main->IrMenu->ImpulseResponse1->trigger();
    Forms().ImpulseResponse->ShowDiagram();
    expectApart({Forms().ImpulseResponse, Forms().ImpulseResponse->Diagram});
}

TEST_F(WmGeometry, PlacesAreKeptOverRestartsWithoutDrift)
{
    writeSettings("[MAIN]\nLEFT=300\nTOP=150\n[DIAGRAMM]\nLEFT=820\nTOP=240\nWIDTH=450\nHEIGHT=320\n");
    for (int run = 1; run <= 3; ++run) {
        start();
        ASSERT_TRUE(framed(main));
        ASSERT_TRUE(framed(Forms().Diagramm));
        // LEFT and TOP are the frame's top-left corner.
        (void)QTest::qWaitFor([&] { return main->frameGeometry().topLeft() == QPoint(300, 150); }, kFrameWaitMs);
        (void)QTest::qWaitFor([&] { return Forms().Diagramm->frameGeometry().topLeft() == QPoint(820, 240); }, kFrameWaitMs);
        EXPECT_EQ(main->frameGeometry().topLeft(), QPoint(300, 150)) << "run " << run;
        EXPECT_EQ(Forms().Diagramm->frameGeometry().topLeft(), QPoint(820, 240)) << "run " << run;
        closeMain();
        ResetProcessState();
        EXPECT_EQ(setting("MAIN", "LEFT"), "300") << "run " << run;
        EXPECT_EQ(setting("MAIN", "TOP"), "150") << "run " << run;
        EXPECT_EQ(setting("DIAGRAMM", "LEFT"), "820") << "run " << run;
        EXPECT_EQ(setting("DIAGRAMM", "TOP"), "240") << "run " << run;
    }
}

TEST_F(WmGeometry, WindowsStoredOffThisScreenArePulledOntoIt)
{
    // As stored on a larger screen, and on one left of this one.
    const QRect s = screen();
    writeSettings(QStringLiteral("[MAIN]\nLEFT=%1\nTOP=%2\n[DIAGRAMM]\nLEFT=-2000\nTOP=%3\nWIDTH=1024\nHEIGHT=768\n")
                      .arg(s.right() + 300)
                      .arg(s.bottom() - 40)
                      .arg(s.bottom() + 500)
                      .toUtf8());
    start();
    for (const QWidget* w : {static_cast<const QWidget*>(main), static_cast<const QWidget*>(Forms().Diagramm)}) {
        ASSERT_TRUE(framed(w));
        (void)QTest::qWaitFor([&] { return s.contains(w->frameGeometry().topLeft()); }, kFrameWaitMs);
        const QRect frame = w->frameGeometry();
        EXPECT_TRUE(s.contains(frame.topLeft())) << describe(frame) << " on " << describe(s);
        // A window larger than the screen keeps its title bar on it.
        if (frame.width() <= s.width() && frame.height() <= s.height()) {
            EXPECT_TRUE(s.contains(frame)) << describe(frame) << " on " << describe(s);
        }
    }
}

} // namespace

namespace {

TEST_F(WmGeometry, HelpOpensWholeOnTheScreenAndEscapeClosesIt)
{
    start();
    main->HelpContents();
    THelpBrowser* help = Forms().Help;
    ASSERT_TRUE(framed(help));
    (void)QTest::qWaitFor([&] { return screen().contains(help->frameGeometry()); }, kFrameWaitMs);
    EXPECT_TRUE(screen().contains(help->frameGeometry())) << describe(help->frameGeometry());
    help->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(help));
    QTest::keyClick(help, Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
}

} // namespace

namespace {

// The window manager's stacking order of the program's windows, the lowest
// first, as it tells the desktop.
std::vector<WId> StackingOrder()
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    if (!xprop.waitForFinished(kFrameWaitMs))
        return {};
    std::vector<WId> ids;
    const QString out = QString::fromLatin1(xprop.readAllStandardOutput());
    for (const QRegularExpressionMatch& m : QRegularExpression(QStringLiteral("0x[0-9a-fA-F]+")).globalMatch(out))
        ids.push_back(WId(m.captured().toULongLong(nullptr, 16)));
    return ids;
}

// `w` stands above every one of `below` in the stacking order.
bool Above(const QWidget* w, const std::vector<const QWidget*>& below)
{
    const std::vector<WId> order = StackingOrder();
    const auto at = [&](const QWidget* x) { return std::find(order.begin(), order.end(), x->winId()) - order.begin(); };
    const auto top = at(w);
    return top < qsizetype(order.size()) &&
           std::all_of(below.begin(), below.end(), [&](const QWidget* b) { return at(b) < top; });
}

// The stacking order as names, the lowest first, and the window that has
// the focus: what a failed check of the order prints.
std::string DescribeStacking(const QWidget* main, const std::vector<const QWidget*>& others)
{
    std::string text;
    for (WId id : StackingOrder()) {
        std::string name = QStringLiteral("0x%1").arg(id, 0, 16).toStdString();
        for (const QWidget* w : others)
            if (w->winId() == id)
                name = w->objectName().toStdString();
        if (main->winId() == id)
            name = "main";
        text += name + " ";
    }
    const QWidget* active = QApplication::activeWindow();
    return text + "(active: " + (active ? active->objectName().toStdString() : std::string("none")) + ")";
}

// A click of the mouse as the user's, through the X server, so that the
// window manager sees it. (Waiting for the pointer to arrive would wait
// for ever when it is there already.)
void ClickAt(QPoint global)
{
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(global.x()),
                                                  QString::number(global.y()), QStringLiteral("click"),
                                                  QStringLiteral("1")});
}

// A window of the program's own as the user opens it, and the windows that
// then belong to it on the screen.
struct ToolCase {
    const char* name;
    std::function<std::vector<QWidget*>(TMainForm*)> open;
    // The windows must not cover each other (a window and its diagram);
    // else only the main window must stay clear (a page of text may lie
    // over the window it came from), and Escape closes the last one.
    bool apart = true;
};

// Rows of `table` that show whole.
int WholeRows(const QTableWidget* table)
{
    const int row = table->rowCount() > 0 ? table->rowHeight(0) : 0;
    return row > 0 ? table->viewport()->height() / row : 0;
}

void PrintTo(const ToolCase& c, std::ostream* os) { *os << c.name; }

class WmToolWindows : public WmGeometry, public ::testing::WithParamInterface<std::tuple<ToolCase, char>> { };

// In either language: the windows' sizes follow their texts.
TEST_P(WmToolWindows, StandBesideTheMainWindowWholeAndBelowItOnceItIsClicked)
{
    const auto& [tool, letter] = GetParam();
    writeSettings(QByteArray("[MAIN]\nPAGE=0\nSPRACHE=") + letter + "\n");
    start();
    ASSERT_TRUE(framed(main));
    const std::vector<QWidget*> tools = tool.open(main);
    std::vector<const QWidget*> windows(tools.begin(), tools.end());
    if (tool.apart)
        expectApart(windows);
    for (const QWidget* w : windows)
        expectApart({w});
    // None covers the page the user works on beside them, once the windows
    // have reached the places the program gave them.
    const auto clear = [&] {
        return std::none_of(windows.begin(), windows.end(),
                            [&](const QWidget* w) { return w->frameGeometry().intersects(main->frameGeometry()); });
    };
    (void)QTest::qWaitFor(clear, kFrameWaitMs);
    for (const QWidget* w : windows) {
        EXPECT_FALSE(w->frameGeometry().intersects(main->frameGeometry()))
            << w->objectName().toStdString() << " " << describe(w->frameGeometry()) << " covers the main window "
            << describe(main->frameGeometry());
    }
    // The window manager has mapped them all and given the focus the menu
    // asked for: Qt sends an activation only once its window is exposed,
    // which may come after the frame, and would then raise that window over
    // a main window clicked in between.
    const auto settled = [&] {
        return std::all_of(windows.begin(), windows.end(),
                           [](const QWidget* w) { return w->windowHandle() && w->windowHandle()->isExposed(); })
            && std::any_of(windows.begin(), windows.end(), [](const QWidget* w) { return w->isActiveWindow(); });
    };
    (void)QTest::qWaitFor(settled, kFrameWaitMs);
    ClickAt(main->StatusLine->mapToGlobal(main->StatusLine->rect().center()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Above(main, windows); }, kFrameWaitMs))
        << "the clicked main window stays below the windows of " << tool.name << "; stacking "
        << DescribeStacking(main, windows);
    if (tool.apart)
        return;
    QWidget* page = tools.back();
    page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page));
    QTest::keyClick(page, Qt::Key_Escape);
    EXPECT_FALSE(page->isVisible()) << "Escape closes " << tool.name;
}

std::vector<QWidget*> OpenDistortion(TMainForm* main)
{
    main->DistortionMenu->Distortion1->trigger();
    return {Forms().Distortion, Forms().Distortion->Diagram};
}

std::vector<QWidget*> OpenDeviceTestPlot(TMainForm* main)
{
    main->DeviceTestMenu->DeviceTest1->trigger();
    TDeviceTestWindow* dt = Forms().DeviceTest;
    dt->ShowDiagram();
    // The plan stays readable beside the plot.
    EXPECT_TRUE(QTest::qWaitFor([&] { return WholeRows(dt->PlanTable) >= 6; }, kFrameWaitMs))
        << WholeRows(dt->PlanTable) << " rows of the plan show";
    return {dt, dt->Diagram};
}

std::vector<QWidget*> OpenImpulseResponse(TMainForm* main)
{
    main->IrMenu->ImpulseResponse1->trigger();
    Forms().ImpulseResponse->ShowDiagram();
    return {Forms().ImpulseResponse, Forms().ImpulseResponse->Diagram};
}

std::vector<QWidget*> OpenComparison(TMainForm* main)
{
    main->DeviceTestMenu->DeviceTest1->trigger();
    TDeviceTestWindow* dt = Forms().DeviceTest;
    dt->Comparison->setHtml(QStringLiteral("<h1>A</h1><p>B</p>"));
    dt->ShowComparison();
    return {dt, dt->Comparison};
}

INSTANTIATE_TEST_SUITE_P(Each, WmToolWindows,
                         ::testing::Combine(::testing::Values(ToolCase{"Distortion", OpenDistortion},
                                                              ToolCase{"DeviceTestPlot", OpenDeviceTestPlot},
                                                              ToolCase{"ImpulseResponse", OpenImpulseResponse},
                                                              ToolCase{"Comparison", OpenComparison, false}),
                                            ::testing::Values('D', 'E')),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param);
                         });

} // namespace
