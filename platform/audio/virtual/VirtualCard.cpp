#include "platform/audio/virtual/VirtualCard.h"

#include "platform/DeviceLog.h"
#include "platform/audio/virtual/VirtualCapture.h"
#include "platform/audio/virtual/VirtualPlayback.h"

#include <algorithm>

namespace korvanta {

namespace {
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 384000;

bool isStreamFault(VirtualFault f)
{
    return f == VirtualFault::CloseFails || f == VirtualFault::NoData || f == VirtualFault::ShortBlock
        || f == VirtualFault::Stall || f == VirtualFault::DeviceGone;
}

bool isOutputFault(VirtualFault f)
{
    return f == VirtualFault::OutputStall || f == VirtualFault::OutputGone || f == VirtualFault::OutputWriteFails;
}
} // namespace

VirtualCard& VirtualCard::instance()
{
    static VirtualCard card;
    return card;
}

QString VirtualCard::inputName() { return QStringLiteral("Korvanta virtual card (loopback) input"); }
QString VirtualCard::outputName() { return QStringLiteral("Korvanta virtual card (loopback) output"); }

void VirtualCard::setFastMode(bool fast)
{
    std::lock_guard lock(mutex_);
    fast_ = fast;
}

void VirtualCard::setDut(const DutConfig& config)
{
    std::lock_guard lock(mutex_);
    dutOverride_ = config;
}

void VirtualCard::clearDut()
{
    std::lock_guard lock(mutex_);
    dutOverride_.reset();
}

void VirtualCard::injectFault(VirtualFault fault, int code, int times)
{
    std::lock_guard lock(mutex_);
    fault_ = fault;
    faultCode_ = code;
    faultTimes_ = times;
}

void VirtualCard::clearFaults() { injectFault(VirtualFault::None); }

void VirtualCard::setFormatLimits(const std::vector<int>& rates, const std::vector<int>& bits)
{
    std::lock_guard lock(mutex_);
    rateLimits_ = rates;
    bitLimits_.clear();
    for (int b : bits)
        bitLimits_.push_back(b == 24 ? 32 : b);
}

bool VirtualCard::fastNow()
{
    std::lock_guard lock(mutex_);
    return fast_ || currentSpec().fast.value_or(false);
}

void VirtualCard::setInputVolume(int percent) { volume_.store(std::clamp(percent, 0, 100)); }

int VirtualCard::inputVolume() const { return volume_.load(); }

void VirtualCard::setMixerPath(double playGain, double inputGain, bool hearsDut)
{
    std::lock_guard lock(mutex_);
    mixPlayGain_ = playGain;
    mixInputGain_ = inputGain;
    mixHearsDut_ = hearsDut;
}

void VirtualCard::reset()
{
    std::lock_guard lock(mutex_);
    fast_ = false;
    dutOverride_.reset();
    fault_ = VirtualFault::None;
    faultTimes_ = 0;
    volume_.store(100);
    inputOpenings_.store(0);
    mixPlayGain_ = mixInputGain_ = 1.0;
    mixHearsDut_ = true;
    sim_.reset();
    rateLimits_.clear();
    bitLimits_.clear();
    played_.endAny();
    lastLoggedSpec_.clear();
}

bool VirtualCard::outputPlaying() const { return played_.playing(); }

// Counts one occasion of `fault` when it is the injected one.
bool VirtualCard::takeFault(VirtualFault fault, int* code)
{
    std::lock_guard lock(mutex_);
    if (fault_ != fault || faultTimes_ == 0)
        return false;
    if (code)
        *code = faultCode_;
    if (faultTimes_ > 0 && --faultTimes_ == 0)
        fault_ = VirtualFault::None;
    return true;
}

// KORVANTA_DUT as it is now; its complaints go to the device log once per
// distinct text.
DutSpec VirtualCard::currentSpec()
{
    const bool set = qEnvironmentVariableIsSet("KORVANTA_DUT");
    const QString text = qEnvironmentVariable("KORVANTA_DUT");
    DutSpec spec;
    if (set)
        spec = ParseDutSpec(text);
    else
        spec.dut = DefaultDut();
    if (set && text != lastLoggedSpec_) {
        lastLoggedSpec_ = text;
        for (const QString& e : spec.errors)
            devlog::Append(e);
    }
    return spec;
}

int VirtualCard::initialise()
{
    int code = 0;
    DutSpec spec;
    {
        std::lock_guard lock(mutex_);
        spec = currentSpec();
    }
    if (spec.fault == VirtualFault::InitFails || takeFault(VirtualFault::InitFails, &code))
        return MMSYSERR_NOMEM;
    return 0;
}

QString VirtualCard::deviceName(bool input, int device)
{
    if (device != 0)
        return {};
    return input ? inputName() : outputName();
}

int VirtualCard::inputCaps(int device, WaveInCaps& caps)
{
    if (device != 0)
        return MMSYSERR_BADDEVICEID;
    caps = WaveInCaps{inputName(), formatMask(), 2, 0};
    return 0;
}

int VirtualCard::outputCaps(int device, WaveOutCaps& caps)
{
    if (device != 0)
        return MMSYSERR_BADDEVICEID;
    caps = WaveOutCaps{outputName(), formatMask(), 2,
                       WAVECAPS_VOLUME | WAVECAPS_LRVOLUME | WAVECAPS_SAMPLEACCURATE};
    return 0;
}

// The classic mask of what checkFormat() takes (mono bits as stereo).
uint32_t VirtualCard::formatMask()
{
    uint32_t mask = 0;
    uint32_t bit = 1;
    for (int rate : kClassicRates) {
        for (int bits : {8, 16}) {
            const bool ok = checkFormat(0, MakeWaveFormat(rate, bits)) == 0;
            mask |= ok ? (bit | bit << 1) : 0;
            bit <<= 2;
        }
    }
    return mask;
}

int VirtualCard::checkFormat(int device, const WaveFormat& f)
{
    if (device != 0)
        return MMSYSERR_BADDEVICEID;
    const bool bitsOk = f.bitsPerSample == 8 || f.bitsPerSample == 16 || f.bitsPerSample == 32;
    const bool rateOk = f.samplesPerSec >= kMinRate && f.samplesPerSec <= kMaxRate;
    if (f.formatTag != 1 || !bitsOk || !rateOk || f.channels != 2
        || f.blockAlign != f.channels * f.bitsPerSample / 8)
        return WAVERR_BADFORMAT;
    auto allows = [](const std::vector<int>& limits, int v) {
        return limits.empty() || std::find(limits.begin(), limits.end(), v) != limits.end();
    };
    std::lock_guard lock(mutex_);
    const DutSpec spec = currentSpec();
    const int rate = static_cast<int>(f.samplesPerSec);
    if (!allows(spec.rates, rate) || !allows(rateLimits_, rate) || !allows(spec.bits, f.bitsPerSample)
        || !allows(bitLimits_, f.bitsPerSample))
        return WAVERR_BADFORMAT;
    return 0;
}

int VirtualCard::queryInput(int device, const WaveFormat& format)
{
    ++inputOpenings_;
    return checkFormat(device, format);
}
int VirtualCard::queryOutput(int device, const WaveFormat& format) { return checkFormat(device, format); }

// Reads KORVANTA_DUT and the C++ settings for one input stream; a changed
// DUT or rate starts a fresh simulation, an unchanged one continues.
VirtualCard::Session VirtualCard::beginSession(int rate)
{
    std::lock_guard lock(mutex_);
    const DutSpec spec = currentSpec();
    const DutConfig dut = dutOverride_.value_or(spec.dut);
    builtInSource_ = !dutOverride_ && !qEnvironmentVariableIsSet("KORVANTA_DUT");
    if (!sim_ || !(sim_->config() == dut) || sim_->sampleRate() != rate) {
        sim_ = std::make_unique<DutSimulator>(dut, rate);
        for (const QString& w : sim_->warnings())
            devlog::Append(w);
    }
    if (spec.inputVolume != envVolume_) {
        envVolume_ = spec.inputVolume;
        if (envVolume_)
            volume_.store(*envVolume_);
    }
    Session s;
    s.fast = fast_ || spec.fast.value_or(false);
    if (isStreamFault(fault_) && faultTimes_ != 0) {
        s.fault = fault_;
        s.code = faultCode_;
        if (faultTimes_ > 0 && --faultTimes_ == 0)
            fault_ = VirtualFault::None;
    } else if (isStreamFault(spec.fault) || spec.fault == VirtualFault::Overrun) {
        s.fault = spec.fault;
        s.code = spec.faultCode;
    }
    return s;
}

int VirtualCard::openInput(int device, const WaveFormat& format, std::unique_ptr<CaptureSource>& out)
{
    ++inputOpenings_;
    if (const int rc = checkFormat(device, format))
        return rc;
    int code = 0;
    {
        std::lock_guard lock(mutex_);
        const DutSpec spec = currentSpec();
        if (spec.fault == VirtualFault::OpenFails)
            return spec.faultCode ? spec.faultCode : MMSYSERR_ALLOCATED;
    }
    if (takeFault(VirtualFault::OpenFails, &code))
        return code ? code : MMSYSERR_ALLOCATED;
    out = std::make_unique<VirtualCapture>(*this, format, beginSession(static_cast<int>(format.samplesPerSec)));
    return 0;
}

int VirtualCard::openOutput(int device, const WaveFormat& format, std::unique_ptr<PlaybackSink>& out)
{
    if (const int rc = checkFormat(device, format))
        return rc;
    int code = 0;
    VirtualFault streamFault = VirtualFault::None;
    {
        std::lock_guard lock(mutex_);
        const DutSpec spec = currentSpec();
        if (spec.fault == VirtualFault::OutputOpenFails)
            return spec.faultCode ? spec.faultCode : MMSYSERR_ALLOCATED;
        if (isOutputFault(spec.fault))
            streamFault = spec.fault;
    }
    if (takeFault(VirtualFault::OutputOpenFails, &code))
        return code ? code : MMSYSERR_ALLOCATED;
    for (VirtualFault f : {VirtualFault::OutputStall, VirtualFault::OutputGone, VirtualFault::OutputWriteFails})
        if (takeFault(f))
            streamFault = f;
    out = std::make_unique<VirtualPlayback>(*this, format, streamFault);
    return 0;
}

// Input thread, listenMutex_ held: the played signal at the input's rate.
// Returns the frames made; fewer than asked only when, in fast mode, the
// output has not written them by `waitUntil`.
int VirtualCard::hearPlayed(double* out, int frames, int rate, std::optional<PlayedStream::Clock::time_point> waitUntil)
{
    const PlayedStream::State now = played_.state();
    const bool sameRates = resampler_ ? resampler_->fromRate() == now.rate && resampler_->toRate() == rate
                                      : now.rate == rate;
    if (now.session != heardSession_ || !sameRates) {
        heardSession_ = now.session;
        resampler_ = now.rate != rate ? std::make_unique<Resampler>(now.rate, rate) : nullptr;
    }
    int made = 0;
    while (made < frames) {
        if (resampler_) {
            made += resampler_->pull(out + 2 * static_cast<size_t>(made), frames - made);
            if (made == frames)
                break;
        }
        const int want = resampler_ ? resampler_->needed() : frames - made;
        source_.resize(2 * static_cast<size_t>(want));
        double* into = resampler_ ? source_.data() : out + 2 * static_cast<size_t>(made);
        const PlayedStream::Taken t = played_.read(into, want, waitUntil);
        int got = t.frames;
        if (got < want && (!t.playing || !waitUntil)) {
            // Nothing more is coming in time: the line is silent.
            std::fill(into + 2 * static_cast<size_t>(got), into + 2 * static_cast<size_t>(want), 0.0);
            got = want;
        }
        if (got == 0)
            break;
        if (resampler_)
            resampler_->push(into, got);
        else
            made += got;
    }
    return made;
}

// An unconnected input's hiss, about -110 dBFS RMS (uniform, so its RMS is
// the peak over sqrt 3).
double VirtualCard::floorNoise()
{
    constexpr double kPeak = 3.16e-6 * 1.7320508;
    floorNoise_ = floorNoise_ * 1664525u + 1013904223u;
    return kPeak * (static_cast<double>(floorNoise_) / 2147483648.0 - 1.0);
}

int VirtualCard::render(uint8_t* dst, int frames, const WaveFormat& format,
                        std::optional<PlayedStream::Clock::time_point> waitUntil)
{
    std::lock_guard listen(listenMutex_);
    heard_.resize(2 * static_cast<size_t>(frames));
    const int made = hearPlayed(heard_.data(), frames, static_cast<int>(format.samplesPerSec), waitUntil);
    // The played frames enter the device under test here.
    std::lock_guard lock(mutex_);
    if (!sim_) {
        sim_ = std::make_unique<DutSimulator>(dutOverride_.value_or(DefaultDut()), static_cast<int>(format.samplesPerSec));
        builtInSource_ = !dutOverride_;
    }
    sim_->setExternalPaused(builtInSource_ && outputOpen());
    scratch_.resize(2 * static_cast<size_t>(made));
    for (int i = 0; i < made; ++i) {
        // The virtual mixer's master and wave-out volume scale what is played.
        double played[2] = {heard_[2 * static_cast<size_t>(i)] * mixPlayGain_,
                            heard_[2 * static_cast<size_t>(i) + 1] * mixPlayGain_};
        double* out = &scratch_[2 * static_cast<size_t>(i)];
        sim_->process(played, out);
        if (!mixHearsDut_)
            out[0] = out[1] = floorNoise();
    }
    QuantiseSamples(scratch_.data(), made * 2, format.bitsPerSample, volume_.load() / 100.0 * mixInputGain_, dst);
    return made;
}

} // namespace korvanta
