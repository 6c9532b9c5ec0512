// The oscilloscope end to end: the real main window, page and display
// window on the virtual card in fast mode, with a known external signal
// and a known calibration (INPUT=1000 mV: 1.5 V at full scale).
#include "app/WindowPlacement.h"
#include "app/ui/ProgramRecords.h"
#include "tests/app/AppTestSupport.h"
#include "app/ui/MainMenu.h"
#include "app/ui/MemoryMenu.h"
#include "scope/ui/Oszidia1.h"
#include "scope/ScopeEngine.h"
#include "scope/ui/ScopePage.h"
#include "scope/ScopeTables.h"
#include "audio/Soundd3.h"
#include "diagram/ui/SpinButton.h"
#include "platform/UserMessages.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>
#include <cmath>

using namespace korvanta;

namespace {
constexpr float kVoltageScale = 1.5f; // INPUT=1000 times 0.0015
constexpr int kScopePage = 2;

class ScopeRun : public MainWindowTest {
protected:
    // Starts the program on the analyzer page with these oscilloscope keys.
    void open(const QByteArray& oszi = {}, const QByteArray& more = {})
    {
        writeSettings("[SDSOUND]\n[EICH]\nINPUT=1000\n[VOLUME]\nFGVOLUME=100\n[OSZI]\n" + oszi + "\n" + more);
        start();
        SetSampleRates(44100, 44100);
        SetBits(16, 16);
        SetAutoDC(false);
        SetDCOffsetL(0.0f);
        SetDCOffsetR(0.0f);
        page = main->ScopePage;
        display = Forms().Oszidia;
        engine = page->Engine();
        ASSERT_TRUE(page && display && engine);
    }

    void enterScope() { main->PageControl1->setCurrentIndex(kScopePage); }

    static void externalSine(double freq, double peak)
    {
        DutConfig d;
        d.ext = ExternalKind::Sine;
        d.extFreq = freq;
        d.extLevelDb = 20 * std::log10(peak);
        VirtualCard::instance().setDut(d);
    }

    bool waitFrames(int n)
    {
        const int target = engine->FramesShown() + n;
        return QTest::qWaitFor([&] { return engine->FramesShown() >= target; }, 20000);
    }

    // Channel values of the stored frame relative to their zero lines.
    std::vector<float> channel(int ch) const
    {
        const OszidiaStore& s = display->Store();
        std::vector<float> v = ch == 1 ? s.Curve1() : s.Curve2();
        const float pos = ch == 1 ? s.yPosition1 : s.yPosition2;
        for (float& x : v)
            x -= pos;
        return v;
    }

    // scripts/screenshots.sh runs these tests under Xvfb and names a
    // folder: the screen as the user would see it is saved there.
    static void screenshot(const char* name)
    {
        const QString dir = qEnvironmentVariable("KORVANTA_SCREENSHOT_DIR");
        if (dir.isEmpty())
            return;
        QTest::qWait(500);
        QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QLatin1Char('/') + QLatin1String(name));
    }

    static float peakToPeak(const std::vector<float>& v)
    {
        const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
        return *hi - *lo;
    }

    TScopePage* page = nullptr;
    TOszidia* display = nullptr;
    ScopeEngine* engine = nullptr;
};
} // namespace

TEST_F(ScopeRun, TraceHeightFollowsCalibrationAndVoltsPerDivision)
{
    open("DIV1=13\nDIV2=12\nTB=6\n"); // 1 V/div and 500 mV/div, 1 ms/div
    const double peak = 0.5;
    externalSine(1000.0, peak);
    enterScope();
    ASSERT_TRUE(waitFrames(3));
    EXPECT_FLOAT_EQ(engine->VoltageScale(), kVoltageScale);
    EXPECT_EQ(display->Store().Count(), 512);
    EXPECT_NEAR(peakToPeak(channel(1)), 2 * peak * kVoltageScale / 1.0, 0.01 * 1.5);
    EXPECT_NEAR(peakToPeak(channel(2)), 2 * peak * kVoltageScale / 0.5, 0.01 * 3.0);
    EXPECT_EQ(page->label11->text(), QStringLiteral("Abtastrate "));
    EXPECT_EQ(page->Label12->text(), QStringLiteral("44100Hz"));
    EXPECT_EQ(page->OsziStartStop->text(), QStringLiteral("Stop"));
    screenshot("scope-sine.png");
}

struct SlopeCase {
    const char* name;
    bool rising;
    bool channel1;
};

