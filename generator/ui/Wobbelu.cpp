#include "generator/ui/Wobbelu.h"
#include "platform/LanguageTexts.h"

#include "app/ui/ProgramRecords.h"
#include "correction/CorrectionTable.h"
#include "platform/ModalQuestions.h"
#include "measure/ui/RadioGroup.h"
#include "audio/Soundd3.h"
#include "diagram/ui/SpinButton.h"
#include "generator/SweepDialogRules.h"
#include "generator/SweepPlan.h"
#include "platform/ui/HelpKey.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <iterator>

namespace korvanta {

namespace {
// The down and up arrows sit side by side; each is as wide as a finger-
// friendly tool button, not a sliver.
constexpr int kArrowWidth = 20;
constexpr int kSpinWidth = 2 * kArrowWidth;
constexpr int kSpinHeight = 22;
constexpr int kEditWidth = 56;

struct DialogTexts {
    const char* caption;
    const char* frequency;
    const char* steps;
    const char* generation;
    const char* logarithmic;
    const char* phaseMeasure;
    const char* measurement;
    QStringList modes;
    const char* correction;
    const char* input;
    const char* output;
    const char* level;
    const char* longest;
};

// What each measuring mode compares: the default one draws the right
// channel against the left, so a device acting on both channels alike
// draws a flat line.
constexpr Words kModeTips[] = {
    {"Kurve: rechter Kanal gegen den linken (Referenz) in dB, Phase rechts gegen links.\nDas Gerät an den rechten "
     "Eingang, den linken direkt an den Ausgang:\nein Gerät an beiden Kanälen ergibt eine flache Linie",
     "curve: the right channel against the left one (reference) in dB, phase right against left.\nThe device into "
     "the right input, the left input straight from the output:\na device on both channels draws a flat line"},
    {"Kurve: linker Kanal gegen den rechten (Referenz) in dB, Phase links gegen rechts.\nDas Gerät an den linken "
     "Eingang, den rechten direkt an den Ausgang",
     "curve: the left channel against the right one (reference) in dB, phase left against right.\nThe device into "
     "the left input, the right input straight from the output"},
    {"zwei Kurven: die Pegel beider Kanäle für sich in dB FS, ohne Referenz und ohne Phase",
     "two curves: the levels of both channels on their own in dB FS, no reference and no phase"},
};

const DialogTexts& textsFor(char letter)
{
    static const DialogTexts german{"Wobbel Dialog", "Frequenz von                 bis", "Anzahl Steps",
                                    "Frequenzerzeugung", "logarithmisch", "Messung", "Messung",
                                    {QStringLiteral("Mono, links Ref."), QStringLiteral("Mono, rechts Ref."),
                                     QStringLiteral("Stereo, keine Ref.")},
                                    "Korrektur Dateien", "Eingang:", "Ausgang:", "Pegel dig.", "max. Messzeit"};
    static const DialogTexts english{"Wobbel dialog", "Frequency from                to", "Step count",
                                     "Frequencygenerating", "logarithm", "measurement", "Measurement",
                                     {QStringLiteral("Mono, left ref."), QStringLiteral("Mono, right ref."),
                                      QStringLiteral("Stereo, no ref.")},
                                     "Correction files", "Input:", "Output:", "Level dig.", "max. Meas. Time"};
    return letter == 'E' ? english : german;
}

QLineEdit* edit(QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setFixedWidth(kEditWidth);
    return e;
}

TSpinButton* spin(QWidget* parent)
{
    auto* s = new TSpinButton(parent);
    s->setFixedWidth(kSpinWidth);
    s->setMinimumHeight(kSpinHeight);
    return s;
}

// An edit with its spin button beside it, and the unit of what it holds
// (a label named "unit_" and the edit's name, so the unit can be found).
QHBoxLayout* pair(QLineEdit* e, TSpinButton* s, const QString& unit = QString())
{
    auto* h = new QHBoxLayout;
    h->setSpacing(1);
    h->addWidget(e);
    h->addWidget(s);
    if (!unit.isEmpty()) {
        auto* l = new QLabel(unit, e->parentWidget());
        l->setObjectName(QStringLiteral("unit_") + e->objectName());
        h->addSpacing(2);
        h->addWidget(l);
    }
    h->addStretch(1);
    return h;
}

const QString kHz = QStringLiteral("Hz");
const QString kDb = QStringLiteral("dB");
const QString kDegrees = QStringLiteral("°");

// The edits are named after their fields, as the form names them.
QLineEdit* named(QLineEdit* e, const char* name)
{
    e->setObjectName(QLatin1String(name));
    return e;
}
} // namespace

Twobbeldlg::Twobbeldlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("wobbeldlg"));
    // A dialog of the main window: above it and its generator window while
    // shown, not above other programs.
    setWindowTitle(QStringLiteral("Wobbel Dialog"));
    setModal(true);
    auto* grid = new QGridLayout(this);
    grid->addWidget(buildFrequencyBox(), 0, 0);
    grid->addWidget(buildModeBox(), 0, 1);
    grid->addWidget(buildPhaseBox(), 1, 1);
    grid->addWidget(buildTimeline(), 1, 0);
    grid->addWidget(buildCorrectionBox(), 2, 0, 1, 2);
    grid->addWidget(buildButtons(), 0, 2, 3, 1);
    connectControls();
    Language('D');
}

