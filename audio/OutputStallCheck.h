#pragma once
// Whether a block recorded while a measuring tone played may be trusted.
//
// An output that stops taking frames is reported only after it has taken
// none for a second (shorter gaps are a full buffer or a busy machine). A
// measuring loop that stops its tone after every block and starts the next
// one would never let that second pass, and would score the silence its
// input hears. So, when a block comes in while the playing output looks
// stalled (it took nothing at its last look), the loop keeps the tone on
// and waits here, on a timer, for the verdict: the output takes frames
// again (the block is good) or its stall report arrives through the
// tone's fault procedure (the loop ends with it, and cancels this check).
//
// GUI thread only.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace korvanta {

class OutputStallCheck : public QObject {
    Q_OBJECT
public:
    explicit OutputStallCheck(QObject* parent = nullptr);

    // True when the playing output shows no sign of a stall: the block may
    // be taken at once and `confirmed` is not called. Otherwise the check
    // begins and returns false; `confirmed` runs once the output takes
    // frames again, `stalled` (with the output's stall code) if it takes
    // none within kLimitMs without having reported itself.
    bool Begin(std::function<void()> confirmed, std::function<void(int code)> stalled);
    void Cancel();
    bool Active() const { return timer_.isActive(); }

    // Longer than any output's own verdict: a second without a frame, five
    // before the first frame of a new stream on a sound server.
    static constexpr int kLimitMs = 10000;
    static constexpr int kPollMs = 10;

private:
    void poll();

    QTimer timer_;
    QElapsedTimer since_;
    long long framesAtBegin_ = 0;
    std::function<void()> confirmed_;
    std::function<void(int)> stalled_;
};

} // namespace korvanta