class ScopeTrigger : public ScopeRun, public ::testing::WithParamInterface<SlopeCase> {};

// A 250 Hz sine of 2 divisions peak moves less than the 0.1-division window
// per sample, so the first sample past the level is always inside it.
TEST_P(ScopeTrigger, EveryFrameStartsOneSampleAfterTheLevelCrossing)
{
    const SlopeCase c = GetParam();
    open("DIV1=13\nDIV2=13\nTB=6\n");
    externalSine(250.0, 2.0 / kVoltageScale);
    enterScope();
    page->SCRtrig->setValue(-50); // 0.5 divisions
    ASSERT_FLOAT_EQ(engine->TriggerLevel(), 0.5f);
    if (!c.rising)
        page->CheckBox2->click();
    if (!c.channel1)
        page->RadioButton2->click();
    ASSERT_TRUE(waitFrames(2));
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_TRUE(waitFrames(1));
        const std::vector<float> v = channel(c.channel1 ? 1 : 2);
        const float level = 0.5f, step = v[1] - v[0];
        ASSERT_LT(engine->LastTriggerIndex(), 511);
        if (c.rising) {
            EXPECT_GT(v[0], level);
            EXPECT_LT(v[0], level + kTriggerWindow);
            EXPECT_GT(step, 0.0f);
        } else {
            EXPECT_LT(v[0], level);
            EXPECT_GT(v[0], level - kTriggerWindow);
            EXPECT_LT(step, 0.0f);
        }
        // One sample back the signal was still on the other side.
        EXPECT_LE(std::abs(v[0] - level), std::abs(step) + 1e-3f) << "frame " << frame;
    }
}

