#include "measure/ui/AnalyzerPage.h"

#include "platform/ui/LevelField.h"

#include "analysis/AnalysisSettings.h"
#include "correction/CorrectionTable.h"
#include "analysis/WeightingCurves.h"
#include "app/ui/ProgramRecords.h"
#include "measure/AnalyzerLogic.h"
#include "app/Audconst.h"
#include "diagram/ui/Diagr3.h"
#include "measure/FFtuli.h"
#include "measure/LevelUnits.h"
#include "platform/ModalQuestions.h"
#include "measure/ui/RadioGroup.h"
#include "audio/Soundd3.h"
#include "measure/samplemem.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QVBoxLayout>

namespace korvanta {

namespace {

const QStringList kWindowItems = {
    QStringLiteral("None"),       QStringLiteral("Hamming"),    QStringLiteral("van Hann"),
    QStringLiteral("Blackman"),   QStringLiteral("Bla/Harris"), QStringLiteral("Flat-Top"),
    QStringLiteral("Rife-Vinc1"), QStringLiteral("Rife-Vinc2"), QStringLiteral("Rife-Vinc3")};
const QStringList kPointItems = {QStringLiteral("2048"), QStringLiteral("4096"), QStringLiteral("8192"),
                                 QStringLiteral("16384")};
const QStringList kRunItems = {QStringLiteral("einzeln"), QStringLiteral("fortlaufend"), QStringLiteral("Trigger")};

constexpr int kMaxAverages = 9999;
constexpr int kContinuousMode = 1;
constexpr int kTriggerMode = 2;

QLabel* colouredLabel(const QString& text, const char* colour, bool bold, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setStyleSheet(QStringLiteral("color: %1;%2").arg(QLatin1String(colour), bold ? QStringLiteral(" font-weight: bold;") : QString()));
    return l;
}

QVBoxLayout* column(QWidget* w)
{
    auto* v = new QVBoxLayout(w);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(3);
    return v;
}

int pointsItem(int N)
{
    const int index = int(kPointItems.indexOf(QString::number(N)));
    return index;
}

} // namespace

TAnalyzerPage::TAnalyzerPage(QWidget* parent)
    : QWidget(parent), engine_(new TAnalyzerEngine(Analyzer(), Analysis(), WeightingCurve(), InputCorrection(), this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(4);
    row->addWidget(buildLeftColumn());
    row->addWidget(buildMiddleColumn());
    row->addWidget(buildRightColumn(), 1);
    connectControls();
    connectLevelControls();
    connectEngine();
    updateEnabledStates();
}

QWidget* TAnalyzerPage::buildLeftColumn()
{
    auto* w = new QWidget(this);
    auto* v = column(w);
    StartButton = new QPushButton(QStringLiteral("START"), w);
    StopButton = new QPushButton(QStringLiteral("STOP"), w);
    RunningGroup = new TRadioGroup(QStringLiteral(" Mode "), kRunItems, 1, w);
    Label6 = new QLabel(QStringLiteral("Mittelwerte "), w);
    AverVal = new QSpinBox(w);
    AverVal->setRange(1, kMaxAverages);
    AverVal->setValue(1);
    v->addWidget(StartButton);
    v->addWidget(StopButton);
    v->addWidget(RunningGroup);
    v->addWidget(Label6);
    v->addWidget(AverVal);
    v->addStretch(1);
    return w;
}

QWidget* TAnalyzerPage::buildMiddleColumn()
{
    auto* w = new QWidget(this);
    auto* v = column(w);
    FFTpointsgroup = new TRadioGroup(QStringLiteral(" FFT Points "), kPointItems, 1, w);
    InputSamples = new QGroupBox(QStringLiteral(" Input samples "), w);
    auto* g = new QVBoxLayout(InputSamples);
    g->setContentsMargins(4, 2, 4, 4);
    g->setSpacing(2);
    Lsf = new QLabel(QStringLiteral("44100 Hz"), InputSamples);
    Ldb = new QLabel(QStringLiteral("16 Bits"), InputSamples);
    Binpopt = new QPushButton(QStringLiteral("In-Para"), InputSamples);
    g->addWidget(Lsf);
    g->addWidget(Ldb);
    g->addWidget(Binpopt);
    v->addWidget(FFTpointsgroup);
    v->addWidget(InputSamples);
    v->addStretch(1);
    return w;
}

QWidget* TAnalyzerPage::buildRightColumn()
{
    auto* w = new QWidget(this);
    auto* v = column(w);
    FFTwinGroup = new TRadioGroup(QStringLiteral(" FFT-Window "), kWindowItems, 2, w);
    MeasureLeft = new QCheckBox(QStringLiteral("links"), w);
    MeasureRight = new QCheckBox(QStringLiteral("rechts"), w);
    auto* channels = new QHBoxLayout;
    channels->addWidget(MeasureLeft);
    channels->addWidget(MeasureRight);
    GroupBox1 = new QGroupBox(QStringLiteral(" Measurement "), w);
    auto* level = new QHBoxLayout(GroupBox1);
    level->setContentsMargins(4, 2, 4, 2);
    ScrollBar3 = new QScrollBar(Qt::Horizontal, GroupBox1);
    ScrollBar3->setRange(0, 100);
    ScrollBar3->setValue(100);
    Label3 = TLevelField::Percent(ScrollBar3, false, GroupBox1);
    level->addWidget(ScrollBar3, 1);
    level->addWidget(Label3);
    level->addWidget(Label3->Beside());
    OutVolume = new QLabel(w);
    OutVolume->setObjectName(QStringLiteral("OutVolume"));
    Label2 = colouredLabel(QStringLiteral("."), "red", true, w);
    Label2->setToolTip(QStringLiteral("evtl. Übersteuerung"));
    Label15 = colouredLabel(QString(18, QLatin1Char(' ')), "blue", false, w);
    coract = colouredLabel(QStringLiteral("."), "green", false, w);
    coract->setFixedHeight(12);
    v->addWidget(FFTwinGroup);
    v->addLayout(channels);
    v->addWidget(GroupBox1);
    v->addWidget(OutVolume);
    auto* status = new QHBoxLayout;
    status->addWidget(Label2);
    status->addWidget(Label15, 1);
    v->addLayout(status);
    v->addWidget(coract);
    v->addStretch(1);
    return w;
}

void TAnalyzerPage::connectControls()
{
    connect(StartButton, &QPushButton::clicked, this, &TAnalyzerPage::StartButtonClick);
    connect(StopButton, &QPushButton::clicked, this, &TAnalyzerPage::StopButtonClick);
    connect(RunningGroup, &TRadioGroup::itemClicked, this, &TAnalyzerPage::RunningGroupClick);
    connect(FFTpointsgroup, &TRadioGroup::itemClicked, this, &TAnalyzerPage::FFTpointsgroupClick);
    connect(FFTwinGroup, &TRadioGroup::itemClicked, this, &TAnalyzerPage::FFTwinGroupClick);
    connect(MeasureLeft, &QCheckBox::clicked, this, &TAnalyzerPage::MeasureLeftClick);
    connect(MeasureRight, &QCheckBox::clicked, this, &TAnalyzerPage::MeasureRightClick);
}

void TAnalyzerPage::AttachMenus(const MenuHooks& hooks)
{
    menus_ = hooks;
    const std::pair<QAction*, uint8_t> units[] = {
        {menus_.dbFS, kUnitDbFs}, {menus_.dbV, kUnitDbV}, {menus_.dbu, kUnitDbu}, {menus_.dbm, kUnitDbm}};
    for (const auto& [action, unit] : units) {
        if (!action)
            continue;
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, u = unit] { SetLevelUnit(u); });
    }
    if (menus_.thdNoise) {
        menus_.thdNoise->setCheckable(true);
        connect(menus_.thdNoise, &QAction::triggered, this, &TAnalyzerPage::THDNoise1Click);
    }
    if (menus_.level) {
        menus_.level->setCheckable(true);
        connect(menus_.level, &QAction::triggered, this, &TAnalyzerPage::Level1Click);
    }
    showLevelUnit();
    showAnalysisChecks();
    updateEnabledStates();
}

