// The analyzer page end to end: the real main window on the virtual card in
// fast mode, runs started with START, readings taken from the diagram.
#include "app/ui/ProgramRecords.h"
#include "audio/DeviceAdvice.h"
#include "measure/ui/AnalyzerPage.h"
#include "tests/app/AppTestSupport.h"
#include "correction/CorrectionFile.h"
#include "diagram/ui/Diagr3.h"
#include "measure/ui/Eichdia.h"
#include "tests/support/TestFft.h"
#include "measure/LevelUnits.h"
#include "app/ui/MainMenu.h"
#include "measure/ui/RadioGroup.h"
#include "audio/Soundd3.h"
#include "platform/audio/WaveTypes.h"
#include "platform/UserMessages.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <cmath>

using namespace korvanta;
using korvanta::testing_support::fft;

namespace {
constexpr int kRate = 44100;

class AnalyzerRun : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        // A plain 16-bit input at 44.1 kHz, no leftovers of other tests.
        writeSettings("[SDSOUND]\n");
        start();
        SetSampleRates(kRate, kRate);
        SetBits(16, 16);
        SetAutoDC(false);
        SetDCOffsetL(0.0f);
        SetDCOffsetR(0.0f);
        page = main->AnalyzerPage;
        diagram = Forms().Diagramm;
        ASSERT_TRUE(page && diagram);
        ASSERT_TRUE(Analyzer().AnalyzerActive);
    }

    void externalSine(double freq, double peak, std::vector<double> harmonicsDb = {})
    {
        DutConfig d;
        d.ext = ExternalKind::Sine;
        d.extFreq = freq;
        d.extLevelDb = 20 * std::log10(peak);
        d.harmonicsDb = std::move(harmonicsDb);
        VirtualCard::instance().setDut(d);
    }

    void choose(TRadioGroup* group, int item)
    {
        group->setItemIndex(item);
    }

    // Starts a single run and waits until it has ended.
    bool singleRun(int averages = 1)
    {
        choose(page->RunningGroup, 0);
        page->AverVal->setValue(averages);
        page->StartButton->click();
        return QTest::qWaitFor([] { return !Analyzer().Running; }, 20000);
    }

    // Opens the calibration dialog, presses "Begin" and waits for its first
    // block; null when none came.
    TEichDlg* beginCalibration()
    {
        main->Menu->Eichen1->trigger();
        TEichDlg* dlg = Forms().EichDlg;
        dlg->Button1Click();
        return QTest::qWaitFor([&] { return dlg->measured(); }, 10000) ? dlg : nullptr;
    }

    float rightAt(int i) const { return diagram->Points().curve2()[i]; }
    float leftAt(int i) const { return diagram->Points().curve1()[i]; }

    double expectedLevel(double peak, int window) const
    {
        const int N = Analyzer().FFTpoints;
        fft().MakeWindow(window, N);
        double mean = 0;
        for (int i = 0; i < N; ++i)
            mean += fft().Window()[i];
        mean /= N;
        const LevelParameters p = GetLevelParameters(Analyzer());
        return p.factor * std::log(peak * mean / 2) + p.offset;
    }

    TAnalyzerPage* page = nullptr;
    TDiagramm* diagram = nullptr;
};
} // namespace

TEST_F(AnalyzerRun, OnBinSineReadsTheCalibratedLevelUnderEveryWindow)
{
    choose(page->FFTpointsgroup, 3);
    ASSERT_EQ(Analyzer().FFTpoints, 16384);
    const int bin = 372; // about 1001 Hz
    const double f = double(bin) * kRate / 16384;
    externalSine(f, 0.5);
    for (int window = 0; window < kWindowTypeCount; ++window) {
        choose(page->FFTwinGroup, window);
        ASSERT_TRUE(singleRun());
        const double expected = expectedLevel(0.5, window);
        EXPECT_NEAR(rightAt(bin), expected, 0.05) << "window " << window;
        EXPECT_NEAR(leftAt(bin), expected, 0.05) << "window " << window;
        EXPECT_FLOAT_EQ(diagram->Points().x()[bin], float(f));
    }
    EXPECT_TRUE(modals.questions().empty());
}

