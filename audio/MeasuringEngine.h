#pragma once
// What every measuring loop shows its page or command: it starts, it stops,
// it gets on (progress), and it fails in one way. Each engine adds its own
// result signal (a spectrum, a sweep point, a frame, a level) because the
// results have nothing in common; the rest is the same everywhere, so a page,
// the measuring command and a test can drive any engine alike.
//
// A failure carries what a message box and a script need: which step of the
// loop failed (kind, the engine's own numbering), the device's code, and
// that code's text in the current language, taken when the failure happens.
//
// GUI thread only. Needs an event loop, never a widget: a QCoreApplication
// is enough to run and test every engine.

#include <QObject>
#include <QString>

namespace korvanta {

struct EngineFailure {
    int kind = 0;      // the engine's own Failure enum, as a number
    int code = 0;      // the device's error code
    QString text;      // SoundErrorText(code) in the language of the moment
};

// A failure of `kind` with `code`, its text looked up now.
EngineFailure MakeEngineFailure(int kind, int code);

class MeasuringEngine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool Running() const = 0;

signals:
    // The loop runs (after a successful start) or has ended (for any
    // reason: stop, the end of a plan, a failure).
    void started();
    void stopped();
    // Work done of `total` (steps, blocks); total 0 when the loop runs until
    // it is stopped.
    void progress(int done, int total);
    // A device failed; the loop has ended and stopped() follows.
    void failed(const korvanta::EngineFailure& failure);

protected:
    // Emits failed() with the text of `code`, then stopped().
    void reportFailure(int kind, int code);
};

} // namespace korvanta
