#include "generator/ui/Wavegene.h"
#include "app/Audconst.h"
#include "platform/ui/WhyGrey.h"
#include "platform/LanguageTexts.h"
#include "audio/DeviceErrorBox.h"

#include "app/ui/ProgramRecords.h"
#include "generator/GeneratorControls.h"
#include "correction/CorrectionTable.h"
#include "generator/GeneratorEngine.h"
#include "generator/GeneratorSection.h"
#include "platform/ModalQuestions.h"
#include "platform/ProfileStore.h"
#include "measure/ui/RadioGroup.h"
#include "audio/OutputOwner.h"
#include "audio/Soundd3.h"
#include "diagram/ui/SpinButton.h"
#include "platform/ui/LevelField.h"
#include "platform/ui/WindowFrames.h"
#include "platform/ui/HelpKey.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace korvanta {

namespace {
const QColor kStoppedPanel(0, 0, 0);
const QColor kRunningPanel(128, 0, 0);  // the classic dark red, colour value 128
const QColor kDisplayText(255, 255, 255);
const QColor kPinkText(255, 0, 255);
constexpr int kDisplayPointSize = 13;
// Short enough that the row with the analog level in dB adds no height to
// the window, which docks over a group of fixed size.
constexpr int kLevelBarHeight = 56;

int outputRate()
{
    int in = 0, out = 0;
    GetSampleRates(in, out);
    return out;
}

QScrollBar* levelBar(QWidget* parent)
{
    auto* bar = new QScrollBar(Qt::Vertical, parent);
    bar->setRange(0, kLevelSliderMax);
    bar->setPageStep(10);
    bar->setMinimumHeight(kLevelBarHeight);
    return bar;
}

QLabel* centred(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}
} // namespace

TWavegen::TWavegen(GeneratorSettings& settings, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), settings_(settings),
      engine_(new GeneratorEngine(settings, OutputCorrection(), this))
{
    setObjectName(QStringLiteral("Wavegen"));
    setWindowTitle(QStringLiteral("Generator"));
    connect(engine_, &GeneratorEngine::playing, this, &TWavegen::showPlaying);
    connect(engine_, &GeneratorEngine::failed, this, &TWavegen::engineFailed);
    buildControls();
    loadSettings();
    connect(&OutputOwner::Instance(), &OutputOwner::measurementChanged, this, &TWavegen::measurementOwnsOutput);
    measurementOwnsOutput(OutputTakenByMeasurement());
    building_ = false;
}

TWavegen::~TWavegen() { saveSettings(); }

// --- form ---------------------------------------------------------------------------

void TWavegen::buildControls()
{
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(4, 4, 4, 4);
    v->setSpacing(4);
    v->addWidget(buildFrequencyRow());
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    row->addWidget(buildLevelColumn());
    RadioGroup1 = new TRadioGroup(QStringLiteral("Form"),
                                  {QStringLiteral("Sin"), QStringLiteral("Sqr"), QStringLiteral("white"),
                                   QStringLiteral("pink"), QStringLiteral("User")},
                                  1, this);
    row->addWidget(RadioGroup1, 0, Qt::AlignTop);
    row->addWidget(buildButtonColumn());
    v->addLayout(row);
    connect(RadioGroup1, &TRadioGroup::itemClicked, this, &TWavegen::RadioGroup1Click);
    setFixedSize(sizeHint());
}

QWidget* TWavegen::buildFrequencyRow()
{
    auto* w = new QWidget(this);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(3);
    Panel1 = new QFrame(w);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setAutoFillBackground(true);
    auto* p = new QHBoxLayout(Panel1);
    p->setContentsMargins(3, 2, 3, 2);
    GfreqText = new QLineEdit(Panel1);
    GfreqText->setFrame(false);
    GfreqText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont big = GfreqText->font();
    big.setBold(true);
    big.setPointSize(kDisplayPointSize);
    GfreqText->setFont(big);
    p->addWidget(GfreqText);
    h->addWidget(Panel1, 1);
    auto* spins = new QGridLayout;
    spins->setSpacing(1);
    GrobSpin = new TSpinButton(w);
    FeinSpin = new TSpinButton(w);
    for (TSpinButton* s : {GrobSpin, FeinSpin})
        s->setFixedSize(34, 15);
    spins->addWidget(new QLabel(QStringLiteral("100"), w), 0, 0);
    spins->addWidget(GrobSpin, 0, 1);
    spins->addWidget(new QLabel(QStringLiteral("1"), w), 1, 0, Qt::AlignRight);
    spins->addWidget(FeinSpin, 1, 1);
    h->addLayout(spins);
    connect(GfreqText, &QLineEdit::textEdited, this, &TWavegen::GfreqTextChange);
    connect(GfreqText, &QLineEdit::editingFinished, this, &TWavegen::GfreqTextExit);
    connect(GrobSpin, &TSpinButton::downClick, this, &TWavegen::GrobSpinDownClick);
    connect(GrobSpin, &TSpinButton::upClick, this, &TWavegen::GrobSpinUpClick);
    connect(FeinSpin, &TSpinButton::downClick, this, &TWavegen::FeinSpinDownClick);
    connect(FeinSpin, &TSpinButton::upClick, this, &TWavegen::FeinSpinUpClick);
    return w;
}