// The text export's frequency column is each bin's k fs / N rounded to
// 0.01 Hz; at 44.1 kHz and N = 16384 single precision would miss it on
// some rows.
TEST_F(AnalyzerRun, TextExportWritesEveryBinsFrequencyToTheHundredth)
{
    choose(page->FFTpointsgroup, 3);
    const int N = Analyzer().FFTpoints;
    externalSine(1000.0, 0.5);
    ASSERT_TRUE(singleRun());
    modals.answerFile(dir.file("spectrum.txt"));
    main->Menu->SpeichernalsText1->trigger();
    const QStringList lines = QString::fromUtf8(dir.read("spectrum.txt")).split("\r\n", Qt::SkipEmptyParts);
    int32_t xmin = 0, xmax = 0;
    diagram->GetXRange(xmin, xmax);
    QStringList exact;
    for (int k = 0; k < N / 2; ++k)
        if (xmin <= k * double(kRate) / N && k * double(kRate) / N <= xmax)
            exact << QString::number(k * double(kRate) / N, 'f', 2);
    ASSERT_EQ(lines.size(), exact.size());
    for (int j = 0; j < lines.size(); ++j)
        ASSERT_EQ(lines[j].section(diagram->Options().separator, 0, 0), exact[j]) << "row " << j;
}

TEST_F(AnalyzerRun, OffBinSineUnderTheFlatTopReadsTheSameLevel)
{
    choose(page->FFTpointsgroup, 3);
    choose(page->FFTwinGroup, 5);
    externalSine(1000.0, 0.5);
    ASSERT_TRUE(singleRun());
    float peak = -1000;
    for (int i = 360; i < 385; ++i)
        peak = std::max(peak, rightAt(i));
    EXPECT_NEAR(peak, expectedLevel(0.5, 5), 0.1);
}

TEST_F(AnalyzerRun, SingleRunWithFourAveragesCountsDownAndDrawsOnce)
{
    externalSine(1000.0, 0.25);
    QList<int> shown;
    QObject::connect(page->AverVal, &QSpinBox::valueChanged, page, [&](int v) { shown << v; });
    QSignalSpy drawn(page, &TAnalyzerPage::spectrumShown);
    ASSERT_TRUE(singleRun(4));
    EXPECT_EQ(drawn.count(), 1);
    // 4 when the run starts, then 3 2 1 0 and back to 4 when it is shown.
    ASSERT_GE(shown.size(), 5);
    EXPECT_EQ(shown.mid(shown.indexOf(3), 4), (QList<int>{3, 2, 1, 0}));
    EXPECT_EQ(page->AverVal->value(), 4);
    EXPECT_TRUE(page->StartButton->isEnabled());
}

TEST_F(AnalyzerRun, ContinuousRunGoesOnUntilStop)
{
    externalSine(1000.0, 0.25);
    choose(page->RunningGroup, 1);
    page->AverVal->setValue(1);
    QSignalSpy drawn(page, &TAnalyzerPage::spectrumShown);
    page->StartButton->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return drawn.count() >= 5; }, 20000));
    EXPECT_TRUE(Analyzer().Running);
    EXPECT_FALSE(page->FFTpointsgroup->isEnabled()) << "the size is locked during a run";
    EXPECT_FALSE(main->Menu->Eichen1->isEnabled());
    page->StopButton->click();
    EXPECT_FALSE(Analyzer().Running);
    QTest::qWait(100);
    const int after = drawn.count();
    QTest::qWait(200);
    EXPECT_EQ(drawn.count(), after) << "nothing is drawn after STOP";
    EXPECT_TRUE(page->FFTpointsgroup->isEnabled());
}

