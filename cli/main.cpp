// korvanta-measure: Korvanta's measurements without a window, for scripts
// and test benches. Exit status: 0 pass, 1 a limit failed, 2 bad usage,
// 3 device error (and a device test's failed check or unfinished run); the
// reason goes to standard error.

#include "cli/CommandLanguage.h"
#include "cli/Commands.h"
#include "cli/MeasureOptions.h"
#include "cli/MeasureSession.h"
#include "cli/ResultFile.h"
#include "cli/StandardOutput.h"

#include "devicetest/DtReportFile.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>
#include <cstdio>
#include <memory>

using namespace korvanta;

namespace {

constexpr Words kTryHelp{"Hilfe: 'korvanta-measure --help'.", "Try 'korvanta-measure --help'."};
constexpr Words kNotWritten{"das Ergebnis konnte nicht nach %1 geschrieben werden", "cannot write %1"};
constexpr Words kStdoutNotWritten{"das Ergebnis konnte nicht auf die Standardausgabe geschrieben werden: %1",
                                  "the report could not be written to standard output: %1"};
constexpr Words kStdoutRefused{"das Ergebnis ginge auf die Standardausgabe, aber %1: --out FILE schreibt es in eine "
                               "Datei",
                               "the report would go to standard output, but %1: --out FILE writes it to a file"};

void printReasons(const QStringList& reasons)
{
    for (const QString& r : reasons)
        std::fprintf(stderr, "korvanta-measure: %s\n", qPrintable(r));
}

int usageError(const QString& error)
{
    printReasons({error});
    std::fprintf(stderr, "%s\n", qPrintable(Say(kTryHelp)));
    return kExitUsage;
}

// Standard error is for the command's own lines, which scripts read; Qt's
// notes on its environment (a runtime folder not set, fonts) are not
// among them. Whoever asks for Qt's logging by QT_LOGGING_RULES gets it.
void onlyQtFaults(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        printReasons({message});
}

// The report to standard output, or to --out FILE. False, with the reason
// said, when it could not be written.
bool writeReport(const QString& report, const QString& outFile)
{
    const QByteArray bytes = report.toUtf8();
    if (outFile.isEmpty()) {
        QString error;
        if (WriteStandardOutput(bytes, error))
            return true;
        printReasons({Say(kStdoutNotWritten).arg(error)});
        return false;
    }
    if (WriteResultFile(outFile, bytes))
        return true;
    printReasons({Say(kNotWritten).arg(outFile)});
    return false;
}

CommandResult run(const MeasureOptions& o)
{
    if (o.command == Command::Devices)
        return RunDevices(o);
    const bool records = o.command != Command::Generate;
    const bool plays = o.command == Command::Sweep || o.command == Command::Generate ||
                       o.command == Command::Distortion || o.command == Command::DeviceTest ||
                       o.command == Command::Ir || o.playFrequency.has_value();
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

// Where the report goes when --out names no file for it.
bool reportToStandardOutput(const MeasureOptions& o) { return o.outFile.isEmpty() || IrWaveOut(o); }

} // namespace

int main(int argc, char** argv)
{
    GuardStandardStreams();
    if (!qEnvironmentVariableIsSet("QT_LOGGING_RULES"))
        qInstallMessageHandler(onlyQtFaults);
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    UseCommandLanguage(
        CommandLanguageFor(SettingsFileNamed(args, MeasureSession::ProgramSettingsFile()), QLocale::system().name()));
    const ParsedCommandLine parsed = ParseMeasureArguments(args);
    if (!parsed.error.isEmpty())
        return usageError(parsed.error);
    const MeasureOptions& o = parsed.options;
    if (o.manual || o.help || o.version) {
        const QString text = o.manual ? MeasureManualPage()
                             : o.help ? MeasureHelp(o.command)
                                      : QStringLiteral("korvanta-measure %1\n").arg(QStringLiteral(KORVANTA_VERSION));
        return writeReport(text, {}) ? kExitPass : kExitUsage;
    }
    if (reportToStandardOutput(o))
        if (const QString closed = StandardOutputRefusal(); !closed.isEmpty())
            return usageError(Say(kStdoutRefused).arg(closed));
    if (const QString error = MeasureSession::PrepareEnvironment(o); !error.isEmpty())
        return usageError(error);
    if (!o.outFile.isEmpty())
        if (const QString error = CheckResultPath(o.outFile); !error.isEmpty())
            return usageError(QStringLiteral("--out ") + error);
    const CommandResult result = run(o);
    printReasons(result.reasons);
    // An impulse response's WAV file is written by its command; the report
    // then goes to standard output.
    const QString reportFile = reportToStandardOutput(o) ? QString() : o.outFile;
    // The result is lost, whatever it was: the reasons above still tell it.
    if (!result.report.isEmpty() && !writeReport(result.report, reportFile))
        return kExitUsage;
    return result.exitCode;
}
