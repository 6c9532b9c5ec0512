#pragma once
// The oscilloscope page of the main window: both channels' position, scale
// and ground controls and the timebase and trigger group. The page owns the
// frame loop (ScopeEngine), turns its control events into the engine's
// calls and the engine's results into its labels; the display window shows
// the frames. The main window enters and leaves the page and places the
// display window.

#include <QWidget>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace korvanta {

class TSpinButton;
class TOszidia;
class ScopeEngine;
struct EngineFailure;
struct OscilloscopeSettings;

class TScopePage : public QWidget {
    Q_OBJECT
public:
    explicit TScopePage(QWidget* parent = nullptr);

    // The display window the frames go to (created after the page).
    void SetDisplay(TOszidia* display);
    TOszidia* Display() const { return display_; }
    ScopeEngine* Engine() const { return engine_; }

    // Page entered: saves the input and output rates and bits, shows the
    // display window, sets the controls from the record and starts the loop
    // (the first frame only when the input has a usable format).
    // `calibrationMv` is the input calibration value.
    void EnterScopePage(float calibrationMv, bool inputUsable);
    // Captions and tooltips of 'D' or 'E'; other letters change nothing.
    void SetLanguage(char letter);
    // Page left (also at close): stops the loop, hides the display window
    // and restores the saved rates and bits exactly. Nothing happens when
    // the page was not entered.
    void LeaveScopePage();
    bool Entered() const { return entered_; }

    // Stops the loop for another Part's action (calibration, reset ...).
    void StopOszi();
    // Starts it again after such an action when the page is active, with
    // the calibration as it is now.
    void RestartOszi(float calibrationMv);
    // Another loop measures while the page is shown: the loop stops and
    // the input and output go back to the rates and bits saved at entry,
    // the user's own, until RestartOszi sets the oscilloscope's rate again.
    // Nothing happens when the page was not entered.
    void LendInput();

    // Control handlers under the form's names.
    void SpinButton2Up();
    void SpinButton2Down();
    void SpinButton1Up();
    void SpinButton1Down();
    void SpinButton3Up();
    void SpinButton3Down();
    void SCRyposCh1Change(int position);
    void SCRyposch2Change(int position);
    void SCRtrigChange(int position);
    void CheckBox2Click();
    void RadioButton1Click();
    void RadioButton2Click();
    void CheckBox1Click();
    void CheckBox3Click();
    void OsziStartStopClick();
    // X-Y on: channel 1 over channel 2, the timebase kept for when it goes
    // off again; off: the Y-t timebase from before.
    void XYSwitchClick(bool on);

    QGroupBox* Channel1Group;  // "Channel 1 or Y"
    QScrollBar* SCRyposCh1;
    TSpinButton* SpinButton2;
    QLabel* VperDiv1;
    QCheckBox* CheckBox1;      // "Gnd"
    QGroupBox* Channel2Group;  // "Channel 2 or X"
    QScrollBar* SCRyposch2;
    TSpinButton* SpinButton1;
    QLabel* VperDiv2;
    QCheckBox* CheckBox3;      // "Gnd"
    QGroupBox* TimebaseGroup;  // "Timebase"
    QLabel* Panel3;            // time per division
    TSpinButton* SpinButton3;
    QScrollBar* SCRtrig;
    QLabel* Label13;           // "Trigg. Level"
    QCheckBox* CheckBox2;      // "+ / -": rising edge
    QRadioButton* RadioButton1;  // "Ch1"
    QRadioButton* RadioButton2;  // "Ch2"
    QLabel* Label5;            // overload read-out
    QLabel* label11;           // "Samplefreq."
    QLabel* Label12;           // sample rate
    QPushButton* OsziStartStop;
    QCheckBox* XYSwitch;       // "X-Y"

private:
    char language_ = 'D';
    void connectControls();
    void showSettings();
    void showRunning(bool running);
    void showSampleRateCaption();
    void showTimebase(const QString& label, int rate);
    void showSampleError(const EngineFailure& failure);
    void showOverRange(int count);
    void startIfStopped();
    bool xy() const;
    void showPositionBars();
    void scalesChanged();

    OscilloscopeSettings& settings_;
    ScopeEngine* engine_;
    TOszidia* display_ = nullptr;
    bool entered_ = false;
    int ytTimebase_;           // the Y-t timebase while X-Y is on
    int savedInRate_ = 0, savedOutRate_ = 0, savedInBits_ = 0, savedOutBits_ = 0;

    QGroupBox* buildChannel(const QString& caption, QScrollBar*& position, TSpinButton*& spin, QLabel*& scale,
                            QCheckBox*& ground, const QString& positionHint, const QString& spinHint);
    QGroupBox* buildTimebase();
};

} // namespace korvanta
