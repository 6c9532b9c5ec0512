#pragma once
// A sweep played once inside a recording, as one uninterrupted one-shot:
// silence until the stretch it is to lie in has begun to deliver, then the
// sweep once, its first frame marked on that stretch's clock. Started as a
// one-shot of its own only once the stretch runs, the sweep would follow a
// restart of the output, and an input that runs as fast as it is read (the
// virtual card in its fast mode) would race through the silence between
// the two and past the end of its stretch; here the output never stops, so
// the input stays paced by it, and the sweep begins at the output's first
// read after the input's first frames, a chunk or two from the mark.

#include "audio/PlayPath.h"
#include "audio/StretchRecorder.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace korvanta {

// One stereo frame of digital zero in `bits` (not all zero bytes at 8 bits).
std::vector<uint8_t> SilentFrame(int bits);

// How a MarkedOneShot hands over its silence.
struct OneShotPacing {
    // Silence is handed over in reads of at most this many frames (0:
    // as many as asked), so the sweep begins soon after the input has
    // delivered, not after a long stretch the output took in one piece.
    int silentReadFrames = 0;
    // Until armed the output waits up to this long per read (0: not at
    // all): where the stretch is started right after the output, a card
    // that runs as fast as its input asks would otherwise race through
    // the recording on silence while the GUI thread is held up between
    // the two starts.
    int armWaitMs = 0;
};

class MarkedOneShot {
public:
    // `sweep`: the frames to play once; `silentFrame`: SilentFrame(bits).
    MarkedOneShot(std::vector<uint8_t> sweep, std::vector<uint8_t> silentFrame, OneShotPacing pacing = {});

    // GUI thread: the stretch the sweep is to lie in has started.
    void Arm(std::shared_ptr<StretchClock> clock);
    // GUI thread: the stretch will never start; the output waits no more.
    void GiveUp();

    // For PlayPath::playOnce (without a clock of its own: this marks).
    FrameCallback Callback() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace korvanta
