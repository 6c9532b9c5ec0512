#include "cli/MeasureSession.h"

#include "analysis/AnalysisSettings.h"
#include "app/Audconst.h"
#include "platform/audio/AudioBackend.h"
#include "correction/CorrectionFile.h"
#include "correction/CorrectionTable.h"
#include "platform/audio/virtual/DutConfig.h"
#include "generator/GeneratorSection.h"
#include "platform/Installation.h"
#include "cli/MeasureOptions.h"
#include "platform/ModalQuestions.h"
#include "scope/OscilloscopeSettings.h"
#include "platform/ProfileStore.h"
#include "audio/Soundd3.h"
#include "generator/SweepSettings.h"
#include "audio/Tdummy.h"
#include "cli/ValueRanges.h"
#include "platform/audio/virtual/VirtualCard.h"
#include "analysis/WeightingCurves.h"
#include "platform/SharedRoutines.h"
#include "measure/samplemem.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace korvanta {

namespace {

// The program's warnings (a correction file that cannot be read) go to
// standard error; nothing waits for an answer.
void answerQuestionsOnStandardError()
{
    modal::SetHook([](const modal::Question& q) {
        if (q.type == modal::Type::Message)
            std::fprintf(stderr, "korvanta-measure: %s\n", qPrintable(q.text));
        modal::Answer a;
        a.button = modal::Ok;
        a.accepted = false;
        return a;
    });
}

// Runs `load` with the program's warnings collected instead of printed.
QStringList warningsOf(const std::function<void()>& load)
{
    QStringList warnings;
    modal::SetHook([&warnings](const modal::Question& q) {
        if (q.type == modal::Type::Message)
            warnings << q.text;
        modal::Answer a;
        a.button = modal::Ok;
        a.accepted = false;
        return a;
    });
    load();
    answerQuestionsOnStandardError();
    return warnings;
}

// A correction file is loaded only when it is switched on and there: the
// program's loader would create a missing one, and this program writes
// nothing. A file the loader refuses ends the command: measuring without
// the correction the settings switch on would give uncorrected numbers as
// corrected ones.
QString loadCorrection(CorrectionTable& table, const QString& name, bool active, const QString& which,
                       const QString& settingsPath)
{
    ClearCorrection(table);
    if (name.isEmpty() || !active)
        return {};
    if (!QFileInfo::exists(name)) {
        std::fprintf(stderr, "korvanta-measure: correction file %s is missing; measuring without it\n",
                     qPrintable(name));
        return {};
    }
    bool loaded = false;
    const QStringList warnings = warningsOf([&] { loaded = LoadCorrection(table, name); });
    if (!loaded)
        return QStringLiteral("the %1 correction file %2 named in %3 cannot be used: %4")
            .arg(which, name, settingsPath, warnings.join(QStringLiteral("; ")));
    table.active = true;
    return {};
}

// The program's own settings file. Installed, both programs share the
// folder and so the file; in a build tree the program lives in app/ beside
// this one's cli/, and its file is there.
QString programSettingsFile()
{
    QString programDir = ProgramDir();
    const QString built = QDir(programDir).filePath(QStringLiteral("../app/korvanta"));
    if (!ProgramIsInstalled() && QFileInfo(built).isExecutable())
        programDir = QFileInfo(built).absolutePath();
    return SettingsFilePathFor({}, programDir, qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath(),
                               ProgramIsInstalled());
}

} // namespace

MeasureSession::MeasureSession() { answerQuestionsOnStandardError(); }

MeasureSession::~MeasureSession()
{
    Close();
    modal::SetHook({});
}

QString MeasureSession::PrepareEnvironment(const MeasureOptions& o)
{
    // The program falls back to its virtual card when no sound device
    // answers; a script would then measure the simulation and pass. Here
    // the card is used only when it is asked for.
    if (o.virtualCard)
        qputenv("KORVANTA_AUDIO", "virtual");
    else if (qEnvironmentVariableIsEmpty("KORVANTA_AUDIO"))
        qputenv("KORVANTA_AUDIO", "alsa");
    if (o.dut) {
        const DutSpec spec = ParseDutSpec(*o.dut);
        if (!spec.errors.isEmpty())
            return spec.errors.join(QStringLiteral("; "));
        qputenv("KORVANTA_DUT", o.dut->toUtf8());
    }
    if (!o.settingsFile.isEmpty()) {
        const QFileInfo info(o.settingsFile);
        if (!info.isFile() || !info.isReadable())
            return QStringLiteral("--settings %1: no readable file").arg(o.settingsFile);
        qputenv("KORVANTA_SETTINGS", info.absoluteFilePath().toLocal8Bit());
    } else if (qEnvironmentVariableIsEmpty("KORVANTA_SETTINGS")) {
        qputenv("KORVANTA_SETTINGS", programSettingsFile().toLocal8Bit());
    }
    return {};
}

int MeasureSession::Open(const MeasureOptions& o, bool records, bool plays, QString& error)
{
    notify_ = new Tdummy;
    int inCount = 0, outCount = 0;
    DeviceReport(inCount, outCount, records_.analyzer.InFormats);
    if (const int e = SoundInit()) {
        error = QStringLiteral("the sound system cannot be started (%1)").arg(SoundErrorText(e));
        return kExitDevice;
    }
    open_ = true;
    settingsPath_ = SettingsFilePath();
    error = readSettings(o);
    if (!error.isEmpty())
        return kExitUsage;
    error = chooseDevices(o);
    if (error.isEmpty())
        error = lockDevices(records, plays);
    if (error.isEmpty())
        error = applyFormat(o, records, plays);
    return error.isEmpty() ? kExitPass : kExitDevice;
}