TEST_F(AnalyzerRun, TriggerRunStopsOnTheFirstBlockAtTheThreshold)
{
    Analysis().fundamentalThreshold = std::pow(10.0, -20.0 / 20); // trigger at -20 dB
    externalSine(1000.0, 0.001); // far below
    page->AverVal->setValue(3);
    choose(page->RunningGroup, 2);
    EXPECT_EQ(page->AverVal->value(), 1) << "trigger mode measures every block";
    QList<float> levels;
    QSignalSpy drawn(page, &TAnalyzerPage::spectrumShown);
    page->StartButton->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return drawn.count() >= 3; }, 20000));
    EXPECT_TRUE(Analyzer().Running);
    EXPECT_TRUE(diagram->GetInfoLine().startsWith("act. level ")) << diagram->GetInfoLine().toStdString();
    EXPECT_TRUE(diagram->GetInfoLine().contains("trigg level -20.0dbFS"));
    externalSine(1000.0, 0.5);
    ASSERT_TRUE(QTest::qWaitFor([] { return !Analyzer().Running; }, 20000));
    const QString info = diagram->GetInfoLine();
    const double q = info.mid(QStringLiteral("act. level ").size()).section("dbFS", 0, 0).toDouble();
    EXPECT_GE(q, -20.0) << info.toStdString();
}

TEST_F(AnalyzerRun, OnlyTheLeftChannelTickedGivesNoSignalOnTheRight)
{
    externalSine(1000.0, 0.25);
    page->MeasureRight->click();
    ASSERT_FALSE(Analyzer().RightOn);
    ASSERT_TRUE(singleRun());
    const int n = Analyzer().FFTpoints / 2;
    for (int i = 0; i < n; ++i)
        ASSERT_EQ(rightAt(i), -192.0f) << i;
    EXPECT_GT(*std::max_element(diagram->Points().curve1(), diagram->Points().curve1() + n), -20.0f);
    EXPECT_TRUE(diagram->Options().show1);
    EXPECT_FALSE(diagram->Options().show2);
}

TEST_F(AnalyzerRun, ThirdHarmonicAtMinusFortyReadsThdMinusForty)
{
    main->Menu->THDNoise1->trigger();
    ASSERT_TRUE(Analysis().thdOn);
    ASSERT_TRUE(main->Menu->THDNoise1->isChecked());
    choose(page->FFTpointsgroup, 3);
    externalSine(1000.0, 0.5, {-300.0, -40.0});
    ASSERT_TRUE(singleRun());
    const QString info = diagram->GetInfoLine();
    // The fundamental is the strongest bin: 1001 Hz at 2.69 Hz per bin.
    ASSERT_TRUE(info.startsWith("THD+N:  LI 1001Hz ")) << info.toStdString();
    const double left = info.section("Hz ", 1, 1).section("dB", 0, 0).toDouble();
    const double right = info.section("Hz ", 2, 2).section("dB", 0, 0).toDouble();
    EXPECT_NEAR(left, -40.0, 0.5) << info.toStdString();
    EXPECT_NEAR(right, -40.0, 0.5) << info.toStdString();
    EXPECT_TRUE(info.endsWith(" |   Filter: none")) << info.toStdString();

    // The level read-out excludes THD+N and names the channels in English.
    main->Menu->Level1->trigger();
    EXPECT_FALSE(Analysis().thdOn);
    EXPECT_FALSE(main->Menu->THDNoise1->isChecked());
    main->deutschEnglish1Click();
    ASSERT_TRUE(singleRun());
    EXPECT_TRUE(diagram->GetInfoLine().startsWith("Level:  le ")) << diagram->GetInfoLine().toStdString();
}

TEST_F(AnalyzerRun, SilenceShowsTheNoFundamentalText)
{
    VirtualCard::instance().setDut(DutConfig{});
    main->Menu->THDNoise1->trigger();
    ASSERT_TRUE(singleRun());
    EXPECT_TRUE(diagram->GetInfoLine().contains(" keine Grundwelle ")) << diagram->GetInfoLine().toStdString();
}

