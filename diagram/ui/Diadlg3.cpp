#include "diagram/ui/Diadlg3.h"

#include "platform/ModalQuestions.h"
#include "platform/UserMessages.h"
#include "diagram/UserNumbers.h"
#include "platform/ui/HelpKey.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace korvanta {

namespace {

constexpr int ClientWidth = 296;
constexpr int ClientHeight = 384;
constexpr int SeparatorMax = 255;

void SetShapeColour(QFrame* shape, ColorRef c)
{
    shape->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid black;")
                             .arg(ColorFromRef(c).name()));
}

void SetTextColour(QWidget* w, ColorRef c)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, ColorFromRef(c));
    pal.setColor(QPalette::ButtonText, ColorFromRef(c));
    w->setPalette(pal);
}

} // namespace

Tdiadlg::Tdiadlg(QWidget* parent) : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
{
    setModal(false);
    setFixedSize(ClientWidth, ClientHeight);
    QFont bold(QStringLiteral("Arial"));
    bold.setStyleHint(QFont::SansSerif);
    bold.setPointSize(8);
    bold.setBold(true);
    setFont(bold);
    CreateColourControls();
    CreateRangeControls();
    CreateBottomControls();
    ConnectControls();
    SetLanguage(QLatin1Char('D'));
    Fill(opt_);
}

void Tdiadlg::CreateColourControls()
{
    QFrame** shapes[] = {&Shape1, &Shape2, &Shape4, &Shape3, &Shape5, &Shape6};
    QPushButton** buttons[] = {&Button1, &Button2, &Button4, &Button3, &Button5, &Button6};
    for (int row = 0; row < 6; ++row) {
        *shapes[row] = new QFrame(this);
        (*shapes[row])->setGeometry(8, 8 + row * 26, 20, 20);
        *buttons[row] = new QPushButton(this);
        (*buttons[row])->setGeometry(32, 7 + row * 26, 108, 22);
    }
    coldefault = new QPushButton(QStringLiteral(" default Colors"), this);
    coldefault->setGeometry(8, 164, 132, 22);
    MessVon = new QGroupBox(this);
    MessVon->setGeometry(8, 194, 132, 86);
    for (int i = 0; i < 3; ++i) {
        MessVonItem[i] = new QRadioButton(MessVon);
        MessVonItem[i]->setGeometry(8, 18 + i * 21, 116, 20);
    }
}

void Tdiadlg::CreateRangeControls()
{
    LogDia = new QCheckBox(this);
    LogDia->setGeometry(150, 8, 138, 20);
    auto rangeGroup = [this](int y, QGroupBox*& group, QLabel*& minLabel, QLabel*& maxLabel, QLineEdit*& minEdit,
                             QLineEdit*& maxEdit) {
        group = new QGroupBox(this);
        group->setGeometry(150, y, 138, 62);
        minLabel = new QLabel(QStringLiteral("min"), group);
        minLabel->setGeometry(6, 16, 60, 16);
        maxLabel = new QLabel(QStringLiteral("max"), group);
        maxLabel->setGeometry(72, 16, 60, 16);
        minEdit = new QLineEdit(group);
        minEdit->setGeometry(6, 34, 60, 22);
        maxEdit = new QLineEdit(group);
        maxEdit->setGeometry(72, 34, 60, 22);
    };
    rangeGroup(30, FreqGroup, FreqMinLabel, FreqMaxLabel, Edit1, Edit2);
    rangeGroup(96, LevelGroup, LevelMinLabel, LevelMaxLabel, Edit3, Edit4);
    StepGroup = new QGroupBox(QStringLiteral("Stepping"), this);
    StepGroup->setGeometry(150, 162, 138, 48);
    CheckBox1 = new QCheckBox(QStringLiteral("Auto"), StepGroup);
    CheckBox1->setGeometry(6, 20, 54, 20);
    Edit5 = new QLineEdit(StepGroup);
    Edit5->setGeometry(62, 19, 46, 22);
    StepUnitLabel = new QLabel(QStringLiteral("dB"), StepGroup);
    StepUnitLabel->setGeometry(112, 22, 22, 16);
    SeparatorGroup = new QGroupBox(QStringLiteral("Textfile Separator"), this);
    SeparatorGroup->setGeometry(150, 214, 138, 48);
    Edit6 = new QLineEdit(SeparatorGroup);
    Edit6->setGeometry(6, 19, 126, 22);
    Edit6->setMaxLength(SeparatorMax);
}

