// The ways into the device parameters from the real main window: "In-Para",
// "Out-Para", the three menu items, what a run or a playing tone locks, and
// what the analyzer does with a changed input rate (virtual card, fast mode).

#include "app/ui/ProgramRecords.h"
#include "measure/ui/AnalyzerPage.h"
#include "tests/app/AppTestSupport.h"
#include "diagram/ui/Diagr3.h"
#include "generator/ui/GeneratorPage.h"
#include "generator/GeneratorSection.h"
#include "app/ui/HelpBrowser.h"
#include "app/ui/MainMenu.h"
#include "measure/ui/RadioGroup.h"
#include "generator/ui/Wavegene.h"
#include "audio/Soundd3.h"
#include "audio/ui/iodia.h"
#include "audio/ui/udcoffset.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <cmath>

using namespace korvanta;

namespace {
constexpr int kRow11025 = 1, kRow48000 = 5;
constexpr int kCol16 = 1;

class ParameterMenu : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        writeSettings("[SDSOUND]\n");
        start();
        SetSampleRates(48000, 48000);
        SetBits(16, 16);
        page = main->AnalyzerPage;
        diagram = Forms().Diagramm;
        ASSERT_TRUE(Forms().IOdialog && Forms().DCOffset && diagram);
    }

    void TearDown() override
    {
        StopPlay();
        MainWindowTest::TearDown();
    }

    // Runs `check` on `dialog` once it is shown modally by what follows,
    // then presses `button` (or closes it). Counts the showings.
    template <typename Check>
    void whenShown(QDialog* dialog, Check check, QPushButton* button = nullptr)
    {
        QTimer::singleShot(0, dialog, [this, dialog, check, button] {
            if (!dialog->isVisible())
                return;
            ++shown;
            check();
            if (button)
                button->click();
            else
                dialog->reject();
        });
    }

    // Chooses a rate row at 16 bits in the input dialog opened by `open`.
    void chooseInputRate(int row, const std::function<void()>& open)
    {
        TIOdialog* dlg = Forms().IOdialog;
        whenShown(dlg, [dlg, row] { dlg->RateButton(row, kCol16)->click(); }, dlg->BitBtn1);
        open();
    }

    bool singleRun()
    {
        page->RunningGroup->setItemIndex(0);
        page->AverVal->setValue(1);
        page->StartButton->click();
        return QTest::qWaitFor([] { return !Analyzer().Running; }, 20000);
    }

    int peakBin() const
    {
        const float* right = diagram->Points().curve2();
        return int(std::max_element(right, right + Analyzer().FFTpoints / 2) - right);
    }

    TAnalyzerPage* page = nullptr;
    TDiagramm* diagram = nullptr;
    int shown = 0;
};
} // namespace

TEST_F(ParameterMenu, EveryEntryPointIsOfferedAndARunLocksTheParameterItems)
{
    TMainMenu& m = *main->Menu;
    for (QAction* a : {m.AudioInParameter1, m.AudioOutParameter1, m.AudioInDCOffset1})
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    EXPECT_TRUE(page->Binpopt->isEnabled());
    EXPECT_TRUE(main->GeneratorPage->Button2->isEnabled());

    page->RunningGroup->setItemIndex(1);
    page->StartButton->click();
    ASSERT_TRUE(Analyzer().Running);
    EXPECT_FALSE(page->Binpopt->isEnabled()) << "the input format may not change under a run";
    EXPECT_FALSE(m.AudioInParameter1->isEnabled());
    EXPECT_FALSE(m.AudioOutParameter1->isEnabled());
    EXPECT_TRUE(m.AudioInDCOffset1->isEnabled()) << "the DC offset acts on the next block";
    page->StopButton->click();
    EXPECT_TRUE(page->Binpopt->isEnabled());
    EXPECT_TRUE(m.AudioInParameter1->isEnabled());
}

TEST_F(ParameterMenu, InputDialogFromButtonOrMenuShowsTheNewFormatOnThePage)
{
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"In-Para", [this] { page->Binpopt->click(); }},
        {"Audio-In-Parameter", [this] { main->Menu->AudioInParameter1->trigger(); }},
    };
    int row = kRow11025;
    for (const auto& [name, open] : ways) {
        chooseInputRate(row, open);
        int in = 0, out = 0;
        GetSampleRates(in, out);
        EXPECT_EQ(in, row == kRow11025 ? 11025 : 48000) << name;
        EXPECT_EQ(out, 48000) << name;
        EXPECT_EQ(page->Lsf->text(), QString::number(in) + " Hz") << name;
        EXPECT_EQ(page->Ldb->text(), "16 Bits") << name;
        row = kRow48000;
    }
    EXPECT_EQ(shown, 2);
}

TEST_F(ParameterMenu, OutputDialogIsInertWhilePlayingAndOpensOnceStopped)
{
    TIOdialog* dlg = Forms().IOdialog;
    QString title;
    const std::function<void()> ways[] = {
        [this] { main->GeneratorPage->Button2->click(); },
        [this] { main->Menu->AudioOutParameter1->trigger(); },
    };
    ASSERT_EQ(StartPlay(GeneratorSettings{}, -1, 1000.0f), 0);
    ASSERT_TRUE(IsPlaying());
    for (const auto& open : ways) {
        whenShown(dlg, [] {});
        open();
        QApplication::processEvents();
    }
    EXPECT_EQ(shown, 0) << "nothing opens while the generator plays";

    StopPlay();
    int width = 0;
    for (const auto& open : ways) {
        whenShown(dlg, [&] {
            title = dlg->windowTitle();
            width = dlg->width();
        });
        open();
    }
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(title, "Wave-Ausgangsoptionen für " + DeviceName('O', GetOutDevice()));
    // Wide enough that the title bar shows the device's name whole.
    QFont bold = dlg->font();
    bold.setBold(true);
    EXPECT_GT(width, QFontMetrics(bold).horizontalAdvance(title));
}

