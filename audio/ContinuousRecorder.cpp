#include "audio/ContinuousRecorder.h"

#include "audio/Soundd3.h"
#include "platform/DeviceLog.h"
#include "platform/audio/WaveIn.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace korvanta {

namespace {
using Clock = std::chrono::steady_clock;
// Small reads keep the captured count close to what the device delivered,
// so a stretch's first frame lies where it was asked for.
constexpr int kReadFrames = 512;
constexpr int kPollMs = 50;
} // namespace

// Everything the device thread touches; shared so that a thread left on a
// hung device keeps it alive.
struct ContinuousRecorder::Job {
    std::shared_ptr<CaptureSource> source;
    int align = 4;
    std::atomic<bool> stop{false};
    std::atomic<int> fault{0};
    std::atomic<long long> delay{0};

    // Under `mutex`: frames read, whether a read is under way, and the
    // stretch asked for, which the device thread fills.
    std::mutex mutex;
    long long captured = 0;
    bool reading = false;
    // The stretch was asked for during a read: it begins after that read.
    bool afterRead = false;
    QObject* notify = nullptr;
    uint64_t request = 0;
    bool pending = false;  // asked for and not yet whole
    bool whole = false;    // filled, not yet handed over
    long long first = 0;
    long long frames = 0;
    long long got = 0;
    std::vector<uint8_t> data;
};

ContinuousRecorder::ContinuousRecorder(QObject* parent) : QObject(parent) {}

ContinuousRecorder::~ContinuousRecorder() { close(); }

int ContinuousRecorder::open(int device, const WaveFormat& format)
{
    if (thread_.active())
        return MMSYSERR_NOTSUPPORTED;
    if (format.blockAlign == 0)
        return MMSYSERR_INVALPARAM;
    std::unique_ptr<CaptureSource> source;
    if (const int rc = CurrentAudioBackend().openInput(device, format, source); rc != 0)
        return rc;
    auto job = std::make_shared<Job>();
    job->source = std::move(source);
    job->align = format.blockAlign;
    job->notify = this;
    if (const int rc = job->source->start(); rc != 0) {
        int closed = 0;
        RunBounded([source = job->source] { return source->close(); }, closed);
        return rc;
    }
    job_ = job;
    format_ = format;
    stretch_.clear();
    stretchFirst_ = -1;
    thread_.start([job] { run(job); });
    return 0;
}

void ContinuousRecorder::close()
{
    if (!job_)
        return;
    {
        std::lock_guard lock(job_->mutex);
        job_->notify = nullptr;
        job_->pending = false;
    }
    job_->stop.store(true, std::memory_order_release);
    endDevice();
    job_.reset();
}

// Joins the device thread (or leaves it to a hung device) and closes the
// source, each within DeviceThread's bounds.
void ContinuousRecorder::endDevice()
{
    if (!thread_.active())
        return;
    const int ms = job_->fault.load() ? DeviceThread::kAfterFaultMs : DeviceThread::kAbandonMs;
    if (!thread_.finish(ms)) {
        devlog::Append(QStringLiteral("Input device did not stop within %1 ms: left to close by itself").arg(ms));
        return;
    }
    int rc = 0;
    if (!RunBounded([source = job_->source] { return source->close(); }, rc))
        devlog::Append(QStringLiteral("Input device did not close within %1 ms: left to close by itself")
                           .arg(DeviceThread::kAbandonMs));
}

long long ContinuousRecorder::capturedFrames() const
{
    if (!job_)
        return 0;
    std::lock_guard lock(job_->mutex);
    return job_->captured;
}

long long ContinuousRecorder::deviceFrames() const
{
    if (!job_)
        return 0;
    std::lock_guard lock(job_->mutex);
    return job_->captured + job_->delay.load(std::memory_order_acquire);
}

int ContinuousRecorder::take(long long first, long long frames)
{
    if (!job_ || !thread_.active())
        return MMSYSERR_INVALHANDLE;
    if (frames <= 0 || frames > static_cast<long long>(kMaxSeconds) * format_.samplesPerSec)
        return MMSYSERR_INVALPARAM;
    std::lock_guard lock(job_->mutex);
    if (job_->pending)
        return MMSYSERR_NOTSUPPORTED;
    ++job_->request;
    job_->pending = true;
    job_->whole = false;
    job_->first = std::max(first, job_->captured);
    // A read under way may bring frames captured before this call.
    job_->afterRead = job_->reading;
    job_->frames = frames;
    job_->got = 0;
    job_->data.assign(static_cast<size_t>(frames) * job_->align, 0);
    return 0;
}

void ContinuousRecorder::cancel()
{
    if (!job_)
        return;
    std::lock_guard lock(job_->mutex);
    ++job_->request; // a stretch already posted is dropped on arrival
    job_->pending = job_->whole = false;
}

bool ContinuousRecorder::taking() const
{
    if (!job_)
        return false;
    std::lock_guard lock(job_->mutex);
    return job_->pending;
}

// GUI thread, posted by the device thread when a stretch is whole.
void ContinuousRecorder::delivered(const std::shared_ptr<Job>& job, uint64_t request)
{
    if (job != job_)
        return; // closed since
    {
        std::lock_guard lock(job->mutex);
        if (request != job->request || !job->whole)
            return; // given up, or asked for again since
        job->whole = false;
        stretch_ = std::move(job->data);
        job->data.clear();
        stretchFirst_ = job->first;
    }
    emit recorded();
}