QString MeasureSession::readSettings(const MeasureOptions& o)
{
    ProfileStore store(settingsPath_);
    // The window starts with its defaults then; a script would measure
    // without the calibration and corrections it relies on.
    if (!store.load() && !store.readError().isEmpty())
        return QStringLiteral("the settings file %1 cannot be read: %2").arg(settingsPath_, store.readError());
    // The analysis section reloads a user weighting from its file, and the
    // loader would create a missing one: this program writes nothing.
    const QString userFile = store.value(QStringLiteral("ANALYSE"), QStringLiteral("USERFILE"), QString(), 1024);
    if (store.value(QStringLiteral("ANALYSE"), QStringLiteral("FILTER"), kWeightingNone) == kWeightingUser
        && !userFile.isEmpty() && !QFileInfo::exists(userFile))
        return QStringLiteral("the weighting file %1 named in %2 is missing").arg(userFile, settingsPath_);
    // The command's texts and defaults do not follow the system's language:
    // scripts read them.
    ReadMainSettings(store, SettingsRecords{main_, records_.analyzer, records_.sweep, records_.scope}, QString());
    for (const QString& line : ClampStoredValues(records_.sweep, o.command, o.given, settingsPath_))
        std::fprintf(stderr, "korvanta-measure: %s\n", qPrintable(line));
    SetInDevice(StoredDevice('I', main_.InDevName, main_.InDev));
    SetOutDevice(StoredDevice('O', main_.OutDevName, main_.OutDev));
    SetCurrentLanguage(main_.Language);
    SetMessageLanguage(main_.Language);
    // The loaders' reasons in the command's own language, whatever the
    // program's windows speak.
    SetCorLanguage('E');
    for (const QString& error :
         {loadCorrection(records_.inputCorrection, main_.InCoName, main_.InCoAkt, QStringLiteral("input"), settingsPath_),
          loadCorrection(records_.outputCorrection, main_.OutCoName, main_.OutCoAkt, QStringLiteral("output"), settingsPath_)})
        if (!error.isEmpty())
            return error;
    const QStringList weighting = warningsOf([this] { ReadAnalysisSection(records_.analysis, records_.weighting, settingsPath_); });
    if (!weighting.isEmpty())
        return QStringLiteral("the weighting file %1 named in %2 cannot be used: %3")
            .arg(userFile, settingsPath_, weighting.join(QStringLiteral("; ")));
    ReadGeneratorSection(records_.generator, settingsPath_);
    return {};
}

// Only devices another process could share: each process has a virtual
// card of its own.
QString MeasureSession::lockDevices(bool records, bool plays)
{
    if (&CurrentAudioBackend() == &VirtualCard::instance())
        return {};
    if (records)
        if (const QString e = locks_.acquire('I', DeviceId('I', GetInDevice()), DeviceName('I', GetInDevice()));
            !e.isEmpty())
            return e;
    if (plays)
        return locks_.acquire('O', DeviceId('O', GetOutDevice()), DeviceName('O', GetOutDevice()));
    return {};
}

QString MeasureSession::chooseDevices(const MeasureOptions& o)
{
    if (!o.input.isEmpty()) {
        const int slot = FindDevice('I', o.input);
        if (slot < 0)
            return QStringLiteral("no input device %1 (`korvanta-measure devices` lists them)").arg(o.input);
        SetInDevice(slot);
    }
    if (!o.output.isEmpty()) {
        const int slot = FindDevice('O', o.output);
        if (slot < 0)
            return QStringLiteral("no output device %1 (`korvanta-measure devices` lists them)").arg(o.output);
        SetOutDevice(slot);
    }
    return {};
}

QString MeasureSession::applyFormat(const MeasureOptions& o, bool records, bool plays)
{
    SetSampleRates(o.rate.value_or(0), o.rate.value_or(0));
    SetBits(o.width.value_or(0), o.width.value_or(0));
    int inRate = 0, outRate = 0, inBits = 0, outBits = 0;
    GetSampleRates(inRate, outRate);
    GetBits(inBits, outBits);
    auto refused = [](const char* what, const QString& name, int rate, int bits) {
        return QStringLiteral("the %1 device \"%2\" does not take %3 Hz at %4 bits")
            .arg(QLatin1String(what), name)
            .arg(rate)
            .arg(bits);
    };
    if (records && DeviceName('I', GetInDevice()).isEmpty())
        return QStringLiteral("there is no input device (--virtual measures on the virtual card)");
    if (plays && DeviceName('O', GetOutDevice()).isEmpty())
        return QStringLiteral("there is no output device (--virtual plays on the virtual card)");
    if (records && !FormatSupported(inRate, inBits, true))
        return refused("input", DeviceName('I', GetInDevice()), inRate, inBits);
    if (plays && !FormatSupported(outRate, outBits, false))
        return refused("output", DeviceName('O', GetOutDevice()), outRate, outBits);
    return {};
}

void MeasureSession::Close()
{
    if (open_) {
        StopPlay();
        StopUserWave();
        SoundDone(false);
        open_ = false;
    }
    // Only once nothing plays or records any more.
    locks_.release();
    delete notify_;
    notify_ = nullptr;
}

} // namespace korvanta