QWidget* TWavegen::buildLevelColumn()
{
    auto* w = new QWidget(this);
    auto* g = new QGridLayout(w);
    g->setContentsMargins(0, 0, 0, 0);
    g->setHorizontalSpacing(4);
    g->setVerticalSpacing(2);
    ScrollBar4 = levelBar(w);
    ScrollBar1 = levelBar(w);
    ScrollBar2 = levelBar(w);
    Label4 = TLevelField::Decibel(ScrollBar4, GeneratorSettings::kLevelOff, w);
    Label6 = TLevelField::Decibel(ScrollBar1, GeneratorSettings::kLevelOff, w);
    Label3 = TLevelField::Percent(ScrollBar2, true, w);
    g->addWidget(centred(QStringLiteral("L"), w), 0, 0);
    g->addWidget(centred(QStringLiteral("R"), w), 0, 1);
    g->addWidget(centred(QStringLiteral("Ana."), w), 0, 2);
    g->addWidget(ScrollBar4, 1, 0, Qt::AlignHCenter);
    g->addWidget(ScrollBar1, 1, 1, Qt::AlignHCenter);
    g->addWidget(ScrollBar2, 1, 2, Qt::AlignHCenter);
    g->addWidget(Label4, 2, 0);
    g->addWidget(Label6, 2, 1);
    g->addWidget(Label3, 2, 2);
    phL = new QLineEdit(QStringLiteral("0"), w);
    phR = new QLineEdit(QStringLiteral("0"), w);
    for (QLineEdit* e : {phL, phR}) {
        e->setFixedWidth(38);
        e->setMaxLength(6);
    }
    // The analog level in dB under its percent, as the mixer bars show it.
    g->addWidget(Label3->Beside(), 3, 2);
    g->addWidget(phL, 4, 0);
    g->addWidget(phR, 4, 1);
    g->addWidget(new QLabel(QStringLiteral("Phase°"), w), 4, 2);
    // The analog output level is the mixer's master volume: the main
    // window's mixer part drives it and enables it with mixer support.
    ScrollBar2->setValue(0);
    SetUsable(ScrollBar2, false, words::kWhyMixerOff, CurrentLanguage());
    SetUsable(Label3, false, words::kWhyMixerOff, CurrentLanguage());
    SetUsable(Label3->Beside(), false, words::kWhyMixerOff, CurrentLanguage());
    connect(ScrollBar4, &QScrollBar::valueChanged, this, [this] { LevelScroll(ScrollBar4, Label4); });
    connect(ScrollBar1, &QScrollBar::valueChanged, this, [this] { LevelScroll(ScrollBar1, Label6); });
    connect(phL, &QLineEdit::textChanged, this, &TWavegen::phLChange);
    connect(phR, &QLineEdit::textChanged, this, &TWavegen::phRChange);
    return w;
}

