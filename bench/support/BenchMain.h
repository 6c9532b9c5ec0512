#pragma once
#include <functional>

// The main() of the benchmarks that run the program's engines on the virtual
// card: offscreen, the virtual card (with `dut` as its KORVANTA_DUT when
// given), and a settings file of their own in a temporary folder, so a
// benchmark never reads or writes the user's settings.

int RunBenchmarksOnVirtualCard(int argc, char** argv, const char* dut = nullptr);

// The same on the sound system `audio` names ("alsa" for a real device or
// sound server). `prepare`, when given, runs once the application exists
// and before any benchmark; false ends the program with exit code 1.
int RunBenchmarks(int argc, char** argv, const char* audio, const char* dut = nullptr,
                  const std::function<bool()>& prepare = {});
