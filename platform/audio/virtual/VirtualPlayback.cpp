#include "platform/audio/virtual/VirtualPlayback.h"

#include "platform/DeviceLog.h"

#include <thread>

namespace korvanta {

namespace {
// How long an output with an injected fault plays before the fault strikes.
constexpr auto kHealthy = std::chrono::milliseconds(100);
}

int VirtualPlayback::start()
{
    started_ = std::chrono::steady_clock::now();
    stall_ = StallWatch();
    session_ = card_.played().begin(static_cast<int>(format_.samplesPerSec), card_.fastNow());
    return 0;
}

// Device thread: the injected fault, once it has struck. A failed output
// plays nothing more, so its input hears nothing. A stall counts from the
// first write it refuses, before the input can hear the silence.
int VirtualPlayback::failing(int timeoutMs)
{
    const bool stalled = fault_ == VirtualFault::OutputStall && stall_.stalled(0);
    card_.played().end(session_);
    switch (fault_) {
    case VirtualFault::OutputGone:
        devlog::Append(QStringLiteral("virtual card: output disconnected while playing"));
        return -WAVERR_OUTPUT_GONE;
    case VirtualFault::OutputWriteFails:
        devlog::Append(QStringLiteral("virtual card: output refused a write"));
        return -WAVERR_OUTPUT_WRITE;
    default:
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        if (stalled) {
            devlog::Append(QStringLiteral("virtual card: output took no frame for %1 ms").arg(kOutputStallMs));
            return -WAVERR_OUTPUT_STALLED;
        }
        return 0;
    }
}

int VirtualPlayback::write(const uint8_t* src, int frames, int timeoutMs)
{
    if (fault_ != VirtualFault::None && std::chrono::steady_clock::now() - started_ >= kHealthy)
        return failing(timeoutMs);
    const int bits = format_.bitsPerSample;
    const int bytes = bits / 8;
    decoded_.resize(2 * static_cast<size_t>(frames));
    for (size_t i = 0; i < decoded_.size(); ++i)
        decoded_[i] = DecodeOutputSample(src + i * bytes, bits);
    return card_.played().write(session_, decoded_.data(), frames, timeoutMs);
}

void VirtualPlayback::stop() { card_.played().end(session_); }

int VirtualPlayback::close()
{
    card_.played().end(session_);
    return 0;
}

} // namespace korvanta