bool TAnalyzerPage::EnterAnalyzerPage()
{
    AnalyzerState& a = Analyzer();
    if (!AllocateWorkArrays(a)) {
        modal::MessageBox(modal::Kind::Error, QStringLiteral("Memory Error ( <256k )"), modal::Ok);
        emit fatalMemoryError();
        return false;
    }
    a.Running = false;
    showStateInControls();
    if (menus_.analyse)
        menus_.analyse->setEnabled(true);
    engine_->RefreshWindow();
    if (!(a.DiaYMax > a.DiaYMin)) {
        a.DiaYMax = 0.0f;
        a.DiaYMin = -110.0f;
    }
    if (a.DiaXMin >= a.DiaXMax) {
        a.DiaXMax = 24000;
        a.DiaXMin = 10;
    }
    showAnalysisChecks();
    showLevelUnit();
    ShowCalibrationStatus(inputVolume_);
    if (diagram_) {
        diagram_->SetXCaption(QStringLiteral("Frequency [Hz]"));
        diagram_->ShowCurves(true, true);
        diagram_->ShowScales(true, false);
        diagram_->SetupDiagram(a.Comment, a.FFTpoints / 2, a.DiaXMin, a.DiaXMax, a.DiaYMin, a.DiaYMax);
        diagram_->SetYRange(a.DiaYMin, a.DiaYMax);
        diagram_->show();
    }
    a.AnalyzerActive = true;
    helpContext_ = 6;
    updateEnabledStates();
    return true;
}

