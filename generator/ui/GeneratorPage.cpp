#include "generator/ui/GeneratorPage.h"
#include "audio/DeviceErrorBox.h"
#include "platform/LanguageTexts.h"
#include "platform/ui/WhyGrey.h"

#include "platform/ui/LevelField.h"

#include "app/Audconst.h"
#include "app/ui/ProgramRecords.h"
#include "diagram/ui/Diagr3.h"
#include "platform/ModalQuestions.h"
#include "audio/Soundd3.h"
#include "generator/SweepEngine.h"
#include "generator/SweepPlan.h"
#include "measure/ui/RunProgress.h"
#include "generator/SweepSettings.h"
#include "generator/ui/Wavegene.h"
#include "generator/ui/Wobbelu.h"

#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace korvanta {

namespace {
// The label before the input source.
constexpr Words kInpLabel{"Eing.:", "Inp:"};
constexpr Words kReadoutTip{
    "Spitzenpegel links und rechts als Anteil der Vollaussteuerung (1.00FS = voll); "
    "\"Over n\": n Abtastwerte dieses Schritts waren übersteuert",
    "peak level of the left and the right input as a share of full scale (1.00FS = full); "
    "\"Over n\": n samples of this step were clipped"};
constexpr int kDeviceErrorHelpContext = 17;
constexpr int kCommentLength = 120;
constexpr float kDefaultLevelMax = 5.0f;
constexpr float kDefaultLevelMin = -40.0f;

QScrollBar* levelBar(QWidget* parent)
{
    auto* bar = new QScrollBar(Qt::Vertical, parent);
    bar->setRange(0, 100);
    bar->setValue(0);  // position = 100 - percent; 100 % at the top
    return bar;
}
} // namespace

TGeneratorPage::TGeneratorPage(QWidget* parent) : QWidget(parent), engine_(new TSweepEngine(Sweep(), InputCorrection(), OutputCorrection(), this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(4);
    row->addWidget(buildSweepColumn());
    row->addWidget(buildLevelBox());
    Generator = new QGroupBox(QStringLiteral(" Generator "), this);
    auto* g = new QVBoxLayout(Generator);
    g->setContentsMargins(4, 2, 4, 4);
    g->addStretch(1);
    Button1 = new QPushButton(QStringLiteral("zurück"), Generator);
    g->addWidget(Button1, 0, Qt::AlignRight);
    row->addWidget(Generator, 1);

    // The level bars belong to the mixer, which enables them with mixer
    // support; "zurück" waits for the generator window.
    for (QWidget* w : Pegelbox->findChildren<QWidget*>())
        SetUsable(w, false, words::kWhyMixerOff, CurrentLanguage());
    // "Out-Para" opens the output parameter dialog (the main window wires
    // it); the level bars beside it wait for the mixer.
    Button2->setEnabled(true);
    SetUsable(Button1, false, words::kWhyNoGenerator, CurrentLanguage());
    connect(Button1, &QPushButton::clicked, this, &TGeneratorPage::Button1Click);
    connect(wobbelnBut, &QPushButton::clicked, this, &TGeneratorPage::wobbelnButClick);
    connect(STOPbut, &QPushButton::clicked, this, &TGeneratorPage::STOPbutClick);
    connect(WobDialogBut, &QPushButton::clicked, this, &TGeneratorPage::WobDialogButClick);
    connectLevelControls();
    connectEngine();
    updateEnabledStates();
}

QWidget* TGeneratorPage::buildSweepColumn()
{
    auto* w = new QWidget(this);
    auto* v = new QVBoxLayout(w);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(3);
    Wobbeln = new QGroupBox(QStringLiteral("Wobbeln"), w);
    auto* box = new QVBoxLayout(Wobbeln);
    box->setContentsMargins(4, 2, 4, 4);
    box->setSpacing(2);
    wobbelnBut = new QPushButton(QStringLiteral("START"), Wobbeln);
    WobDialogBut = new QPushButton(QStringLiteral("Setup"), Wobbeln);
    Panel2 = new QFrame(Wobbeln);
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Sunken);
    auto* panel = new QHBoxLayout(Panel2);
    panel->setContentsMargins(2, 1, 2, 1);
    Label7 = new QLabel(QStringLiteral("Pegel L R "), Panel2);
    panel->addWidget(Label7);
    box->addWidget(wobbelnBut);
    box->addWidget(WobDialogBut);
    box->addWidget(Panel2);
    STOPbut = new QPushButton(QStringLiteral("STOP"), w);
    auto* freq = new QHBoxLayout;
    FreqText = new QLabel(QStringLiteral("20000.0"), w);
    FreqText->setFrameShape(QFrame::Panel);
    FreqText->setFrameShadow(QFrame::Sunken);
    FreqText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    HzLabel = new QLabel(QStringLiteral("Hz"), w);
    freq->addWidget(FreqText, 1);
    freq->addWidget(HzLabel);
    auto* inp = new QHBoxLayout;
    InpLabel = new QLabel(QStringLiteral("Inp:"), w);
    Wobinptxt = new QLabel(QString(), w);
    inp->addWidget(InpLabel);
    inp->addWidget(Wobinptxt, 1);
    v->addWidget(Wobbeln);
    v->addWidget(STOPbut);
    v->addLayout(freq);
    v->addLayout(inp);
    RunProgress = new TRunProgress(w);
    v->addWidget(RunProgress);
    v->addStretch(1);
    return w;
}

