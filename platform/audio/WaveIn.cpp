#include "WaveIn.h"

#include "DeviceLog.h"
#include "UserMessages.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>

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
    stop_.store(true, std::memory_order_release);
    joinThread();
    if (!closed_)
        source_->close();
}

int WaveIn::PrepareHeader(WaveHeader& header) { return PrepareWaveHeader(header, 1); }

int WaveIn::UnprepareHeader(WaveHeader& header) { return UnprepareWaveHeader(header); }

int WaveIn::AddBuffer(WaveHeader& header)
{
    if (!(header.flags.load() & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    if (thread_.joinable() || queued_)
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
    if (closed_)
        return MMSYSERR_INVALHANDLE;
    if (thread_.joinable())
        return 0;
    const int rc = source_->start();
    if (rc != 0)
        return rc;
    stop_.store(false, std::memory_order_release);
    thread_ = std::thread([this] { run(); });
    return 0;
}

int WaveIn::Reset()
{
    stop_.store(true, std::memory_order_release);
    joinThread();
    if (queued_) {
        // Recorded nothing that can be trusted: the buffer is handed back empty.
        queued_->bytesRecorded = 0;
        queued_->flags.store((queued_->flags.load() & ~WHDR_INQUEUE) | WHDR_DONE, std::memory_order_release);
        queued_ = nullptr;
    }
    return 0;
}

int WaveIn::Close()
{
    if (closed_)
        return MMSYSERR_INVALHANDLE;
    if (thread_.joinable() && !stop_.load())
        Reset();
    joinThread();
    closed_ = true; // a failed close is not retried: the handle is abandoned
    return source_->close();
}

void WaveIn::joinThread()
{
    if (thread_.joinable())
        thread_.join();
}

// Device thread: fill the queued buffer, then announce it.
void WaveIn::run()
{
    WaveHeader* header = queued_;
    if (!header)
        return;
    const int align = format_.blockAlign;
    const int frames = static_cast<int>(header->bufferLength / align);
    const auto blockMs = std::chrono::milliseconds(1000LL * frames / std::max<uint32_t>(1, format_.samplesPerSec));
    auto deadline = Clock::now() + blockMs + std::chrono::milliseconds(kStallMarginMs);
    int got = 0;
    int fault = 0;
    int overruns = 0;
    while (got < frames && !stop_.load(std::memory_order_acquire)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            fault = WAVERR_DEVICE_STALLED;
            break;
        }
        const ReadResult r = source_->read(header->data + static_cast<size_t>(got) * align, frames - got,
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
            deadline = Clock::now() + blockMs + std::chrono::milliseconds(kStallMarginMs);
            continue;
        }
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
    source_->stop();
    if (stop_.load(std::memory_order_acquire))
        return; // reset: Reset() hands the buffer back
    finishBlock(got, fault);
}

void WaveIn::finishBlock(int frames, int fault)
{
    WaveHeader* header = queued_;
    header->bytesRecorded = static_cast<uint32_t>(frames) * format_.blockAlign;
    header->fault = fault;
    queued_ = nullptr;
    header->flags.store((header->flags.load() & ~WHDR_INQUEUE) | WHDR_DONE, std::memory_order_release);
    if (QObject* target = notify_)
        QCoreApplication::postEvent(target, new WaveDataEvent(MM_WIM_DATA, header, header->generation));
}