TEST_F(AnalyzerRun, InputCorrectionShiftsTheLevelByItsValue)
{
    choose(page->FFTpointsgroup, 3);
    const int bin = 372;
    externalSine(double(bin) * kRate / 16384, 0.5);
    ASSERT_TRUE(singleRun());
    const float plain = rightAt(bin);

    dir.write("in.cor", "20 1.5\r\n1000 -2.25\r\n20000 4\r\n");
    ASSERT_TRUE(LoadCorrection(InputCorrection(), dir.file("in.cor")));
    InputCorrection().active = true;
    ASSERT_TRUE(singleRun());
    const double f = diagram->Points().x()[bin];
    EXPECT_NEAR(rightAt(bin), plain - SplineValue(InputCorrection(), f), 0.01);
    EXPECT_NEAR(SplineValue(InputCorrection(), f), -2.25, 0.05);
}

TEST_F(AnalyzerRun, AcceptedCalibrationChangesDbvReadingsAndIsSavedAtOnce)
{
    choose(page->FFTpointsgroup, 3);
    const int bin = 372;
    externalSine(double(bin) * kRate / 16384, 0.5);
    main->Menu->dbV1->trigger();
    ASSERT_EQ(Analyzer().LevelUnit, kUnitDbV);
    EXPECT_TRUE(main->Menu->dbV1->isChecked());
    EXPECT_FALSE(main->Menu->dbFS1->isChecked());
    ASSERT_TRUE(singleRun());
    const float before = rightAt(bin);

    // Calibrate: Begin, a measured block, End, a voltage of 2000 mV, OK.
    main->Menu->Eichen1->trigger();
    TEichDlg* dlg = Forms().EichDlg;
    ASSERT_TRUE(dlg->isVisible());
    dlg->Button1Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->measured(); }, 10000));
    dlg->Button2Click();
    const float oldMv = Analyzer().CalInMv;
    dlg->EichmV->setText("2000.0");
    dlg->OKBtnClick();
    ASSERT_FALSE(dlg->isVisible());
    EXPECT_FLOAT_EQ(Analyzer().CalInMv, 2000.0f);
    EXPECT_EQ(setting("EICH", "INPUT"), "2000.0") << "written at once";
    EXPECT_EQ(page->Label15->text(), QString::fromUtf8("Pegel kalibriert"));

    ASSERT_TRUE(singleRun());
    EXPECT_NEAR(rightAt(bin) - before, 20 * std::log10(2000.0 / oldMv), 0.02);
}

TEST_F(AnalyzerRun, ChangingTheSizeWhileIdleDiscardsPartialSums)
{
    Analyzer().SumRight[3] = 5.0f;
    choose(page->FFTpointsgroup, 1);
    EXPECT_EQ(Analyzer().FFTpoints, 4096);
    EXPECT_EQ(Analyzer().SumRight[3], 0.0f);
}

TEST_F(AnalyzerRun, OverRangeIndicatorShowsClippedSamples)
{
    externalSine(1000.0, 2.0);
    ASSERT_TRUE(singleRun());
    EXPECT_TRUE(page->Label2->text().startsWith("Over ")) << page->Label2->text().toStdString();
    EXPECT_GT(page->Label2->text().mid(5).toInt(), 100);
    externalSine(1000.0, 0.5);
    ASSERT_TRUE(singleRun());
    EXPECT_EQ(page->Label2->text(), ".");
}

// Every device fault ends the run with an error box; the page is idle and the
// next START works.
class AnalyzerFaults : public AnalyzerRun, public ::testing::WithParamInterface<VirtualFault> {};

