#include "platform/audio/WaveOut.h"

#include "platform/DeviceLog.h"
#include "platform/audio/PlaybackPacer.h"
#include "platform/UserMessages.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

namespace korvanta {

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
std::atomic<uint32_t> changes{0};

void noteChange() { changes.fetch_add(1, std::memory_order_acq_rel); }
} // namespace

uint32_t WaveOut::Changes() { return changes.load(std::memory_order_acquire); }

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
    : serial_(++serials)
{
    play_->sink = std::move(sink);
    play_->format = format;
    play_->notify = notify;
    play_->serial = serial_;
}

WaveOut::~WaveOut()
{
    play_->stop.store(true, std::memory_order_release);
    endThread();
    if (!closed_ && !abandoned_) {
        int rc = 0;
        RunBounded([sink = play_->sink] { return sink->close(); }, rc);
    }
}

int WaveOut::Pause()
{
    play_->paused.store(true, std::memory_order_release);
    return 0;
}

int WaveOut::Restart()
{
    play_->paused.store(false, std::memory_order_release);
    return 0;
}

int WaveOut::PrepareHeader(WaveHeader& header) { return PrepareWaveHeader(header, play_->format.blockAlign); }

int WaveOut::UnprepareHeader(WaveHeader& header) { return UnprepareWaveHeader(header); }

int WaveOut::Write(WaveHeader& header)
{
    if (closed_ || abandoned_)
        return MMSYSERR_INVALHANDLE;
    if (!(header.flags.load() & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    if (thread_.active())
        return MMSYSERR_NOTSUPPORTED; // one looping buffer at a time
    const int rc = startThread(std::make_unique<LoopBufferSource>(header, play_->format.blockAlign));
    if (rc != 0)
        return rc;
    header.flags.store((header.flags.load() & ~WHDR_DONE) | WHDR_INQUEUE, std::memory_order_release);
    header_ = &header;
    return 0;
}

int WaveOut::Stream(std::unique_ptr<FrameSource> source)
{
    if (closed_ || abandoned_)
        return MMSYSERR_INVALHANDLE;
    if (thread_.active())
        return MMSYSERR_NOTSUPPORTED;
    return startThread(std::move(source));
}

int WaveOut::startThread(std::unique_ptr<FrameSource> source)
{
    const int rc = play_->sink->start();
    if (rc != 0)
        return rc;
    play_->source = std::move(source);
    play_->stop.store(false, std::memory_order_release);
    play_->fault.store(0, std::memory_order_release);
    noteChange();
    thread_.start([play = play_] { run(*play); });
    return 0;
}

int WaveOut::Reset()
{
    if (thread_.active())
        noteChange();
    play_->stop.store(true, std::memory_order_release);
    endThread();
    if (!abandoned_)
        play_->source.reset();
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
    if (abandoned_)
        return 0;
    int rc = 0;
    if (!RunBounded([sink = play_->sink] { return sink->close(); }, rc)) {
        devlog::Append(QStringLiteral("Output device did not close within %1 ms: left to close by itself")
                           .arg(DeviceThread::kAbandonMs));
        abandoned_ = true;
    }
    return rc;
}

void WaveOut::SetNotify(QObject* notify)
{
    std::lock_guard lock(play_->notifyMutex);
    play_->notify = notify;
}

// A device thread that does not end in time is left running; it holds the
// sink, which closes when the thread is done with it.
void WaveOut::endThread()
{
    const int ms = play_->fault.load(std::memory_order_acquire) ? DeviceThread::kAfterFaultMs
                                                                : DeviceThread::kAbandonMs;
    if (thread_.finish(ms) || abandoned_)
        return;
    abandoned_ = true;
    devlog::Append(QStringLiteral("Output device did not stop within %1 ms: left to close by itself").arg(ms));
}

// Device thread: the fault is kept for fault() and announced to the
// notification object, which handles it on the GUI thread.
void WaveOut::announce(Playing& p, int code)
{
    p.fault.store(code, std::memory_order_release);
    std::lock_guard lock(p.notifyMutex);
    if (p.notify)
        QCoreApplication::postEvent(p.notify, new WaveOutFaultEvent(MM_WOM_FAULT, p.serial, code));
}

// Device thread: move the source's frames to the sink at the pace the
// pacer sets (the device's own, or the wall clock for one without a clock).
// A fault is announced before the sink is stopped, as a sink that hangs in
// its stop (a stopped sound server) would otherwise hold it back.
void WaveOut::run(Playing& p)
{
    PlaybackSink& sink = *p.sink;
    const size_t align = p.format.blockAlign;
    std::vector<uint8_t> chunk(kChunkFrames * align);
    int have = 0; // frames in the chunk
    int at = 0;   // of which already written
    std::optional<PlaybackPacer> pacer;
    Clock::time_point began;
    int fault = 0;
    while (!p.stop.load(std::memory_order_acquire)) {
        if (p.paused.load(std::memory_order_acquire)) {
            pacer.reset();
            std::this_thread::sleep_for(std::chrono::milliseconds(kWaitMs / 4));
            continue;
        }
        if (!pacer) {
            pacer.emplace(p.format.samplesPerSec, sink.capacity(), sink.period());
            began = Clock::now();
        }
        long long fill = 0;
        if (const int rc = sink.fill(fill); rc < 0) {
            fault = -rc;
            break;
        }
        const double now = std::chrono::duration<double>(Clock::now() - began).count();
        const PlaybackPacer::Step step = pacer->next(now, fill);
        if (step.frames <= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(step.waitMs));
            continue;
        }
        if (at == have) {
            const int n = p.source->read(chunk.data(), kChunkFrames);
            if (n <= 0) {
                fault = -n; // 0: the source has ended normally
                break;
            }
            have = n;
            at = 0;
        }
        const int want = static_cast<int>(std::min<long long>(have - at, step.frames));
        const int n = sink.write(chunk.data() + at * align, want, kWaitMs);
        if (n < 0) {
            fault = -n;
            break;
        }
        if (n < want)
            pacer->deviceFull(now);
        pacer->wrote(n);
        at += n;
        p.written.fetch_add(n, std::memory_order_acq_rel);
    }
    if (fault != 0 && !p.stop.load(std::memory_order_acquire))
        announce(p, fault);
    sink.stop();
    noteChange(); // also when a wave file has simply ended
}

} // namespace korvanta
