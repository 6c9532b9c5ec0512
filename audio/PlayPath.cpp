#include "audio/PlayPath.h"

#include "audio/Soundd3.h"
#include "platform/DeviceLog.h"
#include "platform/UserMessages.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace korvanta {

// Where a one-shot announces its end; cleared when the play is given up,
// so nothing is posted to a player that is gone.
struct PlayPath::Notice {
    std::mutex mutex;
    PlayPath* target = nullptr;
    uint64_t play = 0;

    void post()
    {
        std::lock_guard lock(mutex);
        if (target)
            QMetaObject::invokeMethod(target, [t = target, p = play] { t->ended(p); }, Qt::QueuedConnection);
    }
    void clear()
    {
        std::lock_guard lock(mutex);
        target = nullptr;
    }
};

namespace {
// A buffer repeated until the output is reset: the frame after its last is
// its first, within one read as across reads.
class LoopSource : public FrameSource {
public:
    LoopSource(std::vector<uint8_t> data, int align) : data_(std::move(data)), align_(align) {}

    int read(uint8_t* dst, int frames) override
    {
        const size_t want = static_cast<size_t>(frames) * align_;
        for (size_t done = 0; done < want;) {
            const size_t n = std::min(want - done, data_.size() - pos_);
            std::memcpy(dst + done, data_.data() + pos_, n);
            done += n;
            pos_ = (pos_ + n) % data_.size();
        }
        return frames;
    }

private:
    std::vector<uint8_t> data_;
    int align_;
    size_t pos_ = 0;
};

// A one-shot: the callback's frames, then `tail` frames of silence, then the
// end, which is announced once.
template <typename NoticeT>
class OnceSource : public FrameSource {
public:
    OnceSource(FrameCallback content, long long tail, int align, std::shared_ptr<StretchClock> clock,
               std::shared_ptr<NoticeT> notice)
        : content_(std::move(content)), tail_(tail), align_(align), clock_(std::move(clock)),
          notice_(std::move(notice))
    {
    }

    int read(uint8_t* dst, int frames) override
    {
        if (first_ && clock_)
            clock_->markFirstPlayed();
        first_ = false;
        if (!contentEnded_) {
            const int n = content_(dst, frames);
            if (n != 0)
                return n; // frames, or a negated code that ends the play as a fault
            contentEnded_ = true;
        }
        const int n = static_cast<int>(std::min<long long>(frames, tail_));
        if (n == 0) {
            if (!announced_)
                notice_->post();
            announced_ = true;
            return 0;
        }
        std::memset(dst, 0, static_cast<size_t>(n) * align_);
        tail_ -= n;
        return n;
    }

private:
    FrameCallback content_;
    long long tail_;
    int align_;
    std::shared_ptr<StretchClock> clock_;
    std::shared_ptr<NoticeT> notice_;
    bool first_ = true;
    bool contentEnded_ = false;
    bool announced_ = false;
};

bool wholeFrames(const std::vector<uint8_t>& frames, int align)
{
    return align > 0 && !frames.empty() && frames.size() % static_cast<size_t>(align) == 0;
}
} // namespace

PlayPath::PlayPath(QObject* parent) : QObject(parent) {}

PlayPath::~PlayPath() { close(); }

int PlayPath::open(int device, const WaveFormat& format)
{
    close();
    format_ = format;
    return WaveOut::Open(out_, device, format, this);
}

int PlayPath::playLoop(std::vector<uint8_t> frames)
{
    if (!wholeFrames(frames, format_.blockAlign))
        return MMSYSERR_INVALPARAM;
    return start(std::make_unique<LoopSource>(std::move(frames), format_.blockAlign));
}

int PlayPath::playOnce(std::vector<uint8_t> frames, std::shared_ptr<StretchClock> clock)
{
    if (!wholeFrames(frames, format_.blockAlign))
        return MMSYSERR_INVALPARAM;
    const int align = format_.blockAlign;
    auto data = std::make_shared<std::vector<uint8_t>>(std::move(frames));
    auto pos = std::make_shared<size_t>(0);
    FrameCallback fromBuffer = [data, pos, align](uint8_t* dst, int n) {
        const size_t bytes = std::min(static_cast<size_t>(n) * align, data->size() - *pos);
        std::memcpy(dst, data->data() + *pos, bytes);
        *pos += bytes;
        return static_cast<int>(bytes / align);
    };
    return playOnce(std::move(fromBuffer), std::move(clock));
}

int PlayPath::playOnce(FrameCallback source, std::shared_ptr<StretchClock> clock)
{
    if (!source)
        return MMSYSERR_INVALPARAM;
    if (!out_)
        return MMSYSERR_INVALHANDLE;
    auto notice = std::make_shared<Notice>();
    notice->target = this;
    notice->play = plays_ + 1;
    const int rc = start(std::make_unique<OnceSource<Notice>>(std::move(source), tailFrames(), format_.blockAlign,
                                                              std::move(clock), notice));
    if (rc == 0)
        notice_ = notice;
    return rc;
}

// Enough silence to push the one-shot's last frame out of the device's
// buffer; a device that does not tell its size is held to the wall clock
// at most WaveOut::kLeadMs ahead.
long long PlayPath::tailFrames() const
{
    const long long lead = static_cast<long long>(format_.samplesPerSec) * WaveOut::kLeadMs / 1000;
    return std::max(out_->bufferFrames(), lead);
}

int PlayPath::start(std::unique_ptr<FrameSource> source)
{
    if (!out_)
        return MMSYSERR_INVALHANDLE;
    stop();
    const int rc = out_->Stream(std::move(source));
    if (rc == 0) {
        ++plays_;
        playing_ = true;
    }
    return rc;
}

void PlayPath::stop()
{
    if (notice_)
        notice_->clear();
    notice_.reset();
    playing_ = false;
    if (out_)
        out_->Reset();
}

int PlayPath::close()
{
    stop();
    if (!out_)
        return 0;
    out_->SetNotify(nullptr);
    const int rc = out_->Close();
    out_.reset();
    return rc;
}

void PlayPath::ended(uint64_t play)
{
    if (!playing_ || play != plays_)
        return;
    stop();
    emit finished();
}

bool PlayPath::event(QEvent* e)
{
    if (e->type() != MM_WOM_FAULT)
        return QObject::event(e);
    const auto* fault = static_cast<WaveOutFaultEvent*>(e);
    if (playing_ && out_ && fault->serial() == out_->serial()) {
        stop();
        const QString text = SoundErrorText(fault->code());
        devlog::Append(QStringLiteral("Output error %1: %2").arg(fault->code()).arg(text));
        emit failed(fault->code(), text);
    }
    return true;
}

} // namespace korvanta