void Tdiadlg::CreateBottomControls()
{
    PeakGroup = new QGroupBox(QStringLiteral("Peak / Dif."), this);
    PeakGroup->setGeometry(8, 284, 280, 60);
    CheckBox2 = new QCheckBox(PeakGroup);
    CheckBox2->setGeometry(6, 16, 90, 20);
    CheckBox3 = new QCheckBox(PeakGroup);
    CheckBox3->setGeometry(6, 36, 90, 20);
    Button7 = new QPushButton(QStringLiteral(" Reset Peak"), PeakGroup);
    Button7->setGeometry(98, 20, 84, 24);
    ComboBox1 = new QComboBox(PeakGroup);
    ComboBox1->setGeometry(188, 20, 86, 24);
    CloseBut = new QPushButton(QStringLiteral("CLOSE"), this);
    CloseBut->setGeometry(8, 352, 100, 26);
    BitBtn1 = new QPushButton(QStringLiteral("Help"), this);
    BitBtn1->setGeometry(188, 352, 100, 26);
    RBdruckfarben = new QRadioButton(this);
    RBdruckfarben->setGeometry(112, 356, 72, 20);
    RBdruckfarben->setVisible(false);
    RBdruckfarben->setEnabled(false);
}

void Tdiadlg::ConnectControls()
{
    connect(Button1, &QPushButton::clicked, this, &Tdiadlg::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Tdiadlg::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &Tdiadlg::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &Tdiadlg::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &Tdiadlg::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &Tdiadlg::Button6Click);
    connect(coldefault, &QPushButton::clicked, this, &Tdiadlg::coldefaultClick);
    connect(LogDia, &QCheckBox::clicked, this, &Tdiadlg::LogDiaClick);
    // textEdited, not textChanged: filling the dialog must not post changes.
    connect(Edit1, &QLineEdit::textEdited, this, &Tdiadlg::Edit1Change);
    connect(Edit2, &QLineEdit::textEdited, this, &Tdiadlg::Edit2Change);
    connect(Edit3, &QLineEdit::textEdited, this, &Tdiadlg::Edit3Change);
    connect(Edit4, &QLineEdit::textEdited, this, &Tdiadlg::Edit4Change);
    connect(CheckBox1, &QCheckBox::clicked, this, &Tdiadlg::CheckBox1Click);
    connect(Edit5, &QLineEdit::textEdited, this, &Tdiadlg::Edit5Change);
    connect(Edit6, &QLineEdit::textEdited, this, &Tdiadlg::Edit6Change);
    for (QRadioButton* item : MessVonItem)
        connect(item, &QRadioButton::clicked, this, &Tdiadlg::MessVonClick);
    connect(CheckBox2, &QCheckBox::clicked, this, &Tdiadlg::CheckBox2Click);
    connect(CheckBox3, &QCheckBox::clicked, this, &Tdiadlg::CheckBox3Click);
    connect(ComboBox1, &QComboBox::activated, this, &Tdiadlg::ComboBox1Change);
    connect(Button7, &QPushButton::clicked, this, &Tdiadlg::Button7Click);
    connect(CloseBut, &QPushButton::clicked, this, &Tdiadlg::CloseButClick);
    connect(BitBtn1, &QPushButton::clicked, this, [] { modal::ShowHelp(HelpContext); });
    AddHelpKey(this, HelpContext);
    connect(RBdruckfarben, &QRadioButton::clicked, this, &Tdiadlg::RBdruckfarbenClick);
}

void Tdiadlg::Post()
{
    if (target_)
        QCoreApplication::postEvent(target_, new QEvent(UM_DIA_OPTIONS));
}

// ---------------------------------------------------------------------------
// Diagram -> dialog

void Tdiadlg::Fill(const DiagramOptions& opt)
{
    opt_ = opt;
    opt_.resetPeaks = false;
    const QSignalBlocker b1(ComboBox1);
    ShowColours();
    const int kind = opt_.measSlope ? 2 : opt_.measFreq ? 1 : 0;
    MessVonItem[kind]->setChecked(true);
    LogDia->setChecked(opt_.xLog);
    Edit1->setText(QString::number(opt_.xmin));
    Edit2->setText(QString::number(opt_.xmax));
    Edit3->setText(QString::number(opt_.ymin, 'f', 3));
    Edit4->setText(QString::number(opt_.ymax, 'f', 3));
    Edit5->setText(QString::number(opt_.yStep, 'f', 3));
    CheckBox1->setChecked(opt_.yStepAuto);
    Edit5->setEnabled(!opt_.yStepAuto);
    Edit6->setText(opt_.separator);
    CheckBox2->setChecked(opt_.peak1);
    CheckBox3->setChecked(opt_.peak2);
    if (opt_.diffMode >= 0 && opt_.diffMode < ComboBox1->count())
        ComboBox1->setCurrentIndex(opt_.diffMode);
}

