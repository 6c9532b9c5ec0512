#pragma once
// The spectrum measurement's state: a record with the analyzer settings,
// level-unit settings and calibration values, and the four work arrays of
// the analyzer, which exist only while its page is active. GUI thread only.

#include <QString>
#include <cstdint>
#include <memory>

namespace korvanta {

// Each work array holds 65,536 floats: enough for the time samples of the
// largest block (18,432 frames per channel) and, in place, its bins.
constexpr int kWorkArraySize = 65536;

// Level calibration defaults that users adjust and settings files store.
constexpr float kDefaultPegFak = 8.722f;  // dB per natural-log unit of magnitude
constexpr float kDefaultPegOfs = 12.6f;   // dB
constexpr float kInitialCalInMv = 497.0f; // input full scale, mV RMS
constexpr float kInitialCalOutMv = 123.0f;

struct AnalyzerState {
    float PegFak = kDefaultPegFak;
    float PegOfs = kDefaultPegOfs;
    int32_t FFTpoints = 1024; // made one of 2048 .. 16384 when the page is entered
    float DiaYMax = 0.0f;
    float DiaYMin = -110.0f;
    int32_t DiaXMax = 24000;
    int32_t DiaXMin = 10;
    std::unique_ptr<float[]> SpecRight;
    std::unique_ptr<float[]> SpecLeft;
    std::unique_ptr<float[]> SumRight;
    std::unique_ptr<float[]> SumLeft;
    int32_t AverCount = 1;
    int32_t AverLeft = 1;
    int32_t FFTwin = 8;
    int32_t RunMode = 1; // 0 single, 1 continuous, 2 trigger
    bool AnalyzerActive = false;
    bool RightOn = true;
    bool LeftOn = true;
    bool Running = false;
    uint8_t LevelUnit = 0; // 0 dBFS, 1 dBV, 2 dBu, 3 dBm
    QString Comment = QStringLiteral("remark:");
    float CalInMv = kInitialCalInMv;
    float CalOutMv = kInitialCalOutMv;
    int32_t InLev4Cal = -1; // input volume at calibration time, -1 = never calibrated
    int32_t InFormats = 0;  // format mask of the last input device; 0 = no usable input
};

// Allocates the four zero-filled work arrays (SumRight, SumLeft, SpecLeft,
// SpecRight, in that order). On failure nothing stays allocated and the
// result is false.
bool AllocateWorkArrays(AnalyzerState& s);

// Frees the arrays and resets the references to none.
void FreeWorkArrays(AnalyzerState& s);

bool WorkArraysAllocated(const AnalyzerState& s);

namespace testing_hooks {
// Makes the n-th following work-array allocation fail (1 = the next one);
// 0 turns the fault off.
void FailWorkArrayAllocation(int n);
}

} // namespace korvanta
