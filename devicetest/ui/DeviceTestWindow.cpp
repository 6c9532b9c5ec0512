#include "devicetest/ui/DeviceTestWindow.h"

#include "app/Audconst.h"
#include "app/ui/ToolWindowPlace.h"
#include "app/ui/ProgramRecords.h"
#include "audio/DeviceErrorBox.h"
#include "audio/Soundd3.h"
#include "devicetest/DeviceTestProcedure.h"
#include "devicetest/DtCompare.h"
#include "devicetest/DtJson.h"
#include "devicetest/DtReference.h"
#include "devicetest/DtReportFile.h"
#include "devicetest/DtReportPlot.h"
#include "devicetest/DtReportTexts.h"
#include "devicetest/DtScreenRows.h"
#include "diagram/ui/Diagr3.h"
#include "measure/ui/RunProgress.h"
#include "platform/LanguageTexts.h"
#include "platform/ModalQuestions.h"
#include "platform/ProfileStore.h"
#include "platform/RegularFile.h"
#include "platform/ui/HelpKey.h"

#include <QCheckBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSaveFile>
#include <QKeyEvent>
#include <QTableWidget>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>

namespace korvanta {

namespace {

constexpr Words kCaption = dtwords::kTitle;
constexpr Words kDiagramTitle{"Gerätetest - Diagramm", "Device test - Diagram"};
constexpr Words kComparisonTitle = dtwords::kComparisonTitle;
// The mnemonics leave out the letters of the main window's menus, whose
// Alt keys reach this tool window too.

constexpr Words kNoteLabel{"&Prüfling:", "Device &under test:"};
constexpr Words kNoteTip{"Was gemessen wird, z. B. Hersteller, Typ und Einstellung; steht im Bericht",
                         "What is measured, e.g. make, type and setting; written into the report"};
constexpr Words kSelfTest{"Se&lbsttest mit Kabel (Referenz der Karte)",
                          "Se&lf-test with a plain cable (the card's reference)"};
constexpr Words kSelfTestTip{
    "Ausgang und Eingang nur mit einem Kabel verbunden: das Ergebnis wird als Referenz dieser Karte gespeichert",
    "Output and input joined by a cable alone: the result is stored as this card's reference"};
constexpr Words kPlanGroup{"Ablauf", "Plan"};
constexpr Words kPlanHeads[2] = {{"Schritt", "Step"}, {"Dauer", "Duration"}};
constexpr Words kTotal{"Gesamtdauer: %1", "Total time: %1"};
constexpr Words kTotalApprox{"Gesamtdauer: ca. %1 (Schritte kommen hinzu)", "Total time: approx. %1 (steps are added)"};
constexpr Words kStart{"&Start", "&Start"};
constexpr Words kStop{"S&top", "Sto&p"};
constexpr Words kFiguresGroup{"Messwerte", "Figures"};
constexpr Words kPlotsGroup{"Diagramme", "Plots"};
constexpr std::array<Words, TDeviceTestWindow::kPlotIds.size()> kPlots{{
    {"&Frequenzgang", "Frequency &response"},
    {"&Rauschspektrum", "&Noise spectrum"},
    {"T&HD-Spektrum", "T&HD spectrum"},
    {"&IMD-Spektrum", "&IMD spectrum"},
    {"Überspreche&n", "Cross&talk"},
}};
constexpr Words kPlotTip{"Zeigt die Kurve im Diagramm des Gerätetests", "Shows the curve in the device test's diagram"};
constexpr Words kNoPlotYet{"erst nach einem Gerätetest", "only after a device test"};
constexpr Words kNoSuchCurve{"dieser Lauf hat diese Kurve nicht", "this run has no such curve"};
constexpr Words kReportGroup{"Bericht", "Report"};
constexpr Words kSave{"Bericht spei&chern...", "Sa&ve report..."};
constexpr Words kSaveTip{"Als HTML, PDF oder JSON, je nach Dateiendung", "As HTML, PDF or JSON, by the file's ending"};
constexpr Words kWhyNoReport{"erst nach einem vollständigen Gerätetest", "only after a complete device test"};
constexpr Words kCompare{"Berichte &vergleichen...", "Compare t&wo reports..."};
constexpr Words kCompareTip{"Zwei gespeicherte JSON-Berichte Messwert für Messwert nebeneinander",
                            "Two saved JSON reports side by side, figure by figure"};
constexpr Words kFirstReport{"Bericht A öffnen", "Open report A"};
constexpr Words kSecondReport{"Bericht B öffnen", "Open report B"};
constexpr Words kSaveComparison{"Vergleich speichern (Abbruch: nur anzeigen)", "Save the comparison (Cancel: show it only)"};
constexpr Words kReady{"Bereit", "Ready"};
constexpr Words kStep{"Schritt %1: %2", "Step %1: %2"};
constexpr Words kComplete{"Fertig", "Complete"};
constexpr Words kIncomplete{"Unvollständig: %1", "Incomplete: %1"};
constexpr Words kStoppedByUser{"angehalten", "stopped"};
constexpr Words kRefused{"Abgelehnt: %1", "Refused: %1"};
constexpr Words kNoDevice{"Kein Ein- oder Ausgabegerät bereit, oder der Ablauf passt nicht zu ihm.",
                          "No input or output device is ready, or the plan does not suit it."};
constexpr Words kOutputError{"ERROR at Frequency Output (", "ERROR at Frequency Output ("};
constexpr Words kReferenceStored{"Als Referenz der Karte gespeichert.", "Stored as the card's reference."};
constexpr Words kReferenceUsed{"Mit der Referenz der Karte verglichen.", "Compared with the card's reference."};
constexpr Words kNoReference{"Keine Referenz dieser Karte: erst ein Selbsttest mit Kabel.",
                             "No reference of this card: run a self-test with a cable first."};
constexpr Words kFrequencyAxis{"Frequenz (Hz)", "Frequency (Hz)"};
constexpr Words kSaveFailed{"Der Bericht wurde nicht gespeichert:\n", "The report was not saved:\n"};
constexpr Words kCompareFailed{"Die Berichte können nicht verglichen werden:\n", "The reports cannot be compared:\n"};
constexpr Words kFileUnreadable{"%1 kann nicht gelesen werden: %2", "%1 cannot be read: %2"};

constexpr int kNoteColumns = 40;
constexpr int kPlanRowsShown = 6;
constexpr int kPlanRowPadding = 6;
constexpr QSize kFirstSize{1180, 660};

QString word(char letter, const Words& w) { return Pick(letter, w); }

QPushButton* button(QWidget* parent) { return new QPushButton(parent); }

// Read and put away, as the help is: Escape closes the window it watches.
// The page's text takes the key before a shortcut could.
class CloseOnEscape : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const auto* key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event) : nullptr;
        if (!key || key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier || !watched->isWidgetType())
            return false;
        static_cast<QWidget*>(watched)->close();
        return true;
    }
};

