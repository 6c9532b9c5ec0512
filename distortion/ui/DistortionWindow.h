#pragma once
// The distortion window ("Verzerrung" / "Distortion"): the plan of a run over
// level or frequency, the amplifier's load and the divider before the input,
// Start/Stop with a progress read-out, a table of every step (level, volts,
// watts, gain, THD+N, THD, H2 ... H9) and the clip points at 1 % and 10 %
// THD+N. The step loop is TDistortionEngine; this window only fills it in
// and shows what it measures. Its diagram is a TDiagramm of its own (power
// or frequency on the x axis, two chosen quantities as curves), with options,
// placement and memory curves apart from the main diagram's; the main window
// fills the menu bar with the diagram's print, export, copy and memory
// commands.

#include "distortion/DistortionEngine.h"
#include "distortion/DistortionSection.h"

#include <QWidget>
#include <functional>
#include <vector>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QMenuBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace korvanta {

class TRunProgress;

class TDiagramm;

class TDistortionWindow : public QWidget {
    Q_OBJECT
public:
    void setVisible(bool visible) override;
    static constexpr int kHelpContext = 20;
    // Reads section "VERZERR"; writes it when destroyed.
    explicit TDistortionWindow(QWidget* parent = nullptr);
    ~TDistortionWindow() override;

    // Run before a run starts: stops every other measuring loop and the
    // generator window's tone (the main window sets it).
    void SetStopOthers(std::function<void()> stopOthers) { stopOthers_ = std::move(stopOthers); }
    // Volts at full scale of the input, from the calibration.
    void SetVoltsAtFullScale(double volts) { voltsAtFullScale_ = volts; }

    void StartClick();
    void StopClick();
    // Everything stops (the main window's stop-all, a reset): the run ends now.
    void Abort();
    void Language(char letter); // 'D' or 'E'

    // The plan as the controls show it.
    DistortionSettings PlanFromControls() const;
    void ShowPlan(const DistortionSettings& s);
    // The steps measured, as the table shows them (a run over level in order
    // of level).
    const std::vector<DistortionPoint>& Points() const { return points_; }
    TDistortionEngine* Engine() { return &engine_; }
    // Writes the table as text, one step a line, separated by tabs. 0 = written.
    int SaveAsText(const QString& path) const;
    // Draws the steps into the diagram again (after a step, a change of
    // curve or language).
    void RedrawDiagram();
    void ShowDiagram();
    // On the screen it is shown on, whole; its diagram likewise, beside it
    // the first time (`stored`: where the settings put it).
    void fitOnScreen();
    void placeDiagram(bool stored);

    QComboBox* SweepKind;
    QDoubleSpinBox* FromDb;
    QDoubleSpinBox* ToDb;
    QSpinBox* LevelSteps;
    QComboBox* Spacing;
    QDoubleSpinBox* LimitPercent;
    QDoubleSpinBox* Frequency;
    QDoubleSpinBox* FromHz;
    QDoubleSpinBox* ToHz;
    QSpinBox* FrequencySteps;
    QDoubleSpinBox* FixedLevel;
    QComboBox* Channel;
    QDoubleSpinBox* LoadOhms;
    QDoubleSpinBox* Divider;
    QSpinBox* SettleMs;
    QPushButton* StartButton;
    QPushButton* StopButton;
    QPushButton* SaveButton;
    QPushButton* DiagramButton;
    QComboBox* Curve1;
    QComboBox* Curve2;
    QMenuBar* Menus;
    TDiagramm* Diagram;
    QLabel* Progress;
    TRunProgress* RunProgress;  // steps done, time left, Stop
    QLabel* ClipPoints;
    QTableWidget* Table;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void build();
    void applyTexts();
    void setRunning(bool running);
    void addRow(const DistortionPoint& p);
    void showClipPoints();
    void onFinished(bool atLimit);
    void onFailed(const EngineFailure& failure);
    void saveClick();
    void kindChanged();

    TDistortionEngine engine_;
    DistortionWindowState state_;
    std::vector<DistortionPoint> points_;
    std::function<void()> stopOthers_;
    double voltsAtFullScale_ = 1.5;
    char language_ = 'D';
    bool diagramShown_ = false;
    bool placedOnce_ = false;
    QList<QWidget*> levelControls_, frequencyControls_;
};

} // namespace korvanta
