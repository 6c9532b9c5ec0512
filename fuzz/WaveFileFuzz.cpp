// The wave-file player's opening on hostile files: a file is either refused
// with a reason for the device log, or it opens as a mono or stereo file
// with a positive rate and at least one frame, and reading it over and over
// (more frames than it holds, so the loop rewinds) gives whole blocks or the
// read error, encoded in every width the output takes.

#include "fuzz/FuzzSupport.h"
#include "platform/audio/WaveFile.h"
#include "platform/audio/WaveTypes.h"

#include <vector>

using namespace korvanta;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzz::WriteScratchFile(QStringLiteral("user.wav"), fuzz::Bytes(data, size));
    QString why;
    std::unique_ptr<WaveFileReader> reader = OpenWaveFile(path, why);
    if (!reader) {
        if (why.isEmpty())
            fuzz::Fail("a refused file says why");
        return 0;
    }
    const WaveFileInfo info = reader->info();
    if (info.channels < 1 || info.channels > 2 || info.rate <= 0 || info.frames < 1)
        fuzz::Fail("an opened file is mono or stereo with a rate and a frame");
    constexpr int kFrames = 700;
    WaveFileSource source(std::move(reader), 16);
    std::vector<uint8_t> out(static_cast<size_t>(kFrames) * 2 * 4);
    for (int round = 0; round < 3; ++round) {
        const int n = source.read(out.data(), kFrames);
        if (n != kFrames && n != -WAVERR_FILE_READ)
            fuzz::Fail("a looped read gives a whole block or the read error");
    }
    for (int bits : {8, 32}) {
        QString again;
        std::unique_ptr<WaveFileReader> second = OpenWaveFile(path, again);
        if (!second)
            fuzz::Fail("a file that opened once opens again");
        WaveFileSource wide(std::move(second), bits);
        const int n = wide.read(out.data(), kFrames);
        if (n != kFrames && n != -WAVERR_FILE_READ)
            fuzz::Fail("a looped read gives a whole block or the read error");
    }
    return 0;
}