QWidget* TWavegen::buildButtonColumn()
{
    auto* w = new QWidget(this);
    auto* v = new QVBoxLayout(w);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(3);
    Gstart = new QPushButton(QStringLiteral("Start"), w);
    QPalette green = Gstart->palette();
    green.setColor(QPalette::ButtonText, QColor(0, 128, 0));
    Gstart->setPalette(green);
    Gstop = new QPushButton(QStringLiteral("Stop"), w);
    UserBut = new QPushButton(QStringLiteral("User"), w);
    WOoptBut = new QPushButton(QStringLiteral("Opt."), w);
    wghelp = new QPushButton(QStringLiteral("?"), w);
    PrecOut = new QLabel(QStringLiteral("0"), w);
    PrecOut->setAlignment(Qt::AlignCenter);
    PrecOut->setToolTip(QStringLiteral("Loop precision (1/1000 sample)"));
    for (QPushButton* b : {Gstart, Gstop, UserBut, WOoptBut, wghelp}) {
        b->setFixedWidth(48);
        b->setAutoDefault(false);
        v->addWidget(b);
    }
    v->addWidget(PrecOut);
    v->addStretch(1);
    connect(Gstart, &QPushButton::clicked, this, &TWavegen::GstartClick);
    connect(Gstop, &QPushButton::clicked, this, &TWavegen::GstopClick);
    connect(UserBut, &QPushButton::clicked, this, &TWavegen::UserButClick);
    connect(WOoptBut, &QPushButton::clicked, this, &TWavegen::WOoptButClick);
    connect(wghelp, &QPushButton::clicked, this, &TWavegen::wghelpClick);
    AddHelpKey(this, kHelpContext);
    return w;
}

// --- settings -----------------------------------------------------------------------

void TWavegen::loadSettings()
{
    settings_ = InitialGeneratorSettings();
    ReadGeneratorSection(settings_, SettingsFilePath());
    ScrollBar4->setValue(PositionOfLevel(settings_.levelLeft));
    ScrollBar1->setValue(PositionOfLevel(settings_.levelRight));
    Label4->setText(LevelLabel(ScrollBar4->value()));
    Label6->setText(LevelLabel(ScrollBar1->value()));
    phL->setText(QString::number(settings_.phaseLeft));
    phR->setText(QString::number(settings_.phaseRight));
    RadioGroup1->setItemIndex(settings_.mode);
    showRunning(false);
    RefreshDisplay();
}

GeneratorSettings TWavegen::controlsRecord() const
{
    GeneratorSettings s = settings_;
    s.levelLeft = LevelOfPosition(ScrollBar4->value());
    s.levelRight = LevelOfPosition(ScrollBar1->value());
    if (const auto p = ParsePhase(phL->text()))
        s.phaseLeft = *p;
    if (const auto p = ParsePhase(phR->text()))
        s.phaseRight = *p;
    if (RadioGroup1->itemIndex() >= 0)
        s.mode = RadioGroup1->itemIndex();
    return s;
}

void TWavegen::saveSettings() const
{
    // The controls are saved, not the levels the output correction or the
    // sweep last put into the record: those would shift the user's levels
    // at every start of the program.
    WriteGeneratorSection(controlsRecord(), SettingsFilePath());
}

void TWavegen::closeEvent(QCloseEvent* event)
{
    saveSettings();
    QWidget::closeEvent(event);
}

// --- operations ---------------------------------------------------------------------

void TWavegen::applyLevels()
{
    settings_.levelLeft = LevelOfPosition(ScrollBar4->value());
    settings_.levelRight = LevelOfPosition(ScrollBar1->value());
}

void TWavegen::applyPhases()
{
    // The sweep plays with phases 0; a start here plays what the edits show.
    if (const auto p = ParsePhase(phL->text()))
        settings_.phaseLeft = *p;
    if (const auto p = ParsePhase(phR->text()))
        settings_.phaseRight = *p;
}

int TWavegen::Restart(bool startRequested, bool refreshDisplay)
{
    applyLevels();
    applyPhases();
    // The measurement's tone is not ours to replace.
    if (OutputTakenByMeasurement())
        return finishRestart(GeneratorEngine::kNotStarted, refreshDisplay);
    enableChannelControls(true);
    // A failure is told once the display shows what was asked for.
    restarting_ = true;
    const int result = startRequested ? engine_->Start() : engine_->Restart();
    restarting_ = false;
    finishRestart(result, refreshDisplay);
    if (pendingFailure_) {
        const EngineFailure failure = *pendingFailure_;
        pendingFailure_.reset();
        startFailed(failure);
    }
    return result;
}

int TWavegen::finishRestart(int result, bool refreshDisplay)
{
    if (refreshDisplay)
        RefreshDisplay();
    return result;
}

void TWavegen::showPlaying(const GeneratorResult& result)
{
    // A file plays as it is: no level or phase of ours applies, and it has
    // no loop of ours to fit.
    enableChannelControls(!result.userFile);
    if (result.userFile)
        return;
    playingFrequency_ = result.frequency;
    PrecOut->setText(QString::number(result.loopPrecision));
}

void TWavegen::engineFailed(const EngineFailure& failure)
{
    if (restarting_)
        pendingFailure_ = failure;
    else
        startFailed(failure);
}

