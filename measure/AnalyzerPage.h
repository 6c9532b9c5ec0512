#pragma once
// The spectrum analyzer page of the main window: its controls under their
// form names, and the operations the main window calls when the page is
// entered or left and when a run is started or stopped.
//
// What is here so far: the layout, page entry and exit (work arrays,
// controls showing the analyzer state, the input format labels) and the
// locking of the main window's menu items during a run. The measuring run
// itself (START/STOP, block processing, the level-unit, THD+N and level menu
// items) is not built yet: START, STOP, the radio groups, AverVal, the
// channel boxes, "In-Para" and the input level bar are disabled, and so are
// the analyzer's own menu items handed over in MenuHooks.

#include <QWidget>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QScrollBar;
class QSpinBox;
class TDiagramm;
class TRadioGroup;

class TAnalyzerPage : public QWidget {
    Q_OBJECT
public:
    explicit TAnalyzerPage(QWidget* parent = nullptr);

    // The main window's menu items that belong to the analyzer or that a
    // run must lock. Any of them may be null.
    struct MenuHooks {
        QMenu* analyse = nullptr;            // "&Analyse"
        QAction* thdNoise = nullptr;         // "&THD+Noise"
        QAction* level = nullptr;            // "&Level"
        QMenu* levelUnits = nullptr;         // "Level Units"
        QAction* dbFS = nullptr;
        QAction* dbV = nullptr;
        QAction* dbu = nullptr;
        QAction* dbm = nullptr;
        QAction* calibration = nullptr;      // "&Kalibrierung"
        QMenu* audioInDevice = nullptr;
        QMenu* audioOutDevice = nullptr;
        QAction* audioInParameter = nullptr;
        QAction* audioOutParameter = nullptr;
    };
    // Takes the menu items. The analyzer's own items stay disabled until
    // its run logic exists; the calibration and device items are locked
    // during a run (SetRunning).
    void AttachMenus(const MenuHooks& hooks);
    const MenuHooks& Menus() const { return menus_; }

    // The diagram window the analyzer draws into (created after the page).
    void SetDiagram(TDiagramm* diagram) { diagram_ = diagram; }

    // The page becomes active: allocates the work arrays (on failure the
    // memory error box, and the main window is closed), shows the state in
    // the controls and the diagram window. False when the arrays could not
    // be allocated.
    bool EnterAnalyzerPage();
    // The page is left (also when the main window closes): stops a run,
    // frees the work arrays and hides the diagram window.
    void LeaveAnalyzerPage();

    // Not built yet; START and STOP are disabled.
    void StartButtonClick();
    // Ends a run: the analyzer stops at the next block.
    void StopButtonClick();
    // Locks (true) or unlocks the controls and menu items that must not
    // change during a run, then records the state.
    void SetRunning(bool flag);

    // Sample rate and bit depth of the input in Lsf and Ldb; bitsSuffix is
    // " Bits" on page entry and " Bit" after a device choice.
    void ShowInputFormat(int rate, int bits, const QString& bitsSuffix);

    // Label15: blanks for dBFS, else whether the input volume is still the
    // one of the calibration, in the current language.
    void ShowCalibrationStatus(int inputVolume);

    // Help context of the page once entered (50 before).
    int HelpContext() const { return helpContext_; }

    // Controls, named as in the form.
    QPushButton* StartButton;
    QPushButton* StopButton;
    TRadioGroup* FFTwinGroup;
    TRadioGroup* FFTpointsgroup;
    TRadioGroup* RunningGroup;
    QLabel* Label6;          // "Mittelwerte " beside AverVal
    QSpinBox* AverVal;
    QCheckBox* MeasureLeft;
    QCheckBox* MeasureRight;
    QLabel* Label2;          // over-range indicator
    QLabel* Label15;         // calibration status
    QLabel* coract;          // correction status
    QGroupBox* InputSamples; // " Input samples "
    QLabel* Lsf;
    QLabel* Ldb;
    QPushButton* Binpopt;    // "In-Para"
    QGroupBox* GroupBox1;    // " Measurement ": the chosen input and its level
    QScrollBar* ScrollBar3;
    QLabel* Label3;

signals:
    // The work arrays could not be allocated: the main window closes.
    void fatalMemoryError();

private:
    QWidget* buildLeftColumn();
    QWidget* buildMiddleColumn();
    QWidget* buildRightColumn();
    void showStateInControls();
    void updateEnabledStates();

    MenuHooks menus_;
    TDiagramm* diagram_ = nullptr;
    int helpContext_ = 50;
};
