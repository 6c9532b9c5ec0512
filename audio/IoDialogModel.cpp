#include "audio/IoDialogModel.h"

#include "audio/Soundd3.h"

namespace korvanta {

namespace {
int columnOf(int bits)
{
    for (int c = 0; c < kIoColumns; ++c)
        if (kIoBitColumns[c] == bits)
            return c;
    return -1;
}

bool validCell(int row, int column) { return row >= 0 && row < kIoRows && column >= 0 && column < kIoColumns; }
} // namespace

void IoDialogModel::Activate(bool inputDirection, const IoSlotValues& slot, bool loop, const IoFormatQuery& query)
{
    input = inputDirection;
    values = slot;
    loopMode = loop;
    for (int row = 0; row < kIoRows; ++row)
        for (int c = 0; c < kIoColumns; ++c)
            enabled[row][c] = query && query(RowRate(row), kIoBitColumns[c]);
    checkedRow = checkedColumn = -1;
    const int column = columnOf(values.bits);
    if (column < 0)
        return;
    for (int row = 0; row < kIoRows; ++row) {
        if (RowRate(row) == values.rate) {
            checkedRow = row;
            checkedColumn = column;
            return;
        }
    }
}

bool IoDialogModel::TypeUserRate(const QString& text, const IoFormatQuery& query)
{
    bool ok = false;
    const int rate = text.trimmed().toInt(&ok);
    // A rate of zero or below can never be a device's; it is not taken.
    if (!ok || rate <= 0)
        return false;
    values.userRate = rate;
    for (int c = 0; c < kIoColumns; ++c)
        enabled[kIoUserRow][c] = query && query(rate, kIoBitColumns[c]);
    if (checkedRow == kIoUserRow)
        checkedRow = checkedColumn = -1;
    return true;
}

bool IoDialogModel::Check(int row, int column)
{
    if (!validCell(row, column) || !enabled[row][column])
        return false;
    checkedRow = row;
    checkedColumn = column;
    return true;
}

int IoDialogModel::RowRate(int row) const
{
    return row >= 0 && row < kIoUserRow ? kIoFixedRates[row] : values.userRate;
}

IoSlotValues IoDialogModel::Result() const
{
    IoSlotValues r = values;
    if (validCell(checkedRow, checkedColumn)) {
        r.rate = RowRate(checkedRow);
        r.bits = kIoBitColumns[checkedColumn];
    }
    return r;
}

IoSlotValues CurrentIoSlot(bool input)
{
    IoSlotValues v;
    int inRate = 0, outRate = 0, inBits = 0, outBits = 0, inUser = 0, outUser = 0;
    bool inFlip = false, outFlip = false, inL = false, inR = false, outL = false, outR = false;
    GetSampleRates(inRate, outRate);
    GetBits(inBits, outBits);
    GetUserRates(inUser, outUser);
    GetFlip(inFlip, outFlip);
    GetInversePhase(inL, inR, outL, outR);
    v.rate = input ? inRate : outRate;
    v.bits = input ? inBits : outBits;
    v.userRate = input ? inUser : outUser;
    v.flip = input ? inFlip : outFlip;
    v.invPhaseL = input ? inL : outL;
    v.invPhaseR = input ? inR : outR;
    return v;
}

void StoreIoDialog(const IoDialogModel& model, bool* loopMode)
{
    const IoSlotValues r = model.Result();
    // The setters act on both directions; the other one gets its own values
    // back (and 0 for numbers, which leaves them alone).
    const IoSlotValues other = CurrentIoSlot(!model.input);
    if (model.input) {
        SetFlip(r.flip, other.flip);
        SetInversePhase(r.invPhaseL, r.invPhaseR, other.invPhaseL, other.invPhaseR);
        SetSampleRates(r.rate, 0);
        SetBits(r.bits, 0);
        SetUserRates(r.userRate, 0);
        return;
    }
    if (loopMode)
        *loopMode = model.loopMode;
    SetFlip(other.flip, r.flip);
    SetInversePhase(other.invPhaseL, other.invPhaseR, r.invPhaseL, r.invPhaseR);
    SetSampleRates(0, r.rate);
    SetBits(0, r.bits);
    SetUserRates(0, r.userRate);
}

} // namespace korvanta