void Tdiadlg::ShowColours()
{
    SetShapeColour(Shape1, opt_.colDia);
    SetShapeColour(Shape2, opt_.colGrid);
    SetShapeColour(Shape3, opt_.colLine1);
    SetShapeColour(Shape4, opt_.colMargin);
    SetShapeColour(Shape5, opt_.colLine2);
    SetShapeColour(Shape6, opt_.colLine3);
    SetTextColour(CheckBox2, opt_.colLine1);
    SetTextColour(CheckBox3, opt_.colLine2);
}

// ---------------------------------------------------------------------------
// Dialog changes

void Tdiadlg::PickColour(ColorRef& field)
{
    const std::optional<unsigned> c = modal::ChooseColor(field);
    if (!c)
        return;
    field = *c;
    ShowColours();
    Post();
}

void Tdiadlg::Button1Click() { PickColour(opt_.colDia); }
void Tdiadlg::Button2Click() { PickColour(opt_.colGrid); }
void Tdiadlg::Button3Click() { PickColour(opt_.colLine1); }
void Tdiadlg::Button4Click() { PickColour(opt_.colMargin); }
void Tdiadlg::Button5Click() { PickColour(opt_.colLine2); }
void Tdiadlg::Button6Click() { PickColour(opt_.colLine3); }

void Tdiadlg::coldefaultClick()
{
    opt_.colDia = diacolor::Diagram;
    opt_.colGrid = diacolor::Grid;
    opt_.colLine1 = diacolor::Line1;
    opt_.colMargin = diacolor::Margin;
    opt_.colLine2 = diacolor::Line2;
    opt_.colLine3 = diacolor::Line3;
    ShowColours();
    Post();
}

void Tdiadlg::LogDiaClick()
{
    opt_.xLog = LogDia->isChecked();
    Post();
}

// A frequency that is out of range or crosses the other end is ignored, but
// the rest of the record is still applied.
void Tdiadlg::Edit1Change()
{
    int v = 0;
    if (!ParseUserInt(Edit1->text(), v))
        return;
    if (v > 0 && v <= MaxFrequency && v < opt_.xmax)
        opt_.xmin = v;
    Post();
}

void Tdiadlg::Edit2Change()
{
    int v = 0;
    if (!ParseUserInt(Edit2->text(), v))
        return;
    if (v > 0 && v <= MaxFrequency && v > opt_.xmin)
        opt_.xmax = v;
    Post();
}

void Tdiadlg::Edit3Change()
{
    float v = 0;
    if (!ParseUserReal(Edit3->text(), v))
        return;
    if (v < opt_.ymax)
        opt_.ymin = v;
    Post();
}

void Tdiadlg::Edit4Change()
{
    float v = 0;
    if (!ParseUserReal(Edit4->text(), v))
        return;
    if (v > opt_.ymin)
        opt_.ymax = v;
    Post();
}

void Tdiadlg::CheckBox1Click()
{
    opt_.yStepAuto = CheckBox1->isChecked();
    Edit5->setEnabled(!opt_.yStepAuto);
    Post();
}

void Tdiadlg::Edit5Change()
{
    float v = 0;
    if (!ParseUserReal(Edit5->text(), v))
        return;
    opt_.yStep = v;
    Post();
}

void Tdiadlg::Edit6Change()
{
    opt_.separator = Edit6->text().left(SeparatorMax);
    Post();
}

void Tdiadlg::MessVonClick()
{
    opt_.measLevel = MessVonItem[0]->isChecked();
    opt_.measFreq = MessVonItem[1]->isChecked();
    opt_.measSlope = MessVonItem[2]->isChecked();
    Post();
}

// Curve 3 holds one thing at a time: the peak of curve 1, the peak of curve 2
// or a difference.
void Tdiadlg::PeakClick(QCheckBox* box, bool& peak, QCheckBox* other, bool& otherPeak)
{
    if (box->isChecked()) {
        other->setChecked(false);
        otherPeak = false;
        opt_.diffMode = DiffNone;
        ComboBox1->setCurrentIndex(0);
    }
    peak = box->isChecked();
    Post();
}

