// korvanta-measure: Korvanta's measurements without a window, for scripts
// and test benches. Exit status: 0 pass, 1 a limit failed, 2 bad usage,
// 3 device error (and a device test's failed check or unfinished run); the
// reason goes to standard error.

#include "cli/Commands.h"
#include "cli/MeasureOptions.h"
#include "cli/MeasureSession.h"
#include "cli/ResultFile.h"

#include "devicetest/DtReportFile.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <memory>

using namespace korvanta;

namespace {

void printReasons(const QStringList& reasons)
{
    for (const QString& r : reasons)
        std::fprintf(stderr, "korvanta-measure: %s\n", qPrintable(r));
}

int usageError(const QString& error)
{
    printReasons({error});
    std::fputs("Try 'korvanta-measure --help'.\n", stderr);
    return kExitUsage;
}

// The report to standard output, or to --out FILE.
bool writeReport(const QString& report, const QString& outFile)
{
    const QByteArray bytes = report.toUtf8();
    if (outFile.isEmpty()) {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        return std::fflush(stdout) == 0;
    }
    return WriteResultFile(outFile, bytes);
}

CommandResult run(const MeasureOptions& o)
{
    if (o.command == Command::Devices)
        return RunDevices(o);
    const bool records = o.command != Command::Generate;
    const bool plays = o.command == Command::Sweep || o.command == Command::Generate ||
                       o.command == Command::Distortion || o.command == Command::DeviceTest || o.command == Command::Ir;
    MeasureSession session;
    QString error;
    if (const int code = session.Open(o, records, plays, error); code != kExitPass)
        return {code, {}, {error}};
    switch (o.command) {
    case Command::Sweep: return RunSweep(o, session);
    case Command::Generate: return RunGenerate(o, session);
    case Command::Distortion: return RunDistortion(o, session);
    case Command::DeviceTest: return RunDeviceTest(o, session);
    case Command::Ir: return RunIr(o, session);
    default: return RunAnalyzer(o, session);
    }
}

// A device test's page and PDF draw text, which needs Qt's font system, so
// a QGuiApplication; on the offscreen platform, since the command never
// shows a window and may run where there is no display.
bool drawsReport(const MeasureOptions& o)
{
    const DtReportFormat f = DtReportFormatOf(o.outFile);
    return o.command == Command::DeviceTest && (f == DtReportFormat::Html || f == DtReportFormat::Pdf);
}

std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (!drawsReport(ParseMeasureArguments(args).options))
        return std::make_unique<QCoreApplication>(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char** argv)
{
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    const ParsedCommandLine parsed = ParseMeasureArguments(QCoreApplication::arguments().mid(1));
    if (!parsed.error.isEmpty())
        return usageError(parsed.error);
    const MeasureOptions& o = parsed.options;
    if (o.manual || o.help || o.version) {
        const QString text = o.manual ? MeasureManualPage()
                             : o.help ? MeasureHelp(o.command)
                                      : QStringLiteral("korvanta-measure %1\n").arg(QStringLiteral(KORVANTA_VERSION));
        writeReport(text, {});
        return kExitPass;
    }
    if (const QString error = MeasureSession::PrepareEnvironment(o); !error.isEmpty())
        return usageError(error);
    if (!o.outFile.isEmpty())
        if (const QString error = CheckResultPath(o.outFile); !error.isEmpty())
            return usageError(QStringLiteral("--out ") + error);
    const CommandResult result = run(o);
    printReasons(result.reasons);
    // An impulse response's WAV file is written by its command; the report
    // then goes to standard output.
    const QString reportFile = IrWaveOut(o) ? QString() : o.outFile;
    // The result is lost, whatever it was: the reasons above still tell it.
    if (!result.report.isEmpty() && !writeReport(result.report, reportFile)) {
        printReasons({QStringLiteral("cannot write %1").arg(reportFile.isEmpty() ? QStringLiteral("the output") : reportFile)});
        return kExitUsage;
    }
    return result.exitCode;
}