// A report file's result; false with `error` saying which file and why.
bool readReport(const QString& path, DeviceTestResult& result, QString& error, char letter)
{
    QByteArray bytes;
    FileProblem problem;
    if (!ReadRegularFile(path, kDtReportMaxBytes, bytes, problem)) {
        error = word(letter, kFileUnreadable).arg(path, FileProblemText(problem, letter));
        return false;
    }
    if (!DtResultFromJson(bytes, result, error, letter)) {
        error = path + QStringLiteral(": ") + error;
        return false;
    }
    return true;
}

} // namespace

TDeviceTestWindow::TDeviceTestWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), engine_(InputCorrection(), OutputCorrection())
{
    AddHelpKey(this, kHelpContext);
    setObjectName(QStringLiteral("DeviceTest"));
    build();
    ReadDtWindowSection(state_, SettingsFilePath());
    Note->setText(state_.note);
    SelfTest->setChecked(state_.selfTest);
    if (!state_.placement.isEmpty())
        setGeometry(state_.placement);
    else
        resize(kFirstSize);
    connect(&engine_, &DeviceTestEngine::stepStarting, this, &TDeviceTestWindow::onStepStarting);
    connect(&engine_, &DeviceTestEngine::progress, RunProgress, &TRunProgress::ShowProgress);
    connect(&engine_, &DeviceTestEngine::refused, this, [this](const QString& message) { refusal_ = message; });
    connect(&engine_, &DeviceTestEngine::failed, this, [this](const EngineFailure& f) { failure_ = f; });
    connect(&engine_, &DeviceTestEngine::ended, this, [this](const DeviceTestResult& r) { result_ = r; });
    connect(&engine_, &DeviceTestEngine::stopped, this, &TDeviceTestWindow::onStopped);
    applyTexts();
    setRunning(false);
}

