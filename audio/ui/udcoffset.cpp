#include "audio/ui/udcoffset.h"
#include "platform/LanguageTexts.h"

#include "audio/DcOffsetScale.h"
#include "audio/Soundd3.h"
#include "platform/ui/HelpKey.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

namespace korvanta {

namespace {
QScrollBar* offsetBar(QWidget* parent)
{
    auto* bar = new QScrollBar(Qt::Vertical, parent);
    bar->setRange(-kDcBarLimit, kDcBarLimit);
    bar->setSingleStep(1);
    bar->setPageStep(100);
    bar->setMinimumHeight(160);
    return bar;
}
constexpr Words kTitle{"Eingangs-DC-Offset", "Input DC-Offset"};
constexpr Words kClose{"Schließen", "Close"};
constexpr Words kBarTips[2] = {{"DC-Offset K1 (links)", "DC offset K1 (left)"},
                               {"DC-Offset K2 (rechts)", "DC offset K2 (right)"}};
} // namespace

TDCOffset::TDCOffset(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DCOffset"));
    setWindowTitle(QStringLiteral("Input DC-Offset"));
    ScrollBar1 = offsetBar(this);
    ScrollBar2 = offsetBar(this);
    Label1 = new QLabel(QStringLiteral("-0.00000 FS"), this);
    Label2 = new QLabel(QStringLiteral("-0.00000 FS"), this);
    AutoDCOffset = new QCheckBox(QStringLiteral(" Auto DC-Offset"), this);
    BitBtn1 = new QPushButton(QStringLiteral("Close"), this);
    BitBtn2 = new QPushButton(QStringLiteral("Help"), this);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("K1"), this), 0, 0, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("K2"), this), 0, 1, Qt::AlignHCenter);
    grid->addWidget(ScrollBar1, 1, 0, Qt::AlignHCenter);
    grid->addWidget(ScrollBar2, 1, 1, Qt::AlignHCenter);
    grid->addWidget(Label1, 2, 0);
    grid->addWidget(Label2, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QGridLayout(this);
    layout->addLayout(grid, 0, 0);
    layout->addWidget(AutoDCOffset, 1, 0);
    layout->addLayout(buttons, 2, 0);

    connect(ScrollBar1, &QScrollBar::valueChanged, this, &TDCOffset::ScrollBar1Change);
    connect(ScrollBar2, &QScrollBar::valueChanged, this, &TDCOffset::ScrollBar2Change);
    connect(AutoDCOffset, &QCheckBox::clicked, this, &TDCOffset::AutoDCOffsetClick);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, [this] { emit helpRequested(QLatin1String(kHelpKeyword)); });
    AddHelpKey(this, [this] { emit helpRequested(QLatin1String(kHelpKeyword)); });
    SetLanguage('D');
}

void TDCOffset::SetLanguage(char letter)
{
    if (letter != 'D' && letter != 'E')
        return;
    setWindowTitle(Pick(letter, kTitle));
    BitBtn1->setText(Pick(letter, kClose));
    BitBtn2->setText(Pick(letter, words::kHelp));
    ScrollBar1->setToolTip(Pick(letter, kBarTips[0]));
    ScrollBar2->setToolTip(Pick(letter, kBarTips[1]));
}

int TDCOffset::Execute()
{
    FormActivate();
    return exec();
}

void TDCOffset::FormActivate()
{
    const float left = GetDCOffsetL();
    const float right = GetDCOffsetR();
    Label1->setText(DcOffsetText(left));
    Label2->setText(DcOffsetText(right));
    {
        // Showing the slot must not write it back: an offset beyond the
        // bar's range would be cut to the range.
        const QSignalBlocker quiet1(ScrollBar1);
        const QSignalBlocker quiet2(ScrollBar2);
        ScrollBar1->setValue(DcBarPosition(left));
        ScrollBar2->setValue(DcBarPosition(right));
    }
    AutoDCOffset->setChecked(GetAutoDC());
    enableBars();
}

void TDCOffset::ScrollBar1Change(int position)
{
    SetDCOffsetL(DcOffsetOfPosition(position));
    Label1->setText(DcOffsetText(GetDCOffsetL()));
}

void TDCOffset::ScrollBar2Change(int position)
{
    SetDCOffsetR(DcOffsetOfPosition(position));
    Label2->setText(DcOffsetText(GetDCOffsetR()));
}

void TDCOffset::AutoDCOffsetClick()
{
    SetAutoDC(AutoDCOffset->isChecked());
    enableBars();
}

void TDCOffset::enableBars()
{
    const bool manual = !AutoDCOffset->isChecked();
    ScrollBar1->setEnabled(manual);
    ScrollBar2->setEnabled(manual);
}

} // namespace korvanta