QGroupBox* TGeneratorPage::buildLevelBox()
{
    Pegelbox = new QGroupBox(QStringLiteral("Level"), this);
    auto* grid = new QGridLayout(Pegelbox);
    grid->setContentsMargins(4, 2, 4, 4);
    grid->setSpacing(2);
    InOutLabel = new QLabel(QStringLiteral("In       Out"), Pegelbox);
    ScrollBar1 = levelBar(Pegelbox);
    ScrollBar2 = levelBar(Pegelbox);
    Label1 = TLevelField::Percent(ScrollBar1, true, Pegelbox);
    Label8 = TLevelField::Percent(ScrollBar2, true, Pegelbox);
    Button2 = new QPushButton(QStringLiteral("Out-Para"), Pegelbox);
    grid->addWidget(InOutLabel, 0, 0, 1, 2);
    grid->addWidget(ScrollBar1, 1, 0, Qt::AlignHCenter);
    grid->addWidget(ScrollBar2, 1, 1, Qt::AlignHCenter);
    grid->addWidget(Label1, 2, 0);
    grid->addWidget(Label8, 2, 1);
    grid->addWidget(Label1->Beside(), 3, 0);
    grid->addWidget(Label8->Beside(), 3, 1);
    grid->addWidget(Button2, 4, 0, 1, 2);
    grid->setRowStretch(1, 1);
    return Pegelbox;
}

void TGeneratorPage::connectEngine()
{
    TSweepEngine* e = engine_;
    connect(e, &TSweepEngine::sweepStarting, this, &TGeneratorPage::setupDiagramForRun);
    connect(e, &TSweepEngine::frequencyShown, this,
            [this](float f) { FreqText->setText(QString::number(f, 'f', 1)); });
    connect(e, &TSweepEngine::runningChanged, this, &TGeneratorPage::runningChanged);
    connect(e, &TSweepEngine::levelReadout, this, &TGeneratorPage::showReadout);
    connect(e, &TSweepEngine::pointReady, this, &TGeneratorPage::showPoint);
    connect(e, &TSweepEngine::nyquistStop, this, [] {
        modal::MessageBox(modal::Kind::Information, Messages().sweepFreqError, modal::Ok);
    });
    connect(e, &TSweepEngine::failed, this, &TGeneratorPage::showDeviceError);
    connect(e, &TSweepEngine::progress, RunProgress, &TRunProgress::ShowProgress);
    connect(e, &TSweepEngine::stopped, RunProgress, &TRunProgress::Finish);
    connect(RunProgress, &TRunProgress::stopClicked, this, &TGeneratorPage::STOPbutClick);
}

void TGeneratorPage::SetGeneratorWindow(TWavegen* generator)
{
    generator_ = generator;
    Button1->setEnabled(generator != nullptr);
    engine_->SetGenerator(generator ? &generator->Settings() : nullptr);
    if (!generator)
        return;
    // The docked window covers the group's client area; "zurück" stays
    // visible below it.
    const QMargins m = Generator->contentsMargins();
    Generator->setMinimumSize(generator->frameGeometry().width() + m.left() + m.right(),
                              generator->frameGeometry().height() + m.top() + m.bottom()
                                  + Button1->sizeHint().height() + 4);
}

