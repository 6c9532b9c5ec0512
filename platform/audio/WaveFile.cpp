#include "platform/audio/WaveFile.h"

#include "platform/RegularFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sndfile.h>

namespace korvanta {

namespace {
constexpr int kReadFrames = 1024;

// A sample of 32 bits cut to its top `bits`, rounded, kept in range.
int64_t roundedTop(int32_t value, int bits)
{
    const int shift = 32 - bits;
    const int64_t half = int64_t{1} << (shift - 1);
    const int64_t limit = (int64_t{1} << (bits - 1)) - 1;
    return std::min((static_cast<int64_t>(value) + half) >> shift, limit);
}

// A full-scale value as a 32-bit sample. Integer files come back exactly
// (libsndfile scales them by a power of two); floating-point files beyond
// full scale are clipped, never wrapped, and a NaN in a damaged float file
// plays as silence (converting it would be undefined).
int32_t wide(double x)
{
    if (std::isnan(x))
        return 0;
    const double v = std::nearbyint(x * 2147483648.0);
    return static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
}

std::unique_ptr<WaveFileReader> fail(QString& why, const QString& text)
{
    why = text;
    return nullptr;
}
} // namespace

WaveFileReader::WaveFileReader(SNDFILE* file, const WaveFileInfo& info) : file_(file), info_(info) {}

WaveFileReader::~WaveFileReader() { sf_close(file_); }

int WaveFileReader::readLooped(int32_t* stereo, int frames)
{
    const int ch = info_.channels;
    buffer_.resize(static_cast<size_t>(std::min(frames, kReadFrames)) * ch);
    int done = 0;
    bool rewound = false; // a rewind that brings nothing means the file is unreadable now
    while (done < frames) {
        const int want = std::min(frames - done, kReadFrames);
        const sf_count_t n = sf_readf_double(file_, buffer_.data(), want);
        if (n <= 0) {
            if (rewound || sf_seek(file_, 0, SEEK_SET) < 0)
                return -WAVERR_FILE_READ;
            rewound = true;
            continue;
        }
        rewound = false;
        for (sf_count_t i = 0; i < n; ++i) {
            const double* f = buffer_.data() + i * ch;
            stereo[2 * (done + i)] = wide(f[0]);
            stereo[2 * (done + i) + 1] = wide(f[ch - 1]);
        }
        done += static_cast<int>(n);
    }
    return done;
}

std::unique_ptr<WaveFileReader> OpenWaveFile(const QString& path, QString& why)
{
    if (path.isEmpty())
        return fail(why, QStringLiteral("no wave file chosen"));
    // Streamed, so of any length; but never a pipe, which would block the
    // open, nor a device such as /dev/zero, which never ends.
    FileProblem problem;
    const int fd = OpenRegularFile(path, problem);
    if (problem.fault == FileFault::Missing)
        return fail(why, QStringLiteral("the file does not exist"));
    if (fd < 0)
        return fail(why, FileProblemText(problem, 'E'));
    SF_INFO info{};
    // Closes the descriptor with the file, also when it cannot be opened.
    SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
    if (!file)
        return fail(why, QStringLiteral("not a wave file that can be read (%1)").arg(QString::fromUtf8(sf_strerror(nullptr)).trimmed()));
    auto close = [file] { sf_close(file); };
    if (info.channels < 1 || info.channels > 2) {
        close();
        return fail(why, QStringLiteral("%1 channels; only mono and stereo files can be played").arg(info.channels));
    }
    if (info.samplerate <= 0) {
        close();
        return fail(why, QStringLiteral("no usable sample rate (%1 Hz)").arg(info.samplerate));
    }
    if (!info.seekable) {
        close();
        return fail(why, QStringLiteral("the file cannot be rewound, so it cannot be looped"));
    }
    // The header may promise frames the file does not hold: try one.
    double first[2] = {0, 0};
    if (info.frames <= 0 || sf_readf_double(file, first, 1) != 1 || sf_seek(file, 0, SEEK_SET) != 0) {
        close();
        return fail(why, QStringLiteral("the file holds no sound frames"));
    }
    return std::unique_ptr<WaveFileReader>(
        new WaveFileReader(file, WaveFileInfo{info.samplerate, info.channels, static_cast<long long>(info.frames)}));
}

void EncodeWideSample(int32_t value, int bits, uint8_t* dst)
{
    if (bits == 8) {
        dst[0] = static_cast<uint8_t>(roundedTop(value, 8) + 128);
    } else if (bits == 16) {
        const auto s = static_cast<int16_t>(roundedTop(value, 16));
        std::memcpy(dst, &s, 2);
    } else {
        std::memcpy(dst, &value, 4);
    }
}

WaveFileSource::WaveFileSource(std::unique_ptr<WaveFileReader> reader, int bits)
    : reader_(std::move(reader)), bits_(bits)
{
}

int WaveFileSource::read(uint8_t* dst, int frames)
{
    stereo_.resize(2 * static_cast<size_t>(frames));
    const int n = reader_->readLooped(stereo_.data(), frames);
    if (n < 0)
        return n;
    const int bytes = bits_ / 8;
    for (int i = 0; i < 2 * n; ++i)
        EncodeWideSample(stereo_[i], bits_, dst + static_cast<size_t>(i) * bytes);
    return n;
}

} // namespace korvanta
