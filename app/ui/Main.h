#pragma once
// The main window: three measuring pages, the main menu and the status line.
// It starts the audio layer, reads and writes its sections of the settings
// file, switches the language, routes page changes to the pages and closes
// everything in order. The pages and the windows with menus take part
// through their parts (PagePart.h): the main window calls them and never
// sets their controls.
//
// Creating it runs the start-up steps that need no other window (capability
// report, audio layer, settings, device menus); showing it the first time
// runs the steps that use the other windows (language, placement, first
// page). Closing it leaves the pages, shuts the audio layer down and writes
// the settings file.

#include "app/MainSettings.h"

#include "audio/OutputOwner.h"

#include <QMainWindow>
#include <vector>

class QAction;
class QLabel;
class QPrinter;
class QTabWidget;

namespace korvanta {

class MainWindowPart;
class MeasuringEngine;
class PagePart;
class TAnalyzerPage;
class TAnalyzerPart;
class TCorrectionMenu;
class TGeneratorPage;
class TMainMenu;
class TMemoryMenu;
class TMixerMenu;
class TParameterMenu;
class TScopeMenu;
class TDistortionMenu;
class TDeviceTestMenu;
class TIrMenu;
class TScopePage;
class TStatusLine;
class TSweepMenu;

// Caption of the main window.
inline constexpr char kMainCaption[] = "Korvanta V 1.4";
// Exit code when the audio layer cannot be started.
inline constexpr int kSoundStartFailure = 1;
// Help contexts of the main window before a page is entered, and of the
// device error at start. Each page names its own.
inline constexpr int kMainHelpContext = 2;
inline constexpr int kDeviceErrorHelpContext = 17;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // Runs FormCreate. When the audio layer cannot be started the process
    // ends here with exit code 1, after the error box.
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;
    // The first showing places the windows first.
    void setVisible(bool visible) override;

    // The main window's sections of the settings file.
    void LoadfromIni(const QString& path);
    void SaveToIni(const QString& path);

    // Captions and message texts of 'D' or 'E', the help file, then every
    // other window's own captions. Other letters change nothing here but
    // are still passed on.
    void SetLanguage(char letter);
    void deutschEnglish1Click();

    // Page changes: leave the page that was active, enter the one shown.
    void PageControl1Changing();
    void PageControl1Change();

    void Reset1Click();
    void FileExit();
    void FilePrintSetup();
    void FilePrint();
    void SpeichernalsText1Click();
    void EditCopy();
    void Kommentar1Click();
    // Draws both correction curves in the diagram.
    void Testekorrekturdatei1Click();
    void HelpContents();
    void HelpAbout();
    void ShowFeaturelist1Click();
    // Opens the calibration dialog (not while no input format is usable).
    void Eichen1Click();
    // Items "1" .. "3" of "Audio-In-Device" / "Audio-Out-Device".
    void InDeviceClick(int index);
    void OutDeviceClick(int index);
    // Stops every recording loop (analyzer, sweep, oscilloscope,
    // calibration, distortion run) except `starter`, and the generator's
    // tone or file when the starter plays. Stored settings stay as they are.
    void StopAll(MeasuringLoop starter = MeasuringLoop::None);
    // A window of the program's own starts its run on `engine`: the other
    // loops stop, and on the oscilloscope's page the run has the input at
    // the user's rates until it ends.
    void ToolRunStarts(MeasuringLoop tool, MeasuringEngine& engine);
    // coract: the correction status.
    void ShowCorrectionStatus();
    // F5: START or STOP of the page shown.
    void StartStopClick();

    // The printer the printer set-up chooses and printing uses.
    static QPrinter& SharedPrinter();

    const MainWindowSettings& Settings() const { return settings_; }
    int ActivePageIndex() const { return settings_.ActivePageIndex; }
    int HelpContext() const { return helpContext_; }
    // Number of input and output devices found at start.
    int InputDeviceCount() const { return inCount_; }
    int OutputDeviceCount() const { return outCount_; }

    TMainMenu* Menu;
    TCorrectionMenu* CorrectionMenu;
    TMixerMenu* MixerMenu;
    TParameterMenu* ParameterMenu;
    TScopeMenu* ScopeMenu;
    TMemoryMenu* MemoryMenu;
    TDistortionMenu* DistortionMenu;
    TDeviceTestMenu* DeviceTestMenu;
    TIrMenu* IrMenu;
    TAnalyzerPart* AnalyzerPart;
    TSweepMenu* SweepMenu;
    QTabWidget* PageControl1;
    TAnalyzerPage* AnalyzerPage;    // TabSheet1
    TGeneratorPage* GeneratorPage;  // TabSheet2
    TScopePage* ScopePage;          // TabSheet3
    TStatusLine* StatusLine;
    // The start/stop key of the measuring pages; no menu item.
    QAction* StartStopKey;

signals:
    // The main window has closed: settings written, audio layer down.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormCloseQuery();
    void buildWindow();
    void connectMenus();
    void fillDeviceMenus();
    // SoundDone, the device list read again, SoundInit, and the devices
    // chosen before selected again where they are now (MainDevices.cpp).
    void restartSoundSystem();
    // Ticks item `index` and selects that device, unless the generator plays.
    bool chooseDevice(QAction* const items[], int index, int current, void (*select)(int));
    void showDeviceNames();
    void applyLanguageCaptions(char letter);
    void passLanguageOn(char letter);
    void enterPage(int index);
    void leavePage(int index);
    void fitWindowSize();
    void placeDiagram();
    // The main window's place from the settings, pulled onto its screen, and
    // the diagram's; without stored places, a first start's layout.
    void placeWindows();
    void layOutFirstStart(QSize diagramFrame);
    QSize placedFrameSize() const;
    void connectDiagram();
    void enableDiagramCommands(bool on);
    void takeOverCalibration();
    // "End" for a calibration measurement that is under way.
    void endCalibrationMeasurement();
    QString windowCaption() const;

    MainWindowSettings settings_;
    // The pages in tab order, and every part (the pages first) in the
    // order they take their menu items and hear of a language change.
    std::vector<PagePart*> pages_;
    std::vector<MainWindowPart*> parts_;
    int inCount_ = 0;
    int outCount_ = 0;
    bool shown_ = false;
    bool placed_ = false;
    bool closed_ = false;
    int helpContext_ = kMainHelpContext;
};

} // namespace korvanta
