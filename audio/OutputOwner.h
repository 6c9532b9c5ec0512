#pragma once
// Who plays on the one output. The generator window and its wave file play
// as long as nobody else wants the output; a measurement that plays its own
// tones (a sweep, a distortion run) takes the output over when it starts:
// whatever plays is stopped at once, so the measurement never records a mix,
// and the windows hear of it through `measurementChanged` and show stopped.
// While a measurement owns the output nothing else may start or change a
// tone; when it ends (normally, by a stop or by a device fault) it gives the
// output back.
//
// There is one output per program, so there is one owner record, like the
// device layer's own. GUI thread only.

#include <QObject>

namespace korvanta {

class OutputOwner : public QObject {
    Q_OBJECT
public:
    static OutputOwner& Instance();

    // `measurement` (the engine's address) takes the output: the tone and
    // the wave file stop now. Taking it again while owning it changes nothing.
    void Take(const void* measurement);
    // `measurement` gives the output back; one that does not own it (a
    // second stop, an ended run) changes nothing.
    void Release(const void* measurement);

    bool MeasurementOwns() const { return owner_ != nullptr; }
    const void* Owner() const { return owner_; }

signals:
    // A measurement took the output (true) or gave it back (false).
    void measurementChanged(bool owns);

private:
    OutputOwner() = default;
    const void* owner_ = nullptr;
};

// The loops that record from the one input; one that starts stops the
// others. `None` is a stop of every loop (a reset, a correction test).
enum class MeasuringLoop { None, Analyzer, Sweep, Scope, Calibration, Distortion, DeviceTest, ImpulseResponse };

// Whether the loop plays tones of its own, and so needs the output too.
constexpr bool LoopPlays(MeasuringLoop loop)
{
    return loop == MeasuringLoop::Sweep || loop == MeasuringLoop::Distortion || loop == MeasuringLoop::DeviceTest ||
           loop == MeasuringLoop::ImpulseResponse;
}

// Whether a measurement owns the output (nothing else may play meanwhile).
inline bool OutputTakenByMeasurement() { return OutputOwner::Instance().MeasurementOwns(); }

} // namespace korvanta