TEST_P(AnalyzerFaults, EndWithAMessageAndTheNextStartWorks)
{
    externalSine(1000.0, 0.25);
    VirtualCard::instance().injectFault(GetParam(), 0, 1);
    choose(page->RunningGroup, 1);
    page->StartButton->click();
    ASSERT_TRUE(QTest::qWaitFor([] { return !Analyzer().Running; }, 20000)) << "never a hang";
    ASSERT_EQ(modals.messageTexts().size(), 1);
    const modal::Question q = modals.questions().front();
    EXPECT_EQ(q.kind, modal::Kind::Error);
    EXPECT_EQ(q.helpContext, 17);
    EXPECT_TRUE(q.text.startsWith("Probleme beim ")) << q.text.toStdString();
    // The device's text in brackets, then the cause and what to do.
    EXPECT_TRUE(q.text.section(QStringLiteral("\n\n"), 0, 0).endsWith(")"));
    EXPECT_TRUE(q.text.contains(QStringLiteral("Einstellungen > Reset Soundsystem")) ||
                q.text.contains(QStringLiteral("Abhilfe:"))) << q.text.toStdString();
    EXPECT_TRUE(page->StartButton->isEnabled());

    modals.clear();
    QSignalSpy drawn(page, &TAnalyzerPage::spectrumShown);
    ASSERT_TRUE(singleRun());
    EXPECT_EQ(drawn.count(), 1);
    EXPECT_TRUE(modals.questions().empty());
}

INSTANTIATE_TEST_SUITE_P(Virtual, AnalyzerFaults,
                         ::testing::Values(VirtualFault::OpenFails, VirtualFault::Stall, VirtualFault::DeviceGone,
                                           VirtualFault::ShortBlock, VirtualFault::CloseFails));

// A device that answers every recording with an empty block and no error (a
// real one can) ends a continuous run with the next-block error box after a
// bounded time, instead of spinning until STOP; a few empty blocks among
// good ones end nothing.
TEST_F(AnalyzerRun, EmptyBlocksWithoutEndEndTheRunWithAMessage)
{
    externalSine(1000.0, 0.25);
    VirtualCard::instance().injectFault(VirtualFault::NoData);
    choose(page->RunningGroup, 1);
    QSignalSpy drawn(page, &TAnalyzerPage::spectrumShown);
    page->StartButton->click();
    ASSERT_TRUE(QTest::qWaitFor([] { return !Analyzer().Running; }, 20000)) << "the run must end by itself";
    EXPECT_EQ(modals.messageTexts(),
              QStringList{WithDeviceAdvice(Messages().nextBlockError + SoundErrorText(WAVERR_DEVICE_STALLED) +
                                               QStringLiteral(")"),
                                           WAVERR_DEVICE_STALLED, 'D')});
    EXPECT_EQ(drawn.count(), 0);
    EXPECT_TRUE(page->StartButton->isEnabled());

    modals.clear();
    VirtualCard::instance().clearFaults();
    VirtualCard::instance().injectFault(VirtualFault::NoData, 0, 5);
    page->StartButton->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return drawn.count() >= 3; }, 20000));
    page->StopButton->click();
    EXPECT_TRUE(modals.questions().empty());
}

TEST_F(AnalyzerRun, AStopHalfwayThroughAnAverageLeavesNothingForTheNextRun)
{
    choose(page->FFTpointsgroup, 3);
    const int bin = 372;
    externalSine(double(bin) * kRate / 16384, 0.5);
    ASSERT_TRUE(singleRun(1));
    const float plain = rightAt(bin);

    // STOP after two of four blocks: their partial sums must not inflate the
    // next average (two extra blocks read 3.5 dB too high).
    choose(page->RunningGroup, 1);
    page->AverVal->setValue(4);
    const auto stopAtTwo = QObject::connect(page->AverVal, &QSpinBox::valueChanged, page, [this](int v) {
        if (v == 2 && Analyzer().Running)
            page->StopButtonClick();
    });
    page->StartButton->click();
    ASSERT_TRUE(QTest::qWaitFor([] { return !Analyzer().Running; }, 20000));
    QObject::disconnect(stopAtTwo);
    ASSERT_TRUE(singleRun(4));
    EXPECT_NEAR(rightAt(bin), plain, 0.05);
}

