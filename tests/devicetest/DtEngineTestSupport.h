#pragma once
// Shared by the device test's engine tests on the virtual card and on a
// sound server: a procedure that keeps every step's recording, and the
// check that each recording holds its own step's signal at its level.

#include "correction/CorrectionTable.h"
#include "devicetest/DeviceTestEngine.h"
#include "devicetest/DtInputLevel.h"
#include "ir/IrAnalysis.h"
#include "tests/support/SineFit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace dttest {

using namespace korvanta;

// A step's tone read back from the recording.
constexpr double kLevelToleranceDb = 0.1;
// What is left after the step's tone: any piece of another signal in the
// recording leaves far more.
constexpr double kOwnToneResidualDb = -30.0;
constexpr double kSilentPeak = 1e-3;  // -60 dBFS

// What the procedure saw of each step.
struct Taken {
    DtPlayedStep played;
    DtRecording recording;
    bool correctionsActive = true;
};

// Keeps every recording; its checks and additions are the test's.
class RecordingProcedure : public DtProcedure {
public:
    RecordingProcedure(const CorrectionTable& in, const CorrectionTable& out) : in_(in), out_(out) {}

    QString Take(const DtPlayedStep& played, const DtRecording& recording) override
    {
        taken.push_back({played, recording, in_.active || out_.active});
        return refuseAt == int(taken.size()) - 1 ? refusal : QString();
    }
    std::vector<DtStep> Next() override
    {
        return addAfter == int(taken.size()) - 1 ? added : std::vector<DtStep>{};
    }
    void Finish(DeviceTestResult& result) override
    {
        ++finished;
        DtFigure f;
        f.id = QStringLiteral("steps");
        f.value = double(taken.size());
        result.figures.push_back(f);
    }

    std::vector<Taken> taken;
    int refuseAt = -1;
    QString refusal;
    int addAfter = -1;
    std::vector<DtStep> added;
    int finished = 0;

private:
    const CorrectionTable& in_;
    const CorrectionTable& out_;
};

inline constexpr int kStepFrames = 9600;  // at 48 kHz whole periods of the tests' tones
inline constexpr int kStepSettleMs = 20;

inline DtStep step(DtStepKind kind, std::vector<double> hz, double levelDb, DtLevelRef ref, DtPlays plays,
                   int settleMs = kStepSettleMs, int frames = kStepFrames)
{
    return DtToneStep(kind, std::move(hz), levelDb, ref, plays, settleMs, frames);
}

// The recording's frames from `first` on, left and right alternating.
inline std::vector<float> interleaved(const DtRecording& r, size_t first = 0)
{
    std::vector<float> v;
    for (size_t i = first; i < r.left.size(); ++i) {
        v.push_back(r.left[i]);
        v.push_back(r.right[i]);
    }
    return v;
}

// What the figures read of a tone's recording: all but its lead-in, which
// the engine leaves out because the device (or a sound server still
// linking a fresh stream) may not have settled yet; whether the rest held
// still is the engine's retake check.
inline std::vector<float> settledInterleaved(const DtRecording& r)
{
    return interleaved(r, r.left.size() / kDtLeadInDivisor);
}

inline double db(double x) { return 20.0 * std::log10(x); }

// How far the sweep's first played frame may lie from where the recording
// was cut on the virtual card: the mark is taken when the frame is handed
// to the output, and the card hears it behind the silence still queued
// between its output and its input (at most a twentieth of a second at
// 48 kHz), the recorder's read in progress (1024 frames) and the output's
// chunk not yet written (256 frames); which of that a run meets depends on
// the threads' timing.
inline constexpr double kSweepMarkBound = 48000 / 20 + 1024 + 256;

