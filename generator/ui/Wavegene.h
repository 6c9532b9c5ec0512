#pragma once
// The generator window: a small tool window that plays a continuous test
// signal (sine, square, white or pink noise, or a wave file of the user's)
// on the output at set levels and phases. It turns its controls into the
// process-wide generator record and has the generator engine play it (the
// measuring command plays through the same engine); the sweep uses the same
// record and docks this window over the main window's "Generator" group.
//
// The window is created once at start-up, reads section "GEN" then and
// writes it when it is closed or destroyed. A running generator shows a
// dark-red frequency panel and a disabled "Opt." button. GUI thread only.

#include "platform/ui/LevelField.h"
#include "audio/GeneratorSettings.h"
#include "audio/MeasuringEngine.h"
#include "audio/Soundd3.h"

#include <QWidget>
#include <optional>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace korvanta {

class GeneratorEngine;
struct GeneratorResult;
class TRadioGroup;
class TSpinButton;

class TWavegen : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 15;

    explicit TWavegen(GeneratorSettings& settings, QWidget* parent = nullptr);
    ~TWavegen() override;

    // Applies the controls to the record and, when something plays or a
    // start is requested, (re)starts the output. Returns 0 on success, the
    // start's error code, 1 when nothing was started, or a negative code
    // when what is set cannot be played (no wave file chosen for "User"; a
    // sine or square not below half the output rate): then nothing plays.
    int Restart(bool startRequested, bool refreshDisplay);
    // Rewrites the frequency display from the record.
    void RefreshDisplay();
    void SetFrequency(float hz);
    float GetFrequency() const;
    // Moves the window's top-left corner to (x, y) when forced, or when the
    // window still sits within one window width and height of that point.
    void Dock(int x, int y, bool force);
    // 'D' or 'E': the language of the start-error text; other letters
    // change nothing.
    void Language(char letter);
    char CurrentLanguage() const { return language_; }

    void GstartClick();
    void GstopClick();
    GeneratorSettings& Settings() { return settings_; }
    // Whether the window shows the running look (set by a successful Start,
    // cleared by Stop and by a playback fault).
    bool RunningLook() const { return running_; }

    QFrame* Panel1;
    QLineEdit* GfreqText;     // frequency display and entry
    TSpinButton* GrobSpin;    // +-100 Hz
    TSpinButton* FeinSpin;    // +-1 Hz
    QScrollBar* ScrollBar4;   // left level
    TLevelField* Label4;      // left level, typed in whole dB
    QScrollBar* ScrollBar1;   // right level
    TLevelField* Label6;      // right level, typed in whole dB
    QScrollBar* ScrollBar2;   // analog output level ("Ana.")
    TLevelField* Label3;      // analog level, typed in percent
    QLineEdit* phL;
    QLineEdit* phR;
    TRadioGroup* RadioGroup1; // "Form"
    QPushButton* Gstart;
    QPushButton* Gstop;
    QPushButton* UserBut;
    QPushButton* WOoptBut;    // "Opt."
    QLabel* PrecOut;
    QPushButton* wghelp;

signals:
    // "Opt." was clicked while nothing plays: the output parameter dialog
    // should open.
    void optionsRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    QWidget* buildFrequencyRow();
    QWidget* buildLevelColumn();
    QWidget* buildButtonColumn();
    void loadSettings();
    void saveSettings() const;

    void GfreqTextChange(const QString& text);
    void GfreqTextExit();
    void GrobSpinDownClick();
    void GrobSpinUpClick();
    void FeinSpinDownClick();
    void FeinSpinUpClick();
    void LevelScroll(QScrollBar* bar, QLineEdit* label);
    void phLChange(const QString& text);
    void phRChange(const QString& text);
    void RadioGroup1Click(int index);
    void UserButClick();
    void WOoptButClick();
    void wghelpClick();

    int finishRestart(int result, bool refreshDisplay);
    // The engine plays: the channel controls and the loop precision.
    void showPlaying(const GeneratorResult& result);
    // The engine could not (re)start, or the output failed while playing.
    void engineFailed(const EngineFailure& failure);
    void stepFrequency(float (*step)(float));
    // A control changed: restart, and when a running tone could not be
    // started again, say so and show the stopped look.
    void restartFromControl(bool refreshDisplay);
    // The stopped look and the box for a failure: a warning for what
    // cannot be played, else the start error with the device's text.
    void startFailed(const EngineFailure& failure);
    void showRunning(bool running);
    void enableChannelControls(bool on);
    // A measurement took the output over (stopped look, the controls that
    // start or change a tone disabled) or gave it back.
    void measurementOwnsOutput(bool owns);
    QList<QWidget*> outputControls() const;
    void applyLevels();
    void applyPhases();
    // The record as the controls show it (the sweep and the output
    // correction may have changed the levels, phases and mode since).
    GeneratorSettings controlsRecord() const;

    GeneratorSettings& settings_;
    GeneratorEngine* engine_;
    // A failure during Restart(), told once the display is refreshed.
    bool restarting_ = false;
    std::optional<EngineFailure> pendingFailure_;
    char language_ = 'D';
    bool running_ = false;
    bool building_ = true;
    float playingFrequency_ = 0.0f;   // of the tone last started
};

} // namespace korvanta