QWidget* Twobbeldlg::buildFrequencyBox()
{
    auto* w = new QWidget(this);
    auto* v = new QVBoxLayout(w);
    v->setContentsMargins(0, 0, 0, 0);
    label1 = new QLabel(w);
    Efrom = named(edit(w), "Efrom");
    SpinButton1 = spin(w);
    Eto = named(edit(w), "Eto");
    SpinButton2 = spin(w);
    auto* range = pair(Efrom, SpinButton1, kHz);
    range->addLayout(pair(Eto, SpinButton2, kHz));
    Label2 = new QLabel(w);
    Esteps = edit(w);
    SpinButton3 = spin(w);
    GroupBox1 = new QGroupBox(w);
    auto* spacing = new QVBoxLayout(GroupBox1);
    linearbut = new QRadioButton(QStringLiteral("linear"), GroupBox1);
    logbutton = new QRadioButton(GroupBox1);
    spacing->addWidget(linearbut);
    spacing->addWidget(logbutton);
    v->addWidget(label1);
    v->addLayout(range);
    v->addWidget(Label2);
    v->addLayout(pair(Esteps, SpinButton3));
    v->addWidget(GroupBox1);
    return w;
}

QWidget* Twobbeldlg::buildModeBox()
{
    MessungRb = new TRadioGroup(QStringLiteral("Messung"), textsFor('D').modes, 1, this);
    return MessungRb;
}

QWidget* Twobbeldlg::buildPhaseBox()
{
    GroupBox2 = new QGroupBox(QStringLiteral("Phase"), this);
    auto* v = new QVBoxLayout(GroupBox2);
    PhaseBut = new QCheckBox(GroupBox2);
    PhaseRangeLabel = new QLabel(QStringLiteral("min     Phase     max"), GroupBox2);
    EPmin = named(edit(GroupBox2), "EPmin");
    SpinBpmin = spin(GroupBox2);
    EPmax = named(edit(GroupBox2), "EPmax");
    SpinBpmax = spin(GroupBox2);
    auto* range = pair(EPmin, SpinBpmin, kDegrees);
    range->addLayout(pair(EPmax, SpinBpmax, kDegrees));
    v->addWidget(PhaseBut);
    v->addWidget(PhaseRangeLabel);
    v->addLayout(range);
    return GroupBox2;
}

QWidget* Twobbeldlg::buildTimeline()
{
    auto* w = new QWidget(this);
    auto* g = new QGridLayout(w);
    g->setContentsMargins(0, 0, 0, 0);
    Label8 = new QLabel(w);
    digPeg = named(edit(w), "digPeg");
    SpinButton4 = spin(w);
    g->addWidget(Label8, 0, 0);
    g->addLayout(pair(digPeg, SpinButton4, kDb), 0, 1, 1, 3);
    // The step's time line: the sine starts, the wait, the recording, the stop.
    g->addWidget(new QLabel(QStringLiteral("Start"), w), 1, 0);
    g->addWidget(new QLabel(QStringLiteral("--------->"), w), 1, 1);
    MaxMeasuring = new QLabel(Pick('D', words::kMaxMeasuring), w);
    g->addWidget(MaxMeasuring, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("--->"), w), 1, 3);
    g->addWidget(new QLabel(QStringLiteral("Stop"), w), 1, 4);
    SineStart = new QLabel(Pick('D', words::kSine), w);
    g->addWidget(SineStart, 2, 0);
    Sstart = named(edit(w), "Sstart");
    SpinButton5 = spin(w);
    auto* settle = pair(Sstart, SpinButton5, QStringLiteral("ms"));
    g->addLayout(settle, 2, 1);
    SineStop = new QLabel(Pick('D', words::kSine), w);
    g->addWidget(SineStop, 2, 4);
    Label11 = new QLabel(w);
    messzeit = new QLabel(QStringLiteral("1300ms"), w);
    g->addWidget(Label11, 3, 0, 1, 2);
    g->addWidget(messzeit, 3, 2);
    return w;
}