INSTANTIATE_TEST_SUITE_P(, ScopeTrigger,
                         ::testing::Values(SlopeCase{"rising_ch1", true, true}, SlopeCase{"falling_ch1", false, true},
                                           SlopeCase{"rising_ch2", true, false},
                                           SlopeCase{"falling_ch2", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScopeRun, SignalBelowTheTriggerWindowStartsAtTheLastPoint)
{
    open("DIV1=13\nDIV2=13\nTB=6\n");
    externalSine(1000.0, 1.0 / kVoltageScale); // 1 division peak
    enterScope();
    page->SCRtrig->setValue(-190);               // 1.9 divisions
    ASSERT_TRUE(waitFrames(3));
    EXPECT_EQ(engine->LastTriggerIndex(), 511);
}

TEST_F(ScopeRun, GroundDrawsTheZeroLineWhileTheTriggerUsesTheSamples)
{
    open("DIV1=13\nDIV2=13\nTB=6\n");
    externalSine(250.0, 2.0 / kVoltageScale);
    enterScope();
    page->SCRtrig->setValue(-50);
    page->CheckBox1->click();
    ASSERT_TRUE(Oscilloscope().ground1);
    ASSERT_TRUE(waitFrames(3));
    for (float v : display->Store().Curve1())
        ASSERT_FLOAT_EQ(v, Oscilloscope().yPosition1);
    EXPECT_LT(engine->LastTriggerIndex(), 511);
    // Channel 2 carries the same signal: the frame starts on the slope.
    const std::vector<float> v2 = channel(2);
    EXPECT_GT(v2[0], 0.5f);
    EXPECT_LT(v2[0], 0.6f);
}

TEST_F(ScopeRun, XYOfTwoSinesNinetyDegreesApartIsACircle)
{
    // Both channels at 500 mV/div around the screen's centre, X-Y; the
    // plot 400 x 320 pixels, 40 per division both ways (the scale read-out
    // below it).
    open("DIV1=12\nDIV2=12\nTB=1\nyposCh1=4\nyposCh2=4\nWIDTH=401\nHEIGHT=383\nLEFT=0\nTOP=0\n");
    VirtualCard::instance().setDut(DutConfig{});
    GeneratorSettings g;
    g.levelLeft = g.levelRight = -6;
    g.phaseLeft = 0;
    g.phaseRight = 90;
    ASSERT_EQ(StartPlay(g, -1, 1000.0f), 0);
    enterScope();
    ASSERT_TRUE(waitFrames(3));
    screenshot("scope-xy.png");
    StopPlay();
    ASSERT_EQ(page->Panel3->text(), QStringLiteral("X-Y"));

    EXPECT_TRUE(page->XYSwitch->isChecked()) << "TB=1 is X-Y with its switch on";
    // Stored points: x is minus the column, so the offset from the centre is -x - 5.
    const OszidiaStore& s = display->Store();
    std::vector<double> r;
    for (int j = 0; j < s.Count(); ++j)
        r.push_back(std::hypot(-1.0 - s.XValues()[j] - 4.0, s.Curve1()[j] - 4.0));
    const auto [lo, hi] = std::minmax_element(r.begin(), r.end());
    ASSERT_GT(*lo, 0.5) << "a circle of about 1.5 divisions was expected";
    EXPECT_LT((*hi - *lo) / *hi, 0.01);

    ASSERT_EQ(display->size(), QSize(401, 383));
    const QImage img = display->Picture();
    const OszidiaLayout& l = display->Layout();
    ASSERT_DOUBLE_EQ(l.yScale, -l.xScale) << "a division as high as it is wide";
    const double cx = 5 * 40.0, cy = l.bottom - 4 * 40.0;
    // The radius of the ring in each of 36 directions: the mean distance of
    // its red pixels there (a one-pixel line has its pixels on either side
    // of the true curve).
    constexpr int kSectors = 36;
    double sum[kSectors] = {}, count[kSectors] = {};
    for (int y = l.top; y <= l.bottom; ++y)
        for (int x = l.left; x <= l.right; ++x)
            if (img.pixelColor(x, y) == oszi::Curve1) {
                const double a = std::atan2(y - cy, x - cx) + M_PI;
                const int k = std::min(int(a / (2 * M_PI) * kSectors), kSectors - 1);
                sum[k] += std::hypot(x - cx, y - cy);
                ++count[k];
            }
    double pmin = 1e9, pmax = 0;
    for (int k = 0; k < kSectors; ++k) {
        ASSERT_GT(count[k], 0) << "the ring is drawn all round, sector " << k;
        pmin = std::min(pmin, sum[k] / count[k]);
        pmax = std::max(pmax, sum[k] / count[k]);
    }
    EXPECT_NEAR(pmin, 1.5 * 0.501 * 40 / 0.5, 2.0);
    EXPECT_LT(pmax - pmin, 2.0) << "radius from " << pmin << " to " << pmax;
}

struct TimebaseCase {
    int index;
    const char* label;
    int rate;
    int frames;
};

class ScopeTimebase : public ScopeRun, public ::testing::WithParamInterface<TimebaseCase> {};

TEST_P(ScopeTimebase, RateLengthAndDisplayFollowTheTimebase)
{
    const TimebaseCase c = GetParam();
    open("TB=" + QByteArray::number(c.index) + "\n");
    enterScope();
    ASSERT_TRUE(waitFrames(2));
    EXPECT_EQ(page->Panel3->text(), QString::fromUtf8(c.label));
    EXPECT_EQ(Oscilloscope().sampleRate, c.rate);
    EXPECT_EQ(Oscilloscope().frameLength, c.frames);
    EXPECT_EQ(page->Label12->text(), QString::number(c.rate) + QStringLiteral("Hz"));
    EXPECT_EQ(display->Store().Count(), c.frames / 2);
    int in = 0, out = 0;
    GetSampleRates(in, out);
    EXPECT_EQ(in, c.rate);
    const double seconds = SecondsPerDiv(c.index);
    EXPECT_FLOAT_EQ(display->Store().xMax, float(10 * seconds));
    if (seconds > 0) {
        EXPECT_FLOAT_EQ(display->Store().XValues()[1], 1.0f / float(c.rate));
    }
}

INSTANTIATE_TEST_SUITE_P(, ScopeTimebase,
                         ::testing::Values(TimebaseCase{1, "X-Y", 44100, 1024}, TimebaseCase{6, "1ms", 44100, 1024},
                                           TimebaseCase{7, "2ms", 22050, 1024}, TimebaseCase{8, "5ms", 11025, 1300},
                                           TimebaseCase{9, "10ms", 11025, 2448}));

TEST_F(ScopeRun, TimebaseSpinnerStopsAtTenMillisecondsAndAppliesOnTheNextFrame)
{
    open("TB=8\n");
    enterScope();
    ASSERT_TRUE(waitFrames(1));
    page->SpinButton3->upButton()->click();
    page->SpinButton3->upButton()->click();
    EXPECT_EQ(Oscilloscope().timebaseIndex, 9);
    ASSERT_TRUE(waitFrames(2));
    EXPECT_EQ(page->Panel3->text(), QStringLiteral("10ms"));
    EXPECT_EQ(Oscilloscope().frameLength, 2448);
    // Stopped, a timebase click starts the loop again.
    page->OsziStartStop->click();
    ASSERT_FALSE(engine->Running());
    EXPECT_EQ(page->OsziStartStop->text(), QStringLiteral("Start"));
    page->SpinButton3->downButton()->click();
    EXPECT_TRUE(engine->Running());
    ASSERT_TRUE(waitFrames(1));
    EXPECT_EQ(Oscilloscope().sampleRate, 11025);
    EXPECT_EQ(Oscilloscope().frameLength, 1300);
}

// A device that refuses the rate a timebase asks for: the lowest faster rate
// it takes with as many frames as cover the same time, else the slower plan
// it takes; the frames keep coming instead of failing on every start.
struct RefusedRateCase {
    std::vector<int> rates;
    int rate;
    int frames;
};

class ScopeRefusedRate : public ScopeRun, public ::testing::WithParamInterface<RefusedRateCase> {};

TEST_P(ScopeRefusedRate, TenMillisecondsTakesAFasterRateOrFallsBack)
{
    const RefusedRateCase c = GetParam();
    open("TB=6\n");
    VirtualCard::instance().setFormatLimits(c.rates, {});
    enterScope();
    ASSERT_TRUE(waitFrames(1));
    for (int i = 0; i < 3; ++i)
        page->SpinButton3->upButton()->click();
    EXPECT_EQ(Oscilloscope().timebaseIndex, 9);
    ASSERT_TRUE(waitFrames(3));
    EXPECT_EQ(page->Panel3->text(), QStringLiteral("10ms"));
    EXPECT_EQ(Oscilloscope().sampleRate, c.rate);
    EXPECT_EQ(Oscilloscope().frameLength, c.frames);
    EXPECT_EQ(page->Label12->text(), QString::number(c.rate) + QStringLiteral("Hz"));
    EXPECT_TRUE(engine->Running());
    EXPECT_EQ(page->label11->text(), QStringLiteral("Abtastrate "));
}

INSTANTIATE_TEST_SUITE_P(, ScopeRefusedRate,
                         ::testing::Values(RefusedRateCase{{44100, 8000}, 44100, 9792},
                                           RefusedRateCase{{8000}, 8000, 2448}));

// A card that takes one rate only, as many USB interfaces do, named by the
// virtual card's `rates=` key: every timebase, down to those only the
// settings file reaches, draws frames at that rate with no sample error,
// and each trace covers at least the time the plan's own rate would.
class ScopeOnOneRate : public ScopeRun, public ::testing::WithParamInterface<int> {
protected:
    void TearDown() override
    {
        qunsetenv("KORVANTA_DUT");
        ScopeRun::TearDown();
    }
};

TEST_P(ScopeOnOneRate, EveryTimebaseDrawsFramesWithoutSampleError)
{
    const int rate = GetParam();
    qputenv("KORVANTA_DUT", "rates=" + QByteArray::number(rate) + " ext=sine freq=1000 level=-10");
    open("TB=1\n");
    enterScope();
    for (int tb = 1; tb <= kTimebaseSteps; ++tb) {
        Oscilloscope().timebaseIndex = tb;
        ASSERT_TRUE(waitFrames(2)) << TimebaseLabel(tb).toStdString() << ": " << page->label11->text().toStdString();
        const std::string where = TimebaseLabel(tb).toStdString();
        ASSERT_TRUE(engine->Running()) << where << ": " << page->label11->text().toStdString();
        EXPECT_EQ(page->label11->text(), QStringLiteral("Abtastrate ")) << where;
        EXPECT_EQ(page->Panel3->text(), TimebaseLabel(tb));
        EXPECT_EQ(page->Label12->text(), QString::number(rate) + QStringLiteral("Hz")) << where;
        EXPECT_EQ(Oscilloscope().sampleRate, rate) << where;
        const OszidiaStore& s = display->Store();
        EXPECT_EQ(s.Count(), Oscilloscope().frameLength / 2) << where;
        const CapturePlan plan = WantedCapture(SecondsPerDiv(tb));
        EXPECT_GE(double(s.Count()) / rate, double(plan.frameLength / 2) / plan.rate) << where;
        if (SecondsPerDiv(tb) > 0) {
            EXPECT_FLOAT_EQ(s.XValues()[1], 1.0f / float(rate)) << where;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(, ScopeOnOneRate, ::testing::Values(48000, 96000));

TEST_F(ScopeRun, VoltsPerDivisionSpinnersStepThroughTheTable)
{
    open("DIV1=13\nDIV2=2\n");
    enterScope();
    page->SpinButton2->upButton()->click();
    page->SpinButton2->upButton()->click();
    EXPECT_EQ(page->VperDiv1->text(), QStringLiteral("2V"));
    page->SpinButton1->downButton()->click();
    page->SpinButton1->downButton()->click();
    EXPECT_EQ(page->VperDiv2->text(), QString::fromUtf8("100µV"));
    EXPECT_EQ(Oscilloscope().voltsIndex1, 14);
    EXPECT_EQ(Oscilloscope().voltsIndex2, 1);
}

struct FaultCase {
    const char* name;
    VirtualFault fault;
    int code;      // injected code, 0: the card's own
    int shown;     // code after "Sample error "
};

class ScopeFaults : public ScopeRun, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(ScopeFaults, StopTheLoopWithTheCodeAndStartWorksAgain)
{
    const FaultCase c = GetParam();
    open("TB=6\n");
    externalSine(1000.0, 0.3);
    enterScope();
    ASSERT_TRUE(waitFrames(1));
    VirtualCard::instance().injectFault(c.fault, c.code);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !engine->Running(); }, 20000)) << "the loop never stopped";
    EXPECT_EQ(page->label11->text(), QStringLiteral("Abtastfehler ") + QString::number(c.shown));
    EXPECT_TRUE(page->label11->styleSheet().contains(QStringLiteral("red")));
    EXPECT_EQ(page->OsziStartStop->text(), QStringLiteral("Start"));
    const int shown = engine->FramesShown();
    QTest::qWait(100);
    EXPECT_EQ(engine->FramesShown(), shown) << "nothing runs after the error";

    VirtualCard::instance().clearFaults();
    page->OsziStartStop->click();
    ASSERT_TRUE(waitFrames(2));
    EXPECT_EQ(page->label11->text(), QStringLiteral("Abtastrate "));
}

INSTANTIATE_TEST_SUITE_P(
    , ScopeFaults,
    ::testing::Values(FaultCase{"open_fails", VirtualFault::OpenFails, 4, 4},
                      FaultCase{"stall", VirtualFault::Stall, 0, WAVERR_DEVICE_STALLED},
                      FaultCase{"device_gone", VirtualFault::DeviceGone, 0, WAVERR_DEVICE_GONE},
                      FaultCase{"short_block", VirtualFault::ShortBlock, 0, WAVERR_DEVICE_SHORT_BLOCK},
                      FaultCase{"empty_blocks", VirtualFault::NoData, 0, WAVERR_DEVICE_STALLED},
                      FaultCase{"close_fails", VirtualFault::CloseFails, 0, 9}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScopeRun, AnalyzerBlockInFlightIsDroppedAndTheScopeRecordsItsOwn)
{
    open("TB=9\n"); // 11025 Hz, 2448 frames: far from the analyzer's block
    externalSine(1000.0, 0.3);
    // A recording of another loop (44.1 kHz, 4608 frames) is under way when
    // the page's first frame message asks for its frame. Entering posts that
    // message; the other loop starts before it is handled, and its block,
    // however soon it is done, is announced only after it.
    VirtualCard::instance().setFastMode(false);
    enterScope();
    ASSERT_EQ(engine->FramesShown(), 0);
    int foreignCalls = 0;
    ASSERT_EQ(StartRecord(4608, 0,
                          [&foreignCalls] {
                              int n, o, u;
                              GetRecordBlock(n, o, u);
                              ++foreignCalls;
                          }),
              0);
    ASSERT_TRUE(waitFrames(2));
    EXPECT_EQ(foreignCalls, 0) << "the newest requester receives the block";
    EXPECT_EQ(engine->DroppedBlocks(), 0) << "the input drops the older block before any loop sees it";
    EXPECT_EQ(display->Store().Count(), 1224);
    EXPECT_TRUE(engine->Running());
}

TEST_F(ScopeRun, LeavingRestoresTheAnalyzersRatesAndBitsAndMenus)
{
    open("TB=9\n");
    SetSampleRates(48000, 22050);
    SetBits(24, 16);
    const bool calibrationBefore = main->Menu->Eichen1->isEnabled();
    ASSERT_TRUE(calibrationBefore);
    for (int round = 0; round < 2; ++round) {
        enterScope();
        ASSERT_TRUE(waitFrames(1));
        int in = 0, out = 0, inBits = 0, outBits = 0;
        GetSampleRates(in, out);
        EXPECT_EQ(in, 11025);
        for (QAction* a : {main->Menu->Eichen1, main->Menu->AudioInParameter1, main->Menu->AudioOutParameter1,
                           main->Menu->Kommentar1})
            EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
        EXPECT_TRUE(main->Menu->FilePrintItem->isEnabled()) << "printing prints the oscilloscope";
        EXPECT_FALSE(main->Menu->menuAnalyse->isEnabled());
        EXPECT_FALSE(main->Menu->AudioInDevice1->isEnabled());
        EXPECT_TRUE(main->Menu->SpeichernalsText1->isEnabled());
        EXPECT_TRUE(main->Menu->EditCopyItem->isEnabled());
        EXPECT_TRUE(display->isVisible());

        main->PageControl1->setCurrentIndex(0);
        GetSampleRates(in, out);
        GetBits(inBits, outBits);
        EXPECT_EQ(in, 48000);
        EXPECT_EQ(out, 22050);
        EXPECT_EQ(inBits, 24);
        EXPECT_EQ(outBits, 16);
        EXPECT_FALSE(display->isVisible());
        EXPECT_FALSE(engine->Running());
        EXPECT_EQ(main->Menu->Eichen1->isEnabled(), calibrationBefore);
        EXPECT_TRUE(main->Menu->menuAnalyse->isEnabled());
        EXPECT_TRUE(main->Menu->FilePrintItem->isEnabled());
    }
}

TEST_F(ScopeRun, StopAllResetAndCalibrationStopAndRestartTheLoop)
{
    open("TB=9\n");
    externalSine(1000.0, 0.3);
    enterScope();
    ASSERT_TRUE(waitFrames(1));
    QEvent stopAll(UM_STOP_ALL);
    QApplication::sendEvent(main, &stopAll);
    EXPECT_FALSE(engine->Running());
    EXPECT_EQ(page->OsziStartStop->text(), QStringLiteral("Start"));

    main->Menu->Reset1->trigger();
    EXPECT_TRUE(engine->Running()) << "the reset restarts the oscilloscope on its page";
    ASSERT_TRUE(waitFrames(2));
    int in = 0, out = 0;
    GetSampleRates(in, out);
    EXPECT_EQ(in, 11025) << "the reset read the device's own rate; the timebase's comes back";
    EXPECT_EQ(display->Store().Count(), 1224);

    QApplication::sendEvent(main, &stopAll);
    Analyzer().CalInMv = 2000.0f;
    QEvent done(UM_CAL_DONE);
    QApplication::sendEvent(main, &done);
    EXPECT_TRUE(engine->Running());
    EXPECT_FLOAT_EQ(engine->VoltageScale(), 3.0f) << "the new calibration scales the traces";
    ASSERT_TRUE(waitFrames(1));
}

TEST_F(ScopeRun, TextExportAndCopyActOnTheDisplayWindow)
{
    open("DIV1=13\nDIV2=12\nTB=6\n");
    externalSine(1000.0, 0.5);
    enterScope();
    ASSERT_TRUE(waitFrames(2));
    page->OsziStartStop->click();
    QTest::qWait(50);
    const QString path = dir.file(QStringLiteral("frame.txt"));
    modals.answerFile(path);
    main->Menu->SpeichernalsText1->trigger();
    const QStringList lines = QString::fromUtf8(dir.read(QStringLiteral("frame.txt"))).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 513) << "512 lines, each ended by CR LF";
    EXPECT_TRUE(lines.last().isEmpty());
    const QRegularExpression line(QStringLiteral("^-?\\d+\\.\\d{3},-?\\d+\\.\\d{3},-?\\d+\\.\\d{3}$"));
    for (int i = 0; i < 512; ++i)
        ASSERT_TRUE(line.match(lines[i]).hasMatch()) << lines[i].toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("0.000,")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("0.023,")));
    // 0.75 V peak on channel 1: the exported millivolts stay within it.
    for (int i = 0; i < 512; ++i)
        ASSERT_LE(std::abs(lines[i].section(QLatin1Char(','), 1, 1).toDouble()), 755.0);

    QGuiApplication::clipboard()->clear();
    main->Menu->EditCopyItem->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), display->size());
}