TEST_F(AnalyzerRun, ABlockRecordedForAnotherSizeIsDroppedAndTheRunRecordsItsOwn)
{
    externalSine(1000.0, 0.25);
    choose(page->FFTpointsgroup, 3);
    QSignalSpy drawn(page, &TAnalyzerPage::spectrumShown);
    for (int mode : {0, 2}) {
        // A shorter recording (the calibration's, or one of the previous FFT
        // size) is still under way when START is pressed.
        ASSERT_EQ(StartRecord(kCalibrationBlockFrames, 0, [] {}), 0);
        choose(page->RunningGroup, mode);
        page->StartButton->click();
        ASSERT_TRUE(QTest::qWaitFor([] { return !Analyzer().Running; }, 20000));
        EXPECT_EQ(drawn.count(), mode == 0 ? 1 : 2) << "a run in mode " << mode << " shows its own block";
    }
    EXPECT_GT(rightAt(372), -20.0f);
    EXPECT_TRUE(modals.questions().empty());
}

TEST_F(AnalyzerRun, StartingARunEndsACalibrationMeasurementAndBeginTakesTheInputBack)
{
    externalSine(1000.0, 0.25);
    TEichDlg* dlg = beginCalibration();
    ASSERT_TRUE(dlg);

    // One input, one measurement: the run takes the input over.
    choose(page->RunningGroup, 1);
    QSignalSpy drawn(page, &TAnalyzerPage::spectrumShown);
    page->StartButton->click();
    EXPECT_FALSE(dlg->measuring());
    EXPECT_TRUE(dlg->EichmV->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return drawn.count() >= 3; }, 20000)) << "the run gets its blocks";

    // "Begin" stops the run and measures again.
    dlg->Button1Click();
    EXPECT_FALSE(Analyzer().Running);
    EXPECT_TRUE(dlg->measuring());
    dlg->Label3->clear();
    externalSine(1000.0, 2.0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->Label3->text().startsWith("over "); }, 10000));
    dlg->Button2Click();
    dlg->hide();
    EXPECT_TRUE(modals.questions().empty());
}

TEST_F(AnalyzerRun, ResettingTheSoundSystemEndsACalibrationMeasurement)
{
    externalSine(1000.0, 0.25);
    TEichDlg* dlg = beginCalibration();
    ASSERT_TRUE(dlg);
    main->Menu->Reset1->trigger();
    QTest::qWait(50);
    EXPECT_FALSE(dlg->measuring()) << "the reset dropped the block the loop waited for";
    EXPECT_TRUE(dlg->EichmV->isEnabled());

    // "Begin" measures again on the new sound system.
    dlg->Button1Click();
    dlg->Label3->clear();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->Label3->text().isEmpty(); }, 10000));
    dlg->Button2Click();
    dlg->hide();
}

TEST_F(AnalyzerRun, CorrectionTestStopsTheRunSoItsCurvesStay)
{
    externalSine(1000.0, 0.25);
    dir.write("in.cor", "20 1.5\r\n1000 -2.25\r\n20000 4\r\n");
    ASSERT_TRUE(LoadCorrection(InputCorrection(), dir.file("in.cor")));
    InputCorrection().active = true;
    choose(page->RunningGroup, 1);
    QSignalSpy drawn(page, &TAnalyzerPage::spectrumShown);
    page->StartButton->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return drawn.count() >= 2; }, 20000));

    main->Menu->Testekorrekturdatei1->trigger();
    EXPECT_FALSE(Analyzer().Running);
    EXPECT_TRUE(page->StartButton->isEnabled());
    const int shown = drawn.count();
    QTest::qWait(200);
    EXPECT_EQ(drawn.count(), shown) << "no spectrum is drawn over the correction curves";
    ASSERT_EQ(diagram->Points().count(), 1001);
    EXPECT_NEAR(leftAt(500), SplineValue(InputCorrection(), diagram->Points().x()[500]), 1e-3);
    EXPECT_TRUE(diagram->GetInfoLine().startsWith("Korrektur Kurve von "));
}

