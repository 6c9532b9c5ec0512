#pragma once
// The generator and sweep page of the main window: the sweep controls, the
// level bars and the group over which the generator window docks. The page
// owns the sweep engine and turns its controls into the engine's calls and
// the engine's results into read-outs, diagram points and messages.
//
// The generator window docks over the group `Generator` while the page is
// shown. The level bars ("In"/"Out") are built disabled here; the main
// window's mixer part enables and drives them. "Out-Para" opens the output
// parameter dialog; it waits while a sweep runs.

#include "generator/SweepClipMark.h"
#include "platform/ui/LevelField.h"
#include <QPoint>
#include <QWidget>
#include <utility>

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QScrollBar;

namespace korvanta {


class TDiagramm;
class TRunProgress;
class TSweepEngine;
class TWavegen;
class Twobbeldlg;
struct EngineFailure;
struct LevelReadout;
struct SweepPoint;

class TGeneratorPage : public QWidget {
    Q_OBJECT
public:
    explicit TGeneratorPage(QWidget* parent = nullptr);

    // Menu items a sweep locks while it runs, and the "&Analyse" menu that
    // has no meaning on this page. Any may be null.
    struct MenuHooks {
        QMenu* analyse = nullptr;
        QAction* calibration = nullptr;
        QMenu* audioInDevice = nullptr;
        QMenu* audioOutDevice = nullptr;
        QAction* audioInParameter = nullptr;
        QAction* audioOutParameter = nullptr;
    };
    void AttachMenus(const MenuHooks& hooks) { menus_ = hooks; }
    // Windows created after the page.
    void SetDiagram(TDiagramm* diagram) { diagram_ = diagram; }
    void SetDialog(Twobbeldlg* dialog) { dialog_ = dialog; }
    // The generator window (created after the main window). The group
    // `Generator` is sized to hold it; the sweep reads its loop flag.
    void SetGeneratorWindow(TWavegen* generator);

    // Page change hooks. Entering also shows the generator window docked
    // over the group (unless it was dragged away) and above the main window;
    // leaving puts it back to normal style.
    void EnterSweepPage();
    void LeaveSweepPage();

    // "zurück": the generator window back over the group, wherever it is.
    void Button1Click();

    // The page's own captions in language `letter` ('D' or 'E'; other
    // letters change nothing).
    void SetLanguage(char letter);

    // The input's caption and the two volumes as the mixer has them;
    // showing a volume does not announce a move (GeneratorPageLevels.cpp).
    void ShowInputCaption(const QString& text);
    void ShowInputVolume(int percent);
    void ShowOutputVolume(int percent);
    void EnableVolumes(bool on);

    // Control handlers.
    void wobbelnButClick();   // START
    void STOPbutClick();      // STOP: the sweep ends at its next step
    void WobDialogButClick(); // Setup
    // Ends a sweep at once (everything is stopped, the sound system reset).
    void StopSweepNow();

    TSweepEngine& Engine() { return *engine_; }
    bool Entered() const { return entered_; }

    // Screen position of the client area of the group `Generator`, where
    // the generator window docks.
    QPoint GeneratorDockPoint() const;

    QGroupBox* Wobbeln;
    QPushButton* wobbelnBut;    // "START"
    QPushButton* WobDialogBut;  // "Setup"
    QFrame* Panel2;
    QLabel* Label7;             // level read-out "Pegel L R "
    QPushButton* STOPbut;
    QLabel* FreqText;           // current sweep frequency
    QLabel* HzLabel;
    QGroupBox* Pegelbox;        // "Level"
    QScrollBar* ScrollBar1;     // input level
    QScrollBar* ScrollBar2;     // output level
    TLevelField* Label1;        // input level, typed in percent
    TLevelField* Label8;        // output level, typed in percent
    QLabel* InOutLabel;         // "In       Out"
    QPushButton* Button2;       // "Out-Para"
    QGroupBox* Generator;       // " Generator ": the generator window sits here
    QPushButton* Button1;       // "zurück": dock the generator window again
    QLabel* InpLabel;           // "Inp:"
    QLabel* Wobinptxt;          // the chosen input
    TRunProgress* RunProgress;  // steps done, time left, Stop

signals:
    // The user moved a volume bar, or asked for the output's parameters
    // ("Out-Para").
    void inputVolumeMoved(int percent);
    void outputVolumeMoved(int percent);
    void outputParametersClicked();
    // START was pressed: the other measuring loops must end first.
    void sweepStartRequested();
    // A sweep's last point has been drawn or it ended otherwise.
    void sweepIdle();

private:
    void connectLevelControls();
    QWidget* buildSweepColumn();
    QGroupBox* buildLevelBox();
    void connectEngine();
    void setupDiagramForRun();
    void showPoint(const SweepPoint& point);
    void showReadout(const LevelReadout& readout);
    void runningChanged(bool running);
    void lockMenus(bool lock);
    void updateEnabledStates();
    void showDeviceError(const EngineFailure& failure);
    // The diagram's info line ends in `wanted` instead of `shown`, the
    // clipped points' mark of this sweep (text typed there stays).
    void showClipMark(const QString& shown, const QString& wanted);
    void dockGenerator(bool force);
    void showGenerator();

    TSweepEngine* engine_;
    TDiagramm* diagram_ = nullptr;
    Twobbeldlg* dialog_ = nullptr;
    TWavegen* generator_ = nullptr;
    MenuHooks menus_;
    SweepClipMark clipMark_;   // until the next START or page entry
    char language_ = 'D';      // of the page's texts and the mark shown
    bool entered_ = false;
    bool menusLocked_ = false;
    bool menuStates_[5] = {};   // enabled states before a sweep locked them
    std::pair<QString, QString> menuWhy_[5];  // and the reasons they gave then
};

} // namespace korvanta
