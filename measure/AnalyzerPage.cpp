#include "AnalyzerPage.h"

#include "Audconst.h"
#include "Diagr3.h"
#include "LevelUnits.h"
#include "ModalQuestions.h"
#include "RadioGroup.h"
#include "samplemem.h"

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

TAnalyzerPage::TAnalyzerPage(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(4);
    row->addWidget(buildLeftColumn());
    row->addWidget(buildMiddleColumn());
    row->addWidget(buildRightColumn(), 1);
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
    Label3 = new QLabel(QStringLiteral("100%"), GroupBox1);
    level->addWidget(ScrollBar3, 1);
    level->addWidget(Label3);
    Label2 = colouredLabel(QStringLiteral("."), "red", true, w);
    Label2->setToolTip(QStringLiteral("evtl. Übersteuerung"));
    Label15 = colouredLabel(QString(18, QLatin1Char(' ')), "blue", false, w);
    coract = colouredLabel(QStringLiteral("."), "green", false, w);
    coract->setFixedHeight(12);
    v->addWidget(FFTwinGroup);
    v->addLayout(channels);
    v->addWidget(GroupBox1);
    auto* status = new QHBoxLayout;
    status->addWidget(Label2);
    status->addWidget(Label15, 1);
    v->addLayout(status);
    v->addWidget(coract);
    v->addStretch(1);
    return w;
}

void TAnalyzerPage::AttachMenus(const MenuHooks& hooks)
{
    menus_ = hooks;
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
    if (diagram_)
        diagram_->show();
    a.AnalyzerActive = true;
    helpContext_ = 6;
    updateEnabledStates();
    return true;
}

void TAnalyzerPage::showStateInControls()
{
    AnalyzerState& a = Analyzer();
    RunningGroup->setItemIndex(kContinuousMode);
    a.RunMode = kContinuousMode;
    FFTwinGroup->setItemIndex(a.FFTwin);
    // A stored size that is not one of the four becomes 2048.
    if (pointsItem(a.FFTpoints) < 0)
        a.FFTpoints = 2048;
    FFTpointsgroup->setItemIndex(pointsItem(a.FFTpoints));
    MeasureLeft->setChecked(true);
    MeasureRight->setChecked(true);
    a.LeftOn = a.RightOn = true;
    AverVal->setValue(a.AverCount);
}

void TAnalyzerPage::LeaveAnalyzerPage()
{
    AnalyzerState& a = Analyzer();
    FreeWorkArrays(a);
    a.AnalyzerActive = false;
    SetRunning(false);
    if (diagram_)
        diagram_->hide();
}

void TAnalyzerPage::ShowCalibrationStatus(int inputVolume)
{
    const AnalyzerState& a = Analyzer();
    Label15->setText(CalibrationStatus(a.LevelUnit, inputVolume, a.InLev4Cal, Messages().calibrated,
                                       Messages().uncalibrated));
}

void TAnalyzerPage::StartButtonClick()
{
    // The measuring run is not built yet; the button is disabled.
}

void TAnalyzerPage::StopButtonClick()
{
    SetRunning(false);
}

void TAnalyzerPage::SetRunning(bool flag)
{
    AnalyzerState& a = Analyzer();
    a.Running = flag;
    a.AverLeft = a.AverCount;
    AverVal->setValue(a.AverCount);
    updateEnabledStates();
}

void TAnalyzerPage::ShowInputFormat(int rate, int bits, const QString& bitsSuffix)
{
    Lsf->setText(QString::number(rate) + QStringLiteral(" Hz"));
    Ldb->setText(QString::number(bits) + bitsSuffix);
}

void TAnalyzerPage::updateEnabledStates()
{
    // One place decides what can be used. The run logic is not built yet,
    // so its controls and menu items stay disabled; what a run must lock
    // follows the running state.
    const bool idle = !Analyzer().Running;
    const QList<QWidget*> runControls = {StartButton, StopButton, FFTwinGroup, FFTpointsgroup, RunningGroup,
                                         AverVal, MeasureLeft, MeasureRight, Binpopt, ScrollBar3, Label3};
    for (QWidget* w : runControls)
        w->setEnabled(false);
    for (QAction* item : {menus_.thdNoise, menus_.level, menus_.dbFS, menus_.dbV, menus_.dbu, menus_.dbm,
                          menus_.audioInParameter, menus_.audioOutParameter})
        if (item)
            item->setEnabled(false);
    if (menus_.calibration)
        menus_.calibration->setEnabled(idle);
    if (menus_.levelUnits)
        menus_.levelUnits->setEnabled(false);
    if (menus_.audioInDevice)
        menus_.audioInDevice->setEnabled(idle);
    if (menus_.audioOutDevice)
        menus_.audioOutDevice->setEnabled(idle);
}
