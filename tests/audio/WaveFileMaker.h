#pragma once
// Wave files made by the tests with libsndfile: a sine of whole periods (so
// a looped file has no seam), or any other content.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cmath>
#include <functional>
#include <numbers>
#include <sndfile.h>
#include <vector>

// Writes `frames` frames; sample(frame, channel) gives full-scale values.
inline bool WriteWaveFile(const QString& path, int format, int channels, int rate, int frames,
                          const std::function<double(int, int)>& sample)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f)
        return false;
    std::vector<double> data(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            data[static_cast<size_t>(i) * channels + c] = sample(i, c);
    const sf_count_t n = sf_writef_double(f, data.data(), frames);
    sf_close(f);
    return n == frames;
}

// `periods` whole periods of a sine in `frames` frames, amplitude `amp`; the
// second channel (if any) at half the amplitude.
inline bool WriteSineFile(const QString& path, int format, int channels, int rate, int frames, int periods,
                          double amp = 0.5)
{
    return WriteWaveFile(path, format, channels, rate, frames, [=](int i, int c) {
        return amp * (c == 0 ? 1.0 : 0.5) * std::sin(2.0 * std::numbers::pi * periods * i / frames);
    });
}
