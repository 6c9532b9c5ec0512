#pragma once
// The sweep page end to end: the real main window on the virtual card in
// fast mode, the plan set through the real settings dialog, START pressed,
// the points read back from the diagram.

#include "app/ui/ProgramRecords.h"
#include "tests/app/AppTestSupport.h"
#include "tests/generator/SweepDriver.h"
#include "audio/Soundd3.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

using namespace korvanta;

inline constexpr int kSweepRate = 44100;

// Exact response of the virtual card's Butterworth section at f.
inline std::complex<double> CardFilterResponse(bool highPass, double corner, double f, int rate = kSweepRate)
{
    const DutSimulator::Biquad b = DutSimulator::butterworth(highPass, corner, rate);
    const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * f / rate);
    return (b.b0 + b.b1 * z1 + b.b2 * z1 * z1) / (1.0 + b.a1 * z1 + b.a2 * z1 * z1);
}

class SweepTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        // Output level 100 %, the sweep page shown, a plain 16-bit card.
        writeSettings("[SDSOUND]\n[VOLUME]\nFGVOLUME=100\n[MAIN]\nPAGE=1\n");
        start();
        SetSampleRates(kSweepRate, kSweepRate);
        SetBits(16, 16);
        SetAutoDC(false);
        SetDCOffsetL(0.0f);
        SetDCOffsetR(0.0f);
        page = main->GeneratorPage;
        diagram = Forms().Diagramm;
        dialog = Forms().Wobbeldlg;
        ASSERT_TRUE(page && diagram && dialog);
        ASSERT_TRUE(page->Entered());
        useDut(DutConfig{});
    }

    void useDut(const DutConfig& d) { VirtualCard::instance().setDut(d); }
    void useDut(const QString& spec)
    {
        const DutSpec parsed = ParseDutSpec(spec);
        ASSERT_TRUE(parsed.errors.isEmpty()) << parsed.errors.join("; ").toStdString();
        useDut(parsed.dut);
    }

    void setPlan(const SweepPlanInput& p) { SetSweepPlan(page, dialog, p); }
    bool idle() const { return SweepIdle(page); }
    bool sweep(int timeoutMs = 60000) { return RunSweep(page, timeoutMs); }
    std::vector<DrawnPoint> points() const { return DrawnPoints(diagram); }

    TGeneratorPage* page = nullptr;
    TDiagramm* diagram = nullptr;
    Twobbeldlg* dialog = nullptr;
};
