#pragma once
// Drives the sweep page as a user does, on whatever card the program uses:
// the plan typed into the real settings dialog, START pressed, the points
// read back from the diagram.

#include "app/ui/ProgramRecords.h"
#include "diagram/ui/Diagr3.h"
#include "generator/SweepEngine.h"
#include "generator/ui/GeneratorPage.h"
#include "generator/ui/Wobbelu.h"
#include "measure/ui/RadioGroup.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <vector>

namespace korvanta {

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

// Sets the plan through "Setup", typing into the dialog and pressing OK.
inline void SetSweepPlan(TGeneratorPage* page, Twobbeldlg* dialog, const SweepPlanInput& p)
{
    QTimer::singleShot(0, dialog, [dialog, p] {
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

inline bool SweepIdle(TGeneratorPage* page)
{
    const SweepSettings& s = Sweep();
    return !s.running && !s.startRequested && !page->Engine().AwaitingBlock();
}

// START, then wait until the sweep has ended.
inline bool RunSweep(TGeneratorPage* page, int timeoutMs = 60000)
{
    page->wobbelnBut->click();
    QApplication::processEvents();
    return QTest::qWaitFor([page] { return SweepIdle(page); }, timeoutMs);
}

// Points with a frequency (the diagram skips the others).
inline std::vector<DrawnPoint> DrawnPoints(const TDiagramm* diagram)
{
    std::vector<DrawnPoint> out;
    const DiaPointStore& s = diagram->Points();
    for (int i = 0; i < s.count(); ++i)
        if (s.x()[i] != 0.0f)
            out.push_back({s.x()[i], s.curve1()[i], s.curve2()[i]});
    return out;
}

} // namespace korvanta