void TGeneratorPage::SetLanguage(char letter)
{
    const auto texts = MainTextsFor(letter);
    if (!texts)
        return;
    Button1->setText(texts->backButton);
    RunProgress->SetLanguage(letter);
    Wobbeln->setTitle(Pick(letter, words::kSweepGroup));
    Pegelbox->setTitle(letter == 'E' ? QStringLiteral("Level") : QStringLiteral("Pegel"));
    InpLabel->setText(Pick(letter, kInpLabel));
    // The read-out keeps a measured level; only its resting text follows.
    const QString resting = Label7->text();
    if (resting == Pick('D', words::kLevelReadout) || resting == Pick('E', words::kLevelReadout))
        Label7->setText(Pick(letter, words::kLevelReadout));
    Label7->setToolTip(Pick(letter, kReadoutTip));
    showClipMark(clipMark_.Text(language_), clipMark_.Text(letter));
    language_ = letter;
}

void TGeneratorPage::Button1Click()
{
    if (!generator_)
        return;
    dockGenerator(true);
    showGenerator();
}

void TGeneratorPage::showGenerator()
{
    generator_->show();
    // The main window brings itself to the front after a page change; the
    // generator goes above it once that is done.
    QTimer::singleShot(0, generator_, &QWidget::raise);
}

void TGeneratorPage::dockGenerator(bool force)
{
    const QPoint at = GeneratorDockPoint();
    generator_->Dock(at.x(), at.y(), force);
}

// --- page changes ------------------------------------------------------------------

void TGeneratorPage::EnterSweepPage()
{
    SweepSettings& s = Sweep();
    entered_ = true;
    s.stepIndex = 0;
    s.currentFrequency = static_cast<float>(s.fromFrequency);
    s.captureFrames = kInitialCaptureFrames;
    SetUsable(menus_.analyse, false, words::kWhyAnalyzerPage, CurrentLanguage());
    if (s.levelMax <= s.levelMin) {
        s.levelMax = kDefaultLevelMax;
        s.levelMin = kDefaultLevelMin;
    }
    if (TDiagramm* d = diagram_) {
        d->ResetRanges();
        d->show();
        d->ShowCurves(true, s.phaseOn);
        d->ShowScales(true, s.phaseOn);
        d->SetYCaption(QStringLiteral("Level [dB]"));
        d->SetY2Caption(QStringLiteral("Phase [°]"));
        d->SetXCaption(QStringLiteral("Frequency [Hz]"));
        d->SetYRange(s.levelMin, s.levelMax);
        d->SetY2Range(s.phaseMin, s.phaseMax);
        d->SetupDiagram(s.comment, s.steps, s.fromFrequency, s.toFrequency, s.levelMin, s.levelMax);
        d->SetInfoLine(QString());
    }
    clipMark_.Clear();
    if (generator_) {
        dockGenerator(false);
        showGenerator();
    }
    s.startRequested = s.stopRequested = s.running = false;
    updateEnabledStates();
}

void TGeneratorPage::LeaveSweepPage()
{
    if (!entered_)
        return;
    SweepSettings& s = Sweep();
    engine_->Leave();
    if (TDiagramm* d = diagram_) {
        d->ShowCurves(true, false);
        d->ShowScales(true, false);
        d->GetYRange(s.levelMin, s.levelMax);
        d->ResetRanges();
        d->hide();
    }
    entered_ = false;
    // The next page decides about the menus from now on.
    lockMenus(false);
}

// --- controls -------------------------------------------------------------------------

void TGeneratorPage::wobbelnButClick()
{
    if (Sweep().running)
        return;
    emit sweepStartRequested();
    engine_->Start();
}

void TGeneratorPage::STOPbutClick() { engine_->Stop(); }

void TGeneratorPage::StopSweepNow() { engine_->Abort(); }

void TGeneratorPage::WobDialogButClick()
{
    SweepSettings& s = Sweep();
    if (s.running || !dialog_)
        return;
    dialog_->Load(s);
    if (dialog_->exec() == QDialog::Accepted) {
        dialog_->Store(s);
        if (TDiagramm* d = diagram_) {
            d->ShowCurves(true, s.phaseOn);
            d->ShowScales(true, s.phaseOn);
            d->SetY2Range(s.phaseMin, s.phaseMax);
            d->SetXRange(s.fromFrequency, s.toFrequency);
        }
    }
    if (diagram_)
        diagram_->update();
}

// --- the engine's results ----------------------------------------------------------

