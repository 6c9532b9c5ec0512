#include "ir/IrAnalysisThread.h"

#include <mutex>

namespace korvanta {

// What the worker and the receiver's thread share: whether the result is
// still wanted. The worker posts under the lock, so a Cancel() either comes
// before the post (no post) or is seen by the posted call (no delivery).
struct IrAnalysisThread::Shared {
    std::mutex mutex;
    bool cancelled = false;
};

IrAnalysisThread::~IrAnalysisThread()
{
    Cancel();
    join();
}

void IrAnalysisThread::Start(std::vector<float> measured, std::vector<float> reference, const IrSettings& settings,
                             const CorrectionTable& output, QObject* receiver, Done done)
{
    Cancel();
    join();
    auto shared = std::make_shared<Shared>();
    shared_ = shared;
    busy_ = true;
    worker_ = std::thread([this, shared, measured = std::move(measured), reference = std::move(reference),
                           settings, output, receiver, done = std::move(done)] {
        const IrMeasurement result = AnalyseSweep(measured, reference, settings, &output);
        std::lock_guard lock(shared->mutex);
        if (shared->cancelled)
            return;
        QMetaObject::invokeMethod(
            receiver,
            [this, shared, result, done] {
                if (shared->cancelled)
                    return;
                busy_ = false;
                done(result);
            },
            Qt::QueuedConnection);
    });
}

void IrAnalysisThread::Cancel()
{
    busy_ = false;
    if (!shared_)
        return;
    std::lock_guard lock(shared_->mutex);
    shared_->cancelled = true;
}

void IrAnalysisThread::join()
{
    if (worker_.joinable())
        worker_.join();
}

} // namespace korvanta
