// The generator window end to end on the virtual card: tones set with the
// window's controls are played, looped back and read by the spectrum
// analyzer (or, for the phase, recorded and transformed), in fast mode with
// no external source and the output level FGVOLUME at 100 %.
#include "app/ui/ProgramRecords.h"
#include "measure/ui/AnalyzerPage.h"
#include "tests/app/AppTestSupport.h"
#include "correction/CorrectionFile.h"
#include "diagram/ui/Diagr3.h"
#include "tests/support/TestFft.h"
#include "generator/GeneratorSection.h"
#include "measure/LevelUnits.h"
#include "analysis/PC_IIR_2.h"
#include "measure/ui/RadioGroup.h"
#include "audio/Soundd3.h"
#include "generator/ui/Wavegene.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <vector>

using namespace korvanta;
using korvanta::testing_support::fft;

namespace {

constexpr int kRate = 48000;
enum Window { kNone = 0, kHann = 2 };
enum FftSize { k2048 = 0, k4096 = 1, k16384 = 3 };

struct Tone {
    int mode = 0;
    float hz = 1500.0f;
    int levelLeft = 0;
    int levelRight = 0;
    int phaseLeft = 0;
    int phaseRight = 0;
};

struct Spectrum {
    std::vector<double> x, left, right;
};

class GeneratorLoopback : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        writeSettings("[MAIN]\nPAGE=1\n[VOLUME]\nFGVOLUME=100\n[SDSOUND]\n");
        start();
        SetSampleRates(kRate, kRate);
        SetBits(16, 16);
        SetFlip(false, false);
        SetAutoDC(false);
        SetDCOffsetL(0.0f);
        SetDCOffsetR(0.0f);
        VirtualCard::instance().setDut(DutConfig{}); // only what the output plays
        gen = Forms().Wavegen;
        ASSERT_TRUE(gen);
    }

    // Sets the window's controls and presses Start.
    void play(const Tone& t)
    {
        gen->GstopClick();
        gen->RadioGroup1->setItemIndex(t.mode);
        gen->SetFrequency(t.hz);
        gen->ScrollBar4->setValue(-t.levelLeft);
        gen->ScrollBar1->setValue(-t.levelRight);
        gen->phL->setText(QString::number(t.phaseLeft));
        gen->phR->setText(QString::number(t.phaseRight));
        gen->Gstart->click();
        ASSERT_TRUE(IsPlaying());
        ASSERT_TRUE(gen->RunningLook());
    }

    // One single analyzer run on the analyzer page; the generator plays on.
    Spectrum analyze(FftSize size, Window window, int averages = 1)
    {
        main->PageControl1->setCurrentIndex(0);
        TAnalyzerPage* page = main->AnalyzerPage;
        page->FFTpointsgroup->setItemIndex(size);
        page->FFTwinGroup->setItemIndex(window);
        page->RunningGroup->setItemIndex(0);
        page->AverVal->setValue(averages);
        page->StartButton->click();
        EXPECT_TRUE(QTest::qWaitFor([] { return !Analyzer().Running; }, 60000));
        const TDiagramm* d = Forms().Diagramm;
        const int n = Analyzer().FFTpoints / 2;
        Spectrum s;
        s.x.assign(d->Points().x(), d->Points().x() + n);
        s.left.assign(d->Points().curve1(), d->Points().curve1() + n);
        s.right.assign(d->Points().curve2(), d->Points().curve2() + n);
        return s;
    }

    // F ln(A w/2) + O: the analyzer's reading of an on-bin sine of peak A.
    static double expectedLevel(double peak, Window window)
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

    static double levelFactor() { return GetLevelParameters(Analyzer()).factor; }
    static int binOf(double hz) { return int(std::lround(hz * Analyzer().FFTpoints / kRate)); }

    TWavegen* gen = nullptr;
};

TEST_F(GeneratorLoopback, SineLevelsReadAsSetOnBothChannels)
{
    for (const int level : {0, -10, -40}) {
        play({0, 1500.0f, level, level});
        const Spectrum s = analyze(k2048, kHann);
        const int bin = binOf(1500.0);
        ASSERT_EQ(bin, 64);
        const double expected = expectedLevel(std::pow(10.0, level / 20.0), kHann);
        EXPECT_NEAR(s.left[bin], expected, 0.05) << level;
        EXPECT_NEAR(s.right[bin], expected, 0.05) << level;
    }
    EXPECT_TRUE(modals.questions().empty());
}

TEST_F(GeneratorLoopback, RightChannelSixDbDownAndOffSilent)
{
    play({0, 1500.0f, 0, -6});
    Spectrum s = analyze(k2048, kHann);
    const int bin = binOf(1500.0);
    EXPECT_NEAR(s.left[bin] - s.right[bin], -levelFactor() * std::log(std::pow(10.0, -6.0 / 20)), 0.05);

    play({0, 1500.0f, -3, GeneratorSettings::kLevelOff});
    s = analyze(k2048, kHann);
    EXPECT_NEAR(s.left[bin], expectedLevel(std::pow(10.0, -3.0 / 20), kHann), 0.05);
    EXPECT_LT(*std::max_element(s.right.begin(), s.right.end()), -150.0) << "\"OFF\" plays silence";
}

