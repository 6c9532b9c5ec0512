#pragma once
// The sound card's own floor: a self-test with a plain cable, kept as the
// reference of that card and format, and the rule that marks a later run's
// figures the card itself limits.
//
// One file per card and format, in a folder beside the settings file, each
// in the device test's JSON: a corrupt or foreign file then costs only its
// own card's reference, storing one card never rewrites another's, and the
// user can see, copy or remove one card's reference by its file.

#include "devicetest/DeviceTestResult.h"

#include <QString>

namespace korvanta {

// What a card's reference belongs to: the ALSA names of both ends, the
// rate and both widths (the floor of a 16-bit input is not a 24-bit one's).
struct DtCardKey {
    QString input, output;
    int rate = 0;
    int inputBits = 0;
    int outputBits = 0;

    static DtCardKey Of(const DtHeader& header);
    bool operator==(const DtCardKey&) const = default;
};

// A figure is the card's own when it lies no more than this above the
// card's value (or below it, for a dynamic range).
inline constexpr double kCardLimitDb = 3.0;

// True for the figures the card can limit: noise, dynamic range, THD+N,
// IMD and crosstalk.
bool DtCardCanLimit(const QString& id);

// The 3 dB rule for one figure against the card's value: within
// kCardLimitDb of it, or better than the card (the card still sets the
// floor); the edge itself counts as limited. Percent figures are compared
// as 20·log10 of their ratio. False when either is not measured.
bool DtLimitedByCard(const QString& id, double value, double reference);

// Gives every figure of `run` its counterpart (same id and channel) from
// `reference` and sets limitedByCard by the rule above.
void DtApplyReference(DeviceTestResult& run, const DeviceTestResult& reference);

class DtReferenceStore {
public:
    // The folder beside the settings file.
    static QString DefaultFolder();

    explicit DtReferenceStore(QString folder = DefaultFolder());

    // The file that holds the reference of `key`.
    QString fileFor(const DtCardKey& key) const;

    enum class Load { Found, Missing, Corrupt };
    // Reads the reference of `key`. Corrupt: a file that cannot be read as
    // a complete self-test of that key; `error` says why and the file is
    // left as it is.
    Load load(const DtCardKey& key, DeviceTestResult& reference, QString& error, char letter) const;

    enum class Store { Stored, Kept, Refused, Failed };
    // Whether an existing reference may go: the window asks the user; the
    // command knows the answer from its command line and asks nobody.
    enum class Replace { Ask, Yes, No };
    // Stores a complete self-test as its card's reference. An existing
    // file, readable or not, is replaced only when the user answers Yes
    // (or `replace` says Yes); otherwise it stays (Kept). Refused: not a
    // complete self-test. `message` says what happened in every case but
    // Stored.
    Store store(const DeviceTestResult& selfTest, QString& message, char letter, Replace replace = Replace::Ask);

private:
    QString folder_;
};

} // namespace korvanta
