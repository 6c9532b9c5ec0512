#pragma once
// Pass/fail limits of a device test, judged against its figures as the
// report prints them (so a value shown as -90.00 dB passes -90). A figure a
// limit needs that was not measured fails it: a script must never read
// "pass" where nothing was measured. Only CCIF is left out where the rate
// has no room for its tones, as the report says too.
//
// Plain values, no device: the command fills the limits from its options.

#include "cli/ToleranceBand.h"
#include "devicetest/DeviceTestResult.h"

#include <QJsonObject>
#include <QStringList>
#include <optional>
#include <vector>

namespace korvanta {

struct DtLimits {
    std::optional<double> minDynamicRange = std::nullopt; // dB, unweighted, each channel
    std::optional<double> maxThdn = std::nullopt; // dB, each channel
    std::optional<double> maxCrosstalk = std::nullopt; // dB, both ways at each frequency
    std::optional<double> maxNoise = std::nullopt; // dBFS, unweighted, each channel
    std::optional<double> maxImd = std::nullopt; // dB, SMPTE and CCIF d2, d3, each channel
    std::optional<double> maxChannelMatch = std::nullopt; // dB either way, gain left against right
    std::optional<ToleranceBand> response = std::nullopt; // dB relative to 1 kHz

    bool Any() const;
};

// One judgement: a figure (or one point of the response) against a limit.
struct DtLimitCheck {
    QString option;               // "--max-thdn"
    QString figure;               // a figure's id, or "response"
    DtChannel channel = DtChannel::Left;
    std::optional<double> hz;     // the response's point
    std::optional<double> value;  // as printed; none: not measured
    std::optional<double> min;
    std::optional<double> max;
    bool pass = false;
    QString failure;              // the line for standard error, when it failed
};

struct DtVerdict {
    bool checked = false;         // a limit was given
    std::vector<DtLimitCheck> checks;

    bool Pass() const;
    QStringList Failures() const;
};

DtVerdict JudgeDeviceTest(const DeviceTestResult& result, const DtLimits& limits);

// {"checked", "pass", "failures": [text], "checks": [{"limit", "figure",
// "channel", "frequency_hz", "value", "min", "max", "pass"}]}, as the
// "verdict" of the device test's JSON.
QJsonObject DtVerdictJson(const DtVerdict& verdict);

} // namespace korvanta
