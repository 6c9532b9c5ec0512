#pragma once
// The output of measurements that play more than the generator's tone:
//  - a looped buffer of any content and length (two tones at once, a
//    multitone), repeated without a gap until stopped;
//  - a one-shot (a sweep), played once in order from a buffer or from a
//    callback that computes it while it plays, and announced by finished().
// Frames are interleaved, in the output's format. Nothing here is bound to
// the generator's loop buffer, so neither its length nor its byte limit
// applies.
//
// A one-shot is followed by silence as long as the device's buffer before
// the output stops, so its last frames are played, not dropped with what
// the device still holds. Given a recorder's StretchClock it marks where its
// first frame lies in that recording.
//
// Failures of the playing device arrive as today's output faults and are
// passed on by failed() with SoundErrorText(code).
//
// Every member is for the GUI thread.

#include "audio/StretchRecorder.h"
#include "platform/audio/WaveOut.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace korvanta {

// Fills up to `frames` frames at dst; returns the frames filled, 0 at the
// end, or a negated wave code when it cannot go on. Called on the output's
// device thread.
using FrameCallback = std::function<int(uint8_t* dst, int frames)>;

class PlayPath : public QObject {
    Q_OBJECT
public:
    explicit PlayPath(QObject* parent = nullptr);
    ~PlayPath() override;
    PlayPath(const PlayPath&) = delete;
    PlayPath& operator=(const PlayPath&) = delete;

    // Opens output `device`. Returns 0 or an error code.
    int open(int device, const WaveFormat& format);
    // Plays `frames` (whole frames, at least one) over and over until stop().
    int playLoop(std::vector<uint8_t> frames);
    // Plays once, then finished(). With a clock, marks the first frame in
    // the recording the clock belongs to.
    int playOnce(std::vector<uint8_t> frames, std::shared_ptr<StretchClock> clock = {});
    int playOnce(FrameCallback source, std::shared_ptr<StretchClock> clock = {});
    // Stops at once; nothing is announced.
    void stop();
    // Stops and closes the output. Returns 0 or an error code.
    int close();

    bool isOpen() const { return out_ != nullptr; }
    bool playing() const { return playing_; }
    // Frames handed to the device so far, silence after a one-shot included.
    long long framesWritten() const { return out_ ? out_->framesWritten() : 0; }

signals:
    // The one-shot has been played to its end.
    void finished();
    // The output failed while playing: `text` is SoundErrorText(code).
    void failed(int code, const QString& text);

protected:
    bool event(QEvent* e) override;

private:
    struct Notice;
    int start(std::unique_ptr<FrameSource> source);
    void ended(uint64_t play);
    long long tailFrames() const;

    std::unique_ptr<WaveOut> out_;
    WaveFormat format_;
    std::shared_ptr<Notice> notice_;
    uint64_t plays_ = 0;
    bool playing_ = false;
};

} // namespace korvanta
