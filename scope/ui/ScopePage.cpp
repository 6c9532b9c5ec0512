#include "scope/ui/ScopePage.h"
#include "platform/LanguageTexts.h"

#include "app/ui/ProgramRecords.h"
#include "scope/OscilloscopeSettings.h"
#include "scope/ui/Oszidia1.h"
#include "scope/ScopeEngine.h"
#include "scope/ScopeTables.h"
#include "audio/Soundd3.h"
#include "diagram/ui/SpinButton.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <cmath>

namespace korvanta {

namespace {
// The page's captions and the tooltips of its unlabelled controls.
constexpr Words kChannel1{"Kanal 1 oder Y", "Channel 1 or Y"};
constexpr Words kChannel2{"Kanal 2 oder X", "Channel 2 or X"};
constexpr Words kPosition1{"Position K1", "Pos Ch.1 "};
constexpr Words kPosition2{"Position K2", "Pos Ch.2 "};
constexpr Words kVolts1{"Y-Achse Kanal 1", "y axis channel 1"};
constexpr Words kVolts2{"X-Achse Kanal 2", "x axis channel 2"};
constexpr Words kGround{"Masse", "Gnd"};
constexpr Words kTimebase{"Zeitbasis", "Timebase"};
constexpr Words kTimebaseTip{"Zeitablenkung", "time per division"};
constexpr Words kSampleRate{"Abtastrate ", "Samplefreq. "};
constexpr Words kTriggerLabel{"Trigg. Pegel", "Trigg. Level"};
constexpr Words kTriggerTip{"Triggerpegel", "Trigger Level"};
constexpr Words kSampleError{"Abtastfehler ", "Sample error "};
// The spin buttons (down and up side by side) take the size their owner gives.
const QSize kSpinSize(32, 18);

QLabel* panelLabel(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setAlignment(Qt::AlignCenter);
    l->setMinimumWidth(48);
    return l;
}
} // namespace

TScopePage::TScopePage(QWidget* parent)
    : QWidget(parent), settings_(Oscilloscope()), engine_(new ScopeEngine(Oscilloscope(), this)),
      ytTimebase_(kDefaultTimebase)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(4);
    Channel1Group = buildChannel(QStringLiteral("Channel 1 or Y"), SCRyposCh1, SpinButton2, VperDiv1, CheckBox1,
                                 QStringLiteral("Pos Ch.1 "), QStringLiteral("Y-Achse Kanal 1"));
    Channel2Group = buildChannel(QStringLiteral("Channel 2 or X"), SCRyposch2, SpinButton1, VperDiv2, CheckBox3,
                                 QStringLiteral("Pos Ch.2 "), QStringLiteral("X-Achse Kanal 2"));
    row->addWidget(Channel1Group);
    row->addWidget(Channel2Group);
    row->addWidget(buildTimebase(), 1);
    connectControls();
    SetLanguage('D');
}

void TScopePage::SetLanguage(char letter)
{
    if (letter != 'D' && letter != 'E')
        return;
    language_ = letter;
    Channel1Group->setTitle(Pick(letter, kChannel1));
    Channel2Group->setTitle(Pick(letter, kChannel2));
    SCRyposCh1->setToolTip(Pick(letter, kPosition1));
    SCRyposch2->setToolTip(Pick(letter, kPosition2));
    SpinButton2->setToolTip(Pick(letter, kVolts1));
    SpinButton1->setToolTip(Pick(letter, kVolts2));
    CheckBox1->setText(Pick(letter, kGround));
    CheckBox3->setText(Pick(letter, kGround));
    TimebaseGroup->setTitle(Pick(letter, kTimebase));
    SpinButton3->setToolTip(Pick(letter, kTimebaseTip));
    Label13->setText(Pick(letter, kTriggerLabel));
    SCRtrig->setToolTip(Pick(letter, kTriggerTip));
    XYSwitch->setToolTip(letter == 'E' ? QStringLiteral("X-Y display: channel 1 upwards over channel 2 across")
                                       : QStringLiteral("X-Y-Darstellung: Kanal 1 nach oben über Kanal 2 nach rechts"));
    // A sample error stays on screen until the next start.
    if (label11->toolTip().isEmpty())
        showSampleRateCaption();
}

