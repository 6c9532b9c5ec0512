#pragma once
// The impulse response window ("Impulsantwort" / "Impulse response"): the
// sweep (band, length, tail, level, how many are averaged), the mode (one
// channel, or its ratio to the other as reference), Start/Stop with a
// progress read-out, the latency, polarity and peak-to-noise of the last
// run, and what its diagram shows: the gate (start and length, or all of
// the fundamental), the smoothing and the view. A change of gate or
// smoothing redraws from the stored measurement without a new run.
//
// The run is IrEngine's; this window fills it in and shows what it gives.
// Its diagram is a TDiagramm of its own, with options, place and memory
// curves apart from every other; the main window fills the menu bar with
// the diagram's print, export, copy and memory commands.

#include "audio/MeasuringEngine.h"
#include "ir/IrEngine.h"
#include "ir/IrSection.h"
#include "ir/IrView.h"

#include <QWidget>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QMenuBar;
class QPushButton;
class QSpinBox;

namespace korvanta {

class TDiagramm;
class TRunProgress;

class TIrWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 24;
    void setVisible(bool visible) override;

    // Reads section "IMPULSANTWORT"; writes it when destroyed.
    explicit TIrWindow(QWidget* parent = nullptr);
    ~TIrWindow() override;

    // Run before a run starts: stops every other measuring loop and the
    // generator window's tone (the main window sets it).
    void SetStopOthers(std::function<void()> stopOthers) { stopOthers_ = std::move(stopOthers); }

    void StartClick();
    void StopClick();
    // Everything stops (the main window's stop-all, a reset): the run ends now.
    void Abort();
    void Language(char letter); // 'D' or 'E'

    IrEngine* Engine() { return &engine_; }
    // The last good run, gated as the controls say; not ok() after a
    // refused, failed or stopped run.
    const IrMeasurement& Measurement() const { return result_; }
    // What the controls say now (the rate is the devices').
    IrWindowState StateFromControls() const;
    // What the settings file gets: the controls' state, except that a
    // number box the user left as ShowState filled it keeps the exact value
    // it was shown for, not the box's rounding of it.
    IrWindowState StateToStore() const;
    void ShowState(const IrWindowState& state);
    // Draws the chosen view of the measurement into the diagram again.
    void RedrawDiagram();
    void ShowDiagram();
    // On the screen it is shown on, whole.
    void fitOnScreen();

    QDoubleSpinBox* LowHz;
    QDoubleSpinBox* TopHz;      // its lowest value is "automatic"
    QDoubleSpinBox* Seconds;
    QDoubleSpinBox* TailSeconds;
    QDoubleSpinBox* Level;
    QSpinBox* Count;
    QCheckBox* ReferenceMode;
    QComboBox* Channel;
    QCheckBox* WholeFundamental;
    QDoubleSpinBox* GateStart;
    QDoubleSpinBox* GateLength;
    QComboBox* Smoothing;
    QComboBox* View;
    QPushButton* StartButton;
    QPushButton* StopButton;
    TRunProgress* RunProgress;
    QLabel* Results;            // latency, polarity, peak-to-noise
    QLabel* Status;
    QMenuBar* Menus;
    TDiagramm* Diagram;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void build();
    QWidget* buildSweepGroup();
    QWidget* buildViewGroup();
    void applyTexts();
    void setRunning(bool running);
    void gateChanged();
    void showResults();
    void onMeasured(const IrMeasurement& m);
    void onStopped();
    IrGate gateFromControls() const;

    IrEngine engine_;
    IrWindowState state_;
    // What ShowState showed last, and what each number box held then.
    IrWindowState shown_;
    std::vector<std::pair<const QDoubleSpinBox*, double>> shownBoxes_;
    IrMeasurement result_;
    std::function<void()> stopOthers_;
    QString refusal_;
    QString infoLine_; // the diagram's: the run's chief figures
    std::optional<EngineFailure> failure_;
    bool stoppedByUser_ = false;
    char language_ = 'D';
    bool diagramShown_ = false;
    bool placedOnce_ = false;
    bool showing_ = false; // controls being filled: no redraw, no regate
};

} // namespace korvanta
