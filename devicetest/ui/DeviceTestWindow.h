#pragma once
// The device test window ("Gerätetest" / "Device test"): the plan with each
// step's planned duration, a note on the device under test, the switch that
// makes a run with a plain cable the card's own reference, Start/Stop with
// the progress per step and the time left, the table of figures (beside the
// card's own values where a reference is stored), the small plots in a
// diagram of the window's own (its print, export, copy and memory curves in
// the window's menu bar, which the main window fills), and the report: saved as HTML, PDF or JSON,
// or two saved reports compared.
//
// The step loop is DeviceTestEngine and the figures come from
// DeviceTestProcedure; this window fills them in and shows what they give.

#include "audio/MeasuringEngine.h"
#include "devicetest/DeviceTestEngine.h"
#include "devicetest/DtHeaderSource.h"
#include "devicetest/DtWindowSection.h"

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QTableWidget;
class QTextBrowser;

namespace korvanta {

class DtProcedure;
class TDiagramm;
class TRunProgress;

class TDeviceTestWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 23;
    void setVisible(bool visible) override;
    // The plots, in the order of their buttons: the curves' ids.
    static constexpr std::array<const char*, 5> kPlotIds{"response", "noise", "thd", "imd", "crosstalk"};

    // Reads section "GERAETETEST"; writes it when destroyed.
    explicit TDeviceTestWindow(QWidget* parent = nullptr);
    ~TDeviceTestWindow() override;

    // Run before a run starts: stops every other measuring loop and the
    // generator window's tone (the main window sets it).
    void SetStopOthers(std::function<void()> stopOthers) { stopOthers_ = std::move(stopOthers); }
    // What the header takes from the main window at a run's start: the
    // mixer volumes and the calibration.
    void SetHeaderState(std::function<DtHeaderState()> state) { headerState_ = std::move(state); }

    void StartClick();
    void StopClick();
    // Everything stops (the main window's stop-all, a reset): the run ends now.
    void Abort();
    void Language(char letter); // 'D' or 'E'

    DeviceTestEngine* Engine() { return &engine_; }
    // The last run's result as the table shows it; no figures after a
    // refused run.
    const DeviceTestResult& Result() const { return result_; }
    // Writes the report of the last complete run; the form follows the
    // file's ending. False with `error` otherwise.
    bool SaveReport(const QString& path, QString& error) const;
    // The two reports compared, as a page, into `html`; false with `error`
    // when either cannot be read or is incomplete.
    bool CompareReports(const QString& first, const QString& second, QByteArray& html, QString& error) const;
    // Draws the plot `id` into the window's diagram and shows it.
    void ShowPlot(const QString& id);
    // On the screen it is shown on, whole.
    void fitOnScreen();
    // Shows the window's diagram; the first time beside the window, where
    // it covers none of it.
    void ShowDiagram();
    // Shows the comparison of two reports that was not saved: the first
    // time clear of the main window, whole on the screen; Escape closes it.
    void ShowComparison();

    QLineEdit* Note;
    QCheckBox* SelfTest;
    QTableWidget* PlanTable;
    QLabel* PlanTotal;
    QPushButton* StartButton;
    QPushButton* StopButton;
    TRunProgress* RunProgress;   // steps done, time left, Stop
    QLabel* Status;
    QTableWidget* Table;
    std::array<QPushButton*, kPlotIds.size()> PlotButtons;
    QPushButton* SaveButton;
    QPushButton* CompareButton;
    QMenuBar* Menus;
    TDiagramm* Diagram;
    QTextBrowser* Comparison;    // a comparison that was not saved is shown here

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void build();
    void buildPlan(QWidget* box);
    void applyTexts();
    void showPlan();
    void setRunning(bool running);
    void showResult();
    void enableReports();
    void onStepStarting(const DtPlayedStep& step);
    void onStopped();
    void storeReference();
    DtHeader composeHeader() const;
    std::optional<DeviceTestResult> loadReference(const DtHeader& header);
    void saveClick();
    void compareClick();

    DeviceTestEngine engine_;
    std::unique_ptr<DtProcedure> procedure_;
    DeviceTestResult result_;
    DtPlan plan_;
    DtWindowState state_;
    std::function<void()> stopOthers_;
    std::function<DtHeaderState()> headerState_;
    QString refusal_;
    std::optional<EngineFailure> failure_;
    QString referenceNote_;      // what became of the card's reference in this run
    QString shownPlot_;
    char language_ = 'D';
    bool diagramShown_ = false;
    bool placedOnce_ = false;
    bool comparisonPlaced_ = false;
};

} // namespace korvanta