void TScopePage::connectControls()
{
    connect(SpinButton2, &TSpinButton::upClick, this, &TScopePage::SpinButton2Up);
    connect(SpinButton2, &TSpinButton::downClick, this, &TScopePage::SpinButton2Down);
    connect(SpinButton1, &TSpinButton::upClick, this, &TScopePage::SpinButton1Up);
    connect(SpinButton1, &TSpinButton::downClick, this, &TScopePage::SpinButton1Down);
    connect(SpinButton3, &TSpinButton::upClick, this, &TScopePage::SpinButton3Up);
    connect(SpinButton3, &TSpinButton::downClick, this, &TScopePage::SpinButton3Down);
    connect(SCRyposCh1, &QScrollBar::valueChanged, this, &TScopePage::SCRyposCh1Change);
    connect(SCRyposch2, &QScrollBar::valueChanged, this, &TScopePage::SCRyposch2Change);
    connect(SCRtrig, &QScrollBar::valueChanged, this, &TScopePage::SCRtrigChange);
    connect(CheckBox2, &QCheckBox::clicked, this, &TScopePage::CheckBox2Click);
    connect(RadioButton1, &QRadioButton::clicked, this, &TScopePage::RadioButton1Click);
    connect(RadioButton2, &QRadioButton::clicked, this, &TScopePage::RadioButton2Click);
    connect(CheckBox1, &QCheckBox::clicked, this, &TScopePage::CheckBox1Click);
    connect(CheckBox3, &QCheckBox::clicked, this, &TScopePage::CheckBox3Click);
    connect(OsziStartStop, &QPushButton::clicked, this, &TScopePage::OsziStartStopClick);
    connect(XYSwitch, &QCheckBox::clicked, this, &TScopePage::XYSwitchClick);
    connect(engine_, &ScopeEngine::started, this, [this] { showRunning(true); });
    connect(engine_, &ScopeEngine::stopped, this, [this] { showRunning(false); });
    connect(engine_, &ScopeEngine::timebaseApplied, this, &TScopePage::showTimebase);
    connect(engine_, &ScopeEngine::failed, this, &TScopePage::showSampleError);
    connect(engine_, &ScopeEngine::overRange, this, &TScopePage::showOverRange);
}

