#include "ir/IrEngine.h"

// Built by the engine's own change; until then it starts nothing.
namespace korvanta {

IrEngine::IrEngine(CorrectionTable& inputCorrection, CorrectionTable& outputCorrection, QObject* parent)
    : MeasuringEngine(parent), inputCorrection_(inputCorrection), outputCorrection_(outputCorrection)
{
}

IrEngine::~IrEngine() = default;

bool IrEngine::Start(const IrSettings&, char) { return false; }
void IrEngine::Stop() {}
void IrEngine::played() {}
void IrEngine::onRecorded() {}
void IrEngine::fail(Failure, int) {}
void IrEngine::release() {}

} // namespace korvanta