TEST_F(ScopeRun, SettingsRoundTripWithTheWindowsPlacement)
{
    open("DIV1=7\nDIV2=12\nTB=8\nGND1=TRUE\nTRIPOS=FALSE\nTRICH1=FALSE\nyposCh1=5.5\nyposCh2=1.25\n"
         "WIDTH=300\nHEIGHT=-1\nLEFT=-1\nTOP=40\n",
         "[MAIN]\nLEFT=100\nTOP=60\n[OSZIPRIV]\nCOLDIA=16776960\n");
    enterScope();
    EXPECT_EQ(page->VperDiv1->text(), QStringLiteral("10mV"));
    EXPECT_EQ(page->VperDiv2->text(), QStringLiteral("500mV"));
    EXPECT_EQ(page->Panel3->text(), QStringLiteral("5ms"));
    EXPECT_TRUE(page->CheckBox1->isChecked());
    EXPECT_FALSE(page->CheckBox3->isChecked());
    EXPECT_FALSE(page->CheckBox2->isChecked());
    EXPECT_TRUE(page->RadioButton2->isChecked());
    EXPECT_EQ(page->SCRyposCh1->value(), -75);
    EXPECT_EQ(page->SCRyposch2->value(), 138);
    EXPECT_EQ(display->Background(), oszi::Illuminated);
    // No room left of the main window: it moves right; the display takes
    // the place to its left, frame beside frame, and the main window's height.
    EXPECT_EQ(display->pos(), QPoint(0, 40));
    EXPECT_EQ(main->x(), display->frameGeometry().right() + 1 + kWindowGap);
    EXPECT_EQ(display->size(), QSize(300, main->height()));

    page->SpinButton2->upButton()->click();
    page->SCRyposch2->setValue(-100);
    display->IllumBut->click();
    display->move(20, 50);
    closeMain();
    EXPECT_EQ(setting("OSZI", "DIV1"), "8");
    EXPECT_EQ(setting("OSZI", "TB"), "8");
    EXPECT_EQ(setting("OSZI", "GND1"), "TRUE");
    EXPECT_EQ(setting("OSZI", "TRIPOS"), "FALSE");
    EXPECT_EQ(setting("OSZI", "TRICH1"), "FALSE");
    EXPECT_EQ(setting("OSZI", "yposCh2"), "6.000");
    EXPECT_EQ(setting("OSZI", "SAMPLEF"), "11025");
    EXPECT_EQ(setting("OSZI", "OMESSW"), "1300");
    EXPECT_EQ(setting("OSZI", "LEFT"), "20");
    EXPECT_EQ(setting("OSZI", "TOP"), "50");
    EXPECT_EQ(setting("OSZI", "WIDTH"), "300");
    EXPECT_EQ(setting("OSZIPRIV", "COLDIA"), "8421376");

    ResetProcessState();
    start();
    main->PageControl1->setCurrentIndex(kScopePage);
    EXPECT_EQ(main->ScopePage->VperDiv1->text(), QStringLiteral("20mV"));
    EXPECT_EQ(Forms().Oszidia->pos(), QPoint(20, 50));
    EXPECT_EQ(Forms().Oszidia->Background(), oszi::Background);
}

