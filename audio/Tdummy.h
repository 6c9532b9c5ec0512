#pragma once
// The audio layer's hidden notification object: device threads post the
// block-done event (MM_WIM_DATA) to it, and its handler hands the block to
// the capture engine, which calls the client's completion procedure, all on
// the GUI thread. Playback threads post the failure of a playing output
// (MM_WOM_FAULT) to it as well. Whoever owns start-up creates one; it registers itself
// with the layer for its lifetime.

#include <QObject>

namespace korvanta {

class Tdummy : public QObject {
    Q_OBJECT
public:
    explicit Tdummy(QObject* parent = nullptr);
    ~Tdummy() override;

protected:
    bool event(QEvent* e) override;
};

} // namespace korvanta
