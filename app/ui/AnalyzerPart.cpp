#include "app/ui/AnalyzerPart.h"

#include "app/Audconst.h"
#include "app/MainSettings.h"
#include "app/ui/AppWindows.h"
#include "app/ui/MainMenu.h"
#include "audio/Soundd3.h"
#include "diagram/ui/Diagr3.h"
#include "measure/ui/AnalyzerPage.h"
#include "platform/ui/WhyGrey.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

namespace korvanta {

TAnalyzerPart::TAnalyzerPart(TAnalyzerPage& page, const MainWindowSettings& settings, QObject* parent)
    : QObject(parent), page_(page), settings_(settings)
{
}

void TAnalyzerPart::AttachMenus(TMainMenu& m)
{
    TAnalyzerPage::MenuHooks hooks;
    hooks.analyse = m.menuAnalyse;
    hooks.thdNoise = m.THDNoise1;
    hooks.level = m.Level1;
    hooks.levelUnits = m.LevelUnits1;
    hooks.dbFS = m.dbFS1;
    hooks.dbV = m.dbV1;
    hooks.dbu = m.dbu1;
    hooks.dbm = m.dbm1;
    hooks.calibration = m.Eichen1;
    hooks.audioInDevice = m.AudioInDevice1;
    hooks.audioOutDevice = m.AudioOutDevice1;
    hooks.audioInParameter = m.AudioInParameter1;
    hooks.audioOutParameter = m.AudioOutParameter1;
    page_.AttachMenus(hooks);
    // A run locks these, the page greys them directly: each says why while
    // it is grey.
    for (QWidget* menu : {static_cast<QWidget*>(m.AudioInDevice1), static_cast<QWidget*>(m.AudioOutDevice1)})
        SetUsable(menu, menu->isEnabled(), words::kWhyRunning, CurrentLanguage());
    for (QAction* item : {m.Eichen1, m.AudioInParameter1, m.AudioOutParameter1})
        SetUsable(item, item->isEnabled(), words::kWhyRunning, CurrentLanguage());
}

void TAnalyzerPart::AttachWindows(const AppWindows& f)
{
    page_.SetDiagram(f.Diagramm);
    if (f.Diagramm)
        connect(f.Diagramm, &TDiagramm::channelColoursChanged, this,
                [this](const QColor& left, const QColor& right) { page_.ShowChannelColours(left, right); });
}

void TAnalyzerPart::SetLanguage(char letter)
{
    page_.SetLanguage(letter);
    // Shown again in the language the message table speaks now.
    page_.ShowCalibrationStatus(settings_.FgInVolume);
}

int TAnalyzerPart::HelpContext() const { return page_.HelpContext(); }

void TAnalyzerPart::Enter()
{
    page_.EnterAnalyzerPage();
    ShowInputFormat(QStringLiteral(" Bits"));
}

void TAnalyzerPart::Leave() { page_.LeaveAnalyzerPage(); }

void TAnalyzerPart::ShowInputFormat(const QString& bitsSuffix)
{
    int inBits = 0, outBits = 0, inRate = 0, outRate = 0;
    GetBits(inBits, outBits);
    GetSampleRates(inRate, outRate);
    page_.ShowInputFormat(inRate, inBits, bitsSuffix);
}

void TAnalyzerPart::StartStop() { PressStartOrStop(page_.StartButton, page_.StopButton); }

} // namespace korvanta