TDeviceTestWindow::~TDeviceTestWindow()
{
    engine_.Stop();
    state_.note = Note->text();
    state_.selfTest = SelfTest->isChecked();
    // A window never shown keeps no place: the next start places it anew.
    if (placedOnce_)
        state_.placement = geometry();
    if (diagramShown_)
        state_.diagramPlacement = Diagram->geometry();
    WriteDtWindowSection(state_, SettingsFilePath());
    // The diagram writes its options section when it goes, after this one.
    delete Diagram;
}

void TDeviceTestWindow::build()
{
    auto* left = new QVBoxLayout;
    auto* noteRow = new QHBoxLayout;
    auto* noteLabel = new QLabel(this);
    noteLabel->setObjectName(QStringLiteral("NoteLabel"));
    Note = new QLineEdit(this);
    Note->setMaxLength(kDtNoteMaxLength);
    Note->setMinimumWidth(Note->fontMetrics().averageCharWidth() * kNoteColumns);
    noteLabel->setBuddy(Note);
    noteRow->addWidget(noteLabel);
    noteRow->addWidget(Note, 1);
    left->addLayout(noteRow);
    SelfTest = new QCheckBox(this);
    left->addWidget(SelfTest);

    auto* planBox = new QGroupBox(this);
    planBox->setObjectName(QStringLiteral("PlanGroup"));
    buildPlan(planBox);
    left->addWidget(planBox, 1);

    auto* runRow = new QHBoxLayout;
    StartButton = button(this);
    StopButton = button(this);
    runRow->addWidget(StartButton);
    runRow->addWidget(StopButton);
    runRow->addStretch();
    left->addLayout(runRow);
    RunProgress = new TRunProgress(this);
    left->addWidget(RunProgress);
    Status = new QLabel(this);
    Status->setWordWrap(true);
    Status->setObjectName(QStringLiteral("Status"));
    left->addWidget(Status);

    auto* figuresBox = new QGroupBox(this);
    figuresBox->setObjectName(QStringLiteral("FiguresGroup"));
    auto* figures = new QVBoxLayout(figuresBox);
    Table = new QTableWidget(0, int(DtColumn::Count), figuresBox);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Every column as wide as its contents, the remarks too: stretched into
    // what the other columns left, a German remark was cut to a few words.
    // The table scrolls sideways instead, and each remark is its cell's
    // tooltip as well.
    Table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Table->horizontalHeader()->setStretchLastSection(false);
    Table->verticalHeader()->setVisible(false);
    figures->addWidget(Table);

    auto* plotsBox = new QGroupBox(this);
    plotsBox->setObjectName(QStringLiteral("PlotsGroup"));
    auto* plots = new QHBoxLayout(plotsBox);
    for (size_t i = 0; i < kPlotIds.size(); ++i) {
        PlotButtons[i] = button(plotsBox);
        PlotButtons[i]->setObjectName(QStringLiteral("Plot_") + QLatin1String(kPlotIds[i]));
        plots->addWidget(PlotButtons[i]);
        const QString id = QLatin1String(kPlotIds[i]);
        connect(PlotButtons[i], &QPushButton::clicked, this, [this, id] { ShowPlot(id); });
    }
    auto* reportBox = new QGroupBox(this);
    reportBox->setObjectName(QStringLiteral("ReportGroup"));
    auto* report = new QHBoxLayout(reportBox);
    SaveButton = button(reportBox);
    CompareButton = button(reportBox);
    report->addWidget(SaveButton);
    report->addWidget(CompareButton);
    report->addStretch();
    // The report under the plots, not beside them: the window stays narrow
    // enough to share a small screen with the main window and a plot.
    auto* below = new QVBoxLayout;
    below->addWidget(plotsBox);
    below->addWidget(reportBox);

    auto* right = new QVBoxLayout;
    right->addWidget(figuresBox, 1);
    right->addLayout(below);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left, 3);
    top->addLayout(right, 5);
    Menus = new QMenuBar(this);
    top->setMenuBar(Menus);

    Diagram = new TDiagramm(nullptr, this, DiagramHome{DtDiagramSection, QStringLiteral("devicetest")});
    Diagram->setObjectName(QStringLiteral("DeviceTestDiagram"));
    Comparison = new QTextBrowser(this);
    Comparison->setWindowFlags(Qt::Window);
    Comparison->setObjectName(QStringLiteral("DeviceTestComparison"));
    Comparison->resize(kFirstSize - QSize(200, 100));
    Comparison->installEventFilter(new CloseOnEscape(Comparison));

    connect(StartButton, &QPushButton::clicked, this, &TDeviceTestWindow::StartClick);
    connect(StopButton, &QPushButton::clicked, this, &TDeviceTestWindow::StopClick);
    connect(RunProgress, &TRunProgress::stopClicked, this, &TDeviceTestWindow::StopClick);
    connect(SaveButton, &QPushButton::clicked, this, &TDeviceTestWindow::saveClick);
    connect(CompareButton, &QPushButton::clicked, this, &TDeviceTestWindow::compareClick);
    // The keys go through the window as it reads: note, switch, Start, the
    // table, the plots, the report.
    const QList<QWidget*> order{Note,           SelfTest,       PlanTable,      StartButton, StopButton,
                                RunProgress->StopBut, Table,     PlotButtons[0], PlotButtons[1], PlotButtons[2],
                                PlotButtons[3], PlotButtons[4], SaveButton,     CompareButton};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TDeviceTestWindow::buildPlan(QWidget* box)
{
    auto* column = new QVBoxLayout(box);
    PlanTable = new QTableWidget(0, 2, box);
    PlanTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    PlanTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    PlanTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    PlanTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    PlanTable->verticalHeader()->setVisible(false);
    // Rows of one line of text, and never fewer than six of them: the
    // window made smaller to leave room for its plots on a small screen
    // still shows where the run stands.
    PlanTable->verticalHeader()->setDefaultSectionSize(PlanTable->fontMetrics().height() + kPlanRowPadding);
    PlanTable->setMinimumHeight(PlanTable->horizontalHeader()->sizeHint().height() +
                                kPlanRowsShown * PlanTable->verticalHeader()->defaultSectionSize() +
                                2 * PlanTable->frameWidth());
    PlanTotal = new QLabel(box);
    PlanTotal->setObjectName(QStringLiteral("PlanTotal"));
    column->addWidget(PlanTable, 1);
    column->addWidget(PlanTotal);
}