void TAnalyzerPage::showStateInControls()
{
    AnalyzerState& a = Analyzer();
    RunningGroup->setItemIndex(kContinuousMode);
    RunningGroupClick(kContinuousMode);
    FFTwinGroup->setItemIndex(a.FFTwin);
    // A stored size that is not one of the four becomes 2048 (sums cleared
    // and window made as on a click).
    if (pointsItem(a.FFTpoints) < 0) {
        FFTpointsgroup->setItemIndex(0);
        FFTpointsgroupClick(0);
    } else {
        FFTpointsgroup->setItemIndex(pointsItem(a.FFTpoints));
    }
    MeasureLeft->setChecked(true);
    MeasureRight->setChecked(true);
    a.LeftOn = a.RightOn = true;
    AverVal->setValue(a.AverCount);
}

void TAnalyzerPage::LeaveAnalyzerPage()
{
    AnalyzerState& a = Analyzer();
    if (a.AnalyzerActive && diagram_) {
        diagram_->GetXRange(a.DiaXMin, a.DiaXMax);
        diagram_->GetYRange(a.DiaYMin, a.DiaYMax);
        diagram_->ResetRanges();
    }
    FreeWorkArrays(a);
    a.AnalyzerActive = false;
    SetRunning(false);
    // A block still on its way is not waited for: the engine drops it when
    // it arrives, as the run has ended. Waiting here would run a nested
    // event loop inside the page change, and a hide deferred by a timer
    // would hide the diagram the next page shows (the sweep shares it).
    if (diagram_)
        diagram_->hide();
}

void TAnalyzerPage::ShowCalibrationStatus(int inputVolume)
{
    inputVolume_ = inputVolume;
    const AnalyzerState& a = Analyzer();
    Label15->setText(CalibrationStatus(a.LevelUnit, inputVolume, a.InLev4Cal, Messages().calibrated,
                                       Messages().uncalibrated));
}

void TAnalyzerPage::FollowInputRate()
{
    AnalyzerState& a = Analyzer();
    int in = 0, out = 0;
    GetSampleRates(in, out);
    const RunRange r = RunFrequencyRange(in, a.FFTpoints);
    if (a.AnalyzerActive && diagram_) {
        diagram_->SetXRange(r.xmin, r.xmax);
        diagram_->update();
        return;
    }
    // The diagram belongs to another page now; the range waits for the entry.
    a.DiaXMin = r.xmin;
    a.DiaXMax = r.xmax;
}

