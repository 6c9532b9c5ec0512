#pragma once
// A sine or square computed frame by frame while it plays, for the widths
// whose loop buffer cannot hold whole periods (see PlaysContinuously). Read
// by the output's device thread only.

#include "platform/audio/AudioBackend.h"
#include "audio/LoopSynthesis.h"

namespace korvanta {

class ToneStream : public FrameSource {
public:
    // The signal of settings mode 0 or 1 at `frequency`, starting at phase
    // 0 as the loop buffer does; `scale` as for SynthesiseLoop.
    ToneStream(const GeneratorSettings& settings, double frequency, int sampleRate, int bits, double scale);

    int read(uint8_t* dst, int frames) override;

private:
    FrameShape shape_;
    double frequency_;
    double rate_;
    int bits_;
    // The phase as frequency x frames modulo the rate: adding the frequency
    // (a float's value) and taking the rate away keeps it an exact double
    // for ever, so the tone never drifts from the frequency asked for.
    double cycle_ = 0.0;
};

} // namespace korvanta
