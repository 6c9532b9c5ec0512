// The analyzer engine on its own, with nothing but a QCoreApplication: two
// engines in one process keep their own settings, sums and window tables,
// and one engine runs on the virtual card through a result, a device fault
// and a stop.
#include "analysis/AnalysisSettings.h"
#include "audio/Soundd3.h"
#include "audio/Tdummy.h"
#include "correction/CorrectionTable.h"
#include "measure/AnalyzerEngine.h"
#include "measure/AnalyzerLogic.h"
#include "measure/LevelUnits.h"
#include "measure/samplemem.h"
#include "platform/audio/virtual/VirtualCard.h"

#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace korvanta;

namespace {

constexpr int kRate = 48000;
constexpr double kPeak = 0.5;

// Mean of a cosine-sum window is its a0 times its gain: what a sine on a bin
// reads under it, as a magnitude, is peak * mean / 2.
struct WindowCase {
    int type;
    int fftPoints;
    double a0;
    double gainDb;
};
constexpr WindowCase kHann4096{2, 4096, 0.5, 0.0};
constexpr WindowCase kBlackmanHarris16384{4, 16384, 0.35875, 2.7};

double expectedBinLevel(const WindowCase& w, const AnalyzerState& state)
{
    const double mean = w.a0 * std::pow(10.0, w.gainDb / 20.0);
    return BinLevel(static_cast<float>(kPeak * mean / 2), GetLevelParameters(state));
}

// One analyzer with records of its own.
struct Instrument {
    AnalyzerState state;
    AnalysisSettings analysis;
    CorrectionTable weighting;
    CorrectionTable inputCorrection;
    TAnalyzerEngine engine{state, analysis, weighting, inputCorrection};
    std::vector<AnalyzerSpectrum> shown;

    explicit Instrument(const WindowCase& w)
    {
        EXPECT_TRUE(AllocateWorkArrays(state));
        state.AnalyzerActive = true;
        state.Running = true;
        engine.SetFftSize(w.fftPoints);
        engine.SetWindow(w.type);
        QObject::connect(&engine, &TAnalyzerEngine::spectrumReady,
                         [this](const AnalyzerSpectrum& s) { shown.push_back(s); });
    }
};

// A stereo block (right channel first) with a sine of kPeak on `bin` of an
// N-point transform in both channels.
std::vector<float> sineBlock(int N, int bin)
{
    const int frames = BlockFrames(N);
    std::vector<float> block(2 * frames);
    for (int i = 0; i < frames; ++i) {
        const float x = static_cast<float>(kPeak * std::sin(2 * std::numbers::pi * bin * i / N));
        block[2 * i] = x;
        block[2 * i + 1] = x;
    }
    return block;
}

TEST(AnalyzerEngineTest, TwoAnalyzersInOneProcessEachMeasureWithTheirOwnSettings)
{
    Instrument hann(kHann4096);
    Instrument harris(kBlackmanHarris16384);
    hann.analysis.levelOn = true;
    harris.analysis.thdOn = true;
    harris.analysis.fundamentalAuto = true;
    const double hannFundamental = hann.analysis.fundamental;

    // Interleaved, so that anything shared would leak from one to the other.
    const int hannBin = 85;
    const int harrisBin = 1000;
    const std::vector<float> a = sineBlock(4096, hannBin);
    const std::vector<float> b = sineBlock(16384, harrisBin);
    for (int round = 0; round < 2; ++round) {
        hann.engine.ProcessBlock(a.data(), static_cast<int>(a.size()), 0);
        harris.engine.ProcessBlock(b.data(), static_cast<int>(b.size()), 0);
    }

    ASSERT_EQ(hann.shown.size(), 2u);
    ASSERT_EQ(harris.shown.size(), 2u);
    struct Expect {
        const Instrument& analyzer;
        WindowCase window;
        int bin;
    };
    for (const Expect& e : {Expect{hann, kHann4096, hannBin}, Expect{harris, kBlackmanHarris16384, harrisBin}}) {
        const AnalyzerSpectrum& s = e.analyzer.shown.back();
        SCOPED_TRACE(e.window.fftPoints);
        EXPECT_EQ(s.fftPoints, e.window.fftPoints);
        ASSERT_EQ(s.right.size(), static_cast<size_t>(e.window.fftPoints / 2));
        const double expected = expectedBinLevel(e.window, e.analyzer.state);
        EXPECT_NEAR(s.right[e.bin], expected, 0.01);
        EXPECT_NEAR(s.left[e.bin], expected, 0.01);
    }
    // Each read-out is its own: a level line only from the first, THD+N with
    // its fundamental only from the second; the first one's fundamental is
    // untouched by the second's search.
    EXPECT_TRUE(hann.shown.back().levelShown);
    EXPECT_FALSE(hann.shown.back().thdShown);
    EXPECT_TRUE(harris.shown.back().thdShown);
    EXPECT_FALSE(harris.shown.back().levelShown);
    const double harrisHz = harrisBin * static_cast<double>(harris.shown.back().sampleRate) / 16384;
    EXPECT_NEAR(harris.shown.back().fundamentalRight, harrisHz, 1.0);
    EXPECT_EQ(hann.analysis.fundamental, hannFundamental);
}

// The engine on the virtual card, in fast mode, hearing a sine that sits on
// a bin of its transform.
class AnalyzerEngineRun : public ::testing::Test {
protected:
    static constexpr int kN = 4096;
    static constexpr int kBin = 85;