// GUI thread, posted by the device thread when the input has failed.
void ContinuousRecorder::ended(const std::shared_ptr<Job>& job)
{
    if (job != job_)
        return;
    endDevice();
    job_.reset();
    const int fault = job->fault.load(std::memory_order_acquire);
    const QString text = SoundErrorText(fault);
    devlog::Append(QStringLiteral("Continuous recording error %1: %2").arg(fault).arg(text));
    emit failed(fault, text);
}

// Device thread: a failure is announced before the source is stopped, as a
// source that hangs in its stop would hold it back.
void ContinuousRecorder::run(const std::shared_ptr<Job>& shared)
{
    Job& job = *shared;
    const int fault = capture(shared);
    job.fault.store(fault, std::memory_order_release);
    if (fault != 0) {
        std::lock_guard lock(job.mutex);
        if (job.notify && !job.stop.load(std::memory_order_acquire)) {
            auto* self = static_cast<ContinuousRecorder*>(job.notify);
            QMetaObject::invokeMethod(self, [self, shared] { self->ended(shared); }, Qt::QueuedConnection);
        }
    }
    job.source->stop();
}

namespace {
// Copies what of `n` frames read at index `at` lies in the stretch asked
// for. Returns true when that made the stretch whole.
bool keep(const uint8_t* frames, long long at, int n, long long first, long long want, long long& got,
          std::vector<uint8_t>& data, int align)
{
    const long long from = std::max(at, first + got);
    const long long to = std::min(at + n, first + want);
    if (to <= from)
        return false;
    std::memcpy(data.data() + static_cast<size_t>(from - first) * align,
                frames + static_cast<size_t>(from - at) * align, static_cast<size_t>(to - from) * align);
    got = to - first;
    return got == want;
}
} // namespace

// Device thread: reads until told to stop or the device fails. Returns 0
// when stopped, else the fault: a device silent for the stall margin, an
// overrun inside a stretch, an early end or a device fault.
int ContinuousRecorder::capture(const std::shared_ptr<Job>& shared)
{
    Job& job = *shared;
    CaptureSource& source = *job.source;
    std::vector<uint8_t> buffer(static_cast<size_t>(kReadFrames) * job.align);
    auto deadline = Clock::now() + std::chrono::milliseconds(source.firstFrameMs() + WaveIn::kStallMarginMs);
    while (!job.stop.load(std::memory_order_acquire)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return WAVERR_DEVICE_STALLED;
        beginRead(job);
        const ReadResult r = source.read(buffer.data(), kReadFrames, static_cast<int>(std::min<long long>(left, kPollMs)));
        if (r.fault == kOverrun) {
            if (const int fault = overrun(job); fault != 0)
                return fault;
            continue;
        }
        if (r.frames > 0)
            deadline = Clock::now() + std::chrono::milliseconds(WaveIn::kStallMarginMs);
        store(shared, buffer.data(), r.frames);
        if (r.fault == kEndOfData)
            return WAVERR_DEVICE_SHORT_BLOCK;
        if (r.fault != 0)
            return r.fault;
        // Asked only once frames flow: a sound server's plugin may wait for
        // its first report of the latency, which a frozen server never sends.
        if (r.frames > 0)
            job.delay.store(source.delayFrames(), std::memory_order_release);
    }
    return 0;
}

void ContinuousRecorder::beginRead(Job& job)
{
    std::lock_guard lock(job.mutex);
    job.reading = true;
}

// Device thread: an overrun inside a stretch is its end (what was played
// meanwhile is gone); between stretches it costs nothing asked for.
int ContinuousRecorder::overrun(Job& job)
{
    std::lock_guard lock(job.mutex);
    job.reading = job.afterRead = false;
    if (job.pending && job.got > 0) {
        devlog::Append(QStringLiteral("waveIn: overrun after %1 frames of a stretch").arg(job.got));
        return WAVERR_DEVICE_OVERRUN;
    }
    devlog::Append(QStringLiteral("waveIn: overrun between stretches after %1 frames").arg(job.captured));
    return 0;
}

// Device thread, after a read: counts its `n` frames and keeps what of them
// the stretch asked for holds; a stretch made whole is announced.
void ContinuousRecorder::store(const std::shared_ptr<Job>& shared, const uint8_t* frames, int n)
{
    Job& job = *shared;
    std::lock_guard lock(job.mutex);
    job.reading = false;
    const long long at = job.captured;
    job.captured += n;
    if (job.afterRead)
        job.first = std::max(job.first, job.captured);
    job.afterRead = false;
    if (!job.pending || !keep(frames, at, n, job.first, job.frames, job.got, job.data, job.align))
        return;
    job.pending = false;
    job.whole = true;
    if (job.notify) {
        auto* self = static_cast<ContinuousRecorder*>(job.notify);
        QMetaObject::invokeMethod(
            self, [self, shared, request = job.request] { self->delivered(shared, request); }, Qt::QueuedConnection);
    }
}

} // namespace korvanta