void TWavegen::RefreshDisplay()
{
    const FrequencyDisplay d = FrequencyDisplayFor(settings_.mode, settings_.frequency, settings_.userFileName);
    GfreqText->setText(d.text);
    QPalette pal = GfreqText->palette();
    pal.setColor(QPalette::Text, d.magenta ? kPinkText : kDisplayText);
    GfreqText->setPalette(pal);
}

void TWavegen::SetFrequency(float hz)
{
    settings_.frequency = hz;
    RefreshDisplay();
}

float TWavegen::GetFrequency() const { return settings_.frequency; }

void TWavegen::Dock(int x, int y, bool force)
{
    if (FollowsDock(pos(), frameGeometry().size(), QPoint(x, y), force))
        MoveFrameTo(this, QPoint(x, y));
}


void TWavegen::Language(char letter)
{
    if (letter != 'D' && letter != 'E')
        return;
    language_ = letter;
    const bool en = letter == 'E';
    RadioGroup1->setItems({QStringLiteral("Sin"), QStringLiteral("Sqr"), en ? QStringLiteral("white") : QStringLiteral("weiß"),
                           en ? QStringLiteral("pink") : QStringLiteral("rosa"), QStringLiteral("User")});
    // The user's own wave file is "User" in both languages, as the messages
    // and the manual name it.
    UserBut->setText(QStringLiteral("User"));
    UserBut->setToolTip(en ? QStringLiteral("choose a wave file to play") : QStringLiteral("Wave-Datei zum Abspielen wählen"));
    WOoptBut->setToolTip(en ? QStringLiteral("output parameters") : QStringLiteral("Ausgangsparameter"));
    GfreqText->setToolTip(en ? QStringLiteral("frequency in Hz: type it, or step with the arrows")
                             : QStringLiteral("Frequenz in Hz: eintippen oder mit den Pfeilen stufen"));
    PrecOut->setToolTip(en ? QStringLiteral("Loop precision (1/1000 sample)")
                           : QStringLiteral("Schleifengenauigkeit (1/1000 Sample)"));
    Label4->setToolTip(en ? QStringLiteral("left level in dB: type a whole number or OFF")
                          : QStringLiteral("Pegel links in dB: ganze Zahl oder OFF eintippen"));
    Label6->setToolTip(en ? QStringLiteral("right level in dB: type a whole number or OFF")
                          : QStringLiteral("Pegel rechts in dB: ganze Zahl oder OFF eintippen"));
    Label3->setToolTip(en ? QStringLiteral("analog output level in %: type a whole number")
                          : QStringLiteral("analoger Ausgangspegel in %: ganze Zahl eintippen"));
    phL->setToolTip(en ? QStringLiteral("phase of the left channel in degrees")
                       : QStringLiteral("Phase des linken Kanals in Grad"));
    phR->setToolTip(en ? QStringLiteral("phase of the right channel in degrees")
                       : QStringLiteral("Phase des rechten Kanals in Grad"));
}

// --- start and stop -----------------------------------------------------------------

void TWavegen::GstartClick()
{
    if (OutputTakenByMeasurement() || IsPlaying() || settings_.frequency == 0.0f)
        return;
    settings_.mode = RadioGroup1->itemIndex();
    if (Restart(true, true) == 0)
        showRunning(true);
}

void TWavegen::GstopClick()
{
    // The engine leaves a measurement's tone alone: its own STOP ends it.
    engine_->Stop();
    showRunning(false);
    enableChannelControls(true);
}

void TWavegen::startFailed(const EngineFailure& failure)
{
    // Whatever of ours played has stopped, so the next Start begins afresh.
    enableChannelControls(true);
    showRunning(false);
    // What the user set cannot be played: a warning that says what to do.
    using Failure = GeneratorEngine::Failure;
    const auto kind = static_cast<Failure>(failure.kind);
    if (kind == Failure::NoFile || kind == Failure::Format) {
        const QString text = kind == Failure::NoFile ? NoWaveFileText(language_)
                                                     : AboveHalfRateText(language_, settings_.frequency, outputRate());
        modal::MessageBox(modal::Kind::Warning, text, modal::Ok);
        return;
    }
    DeviceErrorBox(StartErrorText(language_, failure.text), failure.code, language_);
}

