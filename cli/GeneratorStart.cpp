#include "cli/GeneratorStart.h"

#include "audio/Soundd3.h"
#include "cli/CommandLanguage.h"
#include "cli/MeasureReport.h"
#include "cli/MeasureSession.h"
#include "generator/GeneratorEngine.h"
#include "platform/DeviceLog.h"

namespace korvanta {

namespace {
constexpr Words kNotBelowHalf{"die Frequenz %1 Hz liegt nicht unter der halben Abtastrate (%2 Hz)",
                              "the frequency %1 Hz is not below half the sample rate (%2 Hz)"};
constexpr Words kNoFile{"keine Wave-Datei gewählt: --file nennt eine", "no wave file is chosen: name one with --file"};
constexpr Words kCannotPlay{"%1 kann nicht gespielt werden", "%1 cannot be played"};
constexpr Words kOutputStart{"der Ausgang kann nicht starten: %1", "the output cannot start: %1"};
constexpr Words kOutputFailed{"der Ausgang fiel beim Spielen aus: %1", "the output failed while playing: %1"};

// A sine or square at or above half the output rate would play an alias
// and be reported as the frequency asked for: the engine refuses it, as a
// sweep plan above half the rate is.
QString unplayable(const GeneratorSettings& g)
{
    int in = 0, out = 0;
    GetSampleRates(in, out);
    return Say(kNotBelowHalf).arg(PointText(g.frequency)).arg(out / 2.0);
}
} // namespace

GeneratorSettings GeneratorRecordFor(const MeasureOptions& o, const GeneratorSettings& stored)
{
    GeneratorSettings g = stored;
    g.mode = o.signal.value_or(g.mode);
    if (o.frequency)
        g.frequency = static_cast<float>(*o.frequency);
    g.levelLeft = o.levelLeft.value_or(g.levelLeft);
    g.levelRight = o.levelRight.value_or(g.levelRight);
    g.phaseLeft = o.phaseLeft.value_or(g.phaseLeft);
    g.phaseRight = o.phaseRight.value_or(g.phaseRight);
    if (g.mode == kGeneratorFile && !o.waveFile.isEmpty())
        g.userFileName = o.waveFile;
    return g;
}

CommandResult GeneratorStartFailed(const GeneratorSettings& g, const EngineFailure& failure, qsizetype loggedBefore)
{
    using Failure = GeneratorEngine::Failure;
    CommandResult result;
    const auto kind = static_cast<Failure>(failure.kind);
    if (kind == Failure::Format)
        return {kExitUsage, {}, {unplayable(g)}};
    result.exitCode = kExitDevice;
    if (kind == Failure::NoFile) {
        result.reasons << Say(kNoFile);
    } else if (g.mode == kGeneratorFile) {
        // The player says why a file cannot be played only in the device
        // log, which this program has no window for: its lines are the reason.
        result.reasons << Say(kCannotPlay).arg(g.userFileName) << devlog::Lines().mid(loggedBefore);
    } else {
        result.reasons << Say(kOutputStart).arg(failure.text);
    }
    return result;
}

QString GeneratorPlayFailed(const EngineFailure& failure) { return Say(kOutputFailed).arg(failure.text); }

} // namespace korvanta
