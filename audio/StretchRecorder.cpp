#include "audio/StretchRecorder.h"

#include "audio/Soundd3.h"
#include "platform/DeviceLog.h"
#include "platform/audio/WaveIn.h"

#include <algorithm>
#include <chrono>

namespace korvanta {

namespace {
using Clock = std::chrono::steady_clock;
// Small reads keep the captured count, and so the mark of a one-shot's
// first frame, close to what the device has delivered.
constexpr int kReadFrames = 1024;
constexpr int kPollMs = 50;

bool sameFormat(const WaveFormat& a, const WaveFormat& b)
{
    return a.formatTag == b.formatTag && a.channels == b.channels && a.samplesPerSec == b.samplesPerSec
        && a.bitsPerSample == b.bitsPerSample;
}
} // namespace

StretchRecorder::StretchRecorder(QObject* parent) : QObject(parent) {}

StretchRecorder::~StretchRecorder() { stop(); }

int StretchRecorder::start(int device, const WaveFormat& format, long long frames, long long framesAfterMark,
                           std::shared_ptr<StretchClock> clock)
{
    if (thread_.active())
        return MMSYSERR_NOTSUPPORTED;
    if (frames <= 0 || format.blockAlign == 0 || frames > static_cast<long long>(kMaxSeconds) * format.samplesPerSec)
        return MMSYSERR_INVALPARAM;
    auto job = std::make_shared<Job>();
    if (const int rc = openSource(device, format, job->source); rc != 0)
        return rc;
    job->keep = keep_;
    job->frames = frames;
    job->afterMark = std::max(0LL, framesAfterMark);
    job->align = format.blockAlign;
    job->data.assign(static_cast<size_t>(frames) * format.blockAlign, 0);
    job->notify = this;
    clock_ = clock ? std::move(clock) : std::make_shared<StretchClock>();
    job->clock = clock_;
    if (const int rc = job->source->start(); rc != 0) {
        int closed = 0;
        RunBounded([source = job->source] { return source->close(); }, closed);
        return rc;
    }
    job_ = job;
    abandoned_ = false;
    clock_->running.store(true, std::memory_order_release);
    thread_.start([job] { run(job); });
    return 0;
}

void StretchRecorder::stop()
{
    {
        std::lock_guard lock(job_->notifyMutex);
        job_->notify = nullptr;
    }
    job_->stop.store(true, std::memory_order_release);
    endDevice();
    closeKept();
}

// The input kept from the last stretch when it fits and still runs, else a
// new one (the kept one closed first: a device may take one open only).
int StretchRecorder::openSource(int device, const WaveFormat& format, std::shared_ptr<CaptureSource>& source)
{
    if (kept_ && keptDevice_ == device && sameFormat(keptFormat_, format) && kept_->keepable()) {
        source = std::move(kept_);
        return 0;
    }
    closeKept();
    std::unique_ptr<CaptureSource> opened;
    if (const int rc = CurrentAudioBackend().openInput(device, format, opened); rc != 0)
        return rc;
    source = std::move(opened);
    keptDevice_ = device;
    keptFormat_ = format;
    return 0;
}

void StretchRecorder::closeKept()
{
    if (!kept_)
        return;
    int rc = 0;
    if (!RunBounded([source = std::move(kept_)] { return source->close(); }, rc))
        devlog::Append(QStringLiteral("Input device did not close within %1 ms: left to close by itself")
                           .arg(DeviceThread::kAbandonMs));
    kept_.reset();
}

// Joins the device thread (or leaves it to a hung device) and closes the
// source, each within DeviceThread's bounds.
void StretchRecorder::endDevice()
{
    clock_->running.store(false, std::memory_order_release);
    if (!thread_.active())
        return;
    const int ms = job_->fault.load() ? DeviceThread::kAfterFaultMs : DeviceThread::kAbandonMs;
    if (!thread_.finish(ms)) {
        abandoned_ = true;
        devlog::Append(QStringLiteral("Input device did not stop within %1 ms: left to close by itself").arg(ms));
        return;
    }
    if (job_->keep && job_->fault.load() == 0 && !job_->stop.load() && job_->source->keepable()) {
        kept_ = job_->source;
        return;
    }
    int rc = 0;
    if (!RunBounded([source = job_->source] { return source->close(); }, rc)) {
        abandoned_ = true;
        devlog::Append(QStringLiteral("Input device did not close within %1 ms: left to close by itself")
                           .arg(DeviceThread::kAbandonMs));
    }
}

// GUI thread, posted by the device thread when the stretch has ended.
void StretchRecorder::finished(const std::shared_ptr<Job>& job)
{
    if (job != job_)
        return; // a recording given up since
    endDevice();
    const int fault = job->fault.load(std::memory_order_acquire);
    if (fault == 0) {
        emit recorded();
        return;
    }
    const QString text = SoundErrorText(fault);
    devlog::Append(QStringLiteral("Stretch recording error %1: %2").arg(fault).arg(text));
    emit failed(fault, text);
}

// Device thread: the stretch is recorded and announced before the source is
// stopped (or, to be kept, finishes its block), as a source that hangs in
// its stop would hold the result back.
void StretchRecorder::run(const std::shared_ptr<Job>& shared)
{
    Job& job = *shared;
    const int fault = record(job);
    job.fault.store(fault, std::memory_order_release);
    job.clock->running.store(false, std::memory_order_release);
    {
        std::lock_guard lock(job.notifyMutex);
        if (job.notify && !job.stop.load(std::memory_order_acquire)) {
            auto* self = static_cast<StretchRecorder*>(job.notify);
            QMetaObject::invokeMethod(
                self, [self, shared] { self->finished(shared); }, Qt::QueuedConnection);
        }
    }
    if (job.keep && fault == 0 && !job.stop.load(std::memory_order_acquire))
        job.source->finishBlock();
    else
        job.source->stop();
}

// Device thread: where the stretch ends: at the frames asked for, or
// `afterMark` frames after the mark once the mark is known.
long long StretchRecorder::endOf(const Job& job)
{
    const long long mark = job.clock->firstPlayed.load(std::memory_order_acquire);
    if (job.afterMark <= 0 || mark < 0)
        return job.frames;
    return std::min(job.frames, mark + job.afterMark);
}

// Device thread: records the stretch; one ended by its mark keeps only what
// was recorded.
int StretchRecorder::record(Job& job)
{
    const int fault = fill(job);
    if (fault == 0 && !job.stop.load(std::memory_order_acquire)) {
        job.frames = job.clock->captured.load(std::memory_order_acquire);
        job.data.resize(static_cast<size_t>(job.frames) * static_cast<size_t>(job.align));
    }
    return fault;
}

// Device thread: fills the stretch. Returns 0 when it is whole, else the
// fault that ended it: a device silent for the stall margin, an overrun
// (the stretch would have a gap), an early end or a device fault.
int StretchRecorder::fill(Job& job)
{
    CaptureSource& source = *job.source;
    long long got = 0;
    auto deadline = Clock::now() + std::chrono::milliseconds(source.firstFrameMs() + WaveIn::kStallMarginMs);
    while (got < endOf(job)) {
        if (job.stop.load(std::memory_order_acquire))
            return 0;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return WAVERR_DEVICE_STALLED;
        const int want = static_cast<int>(std::min<long long>(endOf(job) - got, kReadFrames));
        const ReadResult r = source.read(job.data.data() + static_cast<size_t>(got) * job.align, want,
                                         static_cast<int>(std::min<long long>(left, kPollMs)));
        if (r.fault == kOverrun) {
            devlog::Append(QStringLiteral("waveIn: overrun after %1 frames of a stretch").arg(got));
            return WAVERR_DEVICE_OVERRUN;
        }
        if (r.frames > 0) {
            got += std::clamp<long long>(r.frames, 0, job.frames - got);
            job.clock->captured.store(got, std::memory_order_release);
            deadline = Clock::now() + std::chrono::milliseconds(WaveIn::kStallMarginMs);
        }
        if (r.fault == kEndOfData)
            return got < endOf(job) ? WAVERR_DEVICE_SHORT_BLOCK : 0;
        if (r.fault != 0)
            return r.fault;
    }
    return 0;
}

} // namespace korvanta