void TAnalyzerPage::ShowInputFormat(int rate, int bits, const QString& bitsSuffix)
{
    Lsf->setText(QString::number(rate) + QStringLiteral(" Hz"));
    Ldb->setText(QString::number(bits) + bitsSuffix);
}

void TAnalyzerPage::RunningGroupClick(int index)
{
    AnalyzerState& a = Analyzer();
    if (diagram_)
        diagram_->SetInfoLine(QString());
    a.RunMode = index;
    if (index == kTriggerMode) {
        a.AverCount = 1;
        AverVal->setValue(1);
    }
}

void TAnalyzerPage::FFTpointsgroupClick(int index)
{
    static constexpr int kSizes[] = {2048, 4096, 8192, 16384};
    if (diagram_)
        diagram_->ClearCurves();
    engine_->SetFftSize((index >= 1 && index <= 3) ? kSizes[index] : 2048);
}

void TAnalyzerPage::FFTwinGroupClick(int index) { engine_->SetWindow(index); }

void TAnalyzerPage::MeasureLeftClick() { Analyzer().LeftOn = MeasureLeft->isChecked(); }

void TAnalyzerPage::MeasureRightClick() { Analyzer().RightOn = MeasureRight->isChecked(); }

void TAnalyzerPage::SetLevelUnit(uint8_t unit)
{
    Analyzer().LevelUnit = unit;
    ShowCalibrationStatus(inputVolume_);
    showLevelUnit();
    if (diagram_)
        diagram_->update();
}

void TAnalyzerPage::showLevelUnit()
{
    const uint8_t unit = Analyzer().LevelUnit;
    if (diagram_)
        diagram_->SetYCaption(LevelAxisCaption(unit));
    QAction* items[] = {menus_.dbFS, menus_.dbV, menus_.dbu, menus_.dbm};
    for (int i = 0; i < 4; ++i)
        if (items[i])
            items[i]->setChecked(i == unit);
}

void TAnalyzerPage::THDNoise1Click()
{
    if (diagram_)
        diagram_->SetInfoLine(QString());
    Analysis().toggleThd();
    showAnalysisChecks();
}

void TAnalyzerPage::Level1Click()
{
    if (diagram_)
        diagram_->SetInfoLine(QString());
    Analysis().toggleLevel();
    showAnalysisChecks();
}

void TAnalyzerPage::showAnalysisChecks()
{
    if (menus_.thdNoise)
        menus_.thdNoise->setChecked(Analysis().thdOn);
    if (menus_.level)
        menus_.level->setChecked(Analysis().levelOn);
}

void TAnalyzerPage::updateEnabledStates()
{
    // The one place that decides what can be used. A run locks what must not
    // change under it.
    const bool idle = !Analyzer().Running;
    const bool active = Analyzer().AnalyzerActive;
    // Without a usable input format START records nothing; it is not offered.
    const bool canRecord = Analyzer().InFormats != 0;
    StartButton->setEnabled(active && idle && canRecord);
    StopButton->setEnabled(active);
    FFTwinGroup->setEnabled(active);
    RunningGroup->setEnabled(active);
    MeasureLeft->setEnabled(active);
    MeasureRight->setEnabled(active);
    FFTpointsgroup->setEnabled(active && idle);
    AverVal->setEnabled(active && idle);
    // The input format may not change under a run. The input level bar
    // (ScrollBar3) belongs to the mixer, which enables it.
    Binpopt->setEnabled(idle);
    for (QAction* item : {menus_.thdNoise, menus_.level, menus_.dbFS, menus_.dbV, menus_.dbu, menus_.dbm})
        if (item)
            item->setEnabled(true);
    if (menus_.levelUnits)
        menus_.levelUnits->setEnabled(true);
    for (QAction* item : {menus_.audioInParameter, menus_.audioOutParameter})
        if (item)
            item->setEnabled(idle);
    if (menus_.calibration)
        menus_.calibration->setEnabled(idle);
    if (menus_.audioInDevice)
        menus_.audioInDevice->setEnabled(idle);
    if (menus_.audioOutDevice)
        menus_.audioOutDevice->setEnabled(idle);
}

} // namespace korvanta
