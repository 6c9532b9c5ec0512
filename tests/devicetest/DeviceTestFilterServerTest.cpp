// The whole device test on a fresh sound server whose loop runs through a
// chain of two LADSPA filters, both channels alike: a one-pole high-pass at
// 100 Hz, then a two-pole low-pass at 4 kHz (PulseAudio: module-ladspa-sink
// stages in front of the loop; PipeWire: a filter-chain graph of the same
// plugins). Nothing else records from the loop. What is held against the
// device is what the recordings the figures came from hold and what the
// report says:
//  - the symmetric chain reads symmetric: no recording that became a figure
//    clipped, the tones asked at the input reached their level there in
//    both channels, and the channels match;
//  - +3 dB on the left alone reads as a channel match of 3 dB and fails a
//    channel-match limit of 0.5 dB;
//  - +3 dB on both after the loop gain was read (from the sweep on) clips
//    the THD step: it is taken again, and its figures and its reported
//    level are those of a take at the level asked.
// The rates are KORVANTA_DT_SERVER_RATES ("44100,48000,96000"; 44100 when
// unset). Skipped, with the reason, where the server or a plugin is missing.
#include "tests/devicetest/DtKeepingProcedure.h"
#include "tests/support/EngineContract.h"
#include "tests/support/ServerSoundLayer.h"
#include "tests/support/SoundServer.h"

#include "audio/Tdummy.h"
#include "cli/DeviceTestLimits.h"
#include "devicetest/DtFigureRows.h"

#include <QElapsedTimer>
#include <cstdio>

using namespace korvanta;
using namespace dttest;

namespace {
const auto* const kServer = ::testing::AddGlobalTestEnvironment(new SoundServerEnvironment);

// A run of the default plan through a server: its steps and their waits, a
// bound for a hung run only.
constexpr int kRunTimeoutMs = 180000;
constexpr double kPlantDb = 3.0;
constexpr double kMatchLimitDb = 0.5;
// How close a level asked at the input comes back, and a symmetric loop's
// two channels to each other: the loop gain is read to a few thousandths
// of a dB, and a gain taken wrongly is off by a dB or more.
constexpr double kLevelToleranceDb = 0.05;
constexpr double kMatchToleranceDb = 0.01;
// A clean 16-bit loop reads THD+N near -97 dB at the reference level; a
// sine that lost its peaks to clipping reads -40 dB or worse.
constexpr double kCleanThdnDb = -80.0;

const LoopFilter& Chain()
{
    static const LoopFilter chain{
        {},
        {{QStringLiteral("filter"), QStringLiteral("hpf"), {{QStringLiteral("Cutoff Frequency (Hz)"), 100.0}}},
         {QStringLiteral("lowpass_iir_1891"), QStringLiteral("lowpass_iir"),
          {{QStringLiteral("Cutoff Frequency"), 4000.0}, {QStringLiteral("Stages(2 poles per stage)"), 1.0}}}}};
    return chain;
}

std::vector<int> Rates()
{
    std::vector<int> rates;
    for (const QString& r : qEnvironmentVariable("KORVANTA_DT_SERVER_RATES").split(u',', Qt::SkipEmptyParts))
        rates.push_back(r.toInt());
    return rates.empty() ? std::vector<int>{kDefaultServerRate} : rates;
}

// What a planted fault does to the loop, and where the run may end.
enum class Plant { None, LeftHotter, BothHotterFromTheSweep };

struct Outcome {
    DeviceTestResult result;
    std::vector<Taken> taken;
    QStringList refusals;
    qint64 ms = 0;
};

double Value(const DeviceTestResult& r, const QString& id, DtChannel channel) { return FigureValue(r, id, channel); }
QString Level(const char* step) { return InputLevelId(step); }

class FilterServerDeviceTest : public ServerSoundLayerTest, public ::testing::WithParamInterface<int> {
protected:
    SoundServer& server() override { return own_; }

