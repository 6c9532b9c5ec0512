// generate: the generator's signal on the output for a given time or until
// SIGINT/SIGTERM, with the generator window's rules (output correction of a
// sine's level).

#include "cli/Commands.h"

#include "correction/CorrectionTable.h"
#include "platform/DeviceLog.h"
#include "generator/GeneratorControls.h"
#include "generator/GeneratorSection.h"
#include "cli/MeasureReport.h"
#include "cli/MeasureSession.h"
#include "audio/Soundd3.h"
#include "app/UnixSignals.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cmath>
#include <optional>

namespace korvanta {

namespace {

constexpr int kUserFile = 4;
const char* const kSignalNames[] = {"sine", "square", "white", "pink", "file"};

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
    if (g.mode == 0) {
        g.levelLeft = CorrectedLevel(OutputCorrection(), g.frequency, g.levelLeft);
        g.levelRight = CorrectedLevel(OutputCorrection(), g.frequency, g.levelRight);
    }
    return g;
}

// A sine or square at or above half the output rate would play an alias
// and be reported as the frequency asked for: refused, as a sweep plan
// above half the rate is.
std::optional<QString> unplayable(const GeneratorSettings& g)
{
    int in = 0, out = 0;
    GetSampleRates(in, out);
    if (PlayableFrequency(g.mode, g.frequency, out))
        return std::nullopt;
    return QStringLiteral("the frequency %1 Hz is not below half the sample rate (%2 Hz)")
        .arg(PointText(g.frequency))
        .arg(out / 2.0);
}

} // namespace

CommandResult RunGenerate(const MeasureOptions& o, MeasureSession& session)
{
    CommandResult result;
    const GeneratorSettings g = settingsFor(o, session.Records().generator);
    if (const auto why = unplayable(g))
        return {kExitUsage, {}, {*why}};
    QEventLoop loop;
    int fault = 0;
    auto onFault = [&](int code) {
        fault = code;
        loop.quit();
    };
    const QString file = o.waveFile.isEmpty() ? g.userFileName : o.waveFile;
    // The player says why a file cannot be played only in the device log,
    // which this program has no window for: its lines are the reason.
    const qsizetype logged = devlog::Lines().size();
    const int rc = g.mode == kUserFile ? PlayUserWave(file, onFault) : StartPlay(g, -1.0f, g.frequency, onFault);
    if (rc != 0) {
        result.exitCode = kExitDevice;
        if (g.mode == kUserFile)
            result.reasons << QStringLiteral("%1 cannot be played").arg(file) << devlog::Lines().mid(logged);
        else
            result.reasons << QStringLiteral("the output cannot start: %1").arg(SoundErrorText(rc));
        return result;
    }
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
    StopPlay();
    StopUserWave();
    if (fault != 0) {
        result.exitCode = kExitDevice;
        result.reasons << QStringLiteral("the output failed while playing: %1").arg(SoundErrorText(fault));
        return result;
    }
    GenerateRun run{QLatin1String(kSignalNames[std::clamp(g.mode, 0, 4)]), g.frequency, g.levelLeft, g.levelRight,
                    played.elapsed() / 1000.0, interrupted};
    result.report = ReportGenerate(run, CurrentContext(QStringLiteral("generate"), false, true), o.format);
    return result;
}

} // namespace korvanta