void TDeviceTestWindow::applyTexts()
{
    const char l = language_;
    setWindowTitle(word(l, kCaption));
    findChild<QLabel*>(QStringLiteral("NoteLabel"))->setText(word(l, kNoteLabel));
    Note->setToolTip(word(l, kNoteTip));
    SelfTest->setText(word(l, kSelfTest));
    SelfTest->setToolTip(word(l, kSelfTestTip));
    findChild<QGroupBox*>(QStringLiteral("PlanGroup"))->setTitle(word(l, kPlanGroup));
    findChild<QGroupBox*>(QStringLiteral("FiguresGroup"))->setTitle(word(l, kFiguresGroup));
    findChild<QGroupBox*>(QStringLiteral("PlotsGroup"))->setTitle(word(l, kPlotsGroup));
    findChild<QGroupBox*>(QStringLiteral("ReportGroup"))->setTitle(word(l, kReportGroup));
    PlanTable->setHorizontalHeaderLabels({word(l, kPlanHeads[0]), word(l, kPlanHeads[1])});
    Table->setHorizontalHeaderLabels(DtFigureHeads(l));
    StartButton->setText(word(l, kStart));
    StopButton->setText(word(l, kStop));
    RunProgress->SetLanguage(l);
    for (size_t i = 0; i < kPlotIds.size(); ++i)
        PlotButtons[i]->setText(word(l, kPlots[i]));
    SaveButton->setText(word(l, kSave));
    CompareButton->setText(word(l, kCompare));
    CompareButton->setToolTip(word(l, kCompareTip));
    Diagram->setWindowTitle(word(l, kDiagramTitle));
    Diagram->SetDiaLanguage(QLatin1Char(l));
    Comparison->setWindowTitle(word(l, kComparisonTitle));
    if (!engine_.Running()) {
        showPlan();
        if (result_.figures.empty() && refusal_.isEmpty() && !failure_)
            Status->setText(word(l, kReady));
    }
    showResult();
    if (!shownPlot_.isEmpty() && Diagram->isVisible())
        ShowPlot(shownPlot_);
}

void TDeviceTestWindow::Language(char letter)
{
    if (letter == 'D' || letter == 'E')
        language_ = letter;
    applyTexts();
}

