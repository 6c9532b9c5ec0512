#pragma once
// The loopback check of the record and play paths, shared by the virtual
// card's test and the sound server's: a stretch is recorded while a one-shot
// (a marker frame, then a tone) plays into the input's loop; the result says
// where the marker was heard, where the recorder marked it, and how clean
// the tone came back (a missing or doubled frame leaves a large residual).

#include "audio/PlayPath.h"
#include "audio/StretchRecorder.h"
#include "tests/audio/PathSignals.h"
#include "tests/support/SineFit.h"

#include <QTest>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace pathtest {

inline constexpr double kMarker = 0.9;
inline constexpr double kToneHz = 1000.0;
inline constexpr double kToneLevel = 0.25;
// Far below what a missing or doubled frame in the tone would leave.
inline constexpr double kGapFreeResidualDb = -60.0;
// Left out of the tone's fit at either end: the marker and the DUT's settling.
inline constexpr long long kToneMargin = 64;

// Silence, a marker frame, then a tone: the marker is heard kMarkerAt
// frames after the one-shot's first frame. The silence first, because a
// sound server may drop the first moments of a new stream from what its
// loop hears (it renders them again for the sink, not for the monitor).
inline long long MarkerAt(int rate) { return rate / 4; }

inline std::vector<double> MarkedTone(long long frames, int rate)
{
    std::vector<double> s(2 * frames);
    const long long at = MarkerAt(rate);
    s[2 * at] = s[2 * at + 1] = kMarker;
    for (long long i = at + 1; i < frames; ++i)
        s[2 * i] = s[2 * i + 1] = kToneLevel * std::sin(2 * std::numbers::pi * kToneHz * double(i - at) / rate);
    return s;
}

inline long long FirstAbove(const std::vector<double>& y, double level)
{
    for (size_t i = 0; i < y.size(); ++i)
        if (std::abs(y[i]) > level)
            return static_cast<long long>(i);
    return -1;
}

struct LoopbackResult {
    bool recorded = false;
    bool finished = false; // the one-shot announced its end
    int failure = -1;
    long long heard = -1;  // where the one-shot's first frame is in the stretch, by its marker
    long long marked = -1; // where the recorder marked the one-shot's first frame
    double toneAmplitude = 0;
    double toneResidualDb = 0;
    long long frames = 0; // what the stretch holds
};

// Records `seconds` of 16-bit stereo from `in`; `leadSeconds` into it plays a
// one-shot of `shotSeconds` to `out`. With `afterMark` > 0 the stretch ends
// that many frames after the one-shot's mark.
inline LoopbackResult RecordOneShot(int in, int out, const korvanta::WaveFormat& format, double seconds = 3.0,
                                    double shotSeconds = 1.5, double leadSeconds = 0.3, long long afterMark = 0)
{
    using namespace korvanta;
    const int rate = static_cast<int>(format.samplesPerSec);
    const auto shot = static_cast<long long>(shotSeconds * rate);
    LoopbackResult r;
    PlayPath player;
    if ((r.failure = player.open(out, format)) != 0)
        return r;
    StretchRecorder rec;
    QObject::connect(&rec, &StretchRecorder::recorded, [&] { r.recorded = true; });
    QObject::connect(&rec, &StretchRecorder::failed, [&](int code, const QString&) { r.failure = code; });
    QObject::connect(&player, &PlayPath::finished, [&] { r.finished = true; });
    if ((r.failure = rec.start(in, format, static_cast<long long>(seconds * rate), afterMark)) != 0)
        return r;
    r.failure = -1;
    // The one-shot starts inside the stretch, not at its edge: after the
    // input has delivered its first frames (a sound server's stream takes a
    // while to begin) and some more.
    const long long lead = static_cast<long long>(leadSeconds * rate);
    (void)QTest::qWaitFor([&] { return rec.capturedFrames() >= lead || r.failure >= 0; }, 10000);
    if ((r.failure = player.playOnce(Encode(MarkedTone(shot, rate), 16), rec.clock())) != 0)
        return r;
    r.failure = -1;
    const int limitMs = static_cast<int>(seconds * 1000) + 10000;
    (void)QTest::qWaitFor([&] { return r.recorded || r.failure >= 0; }, limitMs);
    (void)QTest::qWaitFor([&] { return r.finished || r.failure >= 0; }, limitMs);
    if (!r.recorded)
        return r;
    const std::vector<double> left = Channel16(rec.data(), 0);
    r.marked = rec.firstPlayedFrame();
    r.frames = rec.frames();
    const long long marker = FirstAbove(left, kMarker / 2);
    if (marker < 0)
        return r;
    r.heard = marker - MarkerAt(rate);
    const long long from = marker + kToneMargin;
    const long long to = std::min<long long>(r.heard + shot - kToneMargin, static_cast<long long>(left.size()));
    if (to - from < rate / 2)
        return r;
    const std::vector<double> tone(left.begin() + from, left.begin() + to);
    const SineFit fit = FitSineWithDc(tone, kToneHz, rate);
    r.toneAmplitude = fit.amplitude;
    r.toneResidualDb = fit.residualDb;
    return r;
}

} // namespace pathtest
