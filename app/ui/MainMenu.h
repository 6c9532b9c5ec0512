#pragma once
// The main window's menu bar: every menu and item under its form name, with
// the form's captions, separators and shortcuts. It holds structure and
// captions only; the main window connects the items to their handlers and
// decides what is enabled.

#include <QList>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;
class QObject;

namespace korvanta {

struct MainWindowTexts;

inline constexpr int kDeviceMenuItems = 3;   // device slots per direction
inline constexpr int kWaveInChannelItems = 21;
inline constexpr int kVisibleWaveInChannelItems = 19;

class TMainMenu {
public:
    explicit TMainMenu(QMenuBar* bar);

    // Captions that follow the language.
    void SetTexts(const MainWindowTexts& texts);

    QMenu* menuFile;          // "&Datei"
    QAction* SpeichernalsText1;
    QAction* FilePrintItem;
    QAction* FilePrintSetupItem;
    QAction* FileExitItem;

    QMenu* menuEdit;          // "&Bearbeiten"
    QAction* Kommentar1;
    QAction* EditCopyItem;

    QMenu* menuAnalyse;       // "&Analyse"
    QAction* THDNoise1;
    QAction* Level1;
    QAction* Parameter1;
    QMenu* LevelUnits1;
    QAction* dbFS1;
    QAction* dbV1;
    QAction* dbu1;
    QAction* dbm1;

    QMenu* menuKorrektur;     // "&Korrektur"
    QAction* LadeEingangskorrekturdatei1;
    QAction* Eingangskorrekturaktiv1;
    QAction* EditEingangskorrekturdatei1;
    QAction* LadeAusgangskorrekturdatei1;
    QAction* Ausgangskorrekturaktiv1;
    QAction* EditAusgangskorrekturdatei1;
    QAction* Testekorrekturdatei1;

    QMenu* menuDiagramm;      // "&Diagramm", hidden and disabled for the whole run
    QAction* DiaEinMenu;
    QAction* Skalierung1;

    QMenu* menuEinstellungen; // "&Einstellungen"
    QAction* deutschEnglish1;
    QAction* Eichen1;
    QAction* ShowFeaturelist1;
    QMenu* AudioInDevice1;
    QAction* InDeviceItems[kDeviceMenuItems];   // N11, N21, N31
    QAction* AudioInParameter1;
    QAction* AudioInDCOffset1;
    QMenu* AudioOutDevice1;
    QAction* OutDeviceItems[kDeviceMenuItems];  // N12, N22, N32
    QAction* AudioOutParameter1;
    QMenu* WaveInChannel1;
    QList<QAction*> MixItems;                   // Mix01 .. Mix201
    QAction* MixerSupport1;
    QAction* Reset1;

    // "&Werkzeuge": the windows of the program's own, usable on every page;
    // each fills in its own item.
    QMenu* menuTools;

    QMenu* menuHelp;          // "&?"
    QAction* HelpPageItem;    // F1: the help of the page shown
    QAction* HelpContentsItem;
    QAction* HelpAboutItem;

private:
    void buildFile(QMenuBar* bar);
    void buildEdit(QMenuBar* bar);
    void buildAnalyse(QMenuBar* bar);
    void buildKorrektur(QMenuBar* bar);
    void buildDiagramm(QMenuBar* bar);
    void buildEinstellungen(QMenuBar* bar);
    void buildDeviceMenu(QMenu* menu, QAction** items, const char* const names[], QObject* owner);
    void buildTools(QMenuBar* bar);
    void buildHelp(QMenuBar* bar);
};

} // namespace korvanta
