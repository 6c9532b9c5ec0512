#include "WaveOut.h"

#include "DeviceLog.h"

#include <algorithm>
#include <chrono>

namespace {
using Clock = std::chrono::steady_clock;
constexpr int kChunkFrames = 1024;
constexpr int kWaitMs = 20;
}

int WaveOut::Open(std::unique_ptr<WaveOut>& out, int device, const WaveFormat& format)
{
    std::unique_ptr<PlaybackSink> sink;
    const int rc = CurrentAudioBackend().openOutput(device, format, sink);
    if (rc != 0)
        return rc;
    out.reset(new WaveOut(std::move(sink), format));
    return 0;
}

int WaveOut::Query(int device, const WaveFormat& format)
{
    return CurrentAudioBackend().queryOutput(device, format);
}

WaveOut::WaveOut(std::unique_ptr<PlaybackSink> sink, const WaveFormat& format)
    : sink_(std::move(sink)), format_(format)
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
    sink_->setLoop(header.data, header.bufferLength);
    const int rc = sink_->start();
    if (rc != 0)
        return rc;
    header.flags.store((header.flags.load() & ~WHDR_DONE) | WHDR_INQUEUE, std::memory_order_release);
    header_ = &header;
    stop_.store(false, std::memory_order_release);
    thread_ = std::thread([this, h = &header] { run(h); });
    return 0;
}

int WaveOut::Reset()
{
    stop_.store(true, std::memory_order_release);
    joinThread();
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

void WaveOut::joinThread()
{
    if (thread_.joinable())
        thread_.join();
}

// Device thread: loop the buffer, never ahead of the wall clock by more than
// kLeadMs.
void WaveOut::run(WaveHeader* header)
{
    const int align = format_.blockAlign;
    const int total = static_cast<int>(header->bufferLength / align);
    const double rate = format_.samplesPerSec;
    const long long leadFrames = static_cast<long long>(rate * kLeadMs / 1000.0);
    const bool looping = header->flags.load() & WHDR_BEGINLOOP;
    const bool endless = looping && header->loops >= 2147483647u;
    long long loopsLeft = looping ? std::max<uint32_t>(1, header->loops) : 1;
    int pos = 0;
    bool timed = false;
    Clock::time_point base;
    long long sinceBase = 0;
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
        const int want = std::min(kChunkFrames, total - pos);
        const int n = sink_->write(header->data + static_cast<size_t>(pos) * align, want, kWaitMs);
        if (n < 0) {
            devlog::Append(QStringLiteral("waveOut: output device stopped (error %1)").arg(-n));
            break;
        }
        if (n < want) {
            // The device is full and keeps its own time: follow it.
            timed = false;
        }
        pos += n;
        sinceBase += n;
        written_.fetch_add(n, std::memory_order_acq_rel);
        if (pos >= total) {
            pos = 0;
            if (!endless && --loopsLeft <= 0)
                break;
        }
    }
    sink_->stop();
}