// The phase is read from a recorded block with the program's own transform,
// X[k] = (1/N) sum x[n] e^{+2 pi i nk/N}. For x = sin(w n + p) on bin k this
// gives arg X[k] = 90 deg - p, so a channel that leads by d degrees has an
// argument d degrees smaller: lead of the right = arg X_left - arg X_right.
TEST_F(GeneratorLoopback, RightPhaseNinetyLeadsTheLeftByNinetyDegrees)
{
    play({0, 1500.0f, -6, -6, 0, 90});
    main->PageControl1->setCurrentIndex(0);
    constexpr int N = 4096;
    bool done = false;
    ASSERT_EQ(StartRecord(N, 0, [&] { done = true; }), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));
    int floats = 0, over = 0, user = 0;
    const float* block = GetRecordBlock(floats, over, user);
    ASSERT_TRUE(block);
    ASSERT_GE(floats, 2 * N);
    std::vector<float> reR(N), imR(N, 0.0f), reL(N), imL(N, 0.0f);
    for (int i = 0; i < N; ++i) {
        reR[i] = block[2 * i];     // the first value of a frame is the right channel
        reL[i] = block[2 * i + 1];
    }
    Fft(reR.data(), imR.data(), N);
    Fft(reL.data(), imL.data(), N);
    const int bin = 1500 * N / kRate;
    const double argR = std::arg(std::complex<double>(reR[bin], imR[bin]));
    const double argL = std::arg(std::complex<double>(reL[bin], imL[bin]));
    double lead = (argL - argR) * 180.0 / std::numbers::pi;
    lead = std::remainder(lead, 360.0);
    EXPECT_NEAR(lead, 90.0, 1.0);
}

TEST_F(GeneratorLoopback, SquareHarmonicsFallAsOneThirdAndOneFifth)
{
    // 64 samples per period, every harmonic on a bin.
    play({1, 750.0f, -6, -6});
    const Spectrum s = analyze(k4096, kNone);
    const int f1 = binOf(750.0);
    ASSERT_EQ(f1, 64);
    const double F = levelFactor();
    for (const int h : {3, 5}) {
        EXPECT_NEAR(s.left[h * f1] - s.left[f1], F * std::log(1.0 / h), 0.3) << h;
        EXPECT_NEAR(s.right[h * f1] - s.right[f1], F * std::log(1.0 / h), 0.3) << h;
    }
}

// Octave-band means (in dB) of the averaged noise spectrum, its common
// offset removed, against the same means of the expected response.
class NoiseShape : public GeneratorLoopback {
protected:
    void checkShape(int mode, const std::function<double(double)>& responseDb)
    {
        play({mode, 1000.0f, -30, -30});
        const Spectrum s = analyze(k16384, kHann, 32);
        const LevelParameters p = GetLevelParameters(Analyzer());
        const double toDb = 20.0 / std::log(10.0) / p.factor; // analyzer level -> dB
        const double centres[] = {63, 125, 250, 500, 1000, 2000, 4000, 8000};
        std::vector<double> deviation;
        for (const double fc : centres) {
            double measured = 0, expected = 0;
            int count = 0;
            for (size_t i = 1; i < s.x.size(); ++i) {
                if (s.x[i] < fc / std::sqrt(2.0) || s.x[i] >= fc * std::sqrt(2.0))
                    continue;
                measured += (s.left[i] - p.offset) * toDb;
                expected += responseDb(s.x[i]);
                ++count;
            }
            ASSERT_GT(count, 0) << fc;
            deviation.push_back((measured - expected) / count);
        }
        double offset = 0;
        for (size_t b = 2; b < deviation.size(); ++b)
            offset += deviation[b];
        offset /= double(deviation.size() - 2);
        for (size_t b = 0; b < deviation.size(); ++b)
            EXPECT_NEAR(deviation[b] - offset, 0.0, b < 2 ? 2.0 : 1.0) << "octave at " << centres[b] << " Hz";
    }
};

TEST_F(NoiseShape, PinkNoiseFollowsItsCascade)
{
    int fs = kRate;
    PinkCascade cascade;
    DesignPinkCascade(cascade, fs);
    checkShape(3, [&](double f) {
        double gain = 1;
        for (int i = 0; i < cascade.count; ++i)
            gain *= SectionMagnitude(cascade.sections[i], f, kRate);
        return 20 * std::log10(gain);
    });
}

TEST_F(NoiseShape, WhiteNoiseIsFlat)
{
    checkShape(2, [](double) { return 0.0; });
}

TEST_F(GeneratorLoopback, OutputCorrectionStartsTheSineCorrected)
{
    // One point: +1.5 dB at 1 kHz, and so at every frequency.
    dir.write("out.cor", "1000 1.5\r\n");
    ASSERT_TRUE(LoadCorrection(OutputCorrection(), dir.file("out.cor")));
    OutputCorrection().active = true;
    play({0, 1500.0f, -10, -10});
    const Spectrum s = analyze(k2048, kHann);
    const int bin = binOf(1500.0);
    EXPECT_NEAR(s.left[bin], expectedLevel(std::pow(10.0, -12.0 / 20), kHann), 0.05);
    EXPECT_NEAR(s.right[bin], expectedLevel(std::pow(10.0, -12.0 / 20), kHann), 0.05);
}

} // namespace