// A sweep step's recording: cut where the sweep began, long enough for it
// and its tail, and in each channel the sweep at the peak that channel
// played times the wire's gain (|H| at 1 kHz), arriving within
// `latencyBound` frames of the cut.
inline void ExpectOwnSweep(const Taken& t, const double wireDb[2], double latencyBound)
{
    const DtStep& s = t.played.step;
    ASSERT_TRUE(t.recording.aligned);
    const IrSweep played = DtIrSweep(*s.sweep, t.recording.rate, 1.0);
    ASSERT_GE(int(t.recording.left.size()), played.PeriodFrames());
    ASSERT_LE(int(t.recording.left.size()), s.frames);
    const double peaks[2] = {t.played.peaks.left, t.played.peaks.right};
    for (int c = 0; c < 2; ++c) {
        SCOPED_TRACE(c == 0 ? "left" : "right");
        IrSettings settings;
        settings.sweep = DtIrSweep(*s.sweep, t.recording.rate, peaks[c]);
        const IrMeasurement m = AnalyseSweep(c == 0 ? t.recording.left : t.recording.right, {}, settings);
        ASSERT_TRUE(m.ok()) << IrProblemText(m.problem, 'E').toStdString();
        EXPECT_LT(std::abs(m.peak.samples), latencyBound) << "the recording begins where the sweep did";
        const size_t at1k = size_t(std::lround(1000.0 / m.response.binHz));
        EXPECT_NEAR(MagnitudeDb(m.response.h[at1k]), wireDb[c], kLevelToleranceDb);
        if (s.reference == DtLevelRef::Input && !t.played.peaks.limited) {
            EXPECT_NEAR(db(peaks[c]) + wireDb[c], s.levelDb, kLevelToleranceDb) << "the level asked at the input";
        }
    }
}

// Each channel of each recording: the played tones at the played peak
// times the wire's gain, a level asked at the input reached there, and
// nothing in a channel that played digital zero.
inline void ExpectOwnSignals(const std::vector<Taken>& taken, const double wireDb[2],
                             double sweepLatencyBound = kSweepMarkBound)
{
    for (const Taken& t : taken) {
        const DtStep& s = t.played.step;
        SCOPED_TRACE(testing::Message() << "step " << t.played.index << " kind " << int(s.kind));
        EXPECT_FALSE(t.correctionsActive) << "corrections off while the test runs";
        if (s.sweep) {
            ExpectOwnSweep(t, wireDb, sweepLatencyBound);
            continue;
        }
        const std::vector<float> v = settledInterleaved(t.recording);
        ASSERT_EQ(int(t.recording.left.size()), s.frames);
        const double peaks[2] = {t.played.peaks.left, t.played.peaks.right};
        for (int c = 0; c < 2; ++c) {
            SCOPED_TRACE(c == 0 ? "left" : "right");
            if (peaks[c] == 0.0) {
                float most = 0;
                for (float x : c == 0 ? t.recording.left : t.recording.right)
                    most = std::max(most, std::abs(x));
                EXPECT_LT(most, kSilentPeak);
                continue;
            }
            const double expectedPeak = peaks[c] * std::pow(10.0, wireDb[c] / 20.0);
            if (s.reference == DtLevelRef::Input && !t.played.peaks.limited) {
                EXPECT_NEAR(db(expectedPeak), s.levelDb, kLevelToleranceDb) << "the level asked at the input";
            }
            std::vector<double> w = s.weights;
            w.resize(s.frequencies.size(), 1.0);
            double total = 0;
            for (double x : w)
                total += x;
            for (size_t k = 0; k < s.frequencies.size(); ++k) {
                const SineFit fit = FitSine(v, c, s.frequencies[k], t.recording.rate);
                EXPECT_NEAR(db(fit.amplitude), db(expectedPeak * w[k] / total), kLevelToleranceDb)
                    << s.frequencies[k] << " Hz";
                if (s.frequencies.size() == 1) {
                    EXPECT_LT(fit.residualDb, kOwnToneResidualDb) << s.frequencies[k] << " Hz";
                }
            }
        }
    }
}


} // namespace dttest
