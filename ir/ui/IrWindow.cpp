#include "ir/ui/IrWindow.h"

#include "app/Audconst.h"
#include "app/ui/ProgramRecords.h"
#include "app/ui/ToolWindowPlace.h"
#include "audio/DeviceErrorBox.h"
#include "audio/Soundd3.h"
#include "diagram/ui/Diagr3.h"
#include "measure/ui/RunProgress.h"
#include "platform/LanguageTexts.h"
#include "platform/ModalQuestions.h"
#include "platform/ProfileStore.h"
#include "platform/ui/HelpKey.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>
#include <iterator>

namespace korvanta {

namespace {

constexpr Words kCaption{"Impulsantwort", "Impulse response"};
constexpr Words kDiagramTitle{"Impulsantwort - Diagramm", "Impulse response - Diagram"};
constexpr Words kSweepGroup{"Messsignal", "Test signal"};
constexpr Words kViewGroup{"Auswertung", "Evaluation"};
// The mnemonics leave out the letters of the main window's menus, whose
// Alt keys reach this tool window too.
constexpr Words kSweepRows[] = {
    {"Sweep &von (Hz)", "Lowest fre&quency (Hz)"},
    {"b&is (Hz)", "&Top frequency (Hz)"},
    {"&Länge (s)", "&Length (s)"},
    {"&Nachlauf (s)", "Ta&il (s)"},
    {"Spit&zenpegel (dBFS)", "Pea&k level (dBFS)"},
    {"Mittel&ung über Sweeps", "Sweeps a&veraged"},
    {"&Gemessener Kanal", "Meas&ured channel"},
};
constexpr Words kViewRows[] = {
    {"T&orbeginn ab Spitze (ms)", "Gate &begins after the peak (ms)"},
    {"&Torlänge (ms)", "Gate lengt&h (ms)"},
    {"&Frequenzglättung", "Smoothin&g"},
    {"Ansi&cht", "Vie&w"},
};
constexpr Words kAutoTop{"automatisch: min(20 kHz; 0,45·fs)", "automatic: min(20 kHz, 0.45·fs)"};
constexpr Words kReference{"&Referenzkanal (Verhältnis der Kanäle)", "&Reference channel (ratio of the two)"};
constexpr Words kReferenceTip{"Der andere Kanal misst das Signal vor dem Prüfling; die Antwort ist das Verhältnis",
                              "The other channel measures the signal before the device; the response is the ratio"};
constexpr Words kWhole{"Tor: ganze Grund&welle", "Gate: all of the fu&ndamental"};
constexpr Words kWholeTip{"Das Tor reicht von kurz vor der Spitze bis zum Ende des Nachlaufs",
                          "The gate reaches from just before the peak to the end of the tail"};
constexpr Words kGateTip{"Vor die erste Reflexion gelegt, lässt das Tor den Raum weg",
                         "Set before the first reflection, the gate leaves out the room"};
constexpr Words kChannels[2] = {{"Links", "Left"}, {"Rechts", "Right"}};
constexpr Words kNoSmoothing{"keine", "none"};
constexpr Words kOctave{"1/%1 Oktave", "1/%1 octave"};
constexpr Words kViews[kIrViewCount] = {
    {"Betrag und Phase", "Magnitude and phase"},
    {"Gruppenlaufzeit", "Group delay"},
    {"THD über Frequenz", "THD against frequency"},
    {"H2 und H3 über Frequenz", "H2 and H3 against frequency"},
    {"H4 und H5 über Frequenz", "H4 and H5 against frequency"},
    {"Impulsantwort über Zeit", "Impulse response against time"},
};
constexpr Words kStart{"&Start", "&Start"};
constexpr Words kStop{"Sto&pp", "Sto&p"};
constexpr Words kReady{"Bereit", "Ready"};
constexpr Words kRunning{"Sweep läuft ...", "Sweep running ..."};
constexpr Words kDone{"Fertig", "Complete"};
constexpr Words kStopped{"Angehalten: keine Kurve", "Stopped: no curve"};
constexpr Words kRefused{"Abgelehnt: %1", "Refused: %1"};
constexpr Words kFailed{"Gerätefehler: keine Kurve", "Device failure: no curve"};
constexpr Words kNoDevice{"Kein Ein- oder Ausgabegerät bereit.", "No input or output device is ready."};
constexpr Words kOutputError{"ERROR at Frequency Output (", "ERROR at Frequency Output ("};
constexpr Words kLatency{"Latenz: %1 ms (%2 Samples)", "Latency: %1 ms (%2 samples)"};
constexpr Words kPolarity{"Polarität: %1", "Polarity: %1"};
constexpr Words kNormal{"richtig", "normal"};
constexpr Words kInverted{"invertiert", "inverted"};
constexpr Words kPeakToNoise{"Spitze/Rauschen: %1 dB", "Peak to noise: %1 dB"};
constexpr Words kInputPeak{"Eingang: Spitze %1 dBFS", "Input: peak %1 dBFS"};
constexpr Words kInputPeaks{"Eingang: Spitze %1 dBFS, Referenz %2 dBFS", "Input: peak %1 dBFS, reference %2 dBFS"};
constexpr Words kHarmonicFloor{"Oberwellen unter %1 dB: ggf. Rauschen", "Harmonics below %1 dB: maybe noise"};
constexpr Words kGateShown{"Tor: %1 ms ab %2 ms nach der Spitze", "Gate: %1 ms from %2 ms after the peak"};
constexpr Words kFrequencyAxis{"Frequenz (Hz)", "Frequency (Hz)"};
constexpr Words kTimeAxis{"Zeit ab Torbeginn (ms)", "Time from the gate's start (ms)"};
constexpr Words kMagnitudeCaption{"dB", "dB"};
constexpr Words kDelayCaption{"ms", "ms"};
constexpr Words kImpulseCaption{"h / Spitze", "h / peak"};
constexpr Words kCurveNames[kIrViewCount] = {
    {"Betrag / Phase", "Magnitude / phase"}, {"Gruppenlaufzeit", "Group delay"}, {"THD", "THD"},
    {"H2 / H3", "H2 / H3"},                   {"H4 / H5", "H4 / H5"},            {"Impulsantwort", "Impulse response"},
};

QString word(char letter, const Words& w) { return Pick(letter, w); }

QDoubleSpinBox* number(double lo, double hi, int decimals, double step)
{
    auto* box = new QDoubleSpinBox;
    box->setRange(lo, hi);
    box->setDecimals(decimals);
    box->setSingleStep(step);
    box->setKeyboardTracking(false);
    return box;
}

// A form whose labels are the controls' buddies, so the Alt keys reach them.
QFormLayout* formOf(const QList<QWidget*>& fields)
{
    auto* form = new QFormLayout;
    for (QWidget* f : fields) {
        auto* label = new QLabel;
        label->setBuddy(f);
        form->addRow(label, f);
    }
    return form;
}

void labelRows(QFormLayout* form, std::span<const Words> rows, char letter)
{
    int row = 0;
    for (int i = 0; i < form->rowCount() && row < int(rows.size()); ++i)
        if (auto* item = form->itemAt(i, QFormLayout::LabelRole))
            if (auto* label = qobject_cast<QLabel*>(item->widget()))
                label->setText(word(letter, rows[size_t(row++)]));
}

QString fixed(double v, int decimals) { return QLocale().toString(v, 'f', decimals); }

// A good recording whose response the user's gate leaves empty: the
// measurement stays, so moving the gate back shows it without a new run.
bool GateOutside(const IrMeasurement& m)
{
    return m.problem == IrProblem::None && !m.ir.h.empty() && m.response.h.empty();
}

} // namespace

TIrWindow::TIrWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), engine_(InputCorrection(), OutputCorrection())
{
    AddHelpKey(this, kHelpContext);
    setObjectName(QStringLiteral("ImpulseResponse"));
    build();
    ReadIrSection(state_, SettingsFilePath());
    ShowState(state_);
    // The texts first: the window's size follows from them.
    applyTexts();
    if (!state_.placement.isEmpty())
        setGeometry(state_.placement);
    else
        resize(sizeHint());
    connect(&engine_, &IrEngine::progress, RunProgress, &TRunProgress::ShowProgress);
    connect(&engine_, &IrEngine::measured, this, &TIrWindow::onMeasured);
    connect(&engine_, &IrEngine::refused, this, [this](const QString& message) { refusal_ = message; });
    connect(&engine_, &IrEngine::failed, this, [this](const EngineFailure& f) { failure_ = f; });
    connect(&engine_, &IrEngine::stopped, this, &TIrWindow::onStopped);
    setRunning(false);
}

