#include "app/MainSettings.h"

#include "measure/FFtuli.h"
#include "app/IniValues.h"
#include "scope/OscilloscopeSettings.h"
#include "platform/ProfileStore.h"
#include "generator/SweepSettings.h"
#include "measure/samplemem.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace korvanta {

namespace {

constexpr int kCommentLength = 120;
// File names are read whole: a name cut short would make the correction
// loader create a stray file at the shortened path.
constexpr int kFileNameBuffer = 4096;
constexpr int kDeviceNameBuffer = 256;
constexpr float kPegFakOnError = 8.685889f;  // 20 / ln 10
constexpr int kMaxAverages = 9999;

class Reader {
public:
    Reader(const ProfileStore& store, const char* section) : store_(store), section_(QLatin1String(section)) {}

    QString text(const char* key, const char* def, int buffer = 154) const
    {
        return store_.value(section_, QLatin1String(key), QLatin1String(def), buffer);
    }
    std::optional<int32_t> integer(const char* key, const char* def) const { return ini::ParseInt(text(key, def)); }
    std::optional<double> real(const char* key, const char* def) const { return ini::ParseReal(text(key, def)); }
    bool flag(const char* key, const char* def) const { return ini::ParseBool(text(key, def)); }

private:
    const ProfileStore& store_;
    QString section_;
};

// The value, unless it is missing or equals the sentinel that means "unset".
template <typename T>
T unlessSentinel(std::optional<T> value, T sentinel, T fallback)
{
    return (!value || *value == sentinel) ? fallback : *value;
}

int32_t slotIndex(std::optional<int32_t> v) { return (v && *v >= 0 && *v <= 2) ? *v : 0; }

int32_t inRangeOr(std::optional<int32_t> v, int32_t lo, int32_t hi, int32_t fallback)
{
    return (v && *v >= lo && *v <= hi) ? *v : fallback;
}

int32_t positiveOr(std::optional<int32_t> v, int32_t fallback) { return (v && *v > 0) ? *v : fallback; }

void readMain(const ProfileStore& store, MainWindowSettings& m)
{
    const Reader r(store, "MAIN");
    m.ActivePageIndex = slotIndex(r.integer("PAGE", "0"));
    m.InDev = slotIndex(r.integer("INDEV", "0"));
    m.OutDev = slotIndex(r.integer("OUTDEV", "0"));
    m.InDevName = r.text("INDEVNAME", "", kDeviceNameBuffer);
    m.OutDevName = r.text("OUTDEVNAME", "", kDeviceNameBuffer);
    const QString language = r.text("SPRACHE", "D");
    m.Language = language.isEmpty() ? 'D' : language.at(0).toLatin1();
    m.InCoName = r.text("INCONAME", "", kFileNameBuffer);
    m.OutCoName = r.text("OUTCONAME", "", kFileNameBuffer);
    m.InCoAkt = r.flag("INCOAKT", "FALSE");
    m.OutCoAkt = r.flag("OUTCOAKT", "FALSE");
}

void readEich(const ProfileStore& store, AnalyzerState& a)
{
    const Reader r(store, "EICH");
    // A voltage of zero or below would turn every absolute level into -inf.
    const auto input = r.real("INPUT", "-1");
    a.CalInMv = (input && *input != -1.0 && *input > 0.0) ? float(*input) : kInitialCalInMv;
    const auto output = r.real("OUTPUT", "-1");
    a.CalOutMv = (output && *output != -1.0) ? float(*output) : kInitialCalOutMv;
    a.InLev4Cal = r.integer("InLev4Cal", "-1").value_or(-1);
}

void readVolume(const ProfileStore& store, MainWindowSettings& m, AnalyzerState& a)
{
    const Reader r(store, "VOLUME");
    m.FgVolume = std::clamp(unlessSentinel(r.integer("FGVOLUME", "-1"), -1, 20), 0, 100);
    m.FgInVolume = std::clamp(unlessSentinel(r.integer("FGINVOLUME", "-1"), -1, 100), 0, 100);
    // A missing key (or -1) means no channel was ever stored: the mixer's
    // line source is taken then. Other bad values give the first source.
    const auto channel = r.integer("AUDIOINCHANNEL", "-1");
    m.AudioInChannel = (channel && *channel == -1) ? -1 : positiveOr(channel, 0);
    a.PegFak = float(r.real("PEGFAK", "8.722").value_or(kPegFakOnError));
    a.PegOfs = float(r.real("PEGOFS", "12.6").value_or(kDefaultPegOfs));
}

void readFft(const ProfileStore& store, AnalyzerState& a)
{
    const Reader r(store, "FFT");
    a.Comment = r.text("COMMENT", "remark:").left(kCommentLength);
    // The window type indexes the nine window tables; any other number would
    // leave the window unmade and every bin at -192.
    a.FFTwin = inRangeOr(r.integer("WIN", "8"), 0, kWindowTypeCount - 1, 8);
    a.FFTpoints = unlessSentinel(r.integer("SAMPLES", "1024"), -1, 1024);
    const auto average = r.integer("AVERAGE", "1");
    const int64_t count = (!average || *average == -1) ? 1 : std::abs(int64_t(*average));
    // Zero averages would divide by zero and never show a spectrum.
    a.AverCount = int32_t(std::clamp<int64_t>(count, 1, kMaxAverages));
    a.DiaXMin = r.integer("DIAXMIN", "10").value_or(10);
    a.DiaXMax = r.integer("DIAXMAX", "24000").value_or(24000);
    a.DiaYMin = float(r.real("DIAYMIN", "-110").value_or(-100.0));
    a.DiaYMax = float(r.real("DIAYMAX", "0").value_or(0.0));
    // The unit indexes a four-entry table.
    a.LevelUnit = uint8_t(inRangeOr(r.integer("DBMODE", "0"), 0, 3, 0));
}

void readPlacement(const ProfileStore& store, MainWindowSettings& m)
{
    const Reader dia(store, "DIAGRAMM");
    m.DiaWidth = dia.integer("WIDTH", "450").value_or(450);
    m.DiaHeight = dia.integer("HEIGHT", "320").value_or(320);
    m.DiaLeft = dia.integer("LEFT", "0").value_or(0);
    m.DiaTop = dia.integer("TOP", "0").value_or(0);
    const Reader main(store, "MAIN");
    m.MainLeft = main.integer("LEFT", "200").value_or(200);
    m.MainTop = main.integer("TOP", "200").value_or(200);
}

void readWob(const ProfileStore& store, SweepSettings& w)
{
    const Reader r(store, "WOB");
    // A plan with no or negative frequencies or steps cannot be swept.
    w.fromFrequency = positiveOr(r.integer("FROM", "20"), kDefaultSweepFrom);
    w.toFrequency = positiveOr(r.integer("TO", "22000"), kDefaultSweepTo);
    w.steps = positiveOr(r.integer("STEPS", "50"), kDefaultSweepSteps);
    w.linear = r.text("METHODE", "LOG") != QLatin1String("LOG");
    w.phaseOn = r.flag("PHASE", "FALSE");
    w.comment = r.text("COMMENT", "remark:").left(kCommentLength);
    w.mode = r.integer("REFMESS", "0").value_or(0);
    w.levelMin = float(r.real("DIAYMIN", "-45").value_or(-45.0));
    w.levelMax = float(r.real("DIAYMAX", "5").value_or(5.0));
    w.phaseMin = float(r.real("PMIN", "-90").value_or(-90.0));
    w.phaseMax = float(r.real("PMAX", "90").value_or(90.0));
    w.digitalLevel = float(unlessSentinel(r.real("PEGDIG", "-1"), -1.0, 0.0));
    w.settleMs = unlessSentinel(r.integer("STARTMESS", "-1"), -1, kDefaultSettleMs);
}

void readOszi(const ProfileStore& store, OscilloscopeSettings& o)
{
    const Reader r(store, "OSZI");
    // The scale and timebase steps index fixed tables.
    o.voltsIndex1 = inRangeOr(r.integer("DIV1", "10"), 1, 14, 10);
    o.voltsIndex2 = inRangeOr(r.integer("DIV2", "10"), 1, 14, 10);
    o.timebaseIndex = inRangeOr(r.integer("TB", "5"), 1, 17, 5);
    o.ground1 = r.flag("GND1", "FALSE");
    o.ground2 = r.flag("GND2", "FALSE");
    o.triggerRising = r.flag("TRIPOS", "TRUE");
    o.triggerOnChannel1 = r.flag("TRICH1", "TRUE");
    // Unreadable positions keep the value the record already has.
    if (const auto y1 = r.real("yposCh1", "6.02"))
        o.yPosition1 = float(*y1);
    if (const auto y2 = r.real("yposCh2", "2.0"))
        o.yPosition2 = float(*y2);
    o.sampleRate = positiveOr(r.integer("SAMPLEF", "44100"), 44100);
    o.frameLength = positiveOr(r.integer("OMESSW", "1024"), 1024);
    o.windowWidth = r.integer("WIDTH", "260").value_or(260);
    o.windowHeight = r.integer("HEIGHT", "-1").value_or(kUnsetPlacement);
    o.windowLeft = r.integer("LEFT", "-1").value_or(kUnsetPlacement);
    o.windowTop = r.integer("TOP", "-1").value_or(kUnsetPlacement);
}

class Writer {
public:
    Writer(ProfileStore& store, const char* section) : store_(store), section_(QLatin1String(section)) {}
    void text(const char* key, const QString& value) { store_.setValue(section_, QLatin1String(key), value); }
    void integer(const char* key, int64_t value) { text(key, QString::number(value)); }
    // A value that is not a finite number (a computation gone wrong) is not
    // written: the next start could not read it, and the file keeps the
    // last good one.
    void real(const char* key, double value, int decimals)
    {
        if (std::isfinite(value))
            text(key, ini::FormatReal(value, decimals));
    }
    void flag(const char* key, bool value) { text(key, ini::FormatBool(value)); }

private:
    ProfileStore& store_;
    QString section_;
};

void writeMain(ProfileStore& store, const MainWindowSettings& m)
{
    Writer w(store, "MAIN");
    w.integer("PAGE", m.ActivePageIndex);
    w.integer("INDEV", m.InDev);
    w.integer("OUTDEV", m.OutDev);
    w.text("INDEVNAME", m.InDevName);
    w.text("OUTDEVNAME", m.OutDevName);
    w.text("SPRACHE", QString(QLatin1Char(m.Language)));
    w.text("INCONAME", m.InCoName);
    w.text("OUTCONAME", m.OutCoName);
    w.flag("INCOAKT", m.InCoAkt);
    w.flag("OUTCOAKT", m.OutCoAkt);
}

void writeEichAndVolume(ProfileStore& store, const MainWindowSettings& m, const AnalyzerState& a)
{
    Writer eich(store, "EICH");
    eich.real("INPUT", a.CalInMv, 1);
    eich.real("OUTPUT", a.CalOutMv, 1);
    eich.integer("InLev4Cal", a.InLev4Cal);
    Writer volume(store, "VOLUME");
    volume.integer("FGVOLUME", m.FgVolume);
    volume.integer("FGINVOLUME", m.FgInVolume);
    volume.real("PEGFAK", a.PegFak, 4);
    volume.real("PEGOFS", a.PegOfs, 4);
    volume.integer("AUDIOINCHANNEL", m.AudioInChannel);
}

void writeFft(ProfileStore& store, const AnalyzerState& a)
{
    Writer w(store, "FFT");
    w.integer("WIN", a.FFTwin);
    w.integer("SAMPLES", a.FFTpoints);
    w.integer("AVERAGE", a.AverCount);
    w.text("COMMENT", a.Comment.left(kCommentLength));
    w.real("DIAYMIN", a.DiaYMin, 0);
    w.real("DIAYMAX", a.DiaYMax, 0);
    w.integer("DBMODE", a.LevelUnit);
    w.integer("DIAXMIN", a.DiaXMin);
    w.integer("DIAXMAX", a.DiaXMax);
}

void writeWob(ProfileStore& store, const SweepSettings& s)
{
    Writer w(store, "WOB");
    w.integer("FROM", s.fromFrequency);
    w.integer("TO", s.toFrequency);
    w.integer("STEPS", s.steps);
    w.text("METHODE", s.linear ? QStringLiteral("LIN") : QStringLiteral("LOG"));
    w.flag("PHASE", s.phaseOn);
    w.integer("REFMESS", s.mode);
    w.text("COMMENT", s.comment.left(kCommentLength));
    w.real("DIAYMIN", s.levelMin, 0);
    w.real("DIAYMAX", s.levelMax, 0);
    w.real("PMIN", s.phaseMin, 0);
    w.real("PMAX", s.phaseMax, 0);
    w.real("PEGDIG", s.digitalLevel, 1);
    w.integer("STARTMESS", s.settleMs);
}

void writeOszi(ProfileStore& store, const OscilloscopeSettings& o)
{
    Writer w(store, "OSZI");
    w.integer("DIV1", o.voltsIndex1);
    w.integer("DIV2", o.voltsIndex2);
    w.integer("TB", o.timebaseIndex);
    w.flag("GND1", o.ground1);
    w.flag("GND2", o.ground2);
    w.flag("TRIPOS", o.triggerRising);
    w.flag("TRICH1", o.triggerOnChannel1);
    w.real("yposCh1", o.yPosition1, 3);
    w.real("yposCh2", o.yPosition2, 3);
    w.integer("SAMPLEF", o.sampleRate);
    w.integer("OMESSW", o.frameLength);
    w.integer("WIDTH", o.windowWidth);
    w.integer("HEIGHT", o.windowHeight);
    w.integer("LEFT", o.windowLeft);
    w.integer("TOP", o.windowTop);
}

void writePlacement(ProfileStore& store, const MainWindowSettings& m)
{
    Writer dia(store, "DIAGRAMM");
    dia.integer("WIDTH", m.DiaWidth);
    dia.integer("HEIGHT", m.DiaHeight);
    dia.integer("LEFT", m.DiaLeft);
    dia.integer("TOP", m.DiaTop);
    Writer main(store, "MAIN");
    main.integer("LEFT", m.MainLeft);
    main.integer("TOP", m.MainTop);
}

} // namespace

void ReadMainSettings(const ProfileStore& store, const SettingsRecords& records)
{
    readMain(store, records.main);
    readEich(store, records.analyzer);
    readVolume(store, records.main, records.analyzer);
    readFft(store, records.analyzer);
    readPlacement(store, records.main);
    readWob(store, records.sweep);
    readOszi(store, records.scope);
}

void WriteMainSettings(ProfileStore& store, const SettingsRecords& records)
{
    writeMain(store, records.main);
    writeEichAndVolume(store, records.main, records.analyzer);
    writeFft(store, records.analyzer);
    writeWob(store, records.sweep);
    writeOszi(store, records.scope);
    writePlacement(store, records.main);
}

} // namespace korvanta
