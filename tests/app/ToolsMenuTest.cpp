// The windows of the program's own, reached from every page: a run started
// on the oscilloscope's page measures at the user's rates and the
// oscilloscope runs again afterwards; and what stays grey says why where
// the user looks.

#include "tests/app/AppTestSupport.h"

#include "app/ui/DeviceTestMenu.h"
#include "app/ui/DistortionMenu.h"
#include "app/ui/IrMenu.h"
#include "app/ui/MainMenu.h"
#include "audio/Soundd3.h"
#include "devicetest/ui/DeviceTestWindow.h"
#include "distortion/ui/DistortionWindow.h"
#include "ir/ui/IrWindow.h"
#include "measure/ui/AnalyzerPage.h"
#include "platform/LanguageTexts.h"
#include "scope/ScopeEngine.h"
#include "scope/ui/ScopePage.h"

#include <QHelpEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QToolTip>

#include <functional>

using namespace korvanta;

namespace {

constexpr int kRunWaitMs = 60000;
constexpr int kScopePage = 2;
// The user's rate, and the oscilloscope's at its 10 ms timebase.
constexpr int kUserRate = 48000;
constexpr int kScopeRate = 11025;

// A window of the program's own: its menu item, and its run.
struct Tool {
    const char* name;
    std::function<QAction*(TMainForm&)> item;
    std::function<MeasuringEngine*()> engine;
    std::function<void(bool start)> startOrStop;
};

const Tool kTools[] = {
    {"Distortion", [](TMainForm& m) { return m.DistortionMenu->Distortion1; },
     [] { return static_cast<MeasuringEngine*>(Forms().Distortion->Engine()); },
     [](bool start) { start ? Forms().Distortion->StartClick() : Forms().Distortion->StopClick(); }},
    {"DeviceTest", [](TMainForm& m) { return m.DeviceTestMenu->DeviceTest1; },
     [] { return static_cast<MeasuringEngine*>(Forms().DeviceTest->Engine()); },
     [](bool start) { start ? Forms().DeviceTest->StartClick() : Forms().DeviceTest->StopClick(); }},
    {"ImpulseResponse", [](TMainForm& m) { return m.IrMenu->ImpulseResponse1; },
     [] { return static_cast<MeasuringEngine*>(Forms().ImpulseResponse->Engine()); },
     [](bool start) { start ? Forms().ImpulseResponse->StartClick() : Forms().ImpulseResponse->StopClick(); }},
};

int InputRate()
{
    int in = 0, out = 0;
    GetSampleRates(in, out);
    return in;
}

class ToolsMenu : public MainWindowTest, public ::testing::WithParamInterface<Tool> { };

} // namespace

TEST_P(ToolsMenu, ARunOnTheScopePageHasTheUsersRatesAndTheScopeRunsOnAfterIt)
{
    const Tool& tool = GetParam();
    writeSettings("[OSZI]\nTB=9\n");
    start();
    SetSampleRates(kUserRate, kUserRate);
    main->PageControl1->setCurrentIndex(kScopePage);
    ScopeEngine* scope = main->ScopePage->Engine();
    ASSERT_TRUE(QTest::qWaitFor([&] { return InputRate() == kScopeRate; }, kRunWaitMs));
    QAction* item = tool.item(*main);
    ASSERT_TRUE(item->isEnabled() && main->Menu->menuTools->isEnabled()) << "the item is usable on this page";
    item->trigger();
    tool.startOrStop(true);
    MeasuringEngine* engine = tool.engine();
    ASSERT_TRUE(engine->Running()) << "the run did not start";
    EXPECT_FALSE(scope->Running()) << "the oscilloscope stops for the run";
    int in = 0, out = 0;
    GetSampleRates(in, out);
    EXPECT_EQ(in, kUserRate) << "the run measures at the user's rate, not the oscilloscope's";
    EXPECT_EQ(out, kUserRate);
    tool.startOrStop(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !engine->Running(); }, kRunWaitMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return scope->Running() && InputRate() == kScopeRate; }, kRunWaitMs))
        << "the oscilloscope runs again at its own rate";
    // Off the page the user's rates are back.
    main->PageControl1->setCurrentIndex(0);
    EXPECT_EQ(InputRate(), kUserRate);
}

INSTANTIATE_TEST_SUITE_P(Each, ToolsMenu, ::testing::ValuesIn(kTools),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

// What the user reads when the mouse rests on a menu bar's title.
QString TitleTip(QMenuBar* bar, QAction* title)
{
    // A tip that is put away fades first.
    QToolTip::hideText();
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, kRunWaitMs));
    const QPoint at = bar->actionGeometry(title).center();
    QHelpEvent hover(QEvent::ToolTip, at, bar->mapToGlobal(at));
    QApplication::sendEvent(bar, &hover);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

} // namespace

TEST_F(MainWindowTest, AGreyMenuSaysWhyWhereTheMouseRestsInEitherLanguage)
{
    start();
    QMenuBar* bar = main->menuBar();
    QAction* analyse = main->Menu->menuAnalyse->menuAction();
    const struct {
        int page;
        Words why;
    } cases[] = {{1, words::kWhyAnalyzerPage}, {kScopePage, words::kWhyScopePage}};
    for (const char letter : {'D', 'E'}) {
        if (CurrentLanguage() != letter)
            main->deutschEnglish1Click();
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(1, letter) + " page " + std::to_string(c.page));
            main->PageControl1->setCurrentIndex(c.page);
            ASSERT_FALSE(analyse->isEnabled());
            EXPECT_EQ(TitleTip(bar, analyse), Pick(letter, c.why));
        }
        main->PageControl1->setCurrentIndex(0);
        EXPECT_TRUE(TitleTip(bar, analyse).isEmpty()) << "a usable menu shows no reason";
    }
}

TEST_F(MainWindowTest, WhatAnAnalyzerRunLocksSaysWhyAndNothingOnceItEnds)
{
    start();
    const TMainMenu& m = *main->Menu;
    const std::vector<QAction*> locked{m.Eichen1, m.AudioInDevice1->menuAction(), m.AudioOutDevice1->menuAction(),
                                       m.AudioInParameter1, m.AudioOutParameter1};
    for (const char letter : {'D', 'E'}) {
        if (CurrentLanguage() != letter)
            main->deutschEnglish1Click();
        main->AnalyzerPage->SetRunning(true);
        for (const QAction* a : locked) {
            ASSERT_FALSE(a->isEnabled()) << a->text().toStdString();
            EXPECT_EQ(a->toolTip(), Pick(letter, words::kWhyRunning)) << a->text().toStdString();
        }
        main->AnalyzerPage->SetRunning(false);
        for (const QAction* a : locked)
            EXPECT_NE(a->toolTip(), Pick(letter, words::kWhyRunning)) << a->text().toStdString();
    }
}