QGroupBox* TScopePage::buildChannel(const QString& caption, QScrollBar*& position, TSpinButton*& spin,
                                    QLabel*& scale, QCheckBox*& ground, const QString& positionHint,
                                    const QString& spinHint)
{
    auto* box = new QGroupBox(caption, this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(4, 2, 4, 4);
    grid->setSpacing(3);
    position = new QScrollBar(Qt::Vertical, box);
    position->setRange(-400, 400);
    position->setToolTip(positionHint);
    scale = panelLabel(QStringLiteral("100mV"), box);
    spin = new TSpinButton(box);
    spin->setFixedSize(kSpinSize);
    spin->setToolTip(spinHint);
    ground = new QCheckBox(QStringLiteral("Gnd"), box);
    grid->addWidget(position, 0, 0, 3, 1);
    grid->addWidget(scale, 0, 1);
    grid->addWidget(spin, 0, 2);
    grid->addWidget(ground, 1, 1, 1, 2);
    grid->setRowStretch(2, 1);
    return box;
}

QGroupBox* TScopePage::buildTimebase()
{
    TimebaseGroup = new QGroupBox(QStringLiteral("Timebase"), this);
    auto* grid = new QGridLayout(TimebaseGroup);
    grid->setContentsMargins(4, 2, 4, 4);
    grid->setSpacing(3);
    Panel3 = panelLabel(QStringLiteral("1ms"), TimebaseGroup);
    SpinButton3 = new TSpinButton(TimebaseGroup);
    SpinButton3->setFixedSize(kSpinSize);
    SpinButton3->setToolTip(QStringLiteral("Zeitablenkung"));
    Label5 = new QLabel(QString(), TimebaseGroup);
    Label5->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    label11 = new QLabel(QStringLiteral("Samplefreq."), TimebaseGroup);
    Label12 = new QLabel(QStringLiteral("44100Hz"), TimebaseGroup);
    Label13 = new QLabel(QStringLiteral("Trigg. Level"), TimebaseGroup);
    SCRtrig = new QScrollBar(Qt::Horizontal, TimebaseGroup);
    SCRtrig->setRange(-200, 200);
    SCRtrig->setToolTip(QStringLiteral("Trigger Level"));
    CheckBox2 = new QCheckBox(QStringLiteral("+ / -"), TimebaseGroup);
    CheckBox2->setChecked(true);
    RadioButton1 = new QRadioButton(QStringLiteral("Ch1"), TimebaseGroup);
    RadioButton2 = new QRadioButton(QStringLiteral("Ch2"), TimebaseGroup);
    RadioButton1->setChecked(true);
    OsziStartStop = new QPushButton(QStringLiteral("Stop"), TimebaseGroup);
    XYSwitch = new QCheckBox(QStringLiteral("X-Y"), TimebaseGroup);
    grid->addWidget(Panel3, 0, 0);
    grid->addWidget(SpinButton3, 0, 1);
    grid->addWidget(XYSwitch, 0, 2);
    grid->addWidget(Label5, 6, 0, 1, 3);
    grid->addWidget(label11, 1, 0);
    grid->addWidget(Label12, 1, 1, 1, 2);
    grid->addWidget(Label13, 2, 0, 1, 3);
    grid->addWidget(SCRtrig, 3, 0, 1, 3);
    grid->addWidget(CheckBox2, 4, 0);
    grid->addWidget(RadioButton1, 4, 1);
    grid->addWidget(RadioButton2, 4, 2);
    grid->addWidget(OsziStartStop, 5, 0, 1, 3);
    grid->setRowStretch(7, 1);
    return TimebaseGroup;
}

void TScopePage::SetDisplay(TOszidia* display)
{
    display_ = display;
    engine_->SetDisplay(display);
}

void TScopePage::EnterScopePage(float calibrationMv, bool inputUsable)
{
    if (!entered_) {
        GetSampleRates(savedInRate_, savedOutRate_);
        GetBits(savedInBits_, savedOutBits_);
        entered_ = true;
    }
    if (display_)
        display_->show();
    showSettings();
    engine_->Enter(calibrationMv * kVoltsPerCalibrationUnit, inputUsable);
    OsziStartStop->setEnabled(inputUsable);
    scalesChanged();
}

void TScopePage::LeaveScopePage()
{
    if (!entered_)
        return;
    entered_ = false;
    engine_->Leave();
    if (display_)
        display_->hide();
    SetSampleRates(savedInRate_, savedOutRate_);
    SetBits(savedInBits_, savedOutBits_);
}

void TScopePage::StopOszi() { engine_->Stop(); }

void TScopePage::LendInput()
{
    if (!entered_)
        return;
    engine_->Stop();
    SetSampleRates(savedInRate_, savedOutRate_);
    SetBits(savedInBits_, savedOutBits_);
}

void TScopePage::RestartOszi(float calibrationMv)
{
    if (!entered_)
        return;
    engine_->Restart(calibrationMv * kVoltsPerCalibrationUnit);
}

void TScopePage::showSettings()
{
    const OscilloscopeSettings& o = settings_;
    const QSignalBlocker b3(SCRtrig);
    if (o.timebaseIndex != kXYTimebase)
        ytTimebase_ = o.timebaseIndex;
    showPositionBars();
    SCRtrig->setValue(int(std::lround(-engine_->TriggerLevel() * 100.0f)));
    VperDiv1->setText(VoltsLabel(o.voltsIndex1));
    VperDiv2->setText(VoltsLabel(o.voltsIndex2));
    Panel3->setText(TimebaseLabel(o.timebaseIndex));
    CheckBox1->setChecked(o.ground1);
    CheckBox3->setChecked(o.ground2);
    CheckBox2->setChecked(o.triggerRising);
    RadioButton1->setChecked(o.triggerOnChannel1);
    RadioButton2->setChecked(!o.triggerOnChannel1);
    XYSwitch->setChecked(xy());
    SpinButton3->setEnabled(!xy());
    Label5->clear();
}

bool TScopePage::xy() const { return settings_.timebaseIndex == kXYTimebase; }

// The bars show what they move: the Y-t zero lines, or in X-Y the offsets
// of the zeros from the centre.
void TScopePage::showPositionBars()
{
    const QSignalBlocker b1(SCRyposCh1), b2(SCRyposch2);
    if (xy()) {
        SCRyposCh1->setValue(BarFromXYOffset(engine_->XYOffset1()));
        SCRyposch2->setValue(BarFromXYOffset(engine_->XYOffset2()));
    } else {
        SCRyposCh1->setValue(BarFromPosition(settings_.yPosition1));
        SCRyposch2->setValue(BarFromPosition(settings_.yPosition2));
    }
}

// A changed scale shows at once, also while the loop is stopped.
void TScopePage::scalesChanged() { engine_->ShowScales(); }

// --- engine results -------------------------------------------------------------------

void TScopePage::showRunning(bool running)
{
    OsziStartStop->setText(running ? QStringLiteral("Stop") : QStringLiteral("Start"));
    // A new start clears the error of the last one.
    if (running)
        showSampleRateCaption();
}

void TScopePage::showSampleRateCaption()
{
    label11->setStyleSheet(QString());
    label11->setText(Pick(language_, kSampleRate));
    label11->setToolTip(QString());
}

void TScopePage::showTimebase(const QString& label, int rate)
{
    Panel3->setText(label);
    showSampleRateCaption();
    Label12->setText(QString::number(rate) + QStringLiteral("Hz"));
}

void TScopePage::showSampleError(const EngineFailure& failure)
{
    label11->setStyleSheet(QStringLiteral("color: red;"));
    label11->setText(Pick(language_, kSampleError) + QString::number(failure.code));
    // The number alone says little; the text of the code is one hover away.
    label11->setToolTip(failure.text);
}

void TScopePage::showOverRange(int count)
{
    Label5->setText(count > 0 ? QStringLiteral("Over ") + QString::number(count) : QString());
}

// --- control handlers -----------------------------------------------------------------

void TScopePage::SpinButton2Up()
{
    settings_.voltsIndex1 = VoltsUp(settings_.voltsIndex1);
    VperDiv1->setText(VoltsLabel(settings_.voltsIndex1));
    scalesChanged();
}

void TScopePage::SpinButton2Down()
{
    settings_.voltsIndex1 = VoltsDown(settings_.voltsIndex1);
    VperDiv1->setText(VoltsLabel(settings_.voltsIndex1));
    scalesChanged();
}

void TScopePage::SpinButton1Up()
{
    settings_.voltsIndex2 = VoltsUp(settings_.voltsIndex2);
    VperDiv2->setText(VoltsLabel(settings_.voltsIndex2));
    scalesChanged();
}

void TScopePage::SpinButton1Down()
{
    settings_.voltsIndex2 = VoltsDown(settings_.voltsIndex2);
    VperDiv2->setText(VoltsLabel(settings_.voltsIndex2));
    scalesChanged();
}

void TScopePage::SpinButton3Up()
{
    settings_.timebaseIndex = TimebaseUp(settings_.timebaseIndex);
    startIfStopped();
}

void TScopePage::SpinButton3Down()
{
    settings_.timebaseIndex = TimebaseDown(settings_.timebaseIndex);
    startIfStopped();
}

void TScopePage::startIfStopped()
{
    // A running loop applies the new timebase with its next frame.
    if (!engine_->Running())
        engine_->Start();
}

// In X-Y the bars move the zeros from the centre; the stored Y-t positions
// stay as they are.
void TScopePage::SCRyposCh1Change(int position)
{
    if (xy())
        engine_->SetXYOffsets(XYOffsetFromBar(position), engine_->XYOffset2());
    else
        settings_.yPosition1 = PositionFromBar(position);
    scalesChanged();
}

void TScopePage::SCRyposch2Change(int position)
{
    if (xy())
        engine_->SetXYOffsets(engine_->XYOffset1(), XYOffsetFromBar(position));
    else
        settings_.yPosition2 = PositionFromBar(position);
    scalesChanged();
}

void TScopePage::SCRtrigChange(int position)
{
    engine_->SetTriggerLevel(TriggerLevelFromBar(position));
    scalesChanged();
}

void TScopePage::CheckBox2Click()
{
    settings_.triggerRising = CheckBox2->isChecked();
    scalesChanged();
}

void TScopePage::RadioButton1Click()
{
    settings_.triggerOnChannel1 = true;
    RadioButton1->setChecked(true);
    scalesChanged();
}

void TScopePage::RadioButton2Click()
{
    settings_.triggerOnChannel1 = false;
    RadioButton2->setChecked(true);
    scalesChanged();
}

void TScopePage::CheckBox1Click()
{
    settings_.ground1 = CheckBox1->isChecked();
    scalesChanged();
}

void TScopePage::CheckBox3Click()
{
    settings_.ground2 = CheckBox3->isChecked();
    scalesChanged();
}

void TScopePage::XYSwitchClick(bool on)
{
    if (on == xy())
        return;
    if (on) {
        ytTimebase_ = settings_.timebaseIndex;
        settings_.timebaseIndex = kXYTimebase;
    } else {
        settings_.timebaseIndex = ytTimebase_ > kXYTimebase ? ytTimebase_ : kDefaultTimebase;
    }
    XYSwitch->setChecked(on);
    SpinButton3->setEnabled(!on);
    showPositionBars();
    scalesChanged();
    startIfStopped();
}

void TScopePage::OsziStartStopClick()
{
    if (engine_->Running())
        engine_->Stop();
    else
        engine_->Start();
}

} // namespace korvanta
