#pragma once
// The sweep page end to end: the real main window on the virtual card in
// fast mode, the plan set through the real settings dialog, START pressed,
// the points read back from the diagram.

#include "app/ui/ProgramRecords.h"
#include "tests/app/AppTestSupport.h"
#include "diagram/ui/Diagr3.h"
#include "generator/ui/GeneratorPage.h"
#include "measure/ui/RadioGroup.h"
#include "audio/Soundd3.h"
#include "generator/SweepEngine.h"
#include "generator/ui/Wobbelu.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

using namespace korvanta;

inline constexpr int kSweepRate = 44100;

struct SweepPlanInput {
    int from = 20;
    int to = 20000;
    int steps = 40;
    bool linear = false;
    int mode = 2;
    bool phaseOn = false;
    double level = -6.0;
    int settleMs = 1;
    int phaseMin = -90;
    int phaseMax = 90;
};

struct DrawnPoint {
    double f, v1, v2;
};

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

    // Sets the plan through "Setup", typing into the dialog and pressing OK.
    void setPlan(const SweepPlanInput& p)
    {
        QTimer::singleShot(0, dialog, [this, p] {
            dialog->MessungRb->setItemIndex(p.mode);
            (p.linear ? dialog->linearbut : dialog->logbutton)->setChecked(true);
            dialog->Eto->setText(QString::number(p.to));
            dialog->Efrom->setText(QString::number(p.from));
            dialog->Esteps->setText(QString::number(p.steps));
            dialog->digPeg->setText(QString::number(p.level, 'f', 1));
            dialog->Sstart->setText(QString::number(p.settleMs));
            dialog->EPmin->setText(QString::number(p.phaseMin));
            dialog->EPmax->setText(QString::number(p.phaseMax));
            if (p.mode != 2)
                dialog->PhaseBut->setChecked(p.phaseOn);
            dialog->OKBtn->click();
        });
        page->WobDialogBut->click();
    }

    bool idle() const
    {
        const SweepSettings& s = Sweep();
        return !s.running && !s.startRequested && !page->Engine().AwaitingBlock();
    }

    // START, then wait until the sweep has ended.
    bool sweep(int timeoutMs = 60000)
    {
        page->wobbelnBut->click();
        QApplication::processEvents();
        return QTest::qWaitFor([this] { return idle(); }, timeoutMs);
    }

    // Points with a frequency (the diagram skips the others).
    std::vector<DrawnPoint> points() const
    {
        std::vector<DrawnPoint> out;
        const DiaPointStore& s = diagram->Points();
        for (int i = 0; i < s.count(); ++i)
            if (s.x()[i] != 0.0f)
                out.push_back({s.x()[i], s.curve1()[i], s.curve2()[i]});
        return out;
    }

    TGeneratorPage* page = nullptr;
    TDiagramm* diagram = nullptr;
    Twobbeldlg* dialog = nullptr;
};
