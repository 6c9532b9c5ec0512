#pragma once
// The generator's one rule for putting its signal on the output, shared by
// the generator window and the measuring command: what can be played (a
// sine or square below half the output rate, a chosen wave file), the output
// correction of a sine's level, the stop and start of the output, the loop
// flag, and the restart when something changes while it plays.
//
// The engine plays what its record says (the window's record is the
// process-wide generator record, the command's a copy of it). A start
// applies the output correction to the record's levels, so the caller puts
// the levels it wants into the record before every Start() and Restart().
//
// It never touches the output while a measurement owns it (audio/
// OutputOwner.h): that measurement's tone is not the generator's to replace
// or stop, and the measurement has stopped the generator's own already.
//
// GUI thread only; a QCoreApplication is enough.

#include "audio/GeneratorSettings.h"
#include "audio/MeasuringEngine.h"

namespace korvanta {

struct CorrectionTable;

// What plays after a successful start.
struct GeneratorResult {
    bool playing = false;
    bool userFile = false;   // the user's wave file plays, at its own rate and as it is
    int mode = 0;            // the record's form: 0 sine .. 3 pink noise, 4 wave file
    float frequency = 0.0f;
    int levelLeft = 0;       // as played, after the output correction
    int levelRight = 0;
    int sampleRate = 0;      // of the output slot (a file plays at its own)
    int bits = 0;
    // The loop's fit: its residue in thousandths of a frame (what the window
    // shows as the loop precision) and its length in frames; both 0 for a
    // file and for a tone computed as it plays, which have no loop.
    int loopPrecision = 0;
    int loopFrames = 0;
};

class GeneratorEngine : public MeasuringEngine {
    Q_OBJECT
public:
    enum class Failure {
        Format,   // a sine or square not below half the output rate (code 0)
        NoFile,   // the wave file form with no file chosen (code 0)
        Open,     // the output or the file could not be started
        Play,     // the output failed while playing
    };
    // Start() and Restart() when nothing was started: a restart while idle,
    // or a measurement owns the output.
    static constexpr int kNotStarted = 1;

    // A sine plays at its level corrected by `outputCorrection`.
    GeneratorEngine(GeneratorSettings& settings, const CorrectionTable& outputCorrection, QObject* parent = nullptr);
    ~GeneratorEngine() override;

    // Plays what the record says, replacing whatever the generator plays.
    // 0 when it plays (playing() has been emitted); otherwise failed() has
    // been emitted and the result is the device's code, 1 for a file that
    // cannot be played, or -1 for a refusal (Format, NoFile); kNotStarted
    // while a measurement owns the output.
    int Start();
    // A change while playing: plays the record again when the generator
    // plays, else does nothing and returns kNotStarted.
    int Restart();
    // Ends the tone or the file.
    void Stop();
    // A tone or a file of this engine plays.
    bool Running() const override;
    // The last successful start's result.
    const GeneratorResult& Result() const { return result_; }

signals:
    void playing(const korvanta::GeneratorResult& result);

private:
    int play();
    int playFile();
    int playTone();
    int fail(Failure kind, int code, int result);
    void outputFailed(int code);
    void outputTaken(bool taken);
    void stopOutput();
    void announce(const GeneratorResult& result);

    GeneratorSettings& settings_;
    const CorrectionTable& outputCorrection_;
    GeneratorResult result_;
    bool running_ = false;
};

} // namespace korvanta
