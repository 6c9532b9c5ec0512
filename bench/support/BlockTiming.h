#pragma once
// Where the time of one analyzer block goes, measured on the real device:
// a backend that hands every call on to another and stamps, per block, when
// its capture was started (the block's request reached the device), when
// the read that completed it returned (its last frame arrived) and, from
// the page, when its spectrum was shown. A block cycle then splits into
//   waiting for the request: from the last spectrum shown to the start;
//   recording: the block's own duration, frames / fs, which nothing beats;
//   waiting for the last frame: what recording took beyond that (a server
//     hands frames on per period, so the last one comes at a period's end);
//   processing: from the last frame to the spectrum shown.
// The device thread's stamps are taken under a lock; everything else runs
// on the GUI thread.

#include "platform/audio/AudioBackend.h"

#include <chrono>
#include <mutex>
#include <vector>

namespace benchmark {
class State;
}

using namespace korvanta;

struct BlockStamps {
    using Clock = std::chrono::steady_clock;
    Clock::time_point started{};
    Clock::time_point lastFrame{};
    Clock::time_point shown{};
    long long frames = 0;
    int reads = 0;         // reads that delivered frames
};

class BlockTimingLog {
public:
    // Device side: a block's capture started, a read delivered frames.
    void started();
    void read(int frames);
    // GUI thread: the spectrum of the oldest finished block not yet shown.
    void shown();
    void clear();
    std::vector<BlockStamps> blocks() const;

private:
    mutable std::mutex mutex_;
    std::vector<BlockStamps> blocks_;
    size_t nextShown_ = 0;
};

class TimedBackend : public AudioBackend {
public:
    TimedBackend(AudioBackend& inner, BlockTimingLog& log) : inner_(inner), log_(log) {}

    QString name() const override { return inner_.name(); }
    int initialise() override { return inner_.initialise(); }
    void rescan() override { inner_.rescan(); }
    int inputCount() override { return inner_.inputCount(); }
    int outputCount() override { return inner_.outputCount(); }
    int inputCaps(int device, WaveInCaps& caps) override { return inner_.inputCaps(device, caps); }
    int outputCaps(int device, WaveOutCaps& caps) override { return inner_.outputCaps(device, caps); }
    QString deviceName(bool input, int device) override { return inner_.deviceName(input, device); }
    QString deviceId(bool input, int device) override { return inner_.deviceId(input, device); }
    int midiOutCount() override { return inner_.midiOutCount(); }
    int auxCount() override { return inner_.auxCount(); }
    int queryInput(int device, const WaveFormat& format) override { return inner_.queryInput(device, format); }
    int queryOutput(int device, const WaveFormat& format) override { return inner_.queryOutput(device, format); }
    int openInput(int device, const WaveFormat& format, std::unique_ptr<CaptureSource>& out) override;
    int openOutput(int device, const WaveFormat& format, std::unique_ptr<PlaybackSink>& out) override
    {
        return inner_.openOutput(device, format, out);
    }
    QString errorText(int code) const override { return inner_.errorText(code); }

private:
    AudioBackend& inner_;
    BlockTimingLog& log_;
};

// Mean milliseconds of each part over the blocks after the first `skip`
// (which only start the run), as counters: request_ms, record_ms,
// last_frame_ms, processing_ms, cycle_ms, and reads per block.
void ReportBlockBreakdown(benchmark::State& state, const std::vector<BlockStamps>& blocks, int rate, int skip);
