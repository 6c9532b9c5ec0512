#include "distortion/ui/DistortionWindow.h"
#include "audio/DeviceErrorBox.h"
#include "platform/LanguageTexts.h"

#include "app/ui/ProgramRecords.h"
#include "distortion/DistortionText.h"

#include "diagram/ui/Diagr3.h"

#include "app/Audconst.h"
#include "platform/ModalQuestions.h"
#include "platform/ProfileStore.h"
#include "audio/Soundd3.h"
#include "measure/ui/RunProgress.h"
#include "app/ui/ToolWindowPlace.h"
#include "platform/ui/HelpKey.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QTableWidget>
#include <QTextStream>
#include <QVBoxLayout>
#include <algorithm>

namespace korvanta {

namespace {
QString word(char language, const Words& w) { return QString::fromUtf8(language == 'E' ? w.en : w.de); }

// Digits of a clip point's power.
constexpr int kClipDigits = 4;

constexpr Words kCaption{"Verzerrung", "Distortion"};
constexpr Words kKinds[2] = {{"über Pegel", "over level"}, {"über Frequenz", "over frequency"}};
constexpr Words kSpacings[2] = {{"gleiche dB-Schritte", "equal dB steps"}, {"gleiche Spannungsschritte", "equal voltage steps"}};
constexpr Words kChannels[2] = {{"Links", "Left"}, {"Rechts", "Right"}};
// Row labels of the form, in the order build() adds them.
constexpr Words kRows[] = {
    {"Messung", "Run"},          {"von (dBFS)", "from (dBFS)"},       {"bis (dBFS)", "to (dBFS)"},
    {"Schritte", "Steps"},       {"Teilung", "Spacing"},              {"Ende bei THD+N (%)", "Stop at THD+N (%)"},
    {"Frequenz (Hz)", "Frequency (Hz)"}, {"von (Hz)", "from (Hz)"},   {"bis (Hz)", "to (Hz)"},
    {"Schritte", "Steps"},       {"Pegel (dBFS)", "Level (dBFS)"},    {"Eingang", "Input"},
    {"Last (Ohm)", "Load (ohms)"}, {"Teiler (x:1)", "Divider (x:1)"}, {"Einschwingen (ms)", "Settle (ms)"},
    {"Kurve 1", "Curve 1"},      {"Kurve 2", "Curve 2"},
};
constexpr Words kStart{"Start", "Start"};
constexpr Words kStop{"Stop", "Stop"};
constexpr Words kSave{"Tabelle als Text...", "Table as text..."};
constexpr Words kDiagram{"Diagramm", "Diagram"};
constexpr Words kVoltsHead{"V eff", "V rms"};
constexpr Words kGainHead{"Verst. dB", "Gain dB"};
constexpr Words kDiagramTitle{"Verzerrung - Diagramm", "Distortion - Diagram"};
constexpr Words kPowerAxis{"Ausgangsleistung (W)", "Output power (W)"};
constexpr Words kFrequencyAxis{"Frequenz (Hz)", "Frequency (Hz)"};
constexpr Words kNoCurve{"(keine)", "(none)"};
constexpr Words kStep{"Schritt %1: %2 dBFS, %3 Hz", "Step %1: %2 dBFS, %3 Hz"};
constexpr Words kIdle{"Bereit", "Ready"};
constexpr Words kEndedAtLimit{"Ende: THD+N-Grenze erreicht", "Ended: THD+N limit reached"};
constexpr Words kEnded{"Ende", "Ended"};
constexpr Words kClip{"Klirrgrenze 1 %%: %1   10 %%: %2", "Clip point 1 %%: %1   10 %%: %2"};
constexpr Words kNotReached{"nicht erreicht", "not reached"};
constexpr Words kOutputError{"ERROR at Frequency Output (", "ERROR at Frequency Output ("};
constexpr Words kNoDevice{"Kein Ein- oder Ausgabegerät bereit.", "No input or output device is ready."};
constexpr Words kSaveFailed{"Die Datei konnte nicht geschrieben werden:\n", "The file could not be written:\n"};

QDoubleSpinBox* number(double lo, double hi, int decimals, double step)
{
    auto* box = new QDoubleSpinBox;
    box->setRange(lo, hi);
    box->setDecimals(decimals);
    box->setSingleStep(step);
    return box;
}

QSpinBox* whole(int lo, int hi)
{
    auto* box = new QSpinBox;
    box->setRange(lo, hi);
    return box;
}

} // namespace

TDistortionWindow::TDistortionWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), engine_(Analysis(), WeightingCurve(), OutputCorrection())
{
    AddHelpKey(this, kHelpContext);
    setObjectName(QStringLiteral("Distortion"));
    build();
    ReadDistortionSection(state_, SettingsFilePath());
    ShowPlan(state_.run);
    if (!state_.placement.isEmpty())
        setGeometry(state_.placement);
    else
        resize(760, 560);
    connect(&engine_, &TDistortionEngine::stepStarting, this, [this](int index, double level, double hz) {
        Progress->setText(word(language_, kStep).arg(index + 1).arg(level, 0, 'f', 1).arg(hz, 0, 'f', 1));
    });
    connect(&engine_, &TDistortionEngine::pointReady, this, &TDistortionWindow::addRow);
    Curve1->setCurrentIndex(state_.curve1);
    Curve2->setCurrentIndex(state_.curve2);
    connect(Curve1, &QComboBox::currentIndexChanged, this, &TDistortionWindow::RedrawDiagram);
    connect(Curve2, &QComboBox::currentIndexChanged, this, &TDistortionWindow::RedrawDiagram);
    connect(&engine_, &TDistortionEngine::finished, this, &TDistortionWindow::onFinished);
    connect(&engine_, &TDistortionEngine::failed, this, &TDistortionWindow::onFailed);
    applyTexts();
    setRunning(false);
}

