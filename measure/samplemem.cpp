#include "measure/samplemem.h"

#include <new>

namespace korvanta {

namespace {
int g_failCountdown = 0;

std::unique_ptr<float[]> allocateZeroed()
{
    if (g_failCountdown > 0 && --g_failCountdown == 0)
        return nullptr;
    return std::unique_ptr<float[]>(new (std::nothrow) float[kWorkArraySize]());
}
} // namespace

bool AllocateWorkArrays(AnalyzerState& s)
{
    s.SumRight = allocateZeroed();
    s.SumLeft = allocateZeroed();
    s.SpecLeft = allocateZeroed();
    s.SpecRight = allocateZeroed();
    if (WorkArraysAllocated(s))
        return true;
    FreeWorkArrays(s);
    return false;
}

void FreeWorkArrays(AnalyzerState& s)
{
    s.SumRight.reset();
    s.SumLeft.reset();
    s.SpecLeft.reset();
    s.SpecRight.reset();
}

bool WorkArraysAllocated(const AnalyzerState& s)
{
    return s.SumRight && s.SumLeft && s.SpecLeft && s.SpecRight;
}

namespace testing_hooks {
void FailWorkArrayAllocation(int n) { g_failCountdown = n; }
} // namespace testing_hooks

} // namespace korvanta
