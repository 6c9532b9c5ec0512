#pragma once
// The spectrum analyzer's block processing without any widget: copying a
// channel out of a recorded block, averaging linear magnitudes, the run's
// frequency range, how a run goes on after a block, and the read-out texts.

#include <QString>

namespace korvanta {

struct AnalyzerState;

// Frames recorded per block for FFT size N: N + N/8 (2304 ... 18432).
int BlockFrames(int N);

// Frequency range of a run: xmax = fs/2, xmin = (xmax / N) rounded down to
// an even number, at least 1 (44.1 kHz, N 2048 -> 10 .. 22050).
struct RunRange {
    int xmin;
    int xmax;
};
RunRange RunFrequencyRange(int sampleRate, int N);

// Frequency of bin i: i x fs / N, exact also at odd rates.
double BinFrequency(int i, int N, int sampleRate);

// Copies one channel of an interleaved block (first float of each pair the
// right channel, second the left) into dest: count/2 - 1 values, the last
// frame left out. channel 0 = right, 1 = left. Returns the values copied.
int CopyChannel(const float* block, int count, int channel, float* dest);

// Whether an interleaved block of `count` floats holds enough frames for
// FFT size N (the last frame is never copied).
bool BlockFitsTransform(int count, int N);

// Sets every element of both sum arrays to 0 (when they exist).
void ClearSums(AnalyzerState& s);

// One block's step of an averaging run. Decrements AverLeft; with more than
// one average adds the spectra to the sums and, when the run is complete,
// replaces the spectra by the mean of the linear magnitudes and clears the
// sums. Returns true when a result is ready to display (AverLeft reached 0;
// it is then reset to AverCount).
bool AverageStep(AnalyzerState& s, int bins);

enum class NextStep { Nothing, PostNextBlock, StopRun };

struct ContinuationInput {
    int runMode = 1;       // 0 single, 1 continuous, 2 trigger
    bool running = false;
    bool deviceError = false; // the audio layer reported an error for this block
    float q = 1.0f;        // trigger: measured mean level (1.0 when no block was shown)
    float t = 1.0f;        // trigger: threshold level
    int averLeft = 0;
    int averCount = 1;
};

// How a run goes on after a block: a single run ends after one displayed
// average, a continuous run goes on, a trigger run ends on the first block
// at or above the threshold. A run that was stopped meanwhile never starts
// another recording.
NextStep Continuation(const ContinuationInput& in);

// Read-out texts of the diagram's info line.
QString LevelReadout(const QString& leftLabel, double leftLevel, const QString& rightLabel, double rightLevel,
                     const QString& unitLabel, const QString& filterName);
// One channel of the THD+N line: "<f>Hz <thd>dB", or the no-fundamental text.
QString ThdPart(double fundamentalHz, double thdDb, const QString& noFundamentalText);
QString ThdReadout(const QString& leftLabel, const QString& leftPart, const QString& rightLabel,
                   const QString& rightPart, const QString& filterName);
QString TriggerReadout(double q, double t, const QString& unitLabel);

// "Over <count>" or "." for the over-range indicator.
QString OverRangeText(int overRange);

} // namespace korvanta