TDistortionWindow::~TDistortionWindow()
{
    engine_.Abort();
    state_.run = PlanFromControls();
    state_.placement = geometry();
    state_.curve1 = Curve1->currentIndex();
    state_.curve2 = Curve2->currentIndex();
    if (diagramShown_)
        state_.diagramPlacement = Diagram->geometry();
    WriteDistortionSection(state_, SettingsFilePath());
    // The diagram writes its options section when it goes, after this one.
    delete Diagram;
}

void TDistortionWindow::build()
{
    SweepKind = new QComboBox;
    SweepKind->addItems({QString(), QString()});
    FromDb = number(-120, 0, 1, 1);
    ToDb = number(-120, 0, 1, 1);
    LevelSteps = whole(1, 500);
    Spacing = new QComboBox;
    Spacing->addItems({QString(), QString()});
    LimitPercent = number(0, 100, 2, 1);
    Frequency = number(1, 100000, 1, 10);
    FromHz = number(1, 100000, 1, 10);
    ToHz = number(1, 100000, 1, 100);
    FrequencySteps = whole(1, 500);
    FixedLevel = number(-120, 0, 1, 1);
    Channel = new QComboBox;
    Channel->addItems({QString(), QString()});
    LoadOhms = number(0.1, 1e6, 2, 1);
    Divider = number(1, 1e4, 2, 1);
    SettleMs = whole(0, 10000);
    Curve1 = new QComboBox;
    Curve2 = new QComboBox;
    for (int q = 0; q < kDistortionQuantityCount; ++q) {
        Curve1->addItem(QString());
        Curve2->addItem(QString());
    }
    Curve2->addItem(QString());   // no second curve
    levelControls_ = {FromDb, ToDb, LevelSteps, Spacing, LimitPercent, Frequency};
    frequencyControls_ = {FromHz, ToHz, FrequencySteps, FixedLevel};

    auto* form = new QFormLayout;
    const QList<QWidget*> fields = {SweepKind, FromDb,   ToDb,        LevelSteps, Spacing,  LimitPercent,
                                    Frequency, FromHz,   ToHz,        FrequencySteps, FixedLevel, Channel,
                                    LoadOhms,  Divider,  SettleMs,    Curve1,     Curve2};
    for (QWidget* f : fields)
        form->addRow(new QLabel, f);

    StartButton = new QPushButton;
    StopButton = new QPushButton;
    SaveButton = new QPushButton;
    DiagramButton = new QPushButton;
    Progress = new QLabel;
    RunProgress = new TRunProgress;
    ClipPoints = new QLabel;
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(StartButton);
    buttons->addWidget(StopButton);
    buttons->addWidget(SaveButton);
    buttons->addWidget(DiagramButton);
    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addLayout(buttons);
    left->addWidget(Progress);
    left->addWidget(RunProgress);
    left->addWidget(ClipPoints);
    left->addStretch();

    Table = new QTableWidget(0, static_cast<int>(DistortionColumnHeads().size()));
    Table->setHorizontalHeaderLabels(DistortionColumnHeads());
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addWidget(Table, 1);
    Menus = new QMenuBar(this);
    top->setMenuBar(Menus);

    Diagram = new TDiagramm(nullptr, this, DiagramHome{DistortionDiagramSection, QStringLiteral("distortion")});
    Diagram->setObjectName(QStringLiteral("DistortionDiagram"));

    connect(StartButton, &QPushButton::clicked, this, &TDistortionWindow::StartClick);
    connect(StopButton, &QPushButton::clicked, this, &TDistortionWindow::StopClick);
    connect(RunProgress, &TRunProgress::stopClicked, this, &TDistortionWindow::StopClick);
    connect(&engine_, &TDistortionEngine::progress, RunProgress, &TRunProgress::ShowProgress);
    connect(&engine_, &TDistortionEngine::stopped, RunProgress, &TRunProgress::Finish);
    connect(SaveButton, &QPushButton::clicked, this, &TDistortionWindow::saveClick);
    connect(DiagramButton, &QPushButton::clicked, this, &TDistortionWindow::ShowDiagram);
    connect(SweepKind, &QComboBox::currentIndexChanged, this, &TDistortionWindow::kindChanged);
}