void TDeviceTestWindow::showPlan()
{
    // Before a run the plan follows the input's rate as it is now.
    if (!engine_.Running()) {
        int inRate = 0, outRate = 0;
        GetSampleRates(inRate, outRate);
        DtPlanSettings settings;
        settings.rate = inRate > 0 ? inRate : settings.rate;
        plan_ = DefaultDtPlan(settings);
    }
    int inRate = 0, outRate = 0;
    GetSampleRates(inRate, outRate);
    const RunEstimate estimate = DtPlanEstimate(plan_, inRate);
    PlanTable->setRowCount(int(plan_.steps.size()));
    int totalMs = 0;
    for (size_t i = 0; i < plan_.steps.size(); ++i) {
        const int ms = i < estimate.stepMs.size() ? estimate.stepMs[i] : 0;
        totalMs += ms;
        PlanTable->setItem(int(i), 0, new QTableWidgetItem(DtStepText(plan_.steps[i], language_)));
        auto* duration = new QTableWidgetItem(DurationText(ms));
        duration->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        PlanTable->setItem(int(i), 1, duration);
    }
    PlanTotal->setText(word(language_, plan_.approximate ? kTotalApprox : kTotal).arg(DurationText(totalMs)));
}

void TDeviceTestWindow::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    QWidget::setVisible(visible);
    if (showing) {
        showPlan();
        fitOnScreen();
    }
}

DtHeader TDeviceTestWindow::composeHeader() const
{
    DtHeaderState state = headerState_ ? headerState_() : DtHeaderState{};
    // A pasted note may hold line breaks; the header holds one line.
    state.note = DtNoteLine(Note->text()).trimmed();
    state.selfTest = SelfTest->isChecked();
    state.referenceLevelDbfs = DtPlanSettings{}.referenceLevelDb;
    state.when = QDateTime::currentDateTime();
    return ComposeDtHeader(CurrentDtDevices(), state);
}

std::optional<DeviceTestResult> TDeviceTestWindow::loadReference(const DtHeader& header)
{
    // A self-test makes the reference; it is not measured against the old one.
    if (header.selfTest)
        return std::nullopt;
    const DtReferenceStore store;
    DeviceTestResult reference;
    QString error;
    switch (store.load(DtCardKey::Of(header), reference, error, language_)) {
    case DtReferenceStore::Load::Found:
        referenceNote_ = word(language_, kReferenceUsed);
        return reference;
    case DtReferenceStore::Load::Missing:
        referenceNote_ = word(language_, kNoReference);
        break;
    case DtReferenceStore::Load::Corrupt:
        // The run goes on without it; the user learns why nothing is beside the figures.
        referenceNote_ = error;
        break;
    }
    return std::nullopt;
}

void TDeviceTestWindow::StartClick()
{
    if (engine_.Running())
        return;
    if (stopOthers_)
        stopOthers_();
    refusal_.clear();
    failure_.reset();
    referenceNote_.clear();
    result_ = DeviceTestResult{};
    showResult();
    const DtHeader header = composeHeader();
    DtRunSettings settings;
    settings.rate = header.rate;
    settings.letter = language_;
    settings.reference = loadReference(header);
    const DtHeaderState calibration = headerState_ ? headerState_() : DtHeaderState{};
    // Volts only where the calibration holds: made, and at the volume the input has now.
    const bool calibrated = calibration.calibratedAtVolume >= 0 && calibration.inputFullScaleMv > 0 &&
                            (calibration.inputVolumePercent < 0 ||
                             calibration.inputVolumePercent == calibration.calibratedAtVolume);
    settings.inputFullScaleVolts = calibrated ? calibration.inputFullScaleMv / 1000.0 : 0.0;
    DtPlanSettings planSettings;
    planSettings.rate = header.rate > 0 ? header.rate : planSettings.rate;
    plan_ = DefaultDtPlan(planSettings);
    showPlan();
    procedure_ = std::make_unique<DeviceTestProcedure>(settings);
    if (!engine_.Start(plan_, *procedure_, header)) {
        modal::MessageBox(modal::Kind::Error, word(language_, kNoDevice));
        return;
    }
    RunProgress->Begin(DtPlanEstimate(plan_, header.rate));
    setRunning(true);
}

void TDeviceTestWindow::StopClick() { engine_.Stop(); }

void TDeviceTestWindow::Abort() { engine_.Stop(); }

