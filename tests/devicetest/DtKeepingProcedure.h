#pragma once
// The device test's own analysis with every recording it was handed kept,
// so a test can hold the figures against what the recordings hold.
#include "tests/devicetest/DtEngineTestSupport.h"

#include "devicetest/DeviceTestProcedure.h"

#include <algorithm>
#include <cmath>

namespace dttest {

class KeepingProcedure : public DtProcedure {
public:
    explicit KeepingProcedure(DtRunSettings settings) : inner_(std::move(settings)) {}
    void Begin(const DtPlan& plan) override { inner_.Begin(plan); }
    QString Take(const DtPlayedStep& played, const DtRecording& recording) override
    {
        taken.push_back({played, recording, false});
        return inner_.Take(played, recording);
    }
    std::vector<DtStep> Next() override { return inner_.Next(); }
    void Finish(DeviceTestResult& result) override { inner_.Finish(result); }
    DtCheck FailedCheck() const { return inner_.FailedCheck(); }

    std::vector<Taken> taken;

private:
    DeviceTestProcedure inner_;
};

// Samples this close to full scale have lost a sine's peaks.
inline constexpr float kNearFullScale = 0.999f;

// No recording the analysis was handed clipped, in either channel.
inline void ExpectNothingClipped(const std::vector<Taken>& taken)
{
    for (const Taken& t : taken) {
        SCOPED_TRACE(testing::Message() << "step " << t.played.index + 1 << " kind " << int(t.played.step.kind));
        EXPECT_EQ(t.recording.overRange, 0);
        for (const std::vector<float>* x : {&t.recording.left, &t.recording.right}) {
            float most = 0.0f;
            for (float v : *x)
                most = std::max(most, std::abs(v));
            EXPECT_LT(most, kNearFullScale);
        }
    }
}

inline const DtFigure* FindFigure(const DeviceTestResult& r, const QString& id, DtChannel channel)
{
    for (const DtFigure& f : r.figures)
        if (f.id == id && f.channel == channel)
            return &f;
    return nullptr;
}

inline double FigureValue(const DeviceTestResult& r, const QString& id, DtChannel channel)
{
    const DtFigure* f = FindFigure(r, id, channel);
    return f ? f->value : NAN;
}

// The id of the level a step reached at the input: "thd", "dynamic_range" ...
inline QString InputLevelId(const char* step) { return QLatin1String(dtid::InputLevel) + QLatin1String(step); }

} // namespace dttest
