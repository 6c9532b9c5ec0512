#pragma once
// A device can keep answering a recording with an empty block and no error.
// A run that simply asks again would spin without end, drawing nothing and
// saying nothing. This watch notices when empty blocks alone have come for
// longer than a device may take to deliver one block, so the run can end
// with a message as it does for a device that stalls.

#include <cstdint>

namespace korvanta {

class EmptyBlockWatch {
public:
    // A block with data arrived, or a run starts: the count starts afresh.
    void reset() { since_ = -1; }

    // One more empty block at nowMs (a monotonic clock). True when empty
    // blocks alone have come for longer than limitMs.
    bool emptyBlock(int64_t nowMs, int64_t limitMs)
    {
        if (since_ < 0)
            since_ = nowMs;
        return nowMs - since_ > limitMs;
    }

private:
    int64_t since_ = -1;
};

// How long empty blocks may come before the device counts as delivering
// nothing: the block's own duration plus the margin a stall is given.
int64_t EmptyBlockLimitMs(int frames, int sampleRate);

} // namespace korvanta