TEST_F(ScopeRun, LanguageSwitchReachesTheDisplayWindow)
{
    open();
    enterScope();
    EXPECT_EQ(display->Label1->text(), QStringLiteral("Zeit / Frequ."));
    main->deutschEnglish1Click();
    EXPECT_EQ(display->Label1->text(), QStringLiteral("Time / Frequ."));
    EXPECT_EQ(display->Label2->text(), QStringLiteral("Volt"));
    main->deutschEnglish1Click();
    EXPECT_EQ(display->Label1->text(), QStringLiteral("Zeit / Frequ."));
}

TEST_F(ScopeRun, ProgramStartingOnTheScopePageRunsAtOnce)
{
    open("TB=6\n", "[MAIN]\nPAGE=2\n");
    externalSine(1000.0, 0.3);
    ASSERT_TRUE(waitFrames(2));
    EXPECT_TRUE(display->isVisible());
    EXPECT_EQ(main->ActivePageIndex(), kScopePage);
}

// X-Y is a switch of its own: the timebase spinner no longer steps into it,
// switching it off brings back the Y-t timebase, and in X-Y both zeros meet
// at the screen's centre whatever the Y-t positions, the bars moving them
// from there while the stored positions keep their Y-t meaning.
TEST_F(ScopeRun, XYIsItsOwnSwitchWithTheZerosAtTheCentre)
{
    open("TB=7\nGND1=TRUE\nGND2=TRUE\n");   // positions at their defaults 6.02 and 2.0
    enterScope();
    ASSERT_TRUE(waitFrames(1));
    EXPECT_FALSE(page->XYSwitch->isChecked());
    page->XYSwitch->click();
    EXPECT_EQ(Oscilloscope().timebaseIndex, kXYTimebase);
    EXPECT_FALSE(page->SpinButton3->isEnabled());
    ASSERT_TRUE(waitFrames(2));
    EXPECT_EQ(page->Panel3->text(), QStringLiteral("X-Y"));
    const auto allAt = [this](float x, float y1) {
        const OszidiaStore& s = display->Store();
        if (s.Filled() < 2)
            return false;
        for (int j = 0; j < s.Filled(); ++j)
            if (s.XValues()[j] != x || s.Curve1()[j] != y1)
                return false;
        return true;
    };
    EXPECT_TRUE(allAt(-kXYCentreX, kXYCentreY)) << "both grounded: the dot sits at the centre";
    EXPECT_EQ(page->SCRyposCh1->value(), 0) << "the bar shows no offset";
    page->SCRyposCh1->setValue(-100);
    page->SCRyposch2->setValue(50);
    ASSERT_TRUE(waitFrames(2));
    EXPECT_TRUE(allAt(-(kXYCentreX - 1.0f), kXYCentreY + 2.0f));
    EXPECT_FLOAT_EQ(Oscilloscope().yPosition1, 6.02f) << "the Y-t position is not moved by X-Y";
    EXPECT_EQ(ScopeScaleLines(display->Store().scales, 'E').back(), QStringLiteral("X-Y"));

    page->XYSwitch->click();
    EXPECT_EQ(Oscilloscope().timebaseIndex, 7) << "the timebase from before X-Y";
    EXPECT_TRUE(page->SpinButton3->isEnabled());
    EXPECT_EQ(page->SCRyposCh1->value(), BarFromPosition(6.02f));
    ASSERT_TRUE(waitFrames(2));
    EXPECT_EQ(page->Panel3->text(), QStringLiteral("2ms"));
    for (int i = 0; i < 10; ++i)
        page->SpinButton3->downButton()->click();
    EXPECT_EQ(Oscilloscope().timebaseIndex, 2) << "the spinner stops at 50µs";
}

