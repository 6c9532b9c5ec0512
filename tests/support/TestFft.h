#pragma once
// A window table and work array for tests that compute what an analyzer
// should read (each analyzer has its own; a test has this one).
#include "measure/FFtuli.h"

namespace korvanta::testing_support {

inline FftWorkspace& fft()
{
    static FftWorkspace workspace;
    return workspace;
}

} // namespace korvanta::testing_support
