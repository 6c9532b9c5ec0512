#include "app/ui/SweepMenu.h"

#include "app/ui/AppWindows.h"
#include "app/ui/MainMenu.h"
#include "generator/ui/GeneratorPage.h"

#include <QPushButton>

namespace korvanta {

TSweepMenu::TSweepMenu(TGeneratorPage& page, QObject* parent) : QObject(parent), page_(page) { }

void TSweepMenu::AttachMenus(TMainMenu& m)
{
    TGeneratorPage::MenuHooks hooks;
    hooks.analyse = m.menuAnalyse;
    hooks.calibration = m.Eichen1;
    hooks.audioInDevice = m.AudioInDevice1;
    hooks.audioOutDevice = m.AudioOutDevice1;
    hooks.audioInParameter = m.AudioInParameter1;
    hooks.audioOutParameter = m.AudioOutParameter1;
    page_.AttachMenus(hooks);
}

void TSweepMenu::AttachWindows(const AppWindows& f)
{
    page_.SetDiagram(f.Diagramm);
    page_.SetDialog(f.Wobbeldlg);
}

void TSweepMenu::SetLanguage(char letter) { page_.SetLanguage(letter); }

void TSweepMenu::Enter() { page_.EnterSweepPage(); }

void TSweepMenu::Leave() { page_.LeaveSweepPage(); }

void TSweepMenu::StartStop() { PressStartOrStop(page_.wobbelnBut, page_.STOPbut); }

} // namespace korvanta
