#pragma once
// The analysis of one recorded sweep on a thread of its own. A long sweep
// at a high rate takes the better part of a second to deconvolve, and the
// window must keep answering meanwhile (its Stop button above all).
//
// The worker owns copies of everything it reads, so the recording, the
// settings and the output's correction may change or go away while it
// runs. Its result reaches the receiver's thread as a queued call, and only
// when Cancel() has not come first; the destructor cancels and waits, so a
// receiver that owns this object is never called after it is gone.
//
// Every member is for the receiver's thread.

#include "correction/CorrectionTable.h"
#include "ir/IrAnalysis.h"

#include <QObject>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace korvanta {

class IrAnalysisThread {
public:
    using Done = std::function<void(const IrMeasurement&)>;

    IrAnalysisThread() = default;
    ~IrAnalysisThread();
    IrAnalysisThread(const IrAnalysisThread&) = delete;
    IrAnalysisThread& operator=(const IrAnalysisThread&) = delete;

    // AnalyseSweep(measured, reference, settings, &output) on the worker;
    // `done` runs on `receiver`'s thread with its result. An analysis
    // still running is cancelled first.
    void Start(std::vector<float> measured, std::vector<float> reference, const IrSettings& settings,
               const CorrectionTable& output, QObject* receiver, Done done);
    // The result of the analysis in progress, if any, is dropped.
    void Cancel();
    // Started, and neither delivered nor cancelled yet.
    bool Busy() const { return busy_; }

private:
    struct Shared;
    void join();

    std::shared_ptr<Shared> shared_;
    std::thread worker_;
    bool busy_ = false;
};

} // namespace korvanta
