#include "platform/audio/WaveIn.h"

#include "platform/DeviceLog.h"
#include "platform/UserMessages.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>

namespace korvanta {

namespace {
using Clock = std::chrono::steady_clock;
constexpr int kPollMs = 50; // how often the device thread looks at the stop flag
}

int WaveIn::Open(std::unique_ptr<WaveIn>& out, int device, const WaveFormat& format, QObject* notify)
{
    std::unique_ptr<CaptureSource> source;
    const int rc = CurrentAudioBackend().openInput(device, format, source);
    if (rc != 0)
        return rc;
    out.reset(new WaveIn(std::move(source), format, notify));
    return 0;
}

int WaveIn::Query(int device, const WaveFormat& format)
{
    return CurrentAudioBackend().queryInput(device, format);
}

WaveIn::WaveIn(std::unique_ptr<CaptureSource> source, const WaveFormat& format, QObject* notify)
    : source_(std::move(source)), format_(format), notify_(notify)
{
}

WaveIn::~WaveIn()
{
    flags_->stop.store(true, std::memory_order_release);
    endThread();
    if (!closed_ && !abandoned_) {
        int rc = 0;
        RunBounded([source = source_] { return source->close(); }, rc);
    }
}

int WaveIn::PrepareHeader(WaveHeader& header) { return PrepareWaveHeader(header, 1); }

int WaveIn::UnprepareHeader(WaveHeader& header) { return UnprepareWaveHeader(header); }

int WaveIn::AddBuffer(WaveHeader& header)
{
    if (!(header.flags.load() & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    if (thread_.active() || queued_)
        return MMSYSERR_NOTSUPPORTED;
    static std::atomic<uint32_t> generations{0};
    header.bytesRecorded = 0;
    header.fault = 0;
    header.generation = ++generations;
    header.flags.store((header.flags.load() & ~WHDR_DONE) | WHDR_INQUEUE, std::memory_order_release);
    queued_ = &header;
    return 0;
}

int WaveIn::Start()
{
    if (closed_ || abandoned_)
        return MMSYSERR_INVALHANDLE;
    if (thread_.active())
        return 0;
    const int rc = startSource();
    if (rc != 0)
        return rc;
    flags_ = std::make_shared<Flags>();
    thread_.start([source = source_, format = format_, notify = notify_, header = queued_, flags = flags_] {
        run(source, format, notify, header, flags);
    });
    return 0;
}

// A source that ran on from its last block renews its stream, which on a
// sound server waits for the server's answer: a stopped server must not hold
// the GUI thread longer than an open would.
int WaveIn::startSource()
{
    if (!source_->keepable())
        return source_->start();
    int rc = 0;
    if (RunBounded([source = source_] { return source->start(); }, rc))
        return rc;
    abandoned_ = true;
    devlog::Append(QStringLiteral("Input device did not start within %1 ms: left to close by itself")
                       .arg(DeviceThread::kAbandonMs));
    return WAVERR_DEVICE_NO_ANSWER;
}

int WaveIn::Reset()
{
    flags_->stop.store(true, std::memory_order_release);
    endThread();
    if (queued_ && !flags_->delivered.load(std::memory_order_acquire)) {
        // Recorded nothing that can be trusted: the buffer is handed back empty.
        queued_->bytesRecorded = 0;
        queued_->flags.store((queued_->flags.load() & ~WHDR_INQUEUE) | WHDR_DONE, std::memory_order_release);
    }
    queued_ = nullptr;
    return 0;
}

bool WaveIn::Reusable() const
{
    return !closed_ && !abandoned_ && !thread_.active() && !queued_ && source_->keepable();
}

int WaveIn::Close()
{
    if (closed_)
        return MMSYSERR_INVALHANDLE;
    if (thread_.active() && !flags_->stop.load())
        Reset();
    endThread();
    closed_ = true; // a failed close is not retried: the handle is abandoned
    if (abandoned_)
        return 0;
    int rc = 0;
    if (!RunBounded([source = source_] { return source->close(); }, rc)) {
        devlog::Append(QStringLiteral("Input device did not close within %1 ms: left to close by itself")
                           .arg(DeviceThread::kAbandonMs));
        abandoned_ = true;
    }
    return rc;
}

// A device thread that does not end in time is left running; it holds the
// source, which closes when the thread is done with it.
void WaveIn::endThread()
{
    const int ms = flags_->fault.load(std::memory_order_acquire) ? DeviceThread::kAfterFaultMs
                                                                 : DeviceThread::kAbandonMs;
    if (thread_.finish(ms) || abandoned_)
        return;
    abandoned_ = true;
    devlog::Append(QStringLiteral("Input device did not stop within %1 ms: left to close by itself").arg(ms));
}

// Device thread: fill the queued buffer and announce it, then stop the
// source. The announcement comes first so that a source that hangs in its
// stop (a stopped sound server) cannot hold the block back.
void WaveIn::run(const std::shared_ptr<CaptureSource>& source, const WaveFormat& format, QObject* notify,
                 WaveHeader* header, const std::shared_ptr<Flags>& flags)
{
    if (!header)
        return;
    const int align = format.blockAlign;
    const int frames = static_cast<int>(header->bufferLength / align);
    const auto blockMs = std::chrono::milliseconds(1000LL * frames / std::max<uint32_t>(1, format.samplesPerSec));
    const auto blockLimit = blockMs + std::chrono::milliseconds(kStallMarginMs);
    auto deadline = Clock::now() + std::chrono::milliseconds(source->firstFrameMs()) + blockLimit;
    int got = 0;
    int fault = 0;
    int overruns = 0;
    while (got < frames && !flags->stop.load(std::memory_order_acquire)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            fault = WAVERR_DEVICE_STALLED;
            break;
        }
        const ReadResult r = source->read(header->data + static_cast<size_t>(got) * align, frames - got,
                                          static_cast<int>(std::min<long long>(left, kPollMs)));
        if (r.fault == kOverrun) {
            // What came before the gap and what comes after are not one
            // signal: a spectrum of the splice would show what is not there.
            if (++overruns >= kMaxOverruns) {
                fault = WAVERR_DEVICE_OVERRUN;
                break;
            }
            devlog::Append(QStringLiteral("waveIn: overrun, block recorded again (%1 in a row)").arg(overruns));
            got = 0;
            deadline = Clock::now() + blockLimit;
            continue;
        }
        if (got == 0 && r.frames > 0)
            deadline = Clock::now() + blockLimit; // the device has begun to deliver
        got += std::clamp(r.frames, 0, frames - got);
        if (r.fault == kEndOfData) {
            if (got > 0 && got < frames)
                fault = WAVERR_DEVICE_SHORT_BLOCK;
            break;
        }
        if (r.fault != 0) {
            fault = r.fault;
            break;
        }
    }
    const bool whole = fault == 0 && got == frames;
    flags->fault.store(fault, std::memory_order_release);
    if (!flags->stop.load(std::memory_order_acquire)) {
        // Not reset: hand the buffer back and announce it.
        header->bytesRecorded = static_cast<uint32_t>(got) * align;
        header->fault = fault;
        flags->delivered.store(true, std::memory_order_release);
        header->flags.store((header->flags.load() & ~WHDR_INQUEUE) | WHDR_DONE, std::memory_order_release);
        if (notify)
            QCoreApplication::postEvent(notify, new WaveDataEvent(MM_WIM_DATA, header, header->generation));
    }
    if (whole)
        source->finishBlock();
    else
        source->stop();
}

} // namespace korvanta