void TDistortionWindow::applyTexts()
{
    setWindowTitle(word(language_, kCaption));
    for (int i = 0; i < 2; ++i) {
        SweepKind->setItemText(i, word(language_, kKinds[i]));
        Spacing->setItemText(i, word(language_, kSpacings[i]));
        Channel->setItemText(i, word(language_, kChannels[i]));
    }
    for (int q = 0; q < kDistortionQuantityCount; ++q) {
        Curve1->setItemText(q, DistortionQuantityName(DistortionQuantity(q), language_));
        Curve2->setItemText(q, DistortionQuantityName(DistortionQuantity(q), language_));
    }
    Curve2->setItemText(kDistortionQuantityCount, word(language_, kNoCurve));
    DiagramButton->setText(word(language_, kDiagram));
    // The saved file keeps its own heads, which scripts read.
    QStringList heads = DistortionColumnHeads();
    heads.replace(heads.indexOf(QStringLiteral("V rms")), word(language_, kVoltsHead));
    heads.replace(heads.indexOf(QStringLiteral("Gain dB")), word(language_, kGainHead));
    Table->setHorizontalHeaderLabels(heads);
    Diagram->setWindowTitle(word(language_, kDiagramTitle));
    Diagram->SetDiaLanguage(QLatin1Char(language_));
    auto* form = findChild<QFormLayout*>();
    for (int row = 0; row < form->rowCount() && row < int(std::size(kRows)); ++row)
        if (auto* label = qobject_cast<QLabel*>(form->itemAt(row, QFormLayout::LabelRole)->widget()))
            label->setText(word(language_, kRows[row]));
    StartButton->setText(word(language_, kStart));
    StopButton->setText(word(language_, kStop));
    RunProgress->SetLanguage(language_);
    SaveButton->setText(word(language_, kSave));
    if (!engine_.Running())
        Progress->setText(word(language_, kIdle));
    showClipPoints();
    RedrawDiagram();
}

void TDistortionWindow::Language(char letter)
{
    if (letter == 'D' || letter == 'E')
        language_ = letter;
    applyTexts();
}

DistortionSettings TDistortionWindow::PlanFromControls() const
{
    DistortionSettings s = state_.run;
    s.sweep = SweepKind->currentIndex() == 1 ? DistortionSweep::Frequency : DistortionSweep::Level;
    s.levels.startDb = std::min(FromDb->value(), ToDb->value());
    s.levels.stopDb = std::max(FromDb->value(), ToDb->value());
    s.levels.steps = LevelSteps->value();
    s.levels.spacing = Spacing->currentIndex() == 1 ? LevelSpacing::Linear : LevelSpacing::Decibel;
    s.levels.limitPercent = LimitPercent->value();
    s.frequency = Frequency->value();
    s.fromHz = std::min(FromHz->value(), ToHz->value());
    s.toHz = std::max(FromHz->value(), ToHz->value());
    s.frequencySteps = FrequencySteps->value();
    s.fixedLevelDb = FixedLevel->value();
    s.channel = Channel->currentIndex();
    s.scale.loadOhms = LoadOhms->value();
    s.scale.divider = Divider->value();
    s.scale.voltsAtFullScale = voltsAtFullScale_;
    s.settleMs = SettleMs->value();
    return s;
}