    void SetUp() override
    {
        VirtualCard& card = VirtualCard::instance();
        card.reset();
        card.setFastMode(true);
        DutConfig dut;
        dut.ext = ExternalKind::Sine;
        dut.extFreq = kBin * static_cast<double>(kRate) / kN;
        dut.extLevelDb = 20 * std::log10(kPeak);
        card.setDut(dut);
        int in = 0, out = 0;
        DeviceReport(in, out, analyzer.state.InFormats);
        ASSERT_EQ(SoundInit(), 0);
        SetSampleRates(kRate, kRate);
        SetBits(16, 16);
        QObject::connect(&analyzer.engine, &MeasuringEngine::failed,
                         [this](const EngineFailure& f) { failures.push_back(f); });
        QObject::connect(&analyzer.engine, &MeasuringEngine::stopped, [this] { ++stops; });
        analyzer.state.Running = false;
        analyzer.state.RunMode = 1; // continuous
    }
    void TearDown() override
    {
        analyzer.engine.Stop();
        VirtualCard::instance().reset();
        SoundDone(false);
    }

    // Runs the event loop until `done` holds or `limitMs` passes.
    template <typename Done>
    bool runUntil(Done done, int limitMs = 20000)
    {
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (done())
                loop.quit();
        });
        poll.start(1);
        QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
        loop.exec();
        return done();
    }

    Tdummy dummy;
    Instrument analyzer{kHann4096};
    std::vector<EngineFailure> failures;
    int stops = 0;
};

TEST_F(AnalyzerEngineRun, StartGivesTheSineThenADeviceFaultEndsTheRunWithItsText)
{
    int starts = 0;
    QObject::connect(&analyzer.engine, &MeasuringEngine::started, [&] { ++starts; });
    ASSERT_EQ(analyzer.engine.Start(), 0);
    EXPECT_EQ(starts, 1);
    ASSERT_TRUE(runUntil([&] { return analyzer.shown.size() >= 2; }));
    EXPECT_NEAR(analyzer.shown.back().right[kBin], expectedBinLevel(kHann4096, analyzer.state), 0.1);
    EXPECT_EQ(analyzer.shown.back().sampleRate, kRate);

    VirtualCard::instance().injectFault(VirtualFault::DeviceGone);
    ASSERT_TRUE(runUntil([&] { return !failures.empty(); }));
    EXPECT_EQ(failures[0].kind, static_cast<int>(TAnalyzerEngine::Failure::NextBlock));
    EXPECT_NE(failures[0].code, 0);
    EXPECT_EQ(failures[0].text, SoundErrorText(failures[0].code));
    EXPECT_FALSE(failures[0].text.isEmpty());
    EXPECT_FALSE(analyzer.engine.Running());
    EXPECT_EQ(stops, 1);
}

TEST_F(AnalyzerEngineRun, AFailedStartIsReportedAsAFailureAndNothingRuns)
{
    VirtualCard::instance().injectFault(VirtualFault::OpenFails, 4);
    const int rc = analyzer.engine.Start();
    EXPECT_NE(rc, 0);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].kind, static_cast<int>(TAnalyzerEngine::Failure::StartSample));
    EXPECT_EQ(failures[0].code, rc);
    EXPECT_FALSE(analyzer.engine.Running());
    EXPECT_EQ(stops, 0); // it never started
}

TEST_F(AnalyzerEngineRun, StopEndsTheRunAndNoSpectrumFollows)
{
    ASSERT_EQ(analyzer.engine.Start(), 0);
    ASSERT_TRUE(runUntil([&] { return !analyzer.shown.empty(); }));
    analyzer.engine.Stop();
    EXPECT_EQ(stops, 1);
    const size_t shown = analyzer.shown.size();
    // A block still in flight when the run stopped is dropped: the event
    // loop drains, and no spectrum with levels comes afterwards.
    runUntil([] { return false; }, 300);
    for (size_t i = shown; i < analyzer.shown.size(); ++i)
        EXPECT_TRUE(analyzer.shown[i].right.empty());
    EXPECT_TRUE(failures.empty());
}

} // namespace