void Tdiadlg::CheckBox2Click() { PeakClick(CheckBox2, opt_.peak1, CheckBox3, opt_.peak2); }
void Tdiadlg::CheckBox3Click() { PeakClick(CheckBox3, opt_.peak2, CheckBox2, opt_.peak1); }

void Tdiadlg::ComboBox1Change()
{
    opt_.diffMode = ComboBox1->currentIndex();
    if (opt_.diffMode != DiffNone) {
        CheckBox2->setChecked(false);
        CheckBox3->setChecked(false);
        opt_.peak1 = opt_.peak2 = false;
    }
    Post();
}

void Tdiadlg::Button7Click()
{
    opt_.resetPeaks = true;
    Post();
}

void Tdiadlg::CloseButClick() { hide(); }

// The black-and-white print colours were never offered to users; the control
// stays hidden and disabled.
void Tdiadlg::RBdruckfarbenClick() {}

// ---------------------------------------------------------------------------
// Language

void Tdiadlg::FillDiffItems(QChar language)
{
    const QSignalBlocker block(ComboBox1);
    ComboBox1->clear();
    if (language == QLatin1Char('E'))
        ComboBox1->addItems({QStringLiteral("no Dif."), QStringLiteral("L1-L2"), QStringLiteral("L2-L1"),
                             QStringLiteral("L1+L2")});
    else
        ComboBox1->addItems({QStringLiteral("keine Dif."), QStringLiteral("K1-K2"), QStringLiteral("K2-K1"),
                             QStringLiteral("K1+K2")});
    if (opt_.diffMode >= 0 && opt_.diffMode < ComboBox1->count())
        ComboBox1->setCurrentIndex(opt_.diffMode);
}

void Tdiadlg::SetLanguage(QChar language)
{
    const bool en = language == QLatin1Char('E');
    if (!en && language != QLatin1Char('D'))
        return;
    setWindowTitle(en ? QStringLiteral("Diagram options") : QStringLiteral("Diagramm Optionen"));
    Button1->setText(en ? QStringLiteral("Diagram color") : QStringLiteral("Diagrammfarbe"));
    Button2->setText(en ? QStringLiteral("Grid color") : QStringLiteral("Gitterfarbe"));
    Button4->setText(en ? QStringLiteral("Margin color") : QStringLiteral("Randfarbe"));
    Button3->setText(en ? QStringLiteral("Line 1") : QStringLiteral("Kurve 1"));
    Button5->setText(en ? QStringLiteral("Line 2") : QStringLiteral("Kurve 2"));
    Button6->setText(QStringLiteral("Peak/Dif."));
    LogDia->setText(en ? QStringLiteral("log. diagram") : QStringLiteral("log. Diagramm"));
    FreqGroup->setTitle(en ? QStringLiteral("Frequency in Hz") : QStringLiteral("Frequenz in Hz"));
    LevelGroup->setTitle(en ? QStringLiteral("Level in dB[FS]") : QStringLiteral("Pegel in dB[FS]"));
    MessVon->setTitle(en ? QStringLiteral("Meas. of") : QStringLiteral("Messen von"));
    MessVonItem[0]->setText(en ? QStringLiteral("Level") : QStringLiteral("Pegel"));
    MessVonItem[1]->setText(en ? QStringLiteral("Frequency") : QStringLiteral("Frequenz"));
    MessVonItem[2]->setText(en ? QStringLiteral("Slope") : QStringLiteral("Flanken"));
    CheckBox2->setText(en ? QStringLiteral("Peak L 1") : QStringLiteral("Peak K 1"));
    CheckBox3->setText(en ? QStringLiteral("Peak L 2") : QStringLiteral("Peak K 2"));
    RBdruckfarben->setText(en ? QStringLiteral("b/w print colors") : QStringLiteral("S/W Druckfarben"));
    coldefault->setText(en ? QStringLiteral(" default Colors") : QStringLiteral(" Standardfarben"));
    StepGroup->setTitle(en ? QStringLiteral("Stepping") : QStringLiteral("Schrittweite"));
    SeparatorGroup->setTitle(en ? QStringLiteral("Textfile Separator") : QStringLiteral("Trennzeichen Textdatei"));
    Button7->setText(en ? QStringLiteral(" Reset Peak") : QStringLiteral(" Peak löschen"));
    CloseBut->setText(en ? QStringLiteral("CLOSE") : QStringLiteral("SCHLIESSEN"));
    BitBtn1->setText(en ? QStringLiteral("Help") : QStringLiteral("Hilfe"));
    FillDiffItems(language);
}

} // namespace korvanta
