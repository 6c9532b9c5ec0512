#pragma once
// A sweep step's output as one uninterrupted one-shot: silence while the
// device settles and until the step's stretch has begun to deliver, then
// the sweep once, its first frame marked in that stretch. Started as its
// own one-shot only once the stretch runs, the sweep would follow a restart
// of the output, and an input that runs as fast as it is read (the virtual
// card in its fast mode) would race through the silence between the two and
// past the end of its stretch; here the output never stops, so the input
// stays paced by it, and the sweep begins at the output's first read after
// the input's first frames, a chunk or two from the mark.

#include "audio/PlayPath.h"
#include "audio/StretchRecorder.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace korvanta {

class DtSweepSource {
public:
    // `sweep`: the frames to play once; `silentFrame`: one frame of digital
    // zero in the output's format (not all zero bytes at 8 bits).
    DtSweepSource(std::vector<uint8_t> sweep, std::vector<uint8_t> silentFrame);

    // GUI thread: the stretch the sweep is to lie in has started.
    void Arm(std::shared_ptr<StretchClock> clock);

    // For PlayPath::playOnce (without a clock of its own: this marks).
    FrameCallback Callback() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace korvanta