    // Turns the loop up by `db` in each channel: PulseAudio's loop sink,
    // PipeWire's source, which hears the sink's monitor before its volume.
    void turnUp(double leftDb, double rightDb)
    {
        const bool pipeWire = TestServerKind() == ServerKind::PipeWire;
        ASSERT_TRUE(own_.pactlSucceeds({pipeWire ? "set-source-volume" : "set-sink-volume",
                                        pipeWire ? "@DEFAULT_SOURCE@" : "loop", QStringLiteral("%1dB").arg(leftDb),
                                        QStringLiteral("%1dB").arg(rightDb)}));
    }

    // The default plan, as the window and the command run it, until it ends
    // or until a step of kind `until` is about to play.
    Outcome run(Plant plant, std::optional<DtStepKind> until = std::nullopt)
    {
        const int rate = GetParam();
        SetSampleRates(rate, rate);
        if (plant == Plant::LeftHotter)
            turnUp(kPlantDb, 0.0);
        DtRunSettings settings;
        settings.rate = rate;
        DtPlanSettings planSettings;
        planSettings.rate = rate;
        DeviceTestEngine engine(in_, out_);
        KeepingProcedure procedure(settings);
        EngineRecorder r(engine, &DeviceTestEngine::stepDone);
        Outcome out;
        QObject::connect(&engine, &DeviceTestEngine::refused, [&out](const QString& m) { out.refusals << m; });
        QObject::connect(&engine, &DeviceTestEngine::stepStarting, [&](const DtPlayedStep& s) {
            if (until && s.step.kind == *until)
                engine.Stop();
            else if (plant == Plant::BothHotterFromTheSweep && s.step.sweep)
                turnUp(kPlantDb, kPlantDb);
        });
        QElapsedTimer clock;
        clock.start();
        EXPECT_TRUE(engine.Start(DefaultDtPlan(planSettings), procedure, DtHeader{}));
        EXPECT_TRUE(QTest::qWaitFor([&] { return r.count(EngineEvent::Stopped) > 0; }, kRunTimeoutMs));
        EXPECT_EQ(r.count(EngineEvent::Failed), 0) << devlog::Lines().join('\n').toStdString();
        out.ms = clock.elapsed();
        out.result = engine.Result();
        out.taken = std::move(procedure.taken);
        return out;
    }

    // The steps at the test tone reached their level asked at the input.
    static void ExpectLevelsAsked(const DeviceTestResult& r)
    {
        for (const char* step : {"dynamic_range", "thd"})
            for (DtChannel c : {DtChannel::Left, DtChannel::Right}) {
                SCOPED_TRACE(testing::Message() << step << " " << DtChannelKey(c).toStdString());
                const double asked = std::string(step) == "thd" ? DtPlanSettings{}.referenceLevelDb : kDtDynamicRangeDb;
                EXPECT_NEAR(Value(r, Level(step), c), asked, kLevelToleranceDb);
            }
    }

    static void Print(const char* what, int rate, const Outcome& run)
    {
        const DeviceTestResult& r = run.result;
        std::printf("filter server run, %s, %d Hz: %.1f s; THD+N %.2f / %.2f dB; THD level %.3f / %.3f dBFS; "
                    "match 1 kHz %.4f dB; max level out %.2f in %.2f dBFS\n",
                    what, rate, run.ms / 1000.0, Value(r, QLatin1String(dtid::ThdnDb), DtChannel::Left),
                    Value(r, QLatin1String(dtid::ThdnDb), DtChannel::Right), Value(r, Level("thd"), DtChannel::Left),
                    Value(r, Level("thd"), DtChannel::Right),
                    Value(r, QLatin1String(dtid::MatchGain) + "1000", DtChannel::Both),
                    Value(r, QLatin1String(dtid::MaxLevel), DtChannel::Both),
                    Value(r, QLatin1String(dtid::MaxLevelInput), DtChannel::Both));
    }