QWidget* Twobbeldlg::buildCorrectionBox()
{
    GroupBox3 = new QGroupBox(QStringLiteral("Korrektur Datei"), this);
    auto* g = new QGridLayout(GroupBox3);
    Label6 = new QLabel(GroupBox3);
    Label4 = new QLabel(GroupBox3);
    Label7 = new QLabel(GroupBox3);
    Label5 = new QLabel(GroupBox3);
    g->addWidget(Label6, 0, 0);
    g->addWidget(Label4, 0, 1);
    g->addWidget(Label7, 1, 0);
    g->addWidget(Label5, 1, 1);
    g->setColumnStretch(1, 1);
    return GroupBox3;
}

QWidget* Twobbeldlg::buildButtons()
{
    auto* w = new QWidget(this);
    auto* v = new QVBoxLayout(w);
    v->setContentsMargins(0, 0, 0, 0);
    OKBtn = new QPushButton(QStringLiteral("OK"), w);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Abbruch"), w);
    HelpBtn = new QPushButton(QStringLiteral("Hilfe"), w);
    defaultBtn = new QPushButton(QStringLiteral("default"), w);
    for (QPushButton* b : {OKBtn, CancelBtn, HelpBtn, defaultBtn})
        v->addWidget(b);
    v->addStretch(1);
    return w;
}

void Twobbeldlg::connectControls()
{
    const std::pair<TSpinButton*, SweepSpin> spins[] = {
        {SpinButton1, SweepSpin::From},     {SpinButton2, SweepSpin::To},       {SpinButton3, SweepSpin::Steps},
        {SpinBpmin, SweepSpin::PhaseMin},   {SpinBpmax, SweepSpin::PhaseMax},   {SpinButton4, SweepSpin::Level},
        {SpinButton5, SweepSpin::Settle}};
    for (const auto& [button, field] : spins) {
        connect(button, &TSpinButton::upClick, this, [this, f = field] {
            SpinSweepField(work_, f, true);
            fillControls();
        });
        connect(button, &TSpinButton::downClick, this, [this, f = field] {
            SpinSweepField(work_, f, false);
            fillControls();
        });
    }
    const std::pair<QLineEdit*, SweepEdit> edits[] = {
        {Efrom, SweepEdit::From},       {Eto, SweepEdit::To},         {Esteps, SweepEdit::Steps},
        {EPmin, SweepEdit::PhaseMin},   {EPmax, SweepEdit::PhaseMax}, {digPeg, SweepEdit::Level},
        {Sstart, SweepEdit::Settle}};
    for (const auto& [line, field] : edits)
        connect(line, &QLineEdit::textEdited, this,
                [this, f = field](const QString& text) { TypeSweepField(work_, f, text); });
    connect(linearbut, &QRadioButton::toggled, this, [this] { work_.linear = linearbut->isChecked(); });
    connect(MessungRb, &TRadioGroup::itemClicked, this, &Twobbeldlg::MessungRbClick);
    connect(PhaseBut, &QCheckBox::clicked, this, &Twobbeldlg::PhaseButClick);
    connect(defaultBtn, &QPushButton::clicked, this, &Twobbeldlg::defaultClick);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, [] { modal::ShowHelp(kSweepDialogHelpContext); });
    AddHelpKey(this, kSweepDialogHelpContext);
}

void Twobbeldlg::Load(const SweepSettings& settings)
{
    work_ = settings;
    fillControls();
    showCorrectionFiles();
    showLongestMeasurement();
}

void Twobbeldlg::fillControls()
{
    // Filling must not count as typing: a new From checked against the old
    // To would be refused.
    const QSignalBlocker quiet(MessungRb);
    MessungRb->setItemIndex(work_.mode);
    linearbut->setChecked(work_.linear);
    logbutton->setChecked(!work_.linear);
    PhaseBut->setChecked(work_.phaseOn);
    Efrom->setText(QString::number(work_.fromFrequency));
    Eto->setText(QString::number(work_.toFrequency));
    Esteps->setText(QString::number(work_.steps));
    EPmin->setText(WholeText(work_.phaseMin));
    EPmax->setText(WholeText(work_.phaseMax));
    digPeg->setText(SweepLevelText(work_.digitalLevel));
    Sstart->setText(QString::number(work_.settleMs));
    enablePhaseControls();
}