void TDistortionWindow::ShowPlan(const DistortionSettings& s)
{
    SweepKind->setCurrentIndex(s.sweep == DistortionSweep::Frequency ? 1 : 0);
    FromDb->setValue(s.levels.startDb);
    ToDb->setValue(s.levels.stopDb);
    LevelSteps->setValue(s.levels.steps);
    Spacing->setCurrentIndex(s.levels.spacing == LevelSpacing::Linear ? 1 : 0);
    LimitPercent->setValue(s.levels.limitPercent);
    Frequency->setValue(s.frequency);
    FromHz->setValue(s.fromHz);
    ToHz->setValue(s.toHz);
    FrequencySteps->setValue(s.frequencySteps);
    FixedLevel->setValue(s.fixedLevelDb);
    Channel->setCurrentIndex(s.channel);
    LoadOhms->setValue(s.scale.loadOhms);
    Divider->setValue(s.scale.divider);
    SettleMs->setValue(s.settleMs);
    kindChanged();
}

void TDistortionWindow::kindChanged()
{
    const bool overLevel = SweepKind->currentIndex() == 0;
    for (QWidget* w : levelControls_)
        w->setEnabled(overLevel && !engine_.Running());
    for (QWidget* w : frequencyControls_)
        w->setEnabled(!overLevel && !engine_.Running());
}

void TDistortionWindow::StartClick()
{
    if (engine_.Running())
        return;
    if (stopOthers_)
        stopOthers_();
    points_.clear();
    Table->setRowCount(0);
    // A new run gets fresh ranges: its axis may be another quantity than the
    // last run's.
    Diagram->ResetRanges();
    if (!engine_.Start(PlanFromControls())) {
        modal::MessageBox(modal::Kind::Error, word(language_, kNoDevice));
        return;
    }
    int inRate = 0, outRate = 0;
    GetSampleRates(inRate, outRate);
    RunProgress->Begin(DistortionEstimate(engine_.Settings(), inRate));
    showClipPoints();
    RedrawDiagram();
    ShowDiagram();
    setRunning(true);
}

void TDistortionWindow::StopClick() { engine_.Stop(); }

void TDistortionWindow::Abort() { engine_.Abort(); }

void TDistortionWindow::setRunning(bool running)
{
    StartButton->setEnabled(!running);
    StopButton->setEnabled(running);
    SaveButton->setEnabled(!running && !points_.empty());
    for (QWidget* w : {static_cast<QWidget*>(SweepKind), static_cast<QWidget*>(Channel),
                       static_cast<QWidget*>(LoadOhms), static_cast<QWidget*>(Divider),
                       static_cast<QWidget*>(SettleMs)})
        w->setEnabled(!running);
    kindChanged();
}

void TDistortionWindow::addRow(const DistortionPoint& p)
{
    // Fine steps are measured after the coarse step that passed a
    // threshold; in the table each row stands at its level, so the table
    // reads as the curve does.
    int row = Table->rowCount();
    if (engine_.Settings().sweep == DistortionSweep::Level)
        row = static_cast<int>(std::count_if(points_.begin(), points_.end(),
                                             [&p](const DistortionPoint& q) { return q.levelDb < p.levelDb; }));
    points_.insert(points_.begin() + row, p);
    Table->insertRow(row);
    const QStringList c = DistortionScreenCells(p);
    for (int col = 0; col < c.size(); ++col)
        Table->setItem(row, col, new QTableWidgetItem(c[col]));
    Table->scrollToBottom();
    showClipPoints();
    RedrawDiagram();
}

void TDistortionWindow::showClipPoints()
{
    if (engine_.Settings().sweep != DistortionSweep::Level || points_.empty()) {
        ClipPoints->clear();
        return;
    }
    auto show = [this](double percent) {
        const auto w = ClipPointWatts(points_, percent);
        return w ? WattsOnScreen(*w, kClipDigits) : word(language_, kNotReached);
    };
    ClipPoints->setText(word(language_, kClip).arg(show(1.0), show(10.0)).replace(QStringLiteral("%%"), QStringLiteral("%")));
}

void TDistortionWindow::onFinished(bool atLimit)
{
    Progress->setText(word(language_, atLimit ? kEndedAtLimit : kEnded));
    setRunning(false);
}

void TDistortionWindow::onFailed(const EngineFailure& failure)
{
    setRunning(false);
    Progress->setText(word(language_, kEnded));
    // The same boxes as the sweep shows for the same failures.
    const bool output = failure.kind == static_cast<int>(TDistortionEngine::Failure::FrequencyOutput);
    const QString prefix = output ? word(language_, kOutputError) : Messages().nextBlockError;
    DeviceErrorBox(prefix + failure.text + QStringLiteral(")"), failure.code, language_);
}

