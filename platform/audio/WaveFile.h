#pragma once
// User wave files for the looping player: libsndfile opens them (WAV, AIFF,
// FLAC, Ogg, whatever it reads), the reader streams their frames from disk
// over and over, and WaveFileSource turns them into the output's PCM, mono
// sent to both channels. Nothing here knows a device or a window.

#include "platform/audio/AudioBackend.h"

#include <QString>
#include <memory>
#include <vector>

// libsndfile's handle type, without its header.
struct sf_private_tag;

namespace korvanta {

struct WaveFileInfo {
    int rate = 0;
    int channels = 0;
    long long frames = 0;
};

// An open, checked wave file. One thread at a time.
class WaveFileReader {
public:
    ~WaveFileReader();
    WaveFileReader(const WaveFileReader&) = delete;
    WaveFileReader& operator=(const WaveFileReader&) = delete;

    const WaveFileInfo& info() const { return info_; }
    // Reads `frames` stereo frames as 32-bit samples (full scale in the top
    // bits), starting again at the first frame whenever the file ends.
    // Returns `frames`, or -WAVERR_FILE_READ once nothing more can be read.
    int readLooped(int32_t* stereo, int frames);

private:
    friend std::unique_ptr<WaveFileReader> OpenWaveFile(const QString& path, QString& why);
    WaveFileReader(sf_private_tag* file, const WaveFileInfo& info);

    sf_private_tag* file_;
    WaveFileInfo info_;
    std::vector<double> buffer_;
};

// Opens the file and checks that it can be looped: it exists and libsndfile
// reads it, it holds at least one readable frame, it has one or two
// channels, a positive rate, and can be rewound. On failure returns nullptr
// and says why in `why` (one line, for the device log).
std::unique_ptr<WaveFileReader> OpenWaveFile(const QString& path, QString& why);

// A playing output's frames from a wave file, encoded in `bits` (8, 16, 32)
// the way the playback engine encodes its own signals.
class WaveFileSource : public FrameSource {
public:
    WaveFileSource(std::unique_ptr<WaveFileReader> reader, int bits);
    int read(uint8_t* dst, int frames) override;

private:
    std::unique_ptr<WaveFileReader> reader_;
    int bits_;
    std::vector<int32_t> stereo_;
};

// One 32-bit sample (full scale in the top bits) in the output width,
// rounded to the nearest step: 8-bit unsigned, 16-bit or 32-bit signed.
void EncodeWideSample(int32_t value, int bits, uint8_t* dst);

} // namespace korvanta