void Twobbeldlg::enablePhaseControls()
{
    const bool withReference = work_.mode == 0 || work_.mode == 1;
    for (QWidget* w : std::initializer_list<QWidget*>{PhaseBut, SpinBpmin, SpinBpmax, EPmin, EPmax})
        w->setEnabled(withReference);
}

void Twobbeldlg::showCorrectionFiles()
{
    const CorrectionTable& in = InputCorrection();
    const CorrectionTable& out = OutputCorrection();
    Label4->setText(in.fileName);
    Label4->setEnabled(in.active);
    Label5->setText(out.fileName);
    Label5->setEnabled(out.active);
}

void Twobbeldlg::showLongestMeasurement()
{
    int inRate = 0, outRate = 0, inBits = 0, outBits = 0;
    GetSampleRates(inRate, outRate);
    GetBits(inBits, outBits);
    messzeit->setText(QString::number(LongestMeasurementMs(outRate, outBits, inRate)) + QStringLiteral("ms"));
}

void Twobbeldlg::MessungRbClick(int index)
{
    work_.mode = index;
    if (index == 2) {
        work_.phaseOn = false;
        PhaseBut->setChecked(false);
    }
    enablePhaseControls();
}

void Twobbeldlg::PhaseButClick()
{
    if (work_.mode == 2)
        PhaseBut->setChecked(false);
    work_.phaseOn = PhaseBut->isChecked();
}

void Twobbeldlg::defaultClick()
{
    ApplySweepDefaults(work_);
    fillControls();
}

void Twobbeldlg::Store(SweepSettings& settings)
{
    SweepDialogTexts t;
    t.linear = linearbut->isChecked();
    t.phaseOn = PhaseBut->isChecked();
    t.from = Efrom->text();
    t.to = Eto->text();
    t.steps = Esteps->text();
    t.phaseMin = EPmin->text();
    t.phaseMax = EPmax->text();
    t.level = digPeg->text();
    t.settle = Sstart->text();
    StoreSweepDialog(work_, t);
    {
        const QSignalBlocker quiet(MessungRb);
        MessungRb->setItemIndex(work_.mode);
    }
    enablePhaseControls();
    settings = work_;
}

void Twobbeldlg::Language(char letter)
{
    if (letter != 'D' && letter != 'E')
        return;
    const DialogTexts& t = textsFor(letter);
    setWindowTitle(QString::fromUtf8(t.caption));
    label1->setText(QString::fromUtf8(t.frequency));
    // One label spans both fields; each says which end it is.
    Efrom->setToolTip(letter == 'E' ? QStringLiteral("first frequency in Hz") : QStringLiteral("Startfrequenz in Hz"));
    Eto->setToolTip(letter == 'E' ? QStringLiteral("last frequency in Hz") : QStringLiteral("Endfrequenz in Hz"));
    Label2->setText(QString::fromUtf8(t.steps));
    GroupBox1->setTitle(QString::fromUtf8(t.generation));
    logbutton->setText(QString::fromUtf8(t.logarithmic));
    PhaseBut->setText(QString::fromUtf8(t.phaseMeasure));
    MessungRb->setTitle(QString::fromUtf8(t.measurement));
    MessungRb->setItems(t.modes);
    for (int i = 0; i < MessungRb->count() && i < int(std::size(kModeTips)); ++i)
        MessungRb->button(i)->setToolTip(Pick(letter, kModeTips[i]));
    GroupBox3->setTitle(QString::fromUtf8(t.correction));
    Label6->setText(QString::fromUtf8(t.input));
    Label7->setText(QString::fromUtf8(t.output));
    Label8->setText(QString::fromUtf8(t.level));
    Label11->setText(QString::fromUtf8(t.longest));
    MaxMeasuring->setText(Pick(letter, words::kMaxMeasuring));
    SineStart->setText(Pick(letter, words::kSine));
    SineStop->setText(Pick(letter, words::kSine));
    CancelBtn->setText(Pick(letter, words::kCancel));
    HelpBtn->setText(Pick(letter, words::kHelp));
    defaultBtn->setText(letter == 'E' ? QStringLiteral("default") : QStringLiteral("Vorgabe"));
}

} // namespace korvanta
