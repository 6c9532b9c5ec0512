#pragma once
// The spectrum analyzer page of the main window: its controls under their
// form names, the operations the main window calls when the page is entered
// or left, and the measuring run. The run's block loop is the page's
// TAnalyzerEngine; the page turns control events into its calls and its
// results into labels, diagram points and message boxes.
//
// The form and its control handlers are in AnalyzerPage.cpp, the run in
// AnalyzerRun.cpp. The mixer enables the input level bar; "In-Para" is
// wired by the main window.

#include "platform/ui/LevelField.h"
#include "measure/AnalyzerEngine.h"

#include <QWidget>
#include <cstdint>

class QAction;
class QCheckBox;
class QColor;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QScrollBar;
class QSpinBox;

namespace korvanta {


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
    // frees the work arrays and hides the diagram window, all before it
    // returns and without waiting for a block still under way.
    void LeaveAnalyzerPage();

    // "START": sets up the diagram for the run and records the first block.
    void StartButtonClick();
    // "STOP" (also how the main window stops everything): the run ends; a
    // block still being recorded is dropped when it arrives.
    void StopButtonClick();
    // Ends a run for another loop; the comment is taken only from the
    // analyzer's own diagram while it runs (another page may show something
    // else in it). An idle analyzer is not touched.
    void StopRun();
    // Locks (true) or unlocks the controls and menu items that must not
    // change during a run, then records the state.
    void SetRunning(bool flag);

    // Completion of a recording: fetches the block and processes it.
    void OnBlock();
    // One recorded block (interleaved, right channel first): spectra,
    // averaging, levels, read-outs and the diagram's points. Public so the
    // benchmark can time it without a device.
    using BlockOutcome = TAnalyzerEngine::BlockOutcome;
    BlockOutcome ProcessBlock(const float* data, int count, int overRange);
    TAnalyzerEngine& Engine() { return *engine_; }

    // Control handlers.
    void RunningGroupClick(int index);
    void FFTpointsgroupClick(int index);
    void FFTwinGroupClick(int index);
    void MeasureLeftClick();
    void MeasureRightClick();
    // Menu handlers: level units and the two analysis read-outs.
    void SetLevelUnit(uint8_t unit); // dbFS1Click .. dbm1Click
    void THDNoise1Click();
    void Level1Click();

    // The input's sample rate has changed: the frequency range of the
    // spectrum becomes the new rate's (in the diagram when the page is
    // active, else in the range kept for the next entry).
    void FollowInputRate();

    // Sample rate and bit depth of the input in Lsf and Ldb; bitsSuffix is
    // " Bits" on page entry and " Bit" after a device choice.
    void ShowInputFormat(int rate, int bits, const QString& bitsSuffix);

    // Label15: blanks for dBFS, else whether the input volume is still the
    // one of the calibration, in the current language.
    void ShowCalibrationStatus(int inputVolume);

    // Help context of the page once entered (50 before).
    int HelpContext() const { return helpContext_; }

    // The page's own captions in language `letter` ('D' or 'E'; other
    // letters change nothing) (AnalyzerPageTexts.cpp).
    void SetLanguage(char letter);
    // The channel switches in the diagram's colours of the two curves.
    void ShowChannelColours(const QColor& left, const QColor& right);
    // coract: whether a correction table is active, in the current language.
    void ShowCorrectionStatus(bool active);

    // The input's caption and volume as the mixer has them; showing a
    // volume does not announce a move (AnalyzerPageLevels.cpp).
    void ShowInputCaption(const QString& title);
    void ShowInputVolume(int percent);
    void EnableInputVolume(bool on);
    // The output (master) volume every generator level passes through: at
    // 20 % a sine played at -6 dBFS is measured at -20 dBFS, so the page
    // says what the output is set to.
    void ShowOutputVolume(int percent);

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
    TLevelField* Label3;     // input volume, typed in percent
    QLabel* OutVolume;       // the output volume in percent and dB

signals:
    // The user moved the input volume bar, or asked for the input's
    // parameters ("In-Para").
    void inputVolumeMoved(int percent);
    void inputParametersClicked();
    // The work arrays could not be allocated: the main window closes.
    void fatalMemoryError();
    // A spectrum (single or averaged) was handed to the diagram.
    void spectrumShown();
    // START has begun a run: the run now owns the input, so any other
    // measuring loop on it (the calibration) must end.
    void runStarted();

private:
    void connectLevelControls();
    void showOutputVolume(char letter);
    QWidget* buildLeftColumn();
    QWidget* buildMiddleColumn();
    QWidget* buildRightColumn();
    void showStateInControls();
    void updateEnabledStates();
    void connectControls();
    void showLevelUnit();
    void showAnalysisChecks();
    void connectEngine();
    void showRunning(bool flag);
    void showSpectrum(const AnalyzerSpectrum& s);
    bool storePoints(const AnalyzerSpectrum& s);
    QString diagramComment() const;

    MenuHooks menus_;
    TAnalyzerEngine* engine_;
    TDiagramm* diagram_ = nullptr;
    int helpContext_ = 50;
    int inputVolume_ = 100; // the input volume the calibration status was last shown for
    int outputVolume_ = 20; // the output volume last shown
};

} // namespace korvanta
