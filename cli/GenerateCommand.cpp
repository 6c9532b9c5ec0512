// generate: the generator's signal on the output for a given time or until
// SIGINT/SIGTERM, played by the generator window's engine with its rules
// (what can be played, output correction of a sine's level).

#include "cli/Commands.h"

#include "platform/DeviceLog.h"
#include "generator/GeneratorEngine.h"
#include "generator/GeneratorSection.h"
#include "cli/MeasureReport.h"
#include "cli/MeasureSession.h"
#include "audio/Soundd3.h"
#include "app/UnixSignals.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <optional>

namespace korvanta {

namespace {

constexpr int kUserFile = 4;
const char* const kSignalNames[] = {"sine", "square", "white", "pink", "file"};

// The record the engine plays: the settings file's generator record with
// the options over it. The output correction is the engine's to apply.
GeneratorSettings settingsFor(const MeasureOptions& o, const GeneratorSettings& stored)
{
    GeneratorSettings g = stored;
    g.mode = o.signal.value_or(g.mode);
    if (o.frequency)
        g.frequency = static_cast<float>(*o.frequency);
    g.levelLeft = o.levelLeft.value_or(g.levelLeft);
    g.levelRight = o.levelRight.value_or(g.levelRight);
    g.phaseLeft = o.phaseLeft.value_or(g.phaseLeft);
    g.phaseRight = o.phaseRight.value_or(g.phaseRight);
    if (g.mode == kUserFile && !o.waveFile.isEmpty())
        g.userFileName = o.waveFile;
    return g;
}

// A sine or square at or above half the output rate would play an alias
// and be reported as the frequency asked for: the engine refuses it, as a
// sweep plan above half the rate is.
QString unplayable(const GeneratorSettings& g)
{
    int in = 0, out = 0;
    GetSampleRates(in, out);
    return QStringLiteral("the frequency %1 Hz is not below half the sample rate (%2 Hz)")
        .arg(PointText(g.frequency))
        .arg(out / 2.0);
}

// Why the engine could not start, as the command says it.
CommandResult startFailed(const GeneratorSettings& g, const EngineFailure& failure, qsizetype loggedBefore)
{
    using Failure = GeneratorEngine::Failure;
    CommandResult result;
    const auto kind = static_cast<Failure>(failure.kind);
    if (kind == Failure::Format)
        return {kExitUsage, {}, {unplayable(g)}};
    result.exitCode = kExitDevice;
    if (kind == Failure::NoFile) {
        result.reasons << QStringLiteral("no wave file is chosen: name one with --file");
    } else if (g.mode == kUserFile) {
        // The player says why a file cannot be played only in the device
        // log, which this program has no window for: its lines are the reason.
        result.reasons << QStringLiteral("%1 cannot be played").arg(g.userFileName)
                       << devlog::Lines().mid(loggedBefore);
    } else {
        result.reasons << QStringLiteral("the output cannot start: %1").arg(failure.text);
    }
    return result;
}

} // namespace

CommandResult RunGenerate(const MeasureOptions& o, MeasureSession& session)
{
    GeneratorSettings g = settingsFor(o, session.Records().generator);
    GeneratorEngine engine(g, session.Records().outputCorrection);
    QEventLoop loop;
    std::optional<EngineFailure> failure;
    QObject::connect(&engine, &GeneratorEngine::failed, &loop, [&](const EngineFailure& f) {
        failure = f;
        loop.quit();
    });
    const qsizetype logged = devlog::Lines().size();
    if (engine.Start() != 0)
        return startFailed(g, failure.value_or(EngineFailure{}), logged);
    TUnixSignals signalHandling;
    bool interrupted = false;
    QObject::connect(&signalHandling, &TUnixSignals::terminationRequested, [&] {
        interrupted = true;
        loop.quit();
    });
    if (o.duration)
        QTimer::singleShot(static_cast<int>(std::lround(*o.duration * 1000.0)), &loop, &QEventLoop::quit);
    QElapsedTimer played;
    played.start();
    loop.exec();
    engine.Stop();
    CommandResult result;
    if (failure) {
        result.exitCode = kExitDevice;
        result.reasons << QStringLiteral("the output failed while playing: %1").arg(failure->text);
        return result;
    }
    // The record holds the levels as played (the engine corrected them).
    GenerateRun run{QLatin1String(kSignalNames[std::clamp(g.mode, 0, 4)]), g.frequency, g.levelLeft, g.levelRight,
                    played.elapsed() / 1000.0, interrupted};
    result.report = ReportGenerate(run, CurrentContext(QStringLiteral("generate"), false, true), o.format);
    return result;
}

} // namespace korvanta
