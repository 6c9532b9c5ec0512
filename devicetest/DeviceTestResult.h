#pragma once
// What a device test found, as one plain value: the window shows it, the
// report writes it (HTML, PDF, JSON), the command checks its limits against
// it, and a comparison reads two of them. Every figure is a row with a stable
// id, so the writers and the comparison need not know what each one means.
// Plain values, no device, no widget.

#include <QString>
#include <cmath>
#include <optional>
#include <vector>

namespace korvanta {

// Where a figure was measured: in one channel, from one channel into the
// other (crosstalk), or between the two (channel match).
enum class DtChannel { Left, Right, LeftToRight, RightToLeft, Both };

// Stable figure ids, used as JSON keys and to pair figures in a comparison.
// Levels are dBFS relative to a full-scale sine; ratios are dB.
namespace dtid {
inline constexpr const char* ResponseLow = "response_low_db";    // deviation band below 1 kHz's level
inline constexpr const char* ResponseHigh = "response_high_db";  // deviation band above it
inline constexpr const char* Minus3Low = "minus3_low_hz";
inline constexpr const char* Minus3High = "minus3_high_hz";
inline constexpr const char* Noise = "noise_dbfs";
inline constexpr const char* NoiseA = "noise_a_dbfs";
inline constexpr const char* HumLevel = "hum_dbfs";               // largest spurious line
inline constexpr const char* HumFrequency = "hum_hz";
inline constexpr const char* DynamicRange = "dynamic_range_db";
inline constexpr const char* DynamicRangeA = "dynamic_range_a_db";
inline constexpr const char* ThdPercent = "thd_percent";
inline constexpr const char* ThdDb = "thd_db";
inline constexpr const char* ThdnPercent = "thdn_percent";
inline constexpr const char* ThdnDb = "thdn_db";
inline constexpr const char* Harmonic = "h";                       // "h2" … "h9", dB to the fundamental
inline constexpr const char* ImdSmpte = "imd_smpte_db";
inline constexpr const char* ImdCcifD2 = "imd_ccif_d2_db";
inline constexpr const char* ImdCcifD3 = "imd_ccif_d3_db";
inline constexpr const char* Crosstalk = "crosstalk_db_";          // + "100", "1000", "10000" (Hz)
inline constexpr const char* MatchGain = "match_gain_db_";         // + "1000", "10000"
inline constexpr const char* MatchPhase = "match_phase_deg_";      // + "1000", "10000"
inline constexpr const char* MaxLevel = "max_level_dbfs";         // at the output
inline constexpr const char* MaxLevelInput = "max_level_input_dbfs"; // the input's level there
inline constexpr const char* InputLevel = "input_level_dbfs_";     // + the step: the level it reached at the input
} // namespace dtid

// Why a figure was left out, or what to know about its value: the text in
// the run's language, and a code that stays the same in both, which a
// script reads instead of the words ("no_spurious_line", "only_zeros" ...).
struct DtNote {
    QString code;
    QString text;
};

struct DtFigure {
    QString id;                         // one of dtid, with its suffix
    DtChannel channel = DtChannel::Left;
    double value = NAN;                 // NaN: not measured, `note` says why
    QString unit;                       // "dBFS", "dB", "%", "Hz", "°"
    std::optional<double> volts;        // RMS volts, where the input is calibrated
    std::optional<double> reference;    // the card's own value from its self-test
    bool limitedByCard = false;         // within 3 dB of the card's own value
    QString note;                       // e.g. why it was left out, a hum flag
    QString noteCode;                   // the note's stable code; empty without a note

    bool Measured() const { return !std::isnan(value); }
};

// A small plot of the report: frequency response, noise spectrum, THD
// spectrum, IMD spectrum, crosstalk.
struct DtCurve {
    QString id;                          // "response", "noise", "thd", "imd", "crosstalk"
    DtChannel channel = DtChannel::Left;
    std::vector<double> x;               // Hz
    std::vector<double> y;               // dB or dBFS
};

// The longest note on the device under test, in characters, on one line:
// what the window's field takes and what the command's --note takes, so a
// report's header always fits its page.
inline constexpr int kDtNoteMaxLength = 150;

// A note as a report's header (and a settings line) holds it: line breaks
// as blanks, cut to kDtNoteMaxLength characters.
QString DtNoteLine(const QString& typed);

// What the figures depend on, written at the top of every report.
struct DtHeader {
    QString inputDevice;                 // ALSA names
    QString outputDevice;
    int rate = 0;                        // Hz
    int inputBits = 0;
    int outputBits = 0;
    bool inputFinerThanBits = false;     // the input delivered steps finer than inputBits (a float path)
    QString calibration;                 // "none" or the calibration used
    QString date;                        // ISO 8601
    QString programVersion;
    QString note;                        // the user's note on the device under test
    double bandLowHz = 20.0;             // the fixed measurement band
    double bandHighHz = 20000.0;
    double referenceLevelDbfs = -1.0;    // the THD and IMD level at the input
    bool selfTest = false;               // a plain cable: the card's own floor
    int inputVolumePercent = -1;         // the input's and the output's mixer volume, -1 where unknown
    int outputVolumePercent = -1;
};

struct DeviceTestResult {
    DtHeader header;
    std::vector<DtFigure> figures;
    std::vector<DtCurve> curves;
    bool complete = false;               // false: stopped or failed, never a finished report
    QString error;                       // why it ended early
};

// The channel as reports and JSON write it: "L", "R", "L>R", "R>L", "L-R".
QString DtChannelKey(DtChannel channel);
// The reverse; false for a key that is none of them.
bool DtChannelFromKey(const QString& key, DtChannel& channel);

} // namespace korvanta