TEST_F(ParameterMenu, GeneratorOptionsOpenTheOutputDialogWithTheLoopFlag)
{
    TIOdialog* dlg = Forms().IOdialog;
    ASSERT_TRUE(Forms().Wavegen);
    Generator().loopMode = true;
    bool loopShown = false;
    whenShown(dlg, [&] {
        loopShown = dlg->CheckBox2->isVisible() && dlg->CheckBox2->isChecked();
        dlg->CheckBox2->setChecked(false);
        dlg->RateButton(kRow48000, kCol16)->click();
    }, dlg->BitBtn1);
    Forms().Wavegen->WOoptBut->click();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(loopShown);
    EXPECT_FALSE(Generator().loopMode) << "OK stores the loop flag in the generator's record";
    int in = 0, out = 0;
    GetSampleRates(in, out);
    EXPECT_EQ(out, 48000);
}

TEST_F(ParameterMenu, DcOffsetMenuOpensTheDialogAndItsHelpTopic)
{
    TDCOffset* dlg = Forms().DCOffset;
    SetAutoDC(false);
    SetDCOffsetL(0.0f);
    whenShown(dlg, [dlg] {
        dlg->ScrollBar1->setValue(-20000);
        dlg->BitBtn2->click();
        Forms().Help->hide();
    }, dlg->BitBtn1);
    main->Menu->AudioInDCOffset1->trigger();
    EXPECT_EQ(shown, 1);
    EXPECT_FLOAT_EQ(GetDCOffsetL(), 0.02f);
    EXPECT_EQ(dlg->Label1->text(), "0.020000 FS");
    EXPECT_EQ(Forms().Help->CurrentSource().fragment(), "DCMOffset");
}

TEST_F(ParameterMenu, ParameterDialogSpeaksTheMainWindowsLanguage)
{
    TIOdialog* dlg = Forms().IOdialog;
    main->Menu->deutschEnglish1->trigger();
    EXPECT_EQ(dlg->CheckBox1->text(), "flip channels");
    EXPECT_EQ(dlg->CheckBox2->text(), "Loop tone generating");
    main->Menu->deutschEnglish1->trigger();
    EXPECT_EQ(dlg->CheckBox1->text(), "vertausche Kanäle");
    EXPECT_EQ(dlg->CheckBox2->text(), "Loop Tongenerierung");
}

TEST_F(ParameterMenu, ChangedInputRateIsUsedByTheNextBlockAndTheRangeFollows)
{
    DutConfig d;
    d.ext = ExternalKind::Sine;
    d.extFreq = 1000.0;
    d.extLevelDb = -6.0;
    VirtualCard::instance().setDut(d);
    const int N = Analyzer().FFTpoints;
    ASSERT_EQ(N, 2048);
    ASSERT_TRUE(singleRun());
    EXPECT_NEAR(diagram->Points().x()[peakBin()], 1000.0, 48000.0 / N);

    chooseInputRate(kRow11025, [this] { page->Binpopt->click(); });
    int32_t xmin = 0, xmax = 0;
    diagram->GetXRange(xmin, xmax);
    EXPECT_EQ(xmax, 5512) << "the diagram's range follows the new rate at once";
    EXPECT_EQ(xmin, 2);

    ASSERT_TRUE(singleRun());
    // Recorded and labelled at 11025 Hz: the tone is still at 1 kHz, and every
    // bin lies at i x 11025 / N exactly (not at i / (N/2) x 5512).
    EXPECT_NEAR(diagram->Points().x()[peakBin()], 1000.0, 11025.0 / N);
    EXPECT_EQ(Analysis().sampleRate, 11025.0);
    for (int i : {1, 186, 1000, N / 2 - 1})
        EXPECT_FLOAT_EQ(diagram->Points().x()[i], float(i * 11025.0 / N)) << i;
    diagram->GetXRange(xmin, xmax);
    EXPECT_EQ(xmax, 5512);

    // The exported frequencies are the exact ones too.
    modals.answerFile(dir.file("spectrum.txt"));
    main->Menu->SpeichernalsText1->trigger();
    const QStringList lines = QString::fromUtf8(dir.read("spectrum.txt")).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    const QString last = lines.back().section(diagram->Options().separator, 0, 0);
    EXPECT_EQ(last, QString::number((N / 2 - 1) * 11025.0 / N, 'f', 2)) << lines.back().toStdString();
}

TEST_F(ParameterMenu, RangeKeptForTheAnalyzerFollowsARateChangedOnAnotherPage)
{
    main->PageControl1->setCurrentIndex(1);
    ASSERT_FALSE(Analyzer().AnalyzerActive);
    chooseInputRate(kRow11025, [this] { main->Menu->AudioInParameter1->trigger(); });
    EXPECT_EQ(Analyzer().DiaXMax, 5512);
    main->PageControl1->setCurrentIndex(0);
    int32_t xmin = 0, xmax = 0;
    diagram->GetXRange(xmin, xmax);
    EXPECT_EQ(xmax, 5512);
}
