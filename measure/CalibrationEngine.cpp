#include "measure/CalibrationEngine.h"

#include "audio/Soundd3.h"
#include "platform/UserMessages.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <cmath>

namespace korvanta {

namespace {
// The read-out's scale: a block of 8000 stereo frames at full-scale DC
// would read 320.
constexpr float kLevelDivisor = 50.0f;
} // namespace

CalibrationReading ReadCalibrationBlock(const float* block, int count, int overRange)
{
    float s = 0.0f;
    for (int i = 0; i < count; ++i)
        s += std::fabs(block[i]);
    return {s / kLevelDivisor, overRange};
}

QString CalibrationIndicatorText(const CalibrationReading& reading)
{
    if (reading.over > 0)
        return QStringLiteral("over ") + QString::number(reading.over);
    return QString::asprintf("%4.1f%%", static_cast<double>(reading.level));
}

CalibrationEngine::CalibrationEngine(QObject* parent) : MeasuringEngine(parent) {}

void CalibrationEngine::Start()
{
    if (running_)
        return;
    running_ = true;
    blocks_ = 0;
    emit started();
    postNextBlock();
}

void CalibrationEngine::Stop()
{
    if (!running_)
        return;
    running_ = false;
    emit stopped();
}

void CalibrationEngine::postNextBlock() { QCoreApplication::postEvent(this, new QEvent(UM_CAL_LOOP)); }

bool CalibrationEngine::event(QEvent* e)
{
    if (e->type() == UM_CAL_LOOP) {
        nextBlock();
        return true;
    }
    return MeasuringEngine::event(e);
}

void CalibrationEngine::nextBlock()
{
    if (!running_)
        return;
    const QPointer<CalibrationEngine> self(this);
    const auto completion = [self] {
        if (self)
            self->blockArrived();
    };
    if (const int rc = StartRecord(kCalibrationBlockFrames, 0, completion, this); rc != 0)
        fail(Failure::Record, rc);
}

void CalibrationEngine::blockArrived()
{
    int count = 0, overRange = 0, user = 0;
    const float* block = GetRecordBlock(count, overRange, user);
    if (RecordBlockOwner() != this) {
        // A block another loop asked for: not a level of the calibration.
        if (running_)
            postNextBlock();
        return;
    }
    if (!block) {
        // A device that stalled, vanished or could not be closed ends the
        // loop with a message rather than freezing the indicator; a block
        // that merely brought nothing is recorded again.
        if (!running_)
            return;
        if (const int e = LastSoundError(); e != 0)
            fail(Failure::Block, e);
        else
            postNextBlock();
        return;
    }
    emit reading(ReadCalibrationBlock(block, count, overRange));
    emit progress(++blocks_, 0);
    if (running_)
        postNextBlock();
}

void CalibrationEngine::fail(Failure kind, int code)
{
    running_ = false;
    reportFailure(static_cast<int>(kind), code);
}

} // namespace korvanta
