#include "platform/audio/virtual/VirtualCapture.h"

#include <algorithm>
#include <thread>

namespace korvanta {

VirtualCapture::VirtualCapture(VirtualCard& card, const WaveFormat& format, VirtualCard::Session session)
    : card_(card), format_(format), session_(session)
{
}

int VirtualCapture::start()
{
    started_ = std::chrono::steady_clock::now();
    delivered_ = 0;
    blockFrames_ = -1;
    // An input that takes nothing must not hold the output up.
    if (!listening_ && session_.fault != VirtualFault::Stall && session_.fault != VirtualFault::NoData) {
        card_.played().attachReader();
        listening_ = true;
    }
    return 0;
}

void VirtualCapture::stop()
{
    if (listening_)
        card_.played().detachReader();
    listening_ = false;
}

// How many frames real time allows now, waiting up to timeoutMs for some.
int VirtualCapture::framesDue(int wanted, int timeoutMs)
{
    if (session_.fast)
        return wanted;
    const double rate = format_.samplesPerSec;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        const long long due = static_cast<long long>(elapsed * rate) - delivered_;
        if (due > 0)
            return static_cast<int>(std::min<long long>(due, wanted));
        if (std::chrono::steady_clock::now() >= deadline)
            return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Whether the try of the block that starts now overruns: the C++ fault
// counts every try; the KORVANTA_DUT one overruns the first `code` tries of
// every block, or all of them.
bool VirtualCapture::nextTryOverruns()
{
    if (session_.fault == VirtualFault::Overrun) {
        if (session_.code != 0 && overruns_ >= session_.code)
            return false;
        ++overruns_;
        return true;
    }
    return card_.takeFault(VirtualFault::Overrun);
}

ReadResult VirtualCapture::read(uint8_t* dst, int frames, int timeoutMs)
{
    if (blockFrames_ < 0)
        blockFrames_ = frames; // the first read asks for the whole block
    if (!tryDecided_) {
        tryDecided_ = true;
        tryOverruns_ = nextTryOverruns();
    }
    switch (session_.fault) {
    case VirtualFault::NoData:
        return {0, kEndOfData};
    case VirtualFault::Stall:
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return {0, 0};
    default:
        break;
    }
    long long limit = frames;
    if (tryOverruns_) {
        const long long half = blockFrames_ / 2;
        if (tryFrames_ >= half) {
            // The samples the device lost: a splice across them would show.
            lost_.resize(static_cast<size_t>(blockFrames_ / 3 + 1) * format_.blockAlign);
            card_.render(lost_.data(), static_cast<int>(blockFrames_ / 3), format_,
                         std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs));
            tryFrames_ = 0;
            tryDecided_ = false; // the reader starts the block again
            return {0, kOverrun};
        }
        limit = std::min<long long>(limit, half - tryFrames_);
    }
    const bool breaksOff = session_.fault == VirtualFault::ShortBlock || session_.fault == VirtualFault::DeviceGone;
    if (breaksOff) {
        const long long half = blockFrames_ / 2;
        if (delivered_ >= half)
            return {0, session_.fault == VirtualFault::ShortBlock ? kEndOfData : WAVERR_DEVICE_GONE};
        limit = std::min<long long>(limit, half - delivered_);
    }
    int n = framesDue(static_cast<int>(limit), timeoutMs);
    if (n > 0) {
        // The output may still be writing what this read hears (in fast mode
        // always; in real time when its thread was held up): wait for it
        // rather than hear a gap.
        n = card_.render(dst, n, format_, std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs));
        delivered_ += n;
        tryFrames_ += n;
    }
    return {n, 0};
}

int VirtualCapture::close()
{
    stop();
    if (session_.fault == VirtualFault::CloseFails)
        return session_.code ? session_.code : MMSYSERR_ERROR;
    return 0;
}

} // namespace korvanta
