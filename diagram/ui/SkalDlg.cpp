#include "diagram/ui/SkalDlg.h"

#include "platform/LanguageTexts.h"
#include "platform/ModalQuestions.h"
#include "diagram/UserNumbers.h"
#include "platform/ui/HelpKey.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace korvanta {

namespace {
QString Scientific(float v) { return QString::number(v, 'E', 6); }

constexpr Words kTitle{"Skalierung", "Scaling"};
constexpr Words kAxis{"X-Achse", "X axis"};
constexpr Words kScale{"Skala = Wert *  ", "Scale = value *  "};
constexpr Words kUnit{"Einheit =", "Unit ="};
constexpr Words kDefault{"Vorgabe", "default"};
} // namespace

TSkalDia::TSkalDia(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Pick('D', kTitle));
    setFixedSize(301, 271);
    auto* axis = new QGroupBox(this);
    Axis = axis;
    axis->setGeometry(8, 8, 285, 120);
    auto* scale = new QLabel(axis);
    ScaleLabel = scale;
    scale->setGeometry(8, 28, 90, 20);
    Edit1 = new QLineEdit(axis);
    Edit1->setGeometry(98, 26, 80, 22);
    auto* plus = new QLabel(QStringLiteral("+"), axis);
    plus->setGeometry(182, 28, 12, 20);
    Edit2 = new QLineEdit(axis);
    Edit2->setGeometry(196, 26, 80, 22);
    auto* unit = new QLabel(axis);
    UnitLabel = unit;
    unit->setGeometry(8, 70, 90, 20);
    Edit3 = new QLineEdit(axis);
    Edit3->setGeometry(98, 68, 80, 22);
    Edit3->setMaxLength(UnitMax);
    defaultBtn = new QPushButton(this);
    defaultBtn->setGeometry(8, 140, 90, 26);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setGeometry(8, 236, 90, 26);
    BitBtn1->setDefault(true);
    CancelBtn = new QPushButton(this);
    CancelBtn->setGeometry(105, 236, 90, 26);
    HelpBtn = new QPushButton(this);
    HelpBtn->setGeometry(202, 236, 90, 26);
    connect(defaultBtn, &QPushButton::clicked, this, &TSkalDia::defaultClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TSkalDia::BitBtn1Click);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, [] { modal::ShowHelp(HelpContext); });
    AddHelpKey(this, HelpContext);
    SetLanguage('D');
}

void TSkalDia::SetLanguage(char letter)
{
    if (letter != 'D' && letter != 'E')
        return;
    setWindowTitle(Pick(letter, kTitle));
    Axis->setTitle(Pick(letter, kAxis));
    ScaleLabel->setText(Pick(letter, kScale));
    UnitLabel->setText(Pick(letter, kUnit));
    defaultBtn->setText(Pick(letter, kDefault));
    CancelBtn->setText(Pick(letter, words::kCancel));
    HelpBtn->setText(Pick(letter, words::kHelp));
}

bool TSkalDia::Edit(XScaling& scaling)
{
    scaling_ = scaling;
    if (exec() != QDialog::Accepted)
        return false;
    scaling = scaling_;
    return true;
}

void TSkalDia::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TSkalDia::FormShow()
{
    Edit1->setText(Scientific(scaling_.factor));
    Edit2->setText(Scientific(scaling_.offset));
    Edit3->setText(scaling_.unit);
}

// A factor of 0 would make every read-out 0; text that is no number keeps
// the previous value.
void TSkalDia::BitBtn1Click()
{
    float v = 0;
    if (ParseUserReal(Edit1->text(), v) && v != 0.0f)
        scaling_.factor = v;
    if (ParseUserReal(Edit2->text(), v))
        scaling_.offset = v;
    scaling_.unit = Edit3->text().left(UnitMax);
    accept();
}

void TSkalDia::defaultClick()
{
    scaling_ = XScaling();
    FormShow();
}

} // namespace korvanta