void TWavegen::showRunning(bool running)
{
    running_ = running;
    const QColor back = running ? kRunningPanel : kStoppedPanel;
    QPalette panel = Panel1->palette();
    panel.setColor(QPalette::Window, back);
    Panel1->setPalette(panel);
    QPalette text = GfreqText->palette();
    text.setColor(QPalette::Base, back);
    GfreqText->setPalette(text);
    WOoptBut->setEnabled(!running);
}

void TWavegen::measurementOwnsOutput(bool owns)
{
    if (owns) {
        // The measurement has stopped our tone or file already.
        settings_.userWavePlaying = false;
        showRunning(false);
    }
    for (QWidget* w : outputControls())
        w->setEnabled(!owns);
    enableChannelControls(!owns);
}

QList<QWidget*> TWavegen::outputControls() const
{
    return {Gstart, Gstop, GfreqText, GrobSpin, FeinSpin, RadioGroup1, UserBut, WOoptBut};
}

void TWavegen::enableChannelControls(bool on)
{
    for (QWidget* w : {static_cast<QWidget*>(ScrollBar4), static_cast<QWidget*>(ScrollBar1),
                       static_cast<QWidget*>(phL), static_cast<QWidget*>(phR)})
        w->setEnabled(on);
}

void TWavegen::restartFromControl(bool refreshDisplay)
{
    if (building_ || OutputTakenByMeasurement())
        return;
    const bool active = IsPlaying() || settings_.userWavePlaying;
    // A tone that stopped and could not start again ends in the engine's
    // failure: the stopped look and the box.
    Restart(false, refreshDisplay);
    if (!active && running_) {
        // Something else stopped the output meanwhile.
        showRunning(false);
    }
}

// --- control handlers ---------------------------------------------------------------

void TWavegen::GfreqTextChange(const QString& text)
{
    const auto hz = ParseFrequencyEntry(text);
    if (!hz)
        return;
    settings_.frequency = *hz;
    restartFromControl(false);
}

// Every valid entry already restarted the tone as it was typed, so leaving
// the field while that frequency plays only tidies the display. Restarting
// here would cut a gap into the tone whenever the focus moves on, for
// example to the analyzer page just as a measurement starts.
void TWavegen::GfreqTextExit()
{
    const bool active = IsPlaying() || settings_.userWavePlaying;
    if (active && settings_.frequency == playingFrequency_) {
        finishRestart(0, true);
        return;
    }
    restartFromControl(true);
}

void TWavegen::stepFrequency(float (*step)(float))
{
    settings_.frequency = step(settings_.frequency);
    restartFromControl(true);
}

void TWavegen::GrobSpinDownClick() { stepFrequency(&CoarseDown); }
void TWavegen::GrobSpinUpClick() { stepFrequency(&CoarseUp); }
void TWavegen::FeinSpinDownClick() { stepFrequency(&FineDown); }
void TWavegen::FeinSpinUpClick() { stepFrequency(&FineUp); }

void TWavegen::LevelScroll(QScrollBar* bar, QLineEdit* label)
{
    label->setText(LevelLabel(bar->value()));
    restartFromControl(false);
}

void TWavegen::phLChange(const QString& text)
{
    if (const auto p = ParsePhase(text)) {
        settings_.phaseLeft = *p;
        restartFromControl(false);
    }
}

void TWavegen::phRChange(const QString& text)
{
    if (const auto p = ParsePhase(text)) {
        settings_.phaseRight = *p;
        restartFromControl(false);
    }
}

void TWavegen::RadioGroup1Click(int index)
{
    settings_.mode = index;
    restartFromControl(true);
}

void TWavegen::UserButClick()
{
    const QString path = modal::OpenFileName(QString(), kUserFileFilter, QStringLiteral("wav"), settings_.userFileName);
    if (path.isEmpty())
        return;
    if (path.size() > GeneratorSettings::kMaxFileName) {
        // A shortened path would name another file, or none.
        modal::MessageBox(modal::Kind::Warning,
                          language_ == 'E' ? QStringLiteral("The path of the file is longer than 120 characters:\n") + path
                                           : QStringLiteral("Der Pfad der Datei ist länger als 120 Zeichen:\n") + path,
                          modal::Ok);
        return;
    }
    settings_.userFileName = path;
    if (settings_.mode == 4)
        RefreshDisplay();
}

void TWavegen::WOoptButClick()
{
    if (!IsPlaying())
        emit optionsRequested();
}

void TWavegen::wghelpClick() { modal::ShowHelp(kHelpContext); }

} // namespace korvanta
