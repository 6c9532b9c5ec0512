#include "app/ui/ParameterMenu.h"

#include "app/ui/ProgramRecords.h"
#include "measure/ui/AnalyzerPage.h"
#include "app/ui/AppWindows.h"
#include "generator/ui/GeneratorPage.h"
#include "generator/GeneratorSection.h"
#include "app/ui/MainMenu.h"
#include "audio/Soundd3.h"
#include "audio/ui/iodia.h"
#include "audio/ui/udcoffset.h"

#include <QAction>
#include <QPushButton>

namespace korvanta {

namespace {
int inputRate()
{
    int in = 0, out = 0;
    GetSampleRates(in, out);
    return in;
}
} // namespace

TParameterMenu::TParameterMenu(TMainMenu& menu, TAnalyzerPage& analyzer, TGeneratorPage& generator, QObject* parent)
    : QObject(parent), analyzer_(analyzer)
{
    connect(&analyzer, &TAnalyzerPage::inputParametersClicked, this, &TParameterMenu::BinpoptClick);
    connect(&generator, &TGeneratorPage::outputParametersClicked, this, &TParameterMenu::Button2Click);
    connect(menu.AudioInParameter1, &QAction::triggered, this, &TParameterMenu::AudioInParameter1Click);
    connect(menu.AudioOutParameter1, &QAction::triggered, this, &TParameterMenu::AudioOutParameter1Click);
    connect(menu.AudioInDCOffset1, &QAction::triggered, this, &TParameterMenu::AudioInDCOffset1Click);
}

void TParameterMenu::BinpoptClick() { AudioInParameter1Click(); }

void TParameterMenu::AudioInParameter1Click()
{
    if (inputDialog())
        showInputFormat();
}

void TParameterMenu::AudioOutParameter1Click()
{
    if (outputDialog())
        showInputFormat();
}

void TParameterMenu::Button2Click() { outputDialog(); }

void TParameterMenu::AudioInDCOffset1Click()
{
    if (TDCOffset* dlg = Forms().DCOffset)
        dlg->Execute();
}

bool TParameterMenu::inputDialog()
{
    TIOdialog* dlg = Forms().IOdialog;
    if (!dlg)
        return false;
    const int before = inputRate();
    dlg->Execute(true, nullptr);
    // A spectrum range made for the old rate would cut the new band off or
    // show an empty stretch beyond it.
    if (inputRate() != before)
        analyzer_.FollowInputRate();
    return true;
}

bool TParameterMenu::outputDialog()
{
    TIOdialog* dlg = Forms().IOdialog;
    if (!dlg || IsPlaying())
        return false;
    dlg->Execute(false, &Generator().loopMode);
    return true;
}

void TParameterMenu::showInputFormat()
{
    int inBits = 0, outBits = 0;
    GetBits(inBits, outBits);
    analyzer_.ShowInputFormat(inputRate(), inBits, QStringLiteral(" Bits"));
}

} // namespace korvanta
