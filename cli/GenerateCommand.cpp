// generate: the generator's signal on the output for a given time or until
// SIGINT/SIGTERM, played by the generator window's engine with its rules
// (what can be played, output correction of a sine's level).

#include "cli/Commands.h"

#include "platform/DeviceLog.h"
#include "generator/GeneratorEngine.h"
#include "generator/GeneratorSection.h"
#include "cli/GeneratorStart.h"
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
const char* const kSignalNames[] = {"sine", "square", "white", "pink", "file"};
} // namespace

CommandResult RunGenerate(const MeasureOptions& o, MeasureSession& session)
{
    GeneratorSettings g = GeneratorRecordFor(o, session.Records().generator);
    GeneratorEngine engine(g, session.Records().outputCorrection);
    QEventLoop loop;
    std::optional<EngineFailure> failure;
    QObject::connect(&engine, &GeneratorEngine::failed, &loop, [&](const EngineFailure& f) {
        failure = f;
        loop.quit();
    });
    const qsizetype logged = devlog::Lines().size();
    if (engine.Start() != 0)
        return GeneratorStartFailed(g, failure.value_or(EngineFailure{}), logged);
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
        result.reasons << GeneratorPlayFailed(*failure);
        return result;
    }
    // The record holds the levels as played (the engine corrected them).
    GenerateRun run{QLatin1String(kSignalNames[std::clamp(g.mode, 0, 4)]), g.frequency, g.levelLeft, g.levelRight,
                    played.elapsed() / 1000.0, interrupted};
    result.report = ReportGenerate(run, CurrentContext(QStringLiteral("generate"), false, true), o.format);
    return result;
}

} // namespace korvanta
