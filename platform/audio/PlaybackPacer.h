#pragma once

namespace korvanta {

// Decides when a playing output gets its next frames, and how many.
//
// A device with a clock of its own sets the pace: its buffer is kept full to
// within one period, measured by the frames it still holds (its fill). The
// wall clock plays no part then, so a device clock a few hundred ppm away
// from the system's neither runs dry nor overflows, however long it plays.
//
// A device without a clock (ALSA's null device behind a file PCM) takes any
// amount at once; it is held to the wall clock instead, never more than
// kLeadMs ahead. Such a device is recognised by what it does: it has played
// more than real time allows (plus one period, which a real device may take
// at once when it starts). A sink that cannot tell its fill at all is paced
// by the wall clock from the start.
//
// Plain arithmetic on the times and fills it is given: no clock is read
// here, so a test can drive it through an hour of simulated playback.

class PlaybackPacer {
public:
    static constexpr int kLeadMs = 200;
    // Longest sleep between two looks at the device.
    static constexpr int kMaxWaitMs = 20;
    // The fill of a sink that cannot tell it.
    static constexpr long long kUnknownFill = -1;

    struct Step {
        long long frames = 0; // write this many now (0: wait)
        int waitMs = 0;       // else look again after this long
    };

    // rate in frames per second; capacity and period of the device's buffer
    // in frames (a sink that cannot tell its fill gives 0 for both).
    PlaybackPacer(double rate, long long capacity, long long period);

    // What to do at wall time `now` (seconds since playback began) when the
    // device holds `fill` frames not yet played (kUnknownFill: cannot tell).
    Step next(double now, long long fill);
    // The frames just written.
    void wrote(long long frames) { written_ += frames; }
    // The device refused more although the pacer allowed it: it is full
    // and keeps its own time, so the wall clock starts again from here.
    void deviceFull(double now);

    // Whether the device's fill sets the pace (false: the wall clock does).
    bool followsDevice() const { return followsDevice_; }
    long long written() const { return written_; }

private:
    Step byDevice(double now, long long fill);
    Step byWallClock(double now);

    double rate_;
    long long capacity_;
    long long period_;
    long long written_ = 0;
    bool followsDevice_ = true;
    double wallBase_ = 0;          // wall time from which the wall clock paces
    long long writtenAtBase_ = 0;  // frames written by then
};

} // namespace korvanta
