#include "bench/support/FirstWriteTiming.h"

#include "platform/audio/virtual/VirtualCard.h"

#include <atomic>
#include <thread>

using namespace korvanta;

namespace {
using Clock = std::chrono::steady_clock;
std::atomic<Clock::rep> firstWrite{0};

VirtualCard& card() { return VirtualCard::instance(); }

class StampingSink : public PlaybackSink {
public:
    explicit StampingSink(std::unique_ptr<PlaybackSink> inner) : inner_(std::move(inner)) {}
    int start() override { return inner_->start(); }
    int write(const uint8_t* src, int frames, int timeoutMs) override
    {
        Clock::rep none = 0;
        firstWrite.compare_exchange_strong(none, Clock::now().time_since_epoch().count());
        return inner_->write(src, frames, timeoutMs);
    }
    void stop() override { inner_->stop(); }
    int close() override { return inner_->close(); }

private:
    std::unique_ptr<PlaybackSink> inner_;
};
} // namespace

QString FirstWriteBackend::name() const { return card().name(); }
int FirstWriteBackend::initialise() { return card().initialise(); }
int FirstWriteBackend::inputCount() { return card().inputCount(); }
int FirstWriteBackend::outputCount() { return card().outputCount(); }
int FirstWriteBackend::inputCaps(int d, WaveInCaps& c) { return card().inputCaps(d, c); }
int FirstWriteBackend::outputCaps(int d, WaveOutCaps& c) { return card().outputCaps(d, c); }
QString FirstWriteBackend::deviceName(bool input, int d) { return card().deviceName(input, d); }
int FirstWriteBackend::queryInput(int d, const WaveFormat& f) { return card().queryInput(d, f); }
int FirstWriteBackend::queryOutput(int d, const WaveFormat& f) { return card().queryOutput(d, f); }

int FirstWriteBackend::openInput(int d, const WaveFormat& f, std::unique_ptr<CaptureSource>& out)
{
    return card().openInput(d, f, out);
}

int FirstWriteBackend::openOutput(int d, const WaveFormat& f, std::unique_ptr<PlaybackSink>& out)
{
    std::unique_ptr<PlaybackSink> inner;
    if (const int rc = card().openOutput(d, f, inner))
        return rc;
    out = std::make_unique<StampingSink>(std::move(inner));
    return 0;
}

void ArmFirstWrite() { firstWrite.store(0); }

double SecondsToFirstWrite(Clock::time_point t0)
{
    while (firstWrite.load() == 0)
        std::this_thread::yield();
    const Clock::time_point t1{Clock::duration(firstWrite.load())};
    return std::chrono::duration<double>(t1 - t0).count();
}