void TGeneratorPage::setupDiagramForRun()
{
    SweepSettings& s = Sweep();
    int inRate = 0, outRate = 0, inBits = 0, outBits = 0;
    GetSampleRates(inRate, outRate);
    GetBits(inBits, outBits);
    RunProgress->Begin(SweepEstimate(s.fromFrequency, s.toFrequency, s.steps, s.linear, s.settleMs, inRate, inBits));
    TDiagramm* d = diagram_;
    if (!d)
        return;
    showClipMark(clipMark_.Text(language_), QString());
    clipMark_.Clear();
    d->ClearCurves();
    s.comment = d->GetComment().left(kCommentLength);
    d->SetupDiagram(s.comment, s.steps + 1, s.fromFrequency, s.toFrequency, s.levelMin, s.levelMax);
    if (s.mode == 2)
        d->SetY2Range(s.levelMin, s.levelMax);
    else
        d->SetY2Range(s.phaseMin, s.phaseMax);
}

void TGeneratorPage::showPoint(const SweepPoint& p)
{
    // A block that arrives after the page was left belongs to no diagram
    // of this page any more.
    TDiagramm* d = diagram_;
    if (!entered_ || !d)
        return;
    d->ShowCurves(true, p.flags.show2);
    d->ShowScales(true, p.flags.rightScale);
    if (d->AddPoint(p.values.value1, p.values.value2, p.index, p.frequency) == 0)
        d->update();
    if (p.overRange > 0) {
        const QString shown = clipMark_.Text(language_);
        clipMark_.Add(p.frequency);
        showClipMark(shown, clipMark_.Text(language_));
    }
}

void TGeneratorPage::showClipMark(const QString& shown, const QString& wanted)
{
    if (TDiagramm* d = diagram_; d && entered_ && shown != wanted)
        d->SetInfoLine(ReplaceClipMark(d->GetInfoLine(), shown, wanted));
}

void TGeneratorPage::showReadout(const LevelReadout& r)
{
    Label7->setStyleSheet(r.over ? QStringLiteral("color: red;") : QStringLiteral("color: black;"));
    Label7->setText(r.text);
}

void TGeneratorPage::showDeviceError(const EngineFailure& failure)
{
    const QString prefix = failure.kind == static_cast<int>(TSweepEngine::Failure::NextBlock)
        ? Messages().nextBlockError
        : QStringLiteral("ERROR at Frequency Output (");
    DeviceErrorBox(prefix + failure.text + QStringLiteral(")"), failure.code, CurrentLanguage(), modal::Ok | modal::Help,
                   kDeviceErrorHelpContext);
}

void TGeneratorPage::runningChanged(bool running)
{
    if (entered_)
        lockMenus(running);
    updateEnabledStates();
    // A START within the last recording has begun the next sweep already.
    if (!running && !engine_->AwaitingBlock() && !Sweep().startRequested)
        emit sweepIdle();
}

// --- enabling ---------------------------------------------------------------------

void TGeneratorPage::updateEnabledStates()
{
    const bool idle = !Sweep().running;
    wobbelnBut->setEnabled(idle);
    WobDialogBut->setEnabled(idle);
    // The sweep plays on the output whose format the dialog would change.
    SetUsable(Button2, idle, words::kWhyRunning, CurrentLanguage());
}

void TGeneratorPage::lockMenus(bool lock)
{
    // Only what a sweep changes is put back: the items may be disabled for
    // reasons of their own (a dialog not available yet).
    QAction* items[5] = {menus_.calibration, menus_.audioInDevice ? menus_.audioInDevice->menuAction() : nullptr,
                         menus_.audioOutDevice ? menus_.audioOutDevice->menuAction() : nullptr,
                         menus_.audioInParameter, menus_.audioOutParameter};
    if (lock == menusLocked_)
        return;
    menusLocked_ = lock;
    for (int i = 0; i < 5; ++i) {
        if (!items[i])
            continue;
        if (lock) {
            menuStates_[i] = items[i]->isEnabled();
            menuWhy_[i] = WhyOf(items[i]);
            SetUsable(items[i], false, words::kWhyRunning, CurrentLanguage());
        } else {
            SetUsable(items[i], menuStates_[i], menuWhy_[i].first, menuWhy_[i].second, CurrentLanguage());
        }
    }
}

QPoint TGeneratorPage::GeneratorDockPoint() const
{
    return Generator->mapToGlobal(Generator->contentsRect().topLeft());
}

} // namespace korvanta