TIrWindow::~TIrWindow()
{
    engine_.Stop();
    const QRect placement = state_.placement, diagramPlacement = state_.diagramPlacement;
    const double storedTop = state_.run.sweep.f2;
    state_ = StateToStore();
    // An automatic top follows the rate of each run; the file keeps the
    // top last typed, not the rate's.
    if (state_.autoTop)
        state_.run.sweep.f2 = storedTop;
    // A window never shown keeps no place: the next start places it anew.
    state_.placement = placedOnce_ ? geometry() : placement;
    state_.diagramPlacement = diagramShown_ ? Diagram->geometry() : diagramPlacement;
    WriteIrSection(state_, SettingsFilePath());
    // The diagram writes its options section when it goes, after this one.
    delete Diagram;
}

void TIrWindow::build()
{
    auto* sweepBox = new QGroupBox(this);
    sweepBox->setObjectName(QStringLiteral("SweepGroup"));
    LowHz = number(1, 100000, 1, 10);
    TopHz = number(0, 100000, 0, 1000);
    Seconds = number(kIrMinSeconds, kIrMaxSeconds, 1, 0.5);
    TailSeconds = number(kIrMinTailSeconds, kIrMaxTailSeconds, 2, 0.1);
    Level = number(kIrLowestLevelDbfs, 0, 1, 1);
    Count = new QSpinBox;
    Count->setRange(1, kIrMaxCount);
    Channel = new QComboBox;
    Channel->addItems({QString(), QString()});
    auto* sweepForm = formOf({LowHz, TopHz, Seconds, TailSeconds, Level, Count, Channel});
    sweepForm->setObjectName(QStringLiteral("SweepForm"));
    ReferenceMode = new QCheckBox;
    auto* sweepColumn = new QVBoxLayout(sweepBox);
    sweepColumn->addLayout(sweepForm);
    sweepColumn->addWidget(ReferenceMode);

    auto* viewBox = new QGroupBox(this);
    viewBox->setObjectName(QStringLiteral("ViewGroup"));
    WholeFundamental = new QCheckBox;
    GateStart = number(-kIrMaxGateMs, kIrMaxGateMs, 2, 0.1);
    GateLength = number(0.1, kIrMaxGateMs, 2, 1);
    Smoothing = new QComboBox;
    for (size_t i = 0; i < std::size(kIrSmoothings); ++i)
        Smoothing->addItem(QString());
    View = new QComboBox;
    for (int v = 0; v < kIrViewCount; ++v)
        View->addItem(QString());
    // Their texts change with the language: each change sizes them anew.
    for (QComboBox* box : {Channel, Smoothing, View})
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* viewForm = formOf({GateStart, GateLength, Smoothing, View});
    viewForm->setObjectName(QStringLiteral("ViewForm"));
    auto* viewColumn = new QVBoxLayout(viewBox);
    viewColumn->addWidget(WholeFundamental);
    viewColumn->addLayout(viewForm);

    StartButton = new QPushButton;
    StopButton = new QPushButton;
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(StartButton);
    runRow->addWidget(StopButton);
    runRow->addStretch();
    RunProgress = new TRunProgress;
    Results = new QLabel;
    Results->setObjectName(QStringLiteral("Results"));
    Results->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Status = new QLabel;
    Status->setObjectName(QStringLiteral("Status"));
    Status->setWordWrap(true);

    auto* column = new QVBoxLayout(this);
    column->addWidget(sweepBox);
    column->addWidget(viewBox);
    column->addLayout(runRow);
    column->addWidget(RunProgress);
    column->addWidget(Results);
    column->addWidget(Status);
    column->addStretch();
    Menus = new QMenuBar(this);
    column->setMenuBar(Menus);

    Diagram = new TDiagramm(nullptr, this, DiagramHome{IrDiagramSection, QStringLiteral("impulse")});
    Diagram->setObjectName(QStringLiteral("ImpulseResponseDiagram"));

    connect(StartButton, &QPushButton::clicked, this, &TIrWindow::StartClick);
    connect(StopButton, &QPushButton::clicked, this, &TIrWindow::StopClick);
    connect(RunProgress, &TRunProgress::stopClicked, this, &TIrWindow::StopClick);
    connect(ReferenceMode, &QCheckBox::toggled, this, [this] { setRunning(engine_.Running()); });
    connect(WholeFundamental, &QCheckBox::toggled, this, &TIrWindow::gateChanged);
    connect(GateStart, &QDoubleSpinBox::valueChanged, this, &TIrWindow::gateChanged);
    connect(GateLength, &QDoubleSpinBox::valueChanged, this, &TIrWindow::gateChanged);
    connect(Smoothing, &QComboBox::currentIndexChanged, this, [this] {
        if (!showing_)
            RedrawDiagram();
    });
    connect(View, &QComboBox::currentIndexChanged, this, [this] {
        if (!showing_)
            RedrawDiagram();
    });
    // The keys go through the window as it reads: the sweep, the mode, the
    // gate and the view, Start.
    const QList<QWidget*> order{LowHz,     TopHz,     Seconds, TailSeconds, Level,       Count,      Channel,
                                ReferenceMode, WholeFundamental, GateStart, GateLength, Smoothing, View,
                                StartButton,   StopButton,       RunProgress->StopBut};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TIrWindow::applyTexts()
{
    const char l = language_;
    setWindowTitle(word(l, kCaption));
    findChild<QGroupBox*>(QStringLiteral("SweepGroup"))->setTitle(word(l, kSweepGroup));
    findChild<QGroupBox*>(QStringLiteral("ViewGroup"))->setTitle(word(l, kViewGroup));
    labelRows(findChild<QFormLayout*>(QStringLiteral("SweepForm")), kSweepRows, l);
    labelRows(findChild<QFormLayout*>(QStringLiteral("ViewForm")), kViewRows, l);
    TopHz->setSpecialValueText(word(l, kAutoTop));
    for (int i = 0; i < 2; ++i)
        Channel->setItemText(i, word(l, kChannels[i]));
    ReferenceMode->setText(word(l, kReference));
    ReferenceMode->setToolTip(word(l, kReferenceTip));
    WholeFundamental->setText(word(l, kWhole));
    WholeFundamental->setToolTip(word(l, kWholeTip));
    GateStart->setToolTip(word(l, kGateTip));
    GateLength->setToolTip(word(l, kGateTip));
    Smoothing->setItemText(0, word(l, kNoSmoothing));
    for (size_t i = 1; i < std::size(kIrSmoothings); ++i)
        Smoothing->setItemText(int(i), word(l, kOctave).arg(kIrSmoothings[i]));
    for (int v = 0; v < kIrViewCount; ++v)
        View->setItemText(v, word(l, kViews[v]));
    // A choice is never cut: each box at least as wide as its longest text,
    // which the window then makes room for.
    for (QComboBox* box : {Channel, Smoothing, View})
        box->setMinimumWidth(box->sizeHint().width());
    StartButton->setText(word(l, kStart));
    StopButton->setText(word(l, kStop));
    RunProgress->SetLanguage(l);
    Diagram->setWindowTitle(word(l, kDiagramTitle));
    Diagram->SetDiaLanguage(QLatin1Char(l));
    // The state the window is in, in the new language.
    if (engine_.Running())
        Status->setText(word(l, kRunning));
    else if (result_.ok())
        Status->setText(word(l, kDone));
    else if (!refusal_.isEmpty())
        Status->setText(word(l, kRefused).arg(refusal_));
    else if (failure_)
        Status->setText(word(l, kFailed));
    else if (stoppedByUser_)
        Status->setText(word(l, kStopped));
    else if (GateOutside(result_))
        Status->setText(word(l, kRefused).arg(GateOutsideText(GateLimitsOf(result_), l)));
    else
        Status->setText(word(l, kReady));
    showResults();
    RedrawDiagram();
}

void TIrWindow::Language(char letter)
{
    if (letter == 'D' || letter == 'E')
        language_ = letter;
    applyTexts();
    // Longer texts widen the window now, not at some later layout pass.
    layout()->activate();
    resize(size().expandedTo(minimumSizeHint()));
}

IrWindowState TIrWindow::StateFromControls() const
{
    IrWindowState s = state_;
    IrSweep& sweep = s.run.sweep;
    int inRate = 0, outRate = 0;
    GetSampleRates(inRate, outRate);
    sweep.rate = inRate > 0 ? inRate : sweep.rate;
    sweep.f1 = LowHz->value();
    s.autoTop = TopHz->value() <= TopHz->minimum();
    sweep.f2 = s.autoTop ? DefaultSweep(sweep.rate).f2 : TopHz->value();
    sweep.seconds = Seconds->value();
    sweep.tailSeconds = TailSeconds->value();
    sweep.levelDbfs = Level->value();
    sweep.count = Count->value();
    s.run.referenceMode = ReferenceMode->isChecked();
    s.run.measuredChannel = Channel->currentIndex();
    s.wholeFundamental = WholeFundamental->isChecked();
    s.run.gate = IrGate{GateStart->value(), GateLength->value()};
    s.run.smoothing = kIrSmoothings[std::clamp(Smoothing->currentIndex(), 0, int(std::size(kIrSmoothings)) - 1)];
    s.view = std::clamp(View->currentIndex(), 0, kIrViewCount - 1);
    return s;
}

IrWindowState TIrWindow::StateToStore() const
{
    IrWindowState s = StateFromControls();
    const auto kept = [this](const QDoubleSpinBox* box, double exact) {
        for (const auto& [shownBox, value] : shownBoxes_)
            if (shownBox == box)
                return box->value() == value ? exact : box->value();
        return box->value();
    };
    IrSweep& sweep = s.run.sweep;
    const IrSweep& read = shown_.run.sweep;
    sweep.f1 = kept(LowHz, read.f1);
    if (!s.autoTop)
        sweep.f2 = kept(TopHz, read.f2);
    sweep.seconds = kept(Seconds, read.seconds);
    sweep.tailSeconds = kept(TailSeconds, read.tailSeconds);
    sweep.levelDbfs = kept(Level, read.levelDbfs);
    s.run.gate.startMs = kept(GateStart, shown_.run.gate.startMs);
    // A length of none (all of the fundamental) shows as the box's least;
    // kept only while the gate is still all of the fundamental.
    const double length = kept(GateLength, shown_.run.gate.lengthMs);
    s.run.gate.lengthMs = length > 0.0 || s.wholeFundamental ? length : GateLength->value();
    return s;
}

void TIrWindow::ShowState(const IrWindowState& s)
{
    showing_ = true;
    const IrSweep& sweep = s.run.sweep;
    LowHz->setValue(sweep.f1);
    TopHz->setValue(s.autoTop ? TopHz->minimum() : sweep.f2);
    Seconds->setValue(sweep.seconds);
    TailSeconds->setValue(sweep.tailSeconds);
    Level->setValue(sweep.levelDbfs);
    Count->setValue(sweep.count);
    ReferenceMode->setChecked(s.run.referenceMode);
    Channel->setCurrentIndex(s.run.measuredChannel);
    WholeFundamental->setChecked(s.wholeFundamental);
    GateStart->setValue(s.run.gate.startMs);
    GateLength->setValue(std::max(s.run.gate.lengthMs, GateLength->minimum()));
    const auto* at = std::find(std::begin(kIrSmoothings), std::end(kIrSmoothings), s.run.smoothing);
    Smoothing->setCurrentIndex(at == std::end(kIrSmoothings) ? 0 : int(at - std::begin(kIrSmoothings)));
    View->setCurrentIndex(s.view);
    shown_ = s;
    shownBoxes_.clear();
    for (const QDoubleSpinBox* box : {LowHz, TopHz, Seconds, TailSeconds, Level, GateStart, GateLength})
        shownBoxes_.emplace_back(box, box->value());
    showing_ = false;
    setRunning(engine_.Running());
}

IrGate TIrWindow::gateFromControls() const
{
    // A length of 0 is the engine's "all of the fundamental"; a gate of the
    // user's counts from the peak of the measurement it is applied to.
    if (WholeFundamental->isChecked() || result_.ir.h.empty())
        return IrGate{};
    return GateFromPeak(result_, GateStart->value(), GateLength->value());
}

void TIrWindow::StartClick()
{
    if (engine_.Running())
        return;
    if (stopOthers_)
        stopOthers_();
    refusal_.clear();
    failure_.reset();
    stoppedByUser_ = false;
    result_ = IrMeasurement{};
    showResults();
    RedrawDiagram();
    IrWindowState s = StateFromControls();
    // A gate outside every response this sweep can give is said now, not
    // after the sweep.
    if (!s.wholeFundamental) {
        const IrGateLimits limits = GateLimitsBefore(s.run.sweep);
        if (!limits.Hold(s.run.gate.startMs, s.run.gate.lengthMs)) {
            refusal_ = GateOutsideText(limits, language_);
            Status->setText(word(language_, kRefused).arg(refusal_));
            modal::MessageBox(modal::Kind::Error, refusal_);
            return;
        }
    }
    // The run gates all of the fundamental; the user's gate, counted from
    // the peak, is applied once the peak is known (onMeasured).
    s.run.gate = IrGate{};
    if (!engine_.Start(s.run, language_)) {
        const QString why = engine_.StartRefusal();
        refusal_ = why;
        Status->setText(why.isEmpty() ? word(language_, kNoDevice) : word(language_, kRefused).arg(why));
        modal::MessageBox(modal::Kind::Error, why.isEmpty() ? word(language_, kNoDevice) : why);
        return;
    }
    // The engine counts percent of its sweeps recorded.
    RunEstimate estimate;
    const double runMs = 1000.0 * s.run.sweep.count * (s.run.sweep.seconds + s.run.sweep.tailSeconds);
    estimate.stepMs.assign(100, int(std::lround(runMs / 100.0)));
    estimate.percent = true;
    RunProgress->Begin(estimate);
    Status->setText(word(language_, kRunning));
    setRunning(true);
}

void TIrWindow::StopClick()
{
    if (engine_.Running())
        stoppedByUser_ = true;
    engine_.Stop();
}

void TIrWindow::Abort() { StopClick(); }

void TIrWindow::setRunning(bool running)
{
    StartButton->setEnabled(!running);
    StopButton->setEnabled(running);
    for (QWidget* w : std::initializer_list<QWidget*>{LowHz, TopHz, Seconds, TailSeconds, Level, Count, ReferenceMode})
        w->setEnabled(!running);
    // In the reference mode the measured channel is chosen; alone too.
    Channel->setEnabled(!running);
    GateStart->setEnabled(!WholeFundamental->isChecked());
    GateLength->setEnabled(!WholeFundamental->isChecked());
}

void TIrWindow::onMeasured(const IrMeasurement& m)
{
    result_ = m;
    // The fundamental's gate becomes the controls' starting point, so
    // moving it before a reflection starts from there; a gate of the
    // user's is applied from this run's peak.
    if (WholeFundamental->isChecked()) {
        showing_ = true;
        GateStart->setValue(result_.gate.startMs - result_.peak.latencyMs(result_.ir.rate));
        GateLength->setValue(std::max(result_.gate.lengthMs, GateLength->minimum()));
        showing_ = false;
    } else {
        Regate(result_, gateFromControls(), &OutputCorrection());
    }
}

void TIrWindow::onStopped()
{
    RunProgress->Finish();
    setRunning(false);
    const bool gateOutside = refusal_.isEmpty() && !failure_ && GateOutside(result_);
    // A refused, failed or stopped run leaves no curve.
    if (!gateOutside && (!refusal_.isEmpty() || failure_ || !result_.ok()))
        result_ = IrMeasurement{};
    showResults();
    RedrawDiagram();
    if (!refusal_.isEmpty()) {
        Status->setText(word(language_, kRefused).arg(refusal_));
        modal::MessageBox(modal::Kind::Error, refusal_);
    } else if (failure_) {
        Status->setText(word(language_, kFailed));
        const bool output = failure_->kind == int(IrEngine::Failure::Output);
        const QString prefix = output ? word(language_, kOutputError) : Messages().nextBlockError;
        DeviceErrorBox(prefix + failure_->text + QStringLiteral(")"), failure_->code, language_);
    } else if (gateOutside) {
        const QString why = GateOutsideText(GateLimitsOf(result_), language_);
        Status->setText(word(language_, kRefused).arg(why));
        modal::MessageBox(modal::Kind::Error, why);
    } else if (result_.ok()) {
        Status->setText(word(language_, kDone));
        ShowDiagram();
    } else {
        Status->setText(word(language_, kStopped));
    }
}

void TIrWindow::gateChanged()
{
    setRunning(engine_.Running());
    if (showing_ || result_.ir.h.empty())
        return;
    // The stored measurement gated anew: no new run.
    Regate(result_, gateFromControls(), &OutputCorrection());
    if (GateOutside(result_))
        Status->setText(word(language_, kRefused).arg(GateOutsideText(GateLimitsOf(result_), language_)));
    else
        Status->setText(word(language_, kDone));
    showResults();
    RedrawDiagram();
}

void TIrWindow::showResults()
{
    if (result_.ir.h.empty()) {
        Results->clear();
        infoLine_.clear();
        return;
    }
    const int rate = result_.ir.rate;
    // The diagram's info line, and so its printout, takes the run's chief
    // figures; the window shows more below them.
    QStringList lines;
    lines << word(language_, kLatency).arg(fixed(result_.peak.latencyMs(rate), 3), fixed(result_.peak.samples, 2));
    lines << word(language_, kPolarity).arg(word(language_, result_.peak.inverted() ? kInverted : kNormal));
    lines << word(language_, kPeakToNoise).arg(fixed(result_.peakToNoiseDb, 1));
    lines << word(language_, kGateShown)
                 .arg(fixed(result_.gate.lengthMs, 2), fixed(result_.gate.startMs - result_.peak.latencyMs(rate), 2));
    infoLine_ = lines.join(QStringLiteral("   "));
    // What the sweep reached at the input, which a device whose gain
    // depends on the level sets.
    if (result_.settings.referenceMode)
        lines << word(language_, kInputPeaks).arg(fixed(result_.inputPeakDbfs, 2), fixed(result_.referencePeakDbfs, 2));
    else
        lines << word(language_, kInputPeak).arg(fixed(result_.inputPeakDbfs, 2));
    if (std::isfinite(result_.harmonics.floorDb))
        lines << word(language_, kHarmonicFloor).arg(fixed(result_.harmonics.floorDb, 1));
    lines << ClockCheckText(result_, language_);
    Results->setText(lines.join(QLatin1Char('\n')));
}

void TIrWindow::RedrawDiagram()
{
    const auto view = IrView(std::clamp(View->currentIndex(), 0, kIrViewCount - 1));
    const int smoothing = kIrSmoothings[std::clamp(Smoothing->currentIndex(), 0, int(std::size(kIrSmoothings)) - 1)];
    const IrPlot plot = IrPlotOf(result_, view, smoothing);
    const bool second = !plot.y2.empty();
    Diagram->ResetRanges();
    Diagram->SetXLog(!plot.timeAxis);
    XScaling readout;
    if (plot.timeAxis) {
        // The read-out gives the time after the first played frame.
        readout.factor = 0.001f;
        readout.offset = float(plot.gateStartMs - 0.001);
        readout.unit = QStringLiteral("ms");
    }
    Diagram->SetScaling(readout);
    Diagram->SetXLabelFactor(plot.timeAxis ? 0.001 : 1.0);
    Diagram->SetXGrid(plot.timeAxis ? IrTimeGrid : nullptr);
    Diagram->SetXCaption(word(language_, plot.timeAxis ? kTimeAxis : kFrequencyAxis));
    const Words caption = view == IrView::GroupDelay ? kDelayCaption
                          : view == IrView::Impulse  ? kImpulseCaption
                                                     : kMagnitudeCaption;
    Diagram->SetYCaption(word(language_, caption));
    Diagram->SetY2Caption(view == IrView::MagnitudePhase ? QStringLiteral("°") : word(language_, caption));
    Diagram->ShowCurves(true, second);
    Diagram->ShowScales(true, view == IrView::MagnitudePhase);
    if (plot.empty()) {
        Diagram->ClearCurves();
        Diagram->update();
        return;
    }
    const auto xmin = int32_t(std::floor(plot.x.front()));
    const auto xmax = std::max(int32_t(std::ceil(plot.x.back())), xmin + 1);
    float ymin = float(plot.ymin), ymax = float(plot.ymax);
    // The comment names the curves; a stored memory curve takes it as its name.
    Diagram->SetupDiagram(word(language_, kCurveNames[int(view)]), int(plot.x.size()) - 1, xmin, xmax, ymin, ymax);
    Diagram->SetXRange(xmin, xmax);
    Diagram->SetYRange(float(plot.ymin), float(plot.ymax));
    Diagram->SetY2Range(float(second ? plot.y2min : plot.ymin), float(second ? plot.y2max : plot.ymax));
    Diagram->ClearCurves();
    for (size_t i = 0; i < plot.x.size(); ++i)
        Diagram->AddPoint(float(plot.y1[i]), float(second ? plot.y2[i] : plot.y1[i]), int(i), plot.x[i]);
    Diagram->SetInfoLine(infoLine_);
    Diagram->update();
}

void TIrWindow::ShowDiagram()
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

void TIrWindow::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    QWidget::setVisible(visible);
    if (showing)
        fitOnScreen();
}

void TIrWindow::fitOnScreen()
{
    FitToolWindow(this, Diagram, !state_.placement.isEmpty(), !state_.diagramPlacement.isEmpty(), placedOnce_);
}

void TIrWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    Diagram->hide();
}

} // namespace korvanta
