#include "cli/MeasureSession.h"

#include "analysis/AnalysisSettings.h"
#include "app/Audconst.h"
#include "platform/audio/AudioBackend.h"
#include "correction/CorrectionFile.h"
#include "correction/CorrectionTable.h"
#include "platform/audio/virtual/DutConfig.h"
#include "generator/GeneratorSection.h"
#include "platform/Installation.h"
#include "cli/CommandLanguage.h"
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

constexpr Words kCorrectionMissing{"die Korrekturdatei %1 fehlt; es wird ohne sie gemessen",
                                   "correction file %1 is missing; measuring without it"};
constexpr Words kInputCorrection{"die Eingangskorrekturdatei %1 aus %2 ist nicht verwendbar: %3",
                                 "the input correction file %1 named in %2 cannot be used: %3"};
constexpr Words kOutputCorrection{"die Ausgangskorrekturdatei %1 aus %2 ist nicht verwendbar: %3",
                                  "the output correction file %1 named in %2 cannot be used: %3"};
constexpr Words kNoSettingsFile{"--settings %1: keine lesbare Datei", "--settings %1: no readable file"};
constexpr Words kSoundSystem{"das Soundsystem kann nicht starten (%1)", "the sound system cannot be started (%1)"};
constexpr Words kWeightingMissing{"die Bewertungsdatei %1 aus %2 fehlt", "the weighting file %1 named in %2 is missing"};
constexpr Words kWeightingRefused{"die Bewertungsdatei %1 aus %2 ist nicht verwendbar: %3",
                                  "the weighting file %1 named in %2 cannot be used: %3"};
constexpr Words kNoInput{"kein Eingangsgerät %1 (`korvanta-measure devices` listet sie auf)",
                         "no input device %1 (`korvanta-measure devices` lists them)"};
constexpr Words kNoOutput{"kein Ausgangsgerät %1 (`korvanta-measure devices` listet sie auf)",
                          "no output device %1 (`korvanta-measure devices` lists them)"};
constexpr Words kInputRefuses{"das Eingangsgerät \"%1\" nimmt %2 Hz bei %3 Bit nicht",
                              "the input device \"%1\" does not take %2 Hz at %3 bits"};
constexpr Words kOutputRefuses{"das Ausgangsgerät \"%1\" nimmt %2 Hz bei %3 Bit nicht",
                               "the output device \"%1\" does not take %2 Hz at %3 bits"};
constexpr Words kNoInputDevice{"es gibt kein Eingangsgerät (--virtual misst auf der virtuellen Karte)",
                               "there is no input device (--virtual measures on the virtual card)"};
constexpr Words kNoOutputDevice{"es gibt kein Ausgangsgerät (--virtual spielt auf der virtuellen Karte)",
                                "there is no output device (--virtual plays on the virtual card)"};

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
QString loadCorrection(CorrectionTable& table, const QString& name, bool active, const Words& refused,
                       const QString& settingsPath)
{
    ClearCorrection(table);
    if (name.isEmpty() || !active)
        return {};
    if (!QFileInfo::exists(name)) {
        std::fprintf(stderr, "korvanta-measure: %s\n", qPrintable(Say(kCorrectionMissing).arg(name)));
        return {};
    }
    bool loaded = false;
    const QStringList warnings = warningsOf([&] { loaded = LoadCorrection(table, name); });
    if (!loaded)
        return Say(refused).arg(name, settingsPath, warnings.join(QStringLiteral("; ")));
    table.active = true;
    return {};
}

} // namespace

// Installed, both programs share the folder and so the file; in a build
// tree the program lives in app/ beside this one's cli/, and its file is
// there.
QString MeasureSession::ProgramSettingsFile()
{
    QString programDir = ProgramDir();
    const QString built = QDir(programDir).filePath(QStringLiteral("../app/korvanta"));
    if (!ProgramIsInstalled() && QFileInfo(built).isExecutable())
        programDir = QFileInfo(built).absolutePath();
    return SettingsFilePathFor({}, programDir, qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath(),
                               ProgramIsInstalled());
}

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
            return Say(kNoSettingsFile).arg(o.settingsFile);
        qputenv("KORVANTA_SETTINGS", info.absoluteFilePath().toLocal8Bit());
    } else if (qEnvironmentVariableIsEmpty("KORVANTA_SETTINGS")) {
        qputenv("KORVANTA_SETTINGS", ProgramSettingsFile().toLocal8Bit());
    }
    return {};
}

int MeasureSession::Open(const MeasureOptions& o, bool records, bool plays, QString& error)
{
    notify_ = new Tdummy;
    int inCount = 0, outCount = 0;
    DeviceReport(inCount, outCount, records_.analyzer.InFormats);
    if (const int e = SoundInit()) {
        error = Say(kSoundSystem).arg(SoundErrorText(e));
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
        return Say(kWeightingMissing).arg(userFile, settingsPath_);
    // The defaults of keys the file lacks are the program's fixed ones, not
    // the system language's: a comment a script reads stays the same.
    ReadMainSettings(store, SettingsRecords{main_, records_.analyzer, records_.sweep, records_.scope}, QString());
    for (const QString& line : ClampStoredValues(records_.sweep, o.command, o.given, settingsPath_))
        std::fprintf(stderr, "korvanta-measure: %s\n", qPrintable(line));
    SetInDevice(StoredDevice('I', main_.InDevName, main_.InDev));
    SetOutDevice(StoredDevice('O', main_.OutDevName, main_.OutDev));
    // The language was chosen by the same file (or the locale) before the
    // options were read; the records speak it too.
    main_.Language = CommandLetter();
    for (const QString& error :
         {loadCorrection(records_.inputCorrection, main_.InCoName, main_.InCoAkt, kInputCorrection, settingsPath_),
          loadCorrection(records_.outputCorrection, main_.OutCoName, main_.OutCoAkt, kOutputCorrection, settingsPath_)})
        if (!error.isEmpty())
            return error;
    const QStringList weighting = warningsOf([this] { ReadAnalysisSection(records_.analysis, records_.weighting, settingsPath_); });
    if (!weighting.isEmpty())
        return Say(kWeightingRefused).arg(userFile, settingsPath_, weighting.join(QStringLiteral("; ")));
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
            return Say(kNoInput).arg(o.input);
        SetInDevice(slot);
    }
    if (!o.output.isEmpty()) {
        const int slot = FindDevice('O', o.output);
        if (slot < 0)
            return Say(kNoOutput).arg(o.output);
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
    auto refused = [](const Words& what, const QString& name, int rate, int bits) {
        return Say(what).arg(name).arg(rate).arg(bits);
    };
    if (records && DeviceName('I', GetInDevice()).isEmpty())
        return Say(kNoInputDevice);
    if (plays && DeviceName('O', GetOutDevice()).isEmpty())
        return Say(kNoOutputDevice);
    if (records && !FormatSupported(inRate, inBits, true))
        return refused(kInputRefuses, DeviceName('I', GetInDevice()), inRate, inBits);
    if (plays && !FormatSupported(outRate, outBits, false))
        return refused(kOutputRefuses, DeviceName('O', GetOutDevice()), outRate, outBits);
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
