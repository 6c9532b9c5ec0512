#include "app/ui/SweepMenu.h"

#include "app/ui/AppWindows.h"
#include "generator/ui/GeneratorPage.h"
#include "app/ui/MainMenu.h"

namespace korvanta {

void AttachSweepMenus(TGeneratorPage& page, TMainMenu& m)
{
    TGeneratorPage::MenuHooks hooks;
    hooks.analyse = m.menuAnalyse;
    hooks.calibration = m.Eichen1;
    hooks.audioInDevice = m.AudioInDevice1;
    hooks.audioOutDevice = m.AudioOutDevice1;
    hooks.audioInParameter = m.AudioInParameter1;
    hooks.audioOutParameter = m.AudioOutParameter1;
    page.AttachMenus(hooks);
}

void AttachSweepWindows(TGeneratorPage& page)
{
    AppWindows& f = Forms();
    page.SetDiagram(f.Diagramm);
    page.SetDialog(f.Wobbeldlg);
}

} // namespace korvanta