    OwnSoundServer own_{GetParam(), false, Chain()};
    Tdummy dummy_;
    CorrectionTable in_;
    CorrectionTable out_;
};

TEST_P(FilterServerDeviceTest, ASymmetricChainReadsSymmetricWithNothingClipped)
{
    const Outcome r = run(Plant::None);
    Print("symmetric", GetParam(), r);
    ASSERT_TRUE(r.result.complete) << r.result.error.toStdString() << r.refusals.join('\n').toStdString();
    ExpectNothingClipped(r.taken);
    ExpectLevelsAsked(r.result);
    for (const char* hz : {"1000", "10000"})
        EXPECT_NEAR(Value(r.result, QLatin1String(dtid::MatchGain) + hz, DtChannel::Both), 0.0, kMatchToleranceDb) << hz;
    for (DtChannel c : {DtChannel::Left, DtChannel::Right}) {
        EXPECT_LT(Value(r.result, QLatin1String(dtid::ThdnDb), c), kCleanThdnDb);
        const DtFigure* level = FindFigure(r.result, Level("thd"), c);
        ASSERT_NE(level, nullptr);
        EXPECT_TRUE(level->note.isEmpty()) << "taken once, at the level asked: " << level->note.toStdString();
    }
}

TEST_P(FilterServerDeviceTest, ALeftChannelHotterBy3dBFailsAChannelMatchLimit)
{
    const Outcome r = run(Plant::LeftHotter, DtStepKind::MaxLevel);
    Print("left +3 dB", GetParam(), r);
    ASSERT_TRUE(r.refusals.isEmpty()) << r.refusals.join('\n').toStdString();
    ExpectNothingClipped(r.taken);
    ExpectLevelsAsked(r.result);
    DtLimits limits;
    limits.maxChannelMatch = kMatchLimitDb;
    const DtVerdict verdict = JudgeDeviceTest(r.result, limits);
    for (const char* hz : {"1000", "10000"}) {
        const QString id = QLatin1String(dtid::MatchGain) + hz;
        EXPECT_NEAR(Value(r.result, id, DtChannel::Both), kPlantDb, kMatchToleranceDb) << hz;
        const auto check = std::find_if(verdict.checks.begin(), verdict.checks.end(),
                                        [&](const DtLimitCheck& c) { return c.figure == id; });
        ASSERT_NE(check, verdict.checks.end()) << hz;
        EXPECT_FALSE(check->pass) << hz;
    }
    EXPECT_FALSE(verdict.Pass());
}

TEST_P(FilterServerDeviceTest, BothChannelsHotterAfterTheLoopGainReTakeTheThdStep)
{
    const Outcome r = run(Plant::BothHotterFromTheSweep, DtStepKind::ImdSmpte);
    Print("both +3 dB from the sweep", GetParam(), r);
    ASSERT_TRUE(r.refusals.isEmpty()) << r.refusals.join('\n').toStdString();
    ExpectNothingClipped(r.taken);
    const auto thd = std::find_if(r.taken.begin(), r.taken.end(),
                                  [](const Taken& t) { return t.played.step.kind == DtStepKind::Thd; });
    ASSERT_NE(thd, r.taken.end());
    EXPECT_GT(thd->played.takes, 1) << "its first take clipped";
    for (DtChannel c : {DtChannel::Left, DtChannel::Right}) {
        SCOPED_TRACE(DtChannelKey(c).toStdString());
        EXPECT_LT(Value(r.result, QLatin1String(dtid::ThdnDb), c), kCleanThdnDb);
        const DtFigure* level = FindFigure(r.result, Level("thd"), c);
        ASSERT_NE(level, nullptr);
        EXPECT_NEAR(level->value, DtPlanSettings{}.referenceLevelDb, kLevelToleranceDb);
        EXPECT_FALSE(level->note.isEmpty()) << "the report says it was taken again";
        // Between the plant and the THD step: not clipped, so it stands,
        // 3 dB above its level, as its reported level says.
        EXPECT_NEAR(Value(r.result, Level("dynamic_range"), c), kDtDynamicRangeDb + kPlantDb, kLevelToleranceDb);
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, FilterServerDeviceTest, ::testing::ValuesIn(Rates()),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

} // namespace