void TDeviceTestWindow::setRunning(bool running)
{
    StartButton->setEnabled(!running);
    StopButton->setEnabled(running);
    Note->setEnabled(!running);
    SelfTest->setEnabled(!running);
    enableReports();
}

void TDeviceTestWindow::enableReports()
{
    const bool running = engine_.Running();
    const bool report = !running && result_.complete;
    SaveButton->setEnabled(report);
    SaveButton->setToolTip(word(language_, report ? kSaveTip : kWhyNoReport));
    const std::vector<DtPlot> plots = running ? std::vector<DtPlot>{} : DtReportPlots(result_, language_);
    for (size_t i = 0; i < kPlotIds.size(); ++i) {
        const bool has = std::any_of(plots.begin(), plots.end(),
                                     [&](const DtPlot& p) { return p.id == QLatin1String(kPlotIds[i]); });
        PlotButtons[i]->setEnabled(has);
        PlotButtons[i]->setToolTip(word(language_, has ? kPlotTip : plots.empty() ? kNoPlotYet : kNoSuchCurve));
    }
}

void TDeviceTestWindow::onStepStarting(const DtPlayedStep& step)
{
    // Steps added while it runs (the -3 dB points, the maximum level) join the plan's list.
    if (engine_.Plan().steps.size() != plan_.steps.size()) {
        plan_ = engine_.Plan();
        showPlan();
    }
    if (step.index >= 0 && step.index < PlanTable->rowCount()) {
        PlanTable->selectRow(step.index);
        PlanTable->scrollToItem(PlanTable->item(step.index, 0));
    }
    Status->setText(word(language_, kStep).arg(step.index + 1).arg(DtStepText(step.step, language_)));
}

void TDeviceTestWindow::showResult()
{
    Table->setRowCount(int(result_.figures.size()));
    for (size_t row = 0; row < result_.figures.size(); ++row) {
        const QStringList cells = DtFigureCells(result_.figures[row], language_);
        for (int c = 0; c < cells.size(); ++c)
            Table->setItem(int(row), c, new QTableWidgetItem(cells[c]));
        if (QTableWidgetItem* note = Table->item(int(row), int(DtColumn::Note)))
            note->setToolTip(note->text());
    }
    if (engine_.Running())
        return;
    QString status;
    if (!refusal_.isEmpty())
        status = word(language_, kRefused).arg(refusal_);
    else if (result_.complete)
        status = word(language_, kComplete);
    else if (!result_.figures.empty() || failure_ || !result_.error.isEmpty())
        status = word(language_, kIncomplete)
                     .arg(result_.error.isEmpty() ? word(language_, kStoppedByUser) : result_.error);
    if (!status.isEmpty())
        Status->setText(referenceNote_.isEmpty() ? status : status + QLatin1Char('\n') + referenceNote_);
    enableReports();
}

void TDeviceTestWindow::onStopped()
{
    RunProgress->Finish();
    // No figures from a bad set-up.
    if (!refusal_.isEmpty()) {
        result_.figures.clear();
        result_.curves.clear();
        result_.complete = false;
    }
    setRunning(false);
    if (result_.complete && result_.header.selfTest)
        storeReference();
    showResult();
    if (!refusal_.isEmpty()) {
        modal::MessageBox(modal::Kind::Error, refusal_);
    } else if (failure_) {
        const bool output = failure_->kind == int(DeviceTestEngine::Failure::Output);
        const QString prefix = output ? word(language_, kOutputError) : Messages().nextBlockError;
        DeviceErrorBox(prefix + failure_->text + QStringLiteral(")"), failure_->code, language_);
    }
}

void TDeviceTestWindow::storeReference()
{
    DtReferenceStore store;
    QString message;
    switch (store.store(result_, message, language_)) {
    case DtReferenceStore::Store::Stored:
        referenceNote_ = word(language_, kReferenceStored);
        break;
    case DtReferenceStore::Store::Kept:
        referenceNote_ = message;
        break;
    case DtReferenceStore::Store::Refused:
    case DtReferenceStore::Store::Failed:
        referenceNote_ = message;
        modal::MessageBox(modal::Kind::Error, message);
        break;
    }
}

bool TDeviceTestWindow::SaveReport(const QString& path, QString& error) const
{
    if (!result_.complete) {
        error = Pick(language_, dtwords::kIncomplete);
        return false;
    }
    return DtSaveReport(result_, path, language_, error);
}

