#include "WaveOut.h"

#include "UserMessages.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
constexpr int kChunkFrames = 1024;
constexpr int kWaitMs = 20;
constexpr uint32_t kEndlessLoops = 2147483647u;

// A prepared buffer played `loops` times, or until reset when the count is
// the endless one.
class LoopBufferSource : public FrameSource {
public:
    LoopBufferSource(const WaveHeader& header, int align)
        : data_(header.data), align_(align), total_(static_cast<int>(header.bufferLength / align))
    {
        const bool looping = header.flags.load() & WHDR_BEGINLOOP;
        endless_ = looping && header.loops >= kEndlessLoops;
        loopsLeft_ = looping ? std::max<uint32_t>(1, header.loops) : 1;
    }

    int read(uint8_t* dst, int frames) override
    {
        int filled = 0;
        while (filled < frames && total_ > 0) {
            if (pos_ >= total_) {
                if (!endless_ && --loopsLeft_ <= 0)
                    break;
                pos_ = 0;
            }
            const int n = std::min(frames - filled, total_ - pos_);
            std::copy_n(data_ + static_cast<size_t>(pos_) * align_, static_cast<size_t>(n) * align_,
                        dst + static_cast<size_t>(filled) * align_);
            pos_ += n;
            filled += n;
        }
        return filled;
    }

private:
    const uint8_t* data_;
    int align_;
    int total_;
    int pos_ = 0;
    bool endless_ = false;
    long long loopsLeft_ = 1;
};

std::atomic<uint32_t> serials{0};
} // namespace

int WaveOut::Open(std::unique_ptr<WaveOut>& out, int device, const WaveFormat& format, QObject* notify)
{
    std::unique_ptr<PlaybackSink> sink;
    const int rc = CurrentAudioBackend().openOutput(device, format, sink);
    if (rc != 0)
        return rc;
    out.reset(new WaveOut(std::move(sink), format, notify));
    return 0;
}

int WaveOut::Query(int device, const WaveFormat& format)
{
    return CurrentAudioBackend().queryOutput(device, format);
}

WaveOut::WaveOut(std::unique_ptr<PlaybackSink> sink, const WaveFormat& format, QObject* notify)
    : sink_(std::move(sink)), format_(format), notify_(notify), serial_(++serials)
{
}

WaveOut::~WaveOut()
{
    stop_.store(true, std::memory_order_release);
    joinThread();
    if (!closed_)
        sink_->close();
}

int WaveOut::Pause()
{
    paused_.store(true, std::memory_order_release);
    return 0;
}

int WaveOut::Restart()
{
    paused_.store(false, std::memory_order_release);
    return 0;
}

int WaveOut::PrepareHeader(WaveHeader& header) { return PrepareWaveHeader(header, format_.blockAlign); }

int WaveOut::UnprepareHeader(WaveHeader& header) { return UnprepareWaveHeader(header); }

int WaveOut::Write(WaveHeader& header)
{
    if (closed_)
        return MMSYSERR_INVALHANDLE;
    if (!(header.flags.load() & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    if (thread_.joinable())
        return MMSYSERR_NOTSUPPORTED; // one looping buffer at a time
    const int rc = startThread(std::make_unique<LoopBufferSource>(header, format_.blockAlign));
    if (rc != 0)
        return rc;
    header.flags.store((header.flags.load() & ~WHDR_DONE) | WHDR_INQUEUE, std::memory_order_release);
    header_ = &header;
    return 0;
}

int WaveOut::Stream(std::unique_ptr<FrameSource> source)
{
    if (closed_)
        return MMSYSERR_INVALHANDLE;
    if (thread_.joinable())
        return MMSYSERR_NOTSUPPORTED;
    return startThread(std::move(source));
}

int WaveOut::startThread(std::unique_ptr<FrameSource> source)
{
    const int rc = sink_->start();
    if (rc != 0)
        return rc;
    source_ = std::move(source);
    stop_.store(false, std::memory_order_release);
    fault_.store(0, std::memory_order_release);
    thread_ = std::thread([this] { run(); });
    return 0;
}

int WaveOut::Reset()
{
    stop_.store(true, std::memory_order_release);
    joinThread();
    source_.reset();
    if (header_) {
        header_->flags.store((header_->flags.load() & ~WHDR_INQUEUE) | WHDR_DONE, std::memory_order_release);
        header_ = nullptr;
    }
    return 0;
}

int WaveOut::Close()
{
    if (closed_)
        return MMSYSERR_INVALHANDLE;
    Reset();
    closed_ = true;
    return sink_->close();
}

void WaveOut::SetNotify(QObject* notify)
{
    std::lock_guard lock(notifyMutex_);
    notify_ = notify;
}

void WaveOut::joinThread()
{
    if (thread_.joinable())
        thread_.join();
}

// Device thread: the fault is kept for fault() and announced to the
// notification object, which handles it on the GUI thread.
void WaveOut::announce(int code)
{
    fault_.store(code, std::memory_order_release);
    std::lock_guard lock(notifyMutex_);
    if (notify_)
        QCoreApplication::postEvent(notify_, new WaveOutFaultEvent(MM_WOM_FAULT, serial_, code));
}

// Device thread: move the source's frames to the sink, never ahead of the
// wall clock by more than kLeadMs.
void WaveOut::run()
{
    const size_t align = format_.blockAlign;
    const double rate = format_.samplesPerSec;
    const long long leadFrames = static_cast<long long>(rate * kLeadMs / 1000.0);
    std::vector<uint8_t> chunk(kChunkFrames * align);
    int have = 0; // frames in the chunk
    int at = 0;   // of which already written
    bool timed = false;
    Clock::time_point base;
    long long sinceBase = 0;
    int fault = 0;
    while (!stop_.load(std::memory_order_acquire)) {
        if (paused_.load(std::memory_order_acquire)) {
            timed = false;
            std::this_thread::sleep_for(std::chrono::milliseconds(kWaitMs / 4));
            continue;
        }
        if (!timed) {
            base = Clock::now();
            sinceBase = 0;
            timed = true;
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - base).count();
        if (sinceBase > static_cast<long long>(elapsed * rate) + leadFrames) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kWaitMs / 4));
            continue;
        }
        if (at == have) {
            const int n = source_->read(chunk.data(), kChunkFrames);
            if (n <= 0) {
                fault = -n; // 0: the source has ended normally
                break;
            }
            have = n;
            at = 0;
        }
        const int n = sink_->write(chunk.data() + at * align, have - at, kWaitMs);
        if (n < 0) {
            fault = -n;
            break;
        }
        if (n < have - at) {
            // The device is full and keeps its own time: follow it.
            timed = false;
        }
        at += n;
        sinceBase += n;
        written_.fetch_add(n, std::memory_order_acq_rel);
    }
    sink_->stop();
    if (fault != 0 && !stop_.load(std::memory_order_acquire))
        announce(fault);
}