TEST_F(AnalyzerRun, TriggerRunWithAveragesComparesTheAverage)
{
    // Choosing trigger sets one average, but the box stays open for more.
    externalSine(1000.0, 0.5);
    choose(page->RunningGroup, 2);
    page->AverVal->setValue(3);
    QList<int> counted;
    QObject::connect(page->AverVal, &QSpinBox::valueChanged, page, [&](int v) { counted << v; });
    QSignalSpy drawn(page, &TAnalyzerPage::spectrumShown);
    page->StartButton->click();
    ASSERT_TRUE(QTest::qWaitFor([] { return !Analyzer().Running; }, 20000));
    EXPECT_EQ(drawn.count(), 1) << "the first average is above the threshold and ends the run";
    EXPECT_TRUE(counted.contains(0)) << "all three blocks were collected";
    EXPECT_TRUE(diagram->GetInfoLine().startsWith("act. level ")) << diagram->GetInfoLine().toStdString();
}

TEST_F(AnalyzerRun, WithoutAUsableInputFormatStartIsNotOffered)
{
    // START would do nothing at all; it is shown disabled instead.
    const int formats = Analyzer().InFormats;
    Analyzer().InFormats = 0;
    main->PageControl1->setCurrentIndex(1);
    main->PageControl1->setCurrentIndex(0);
    EXPECT_FALSE(page->StartButton->isEnabled());
    Analyzer().InFormats = formats;
    main->PageControl1->setCurrentIndex(1);
    main->PageControl1->setCurrentIndex(0);
    EXPECT_TRUE(page->StartButton->isEnabled());
}

// Leaving the page runs no event loop of its own: what was posted before
// is handled after the page change, as every other event is. The next page
// gets the shared diagram at once and keeps it; the block still under way
// is dropped when it arrives.
TEST_F(AnalyzerRun, LeavingThePageDuringARunHandsOverWithoutWaiting)
{
    externalSine(1000.0, 0.25);
    choose(page->RunningGroup, 1);
    QSignalSpy drawn(page, &TAnalyzerPage::spectrumShown);
    page->StartButton->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return drawn.count() >= 2; }, 20000));
    bool handled = false;
    QMetaObject::invokeMethod(page, [&] { handled = true; }, Qt::QueuedConnection);
    const int drawnBefore = drawn.count();
    Sweep().comment = QStringLiteral("the sweep's comment");

    main->PageControl1->setCurrentIndex(1);
    EXPECT_FALSE(handled) << "an event posted before the page change is not handled inside it";
    EXPECT_FALSE(Analyzer().Running);
    EXPECT_FALSE(WorkArraysAllocated(Analyzer()));
    EXPECT_TRUE(diagram->isVisible()) << "the sweep page shows the diagram";

    // A next-block event of the run still queued when the page was left
    // must not take the sweep's comment from the shared diagram for the
    // analyzer's settings.
    const QString analyzerComment = Analyzer().Comment;
    ASSERT_NE(diagram->GetComment().left(analyzerComment.size()), analyzerComment);
    QCoreApplication::postEvent(&page->Engine(), new QEvent(UM_NEXTBLOCK));
    QCoreApplication::processEvents();
    EXPECT_EQ(Analyzer().Comment, analyzerComment);

    ASSERT_TRUE(QTest::qWaitFor([&] { return handled; }, 5000));
    QTest::qWait(300); // the block under way arrives meanwhile
    EXPECT_EQ(drawn.count(), drawnBefore) << "the block under way is dropped";
    EXPECT_TRUE(diagram->isVisible()) << "nothing of the analyzer hides the sweep's diagram later";
}

TEST_F(AnalyzerRun, ClosingWhileARunGoesOnEndsItAndWritesTheSettings)
{
    externalSine(1000.0, 0.25);
    choose(page->FFTpointsgroup, 2);
    choose(page->RunningGroup, 1);
    QSignalSpy drawn(page, &TAnalyzerPage::spectrumShown);
    page->StartButton->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return drawn.count() >= 2; }, 20000));
    closeMain();
    EXPECT_FALSE(Analyzer().Running);
    EXPECT_FALSE(WorkArraysAllocated(Analyzer()));
    EXPECT_FALSE(SoundInitialised());
    EXPECT_EQ(setting("FFT", "SAMPLES"), "8192");
    QTest::qWait(100); // nothing of the run arrives at the destroyed windows
}