void TDeviceTestWindow::saveClick()
{
    const QString path = modal::SaveFileName(
        word(language_, kSave).remove(QLatin1Char('&')),
        QStringLiteral("HTML | *.html|PDF | *.pdf|JSON | *.json"), QStringLiteral("html"));
    if (path.isEmpty())
        return;
    QString error;
    if (!SaveReport(path, error))
        modal::MessageBox(modal::Kind::Error, word(language_, kSaveFailed) + error);
}

bool TDeviceTestWindow::CompareReports(const QString& first, const QString& second, QByteArray& html,
                                       QString& error) const
{
    DeviceTestResult a, b;
    if (!readReport(first, a, error, language_) || !readReport(second, b, error, language_))
        return false;
    return DtComparisonHtml(DtCompareResults(a, b), language_, html, error);
}

void TDeviceTestWindow::compareClick()
{
    const QString filter = QStringLiteral("JSON | *.json");
    const QString first = modal::OpenFileName(word(language_, kFirstReport), filter, QStringLiteral("json"));
    if (first.isEmpty())
        return;
    const QString second = modal::OpenFileName(word(language_, kSecondReport), filter, QStringLiteral("json"));
    if (second.isEmpty())
        return;
    QByteArray html;
    QString error;
    if (!CompareReports(first, second, html, error)) {
        modal::MessageBox(modal::Kind::Error, word(language_, kCompareFailed) + error);
        return;
    }
    const QString path =
        modal::SaveFileName(word(language_, kSaveComparison), QStringLiteral("HTML | *.html"), QStringLiteral("html"));
    if (path.isEmpty()) {
        Comparison->setHtml(QString::fromUtf8(html));
        ShowComparison();
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(html) != html.size() || !file.commit())
        modal::MessageBox(modal::Kind::Error, word(language_, kSaveFailed) + path);
}

void TDeviceTestWindow::ShowPlot(const QString& id)
{
    const std::vector<DtPlot> plots = DtReportPlots(result_, language_);
    const auto plot = std::find_if(plots.begin(), plots.end(), [&](const DtPlot& p) { return p.id == id; });
    if (plot == plots.end())
        return;
    const DtPlotSeries series = DtPlotPoints(*plot);
    if (series.x.empty())
        return;
    shownPlot_ = id;
    const bool second = !series.y2.empty();
    // Each plot has its own axes: the ranges of the one before are dropped.
    Diagram->ResetRanges();
    Diagram->SetXLabelFactor(1.0);
    Diagram->SetXCaption(word(language_, kFrequencyAxis));
    Diagram->SetYCaption(plot->yCaption);
    Diagram->ShowCurves(true, second);
    float ymin = series.ymin, ymax = series.ymax;
    Diagram->SetupDiagram(plot->title, int(series.x.size()) - 1, series.xmin, series.xmax, ymin, ymax);
    Diagram->SetXRange(series.xmin, series.xmax);
    Diagram->SetYRange(series.ymin, series.ymax);
    // Both channels on one scale.
    Diagram->SetY2Range(series.ymin, series.ymax);
    Diagram->ClearCurves();
    for (size_t i = 0; i < series.x.size(); ++i)
        Diagram->AddPoint(series.y1[i], second ? series.y2[i] : series.y1[i], int(i), series.x[i]);
    Diagram->SetInfoLine(DtPlotLegend(*plot, language_));
    ShowDiagram();
}

void TDeviceTestWindow::ShowDiagram()
{
    if (!diagramShown_) {
        const bool stored = !state_.diagramPlacement.isEmpty();
        if (stored)
            Diagram->setGeometry(state_.diagramPlacement);
        PlaceToolDiagram(this, Diagram, stored);
    }
    diagramShown_ = true;
    Diagram->show();
    Diagram->raise();
    Diagram->update();
}

void TDeviceTestWindow::ShowComparison()
{
    // Placed before it is shown, so that the window manager frames it
    // there rather than where it would put a new window itself.
    if (!Comparison->isVisible())
        PlaceOwnWindow(Comparison, comparisonPlaced_);
    Comparison->show();
    Comparison->raise();
    Comparison->activateWindow();
}

void TDeviceTestWindow::fitOnScreen()
{
    FitToolWindow(this, Diagram, !state_.placement.isEmpty(), !state_.diagramPlacement.isEmpty(), placedOnce_);
}

void TDeviceTestWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    Diagram->hide();
    Comparison->hide();
}

} // namespace korvanta
