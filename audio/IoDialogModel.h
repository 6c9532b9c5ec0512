#pragma once
// What the in/out parameter dialog shows and what its OK stores, without any
// widget: which rate/width buttons the device allows, which one is checked,
// the "User" rate typed beside them, and the channel order and polarity
// boxes. The form (TIOdialog) mirrors this record and calls its operations.

#include <QString>
#include <array>
#include <functional>

namespace korvanta {

// The fixed rates of the dialog's rows; a last row holds the user rate.
inline constexpr std::array<int, 7> kIoFixedRates = {8000, 11025, 22050, 32000, 44100, 48000, 96000};
// Sample widths of the three columns ("8", "16", "24").
inline constexpr std::array<int, 3> kIoBitColumns = {8, 16, 24};
inline constexpr int kIoUserRow = static_cast<int>(kIoFixedRates.size());
inline constexpr int kIoRows = kIoUserRow + 1;
inline constexpr int kIoColumns = static_cast<int>(kIoBitColumns.size());

// Whether the device of the dialog's direction takes 2-channel PCM at this
// rate and width (FormatSupported of the audio layer, or a test's own).
using IoFormatQuery = std::function<bool(int rate, int bits)>;

// The values of one device slot that the dialog edits.
struct IoSlotValues {
    int rate = 44100;
    int bits = 16;          // 8, 16 or 24
    int userRate = 55200;
    bool flip = false;
    bool invPhaseL = false;
    bool invPhaseR = false;
};

struct IoDialogModel {
    bool input = true;      // direction: input, or output
    IoSlotValues values;    // chosen rate and bits, user rate, boxes
    bool loopMode = true;   // the generator's loop flag (output only)
    std::array<std::array<bool, kIoColumns>, kIoRows> enabled{};
    int checkedRow = -1;    // -1: no button checked
    int checkedColumn = -1;

    // Fills the record from a slot: every button enabled by `query`, the one
    // matching the slot's rate and width checked (a fixed row before the
    // "User" row; none when the rate is neither).
    void Activate(bool inputDirection, const IoSlotValues& slot, bool loop, const IoFormatQuery& query);

    // Text typed into the "User" field. A positive whole number becomes the
    // user rate, the "User" row is enabled by `query` for it and unchecked;
    // other text changes nothing. Returns whether the text was taken.
    bool TypeUserRate(const QString& text, const IoFormatQuery& query);

    // The user checks a button; a disabled or unknown one is refused.
    bool Check(int row, int column);

    // Rate of a row: a fixed rate, or the user rate for the "User" row.
    int RowRate(int row) const;

    // OK: the checked button gives chosen rate and width (the "User" row the
    // user rate); with none checked the values from activation stay.
    IoSlotValues Result() const;
};

// The current slot of a direction in the audio layer.
IoSlotValues CurrentIoSlot(bool input);
// OK of the dialog: stores the result in the current slot of the model's
// direction (24 bits as 32-bit containers) and, in output direction, the
// loop flag in *loopMode when given. The other direction keeps its values.
void StoreIoDialog(const IoDialogModel& model, bool* loopMode);

} // namespace korvanta
