#include "bench/support/BlockTiming.h"

#include <benchmark/benchmark.h>

namespace {
double ms(BlockStamps::Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

class TimedCapture : public CaptureSource {
public:
    TimedCapture(std::unique_ptr<CaptureSource> inner, BlockTimingLog& log) : inner_(std::move(inner)), log_(log) {}

    int start() override
    {
        log_.started();
        return inner_->start();
    }
    ReadResult read(uint8_t* dst, int frames, int timeoutMs) override
    {
        const ReadResult r = inner_->read(dst, frames, timeoutMs);
        if (r.frames > 0)
            log_.read(r.frames);
        return r;
    }
    int firstFrameMs() const override { return inner_->firstFrameMs(); }
    void stop() override { inner_->stop(); }
    void finishBlock() override { inner_->finishBlock(); }
    bool keepable() const override { return inner_->keepable(); }
    int close() override { return inner_->close(); }

private:
    std::unique_ptr<CaptureSource> inner_;
    BlockTimingLog& log_;
};
} // namespace

void BlockTimingLog::started()
{
    std::lock_guard lock(mutex_);
    BlockStamps b;
    b.started = BlockStamps::Clock::now();
    blocks_.push_back(b);
}

void BlockTimingLog::read(int frames)
{
    const auto now = BlockStamps::Clock::now();
    std::lock_guard lock(mutex_);
    if (blocks_.empty())
        return;
    blocks_.back().lastFrame = now;
    blocks_.back().frames += frames;
    ++blocks_.back().reads;
}

void BlockTimingLog::shown()
{
    const auto now = BlockStamps::Clock::now();
    std::lock_guard lock(mutex_);
    // A block is shown after its last frame came; one whose start found no
    // frames (a stopped run) is skipped.
    while (nextShown_ < blocks_.size() && blocks_[nextShown_].frames == 0)
        ++nextShown_;
    if (nextShown_ < blocks_.size())
        blocks_[nextShown_++].shown = now;
}

void BlockTimingLog::clear()
{
    std::lock_guard lock(mutex_);
    blocks_.clear();
    nextShown_ = 0;
}

std::vector<BlockStamps> BlockTimingLog::blocks() const
{
    std::lock_guard lock(mutex_);
    return blocks_;
}

int TimedBackend::openInput(int device, const WaveFormat& format, std::unique_ptr<CaptureSource>& out)
{
    std::unique_ptr<CaptureSource> inner;
    const int rc = inner_.openInput(device, format, inner);
    if (inner)
        out = std::make_unique<TimedCapture>(std::move(inner), log_);
    return rc;
}

void ReportBlockBreakdown(benchmark::State& state, const std::vector<BlockStamps>& blocks, int rate, int skip)
{
    double request = 0, record = 0, lastFrame = 0, processing = 0, cycle = 0, reads = 0;
    int n = 0;
    for (size_t k = size_t(std::max(1, skip)); k < blocks.size(); ++k) {
        const BlockStamps& b = blocks[k];
        const BlockStamps& before = blocks[k - 1];
        if (b.shown == BlockStamps::Clock::time_point{} || before.shown == BlockStamps::Clock::time_point{})
            continue;
        const double own = 1000.0 * double(b.frames) / rate;
        request += ms(b.started - before.shown);
        record += own;
        lastFrame += ms(b.lastFrame - b.started) - own;
        processing += ms(b.shown - b.lastFrame);
        cycle += ms(b.shown - before.shown);
        reads += b.reads;
        ++n;
    }
    if (n == 0)
        return;
    state.counters["request_ms"] = request / n;
    state.counters["record_ms"] = record / n;
    state.counters["last_frame_ms"] = lastFrame / n;
    state.counters["processing_ms"] = processing / n;
    state.counters["cycle_ms"] = cycle / n;
    state.counters["reads"] = reads / n;
}