int TDistortionWindow::SaveAsText(const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return 1;
    QTextStream out(&file);
    out << DistortionColumnHeads().join(QLatin1Char('\t')) << '\n';
    for (const DistortionPoint& p : points_)
        out << DistortionCells(p).join(QLatin1Char('\t')) << '\n';
    out.flush();
    return file.commit() ? 0 : 1;
}

void TDistortionWindow::saveClick()
{
    const QString path = modal::SaveFileName(word(language_, kSave), QStringLiteral("Text | *.txt"), QStringLiteral("txt"));
    if (path.isEmpty())
        return;
    if (SaveAsText(path) != 0)
        modal::MessageBox(modal::Kind::Error, word(language_, kSaveFailed) + path);
}

void TDistortionWindow::ShowDiagram()
{
    if (!diagramShown_) {
        if (!state_.diagramPlacement.isEmpty())
            Diagram->setGeometry(state_.diagramPlacement);
        placeDiagram(!state_.diagramPlacement.isEmpty());
    }
    diagramShown_ = true;
    Diagram->show();
    Diagram->raise();
}

void TDistortionWindow::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    QWidget::setVisible(visible);
    // Once the window exists on the desktop: its frame's place is exact then.
    if (showing) {
        fitOnScreen();
        ShowDiagram();
    }
}

void TDistortionWindow::fitOnScreen()
{
    FitToolWindow(this, Diagram, !state_.placement.isEmpty(), !state_.diagramPlacement.isEmpty(), placedOnce_);
}

void TDistortionWindow::placeDiagram(bool stored) { PlaceToolDiagram(this, Diagram, stored); }

void TDistortionWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    Diagram->hide();
}

// The whole curve is drawn again for every step: fine steps near a clip
// point land between coarse ones, and the power axis grows as the run goes.
void TDistortionWindow::RedrawDiagram()
{
    // Before the first run the axis follows the plan in the controls.
    const DistortionSettings plan = engine_.Running() || !points_.empty() ? engine_.Settings() : PlanFromControls();
    const DistortionAxis axis = DistortionPlotAxis(plan, points_);
    const auto q1 = DistortionQuantity(std::max(Curve1->currentIndex(), 0));
    const bool second = Curve2->currentIndex() >= 0 && Curve2->currentIndex() < kDistortionQuantityCount;
    const auto q2 = second ? DistortionQuantity(Curve2->currentIndex()) : q1;
    XScaling readout;
    readout.factor = float(axis.labelFactor);
    readout.unit = axis.inWatts ? QStringLiteral("W") : QStringLiteral("Hz");
    readout.prefixed = axis.inWatts;
    Diagram->SetScaling(readout);
    Diagram->SetXLabelFactor(axis.labelFactor);
    Diagram->SetXCaption(word(language_, axis.inWatts ? kPowerAxis : kFrequencyAxis));
    Diagram->SetYCaption(QStringLiteral("dB"));
    Diagram->ShowCurves(true, second);
    const bool gain = q1 == DistortionQuantity::Gain || q2 == DistortionQuantity::Gain;
    float ymin = -120.0f, ymax = gain ? 40.0f : 0.0f;
    Diagram->SetXRange(axis.xmin, axis.xmax);
    // The comment names the curves; a stored memory curve takes it as its name.
    QString comment = DistortionQuantityName(q1, language_);
    if (second)
        comment += QStringLiteral(" / ") + DistortionQuantityName(q2, language_);
    Diagram->SetupDiagram(comment, std::max(int(points_.size()) - 1, 0), axis.xmin, axis.xmax, ymin, ymax);
    Diagram->ClearCurves();
    // Points in the order of x, which the diagram draws its polyline in.
    std::vector<const DistortionPoint*> order;
    for (const DistortionPoint& p : points_)
        order.push_back(&p);
    std::stable_sort(order.begin(), order.end(), [&plan](const DistortionPoint* a, const DistortionPoint* b) {
        return DistortionPlotX(*a, plan.sweep) < DistortionPlotX(*b, plan.sweep);
    });
    for (size_t i = 0; i < order.size(); ++i)
        Diagram->AddPoint(float(DistortionPlotValue(*order[i], q1)), float(DistortionPlotValue(*order[i], q2)), int(i),
                          DistortionPlotX(*order[i], plan.sweep));
    Diagram->update();
}

} // namespace korvanta