// Print and the picture file act on the oscilloscope's window on its page:
// the printed page shows its red trace, the picture its teal screen.
TEST_F(ScopeRun, PrintAndPictureFileShowTheOscilloscope)
{
    open("TB=6\nDIV1=12\n");
    externalSine(1000.0, 0.5);
    enterScope();
    ASSERT_TRUE(waitFrames(2));
    page->OsziStartStop->click();
    ASSERT_TRUE(main->Menu->FilePrintItem->isEnabled());
    QPrinter& printer = TMainForm::SharedPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(300);
    const QString pdf = dir.file(QStringLiteral("scope.pdf"));
    printer.setOutputFileName(pdf);
    main->Menu->FilePrintItem->trigger();
    ASSERT_FALSE(modals.questions().empty());
    EXPECT_EQ(modals.questions().back().type, modal::Type::Print);
    ASSERT_EQ(QProcess::execute(QStringLiteral("pdftoppm"),
                                {QStringLiteral("-r"), QStringLiteral("75"), QStringLiteral("-png"),
                                 QStringLiteral("-singlefile"), pdf, dir.file(QStringLiteral("page"))}),
              0);
    const QImage printed = QImage(dir.file(QStringLiteral("page.png"))).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(printed.isNull());
    int red = 0, teal = 0;
    for (int y = 0; y < printed.height(); ++y)
        for (int x = 0; x < printed.width(); ++x) {
            const QColor c = printed.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
            teal += c.red() < 40 && std::abs(c.green() - 128) < 20 && std::abs(c.blue() - 128) < 20;
        }
    EXPECT_GT(red, 50) << "the trace is printed";
    EXPECT_GT(teal, 10000) << "the screen is printed";

    const QString png = dir.file(QStringLiteral("scope.png"));
    modals.answerFile(png);
    main->MemoryMenu->AskPictureSize = [](QSize) -> std::optional<QSize> { return QSize(520, 800); };
    ASSERT_TRUE(main->MemoryMenu->SavePictureItem->isEnabled());
    main->MemoryMenu->SavePictureItem->trigger();
    const QImage picture(png);
    ASSERT_EQ(picture.size(), QSize(520, 800));
    int screen = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            screen += picture.pixelColor(x, y) == oszi::Background;
    EXPECT_GT(screen, picture.width() * picture.height() / 2) << "the oscilloscope's screen";
}
