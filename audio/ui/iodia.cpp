#include "audio/ui/iodia.h"
#include "platform/LanguageTexts.h"

#include "platform/ModalQuestions.h"
#include "audio/Soundd3.h"
#include "platform/ui/HelpKey.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace korvanta {

namespace {
// Form names of the buttons: "b" + rate code + column ("b448", "b4416",
// "b4424"), and "bu8", "bu16", "bu24" for the "User" row.
const std::array<const char*, kIoRows> kRowCodes = {"8", "11", "22", "32", "44", "48", "96", "u"};
const std::array<const char*, kIoRows> kRowLabels = {"8000", "11025", "22050", "32000",
                                                     "44100", "48000", "96000", "User"};

int buttonId(int row, int column) { return row * kIoColumns + column; }

constexpr Words kUserRowTip{"eigene Abtastrate", "own sample rate"};
constexpr Words kUserRateTip{"eigene Abtastrate in Hz", "own sample rate in Hz"};
constexpr Words kAbort{"Abbruch", "Abort"};
constexpr Words kInputTitle{"Wave-Eingangsoptionen für ", "Wave input options for "};
constexpr Words kOutputTitle{"Wave-Ausgangsoptionen für ", "Wave output options for "};
// What a title bar needs beside its text: the icon and three buttons.
constexpr int kTitleBarRoom = 120;
constexpr double kTitleFontGrowth = 1.2;
} // namespace

TIOdialog::TIOdialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("IOdialog"));
    buildControls();
    bu8 = buttons_[kIoUserRow][0];
    bu16 = buttons_[kIoUserRow][1];
    bu24 = buttons_[kIoUserRow][2];
}

void TIOdialog::buildControls()
{
    CheckBox1 = new QCheckBox(QStringLiteral("vertausche Kanäle"), this);
    cbInvPhaseL = new QCheckBox(QStringLiteral("inv. Phase L"), this);
    cbInvPhaseR = new QCheckBox(QStringLiteral("inv. Phase R"), this);
    CheckBox2 = new QCheckBox(QStringLiteral("Begin/End Tongenerierung"), this);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Abort"), this);
    BitBtn3 = new QPushButton(QStringLiteral("Help"), this);

    auto* phases = new QHBoxLayout;
    phases->addWidget(cbInvPhaseL);
    phases->addWidget(cbInvPhaseR);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildRateGrid());
    layout->addWidget(CheckBox1);
    layout->addLayout(phases);
    layout->addWidget(CheckBox2);
    layout->addLayout(buttons);

    connect(BitBtn1, &QPushButton::clicked, this, &TIOdialog::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn3, &QPushButton::clicked, this, [] { modal::ShowHelp(kHelpContext); });
    AddHelpKey(this, kHelpContext);
    connect(Edit1, &QLineEdit::textEdited, this, &TIOdialog::Edit1Change);
    connect(group_, &QButtonGroup::idClicked, this, &TIOdialog::RateButtonClick);
}

QWidget* TIOdialog::buildRateGrid()
{
    auto* w = new QWidget(this);
    auto* grid = new QGridLayout(w);
    grid->setContentsMargins(0, 0, 0, 0);
    group_ = new QButtonGroup(this);
    for (int c = 0; c < kIoColumns; ++c)
        grid->addWidget(new QLabel(QString::number(kIoBitColumns[c]), w), 0, c + 1, Qt::AlignHCenter);
    for (int row = 0; row < kIoRows; ++row) {
        auto* rowLabel = new QLabel(QLatin1String(kRowLabels[row]), w);
        if (row == kIoUserRow)
            userLabel_ = rowLabel;
        grid->addWidget(rowLabel, row + 1, 0);
        for (int c = 0; c < kIoColumns; ++c) {
            auto* b = new QRadioButton(w);
            b->setObjectName(QStringLiteral("b%1%2").arg(QLatin1String(kRowCodes[row])).arg(kIoBitColumns[c]));
            group_->addButton(b, buttonId(row, c));
            // The grid's headings are far away; the tip names the button.
            if (row != kIoUserRow)
                b->setToolTip(QStringLiteral("%1 Hz, %2 Bit").arg(QLatin1String(kRowLabels[row])).arg(kIoBitColumns[c]));
            grid->addWidget(b, row + 1, c + 1, Qt::AlignHCenter);
            buttons_[row][c] = b;
        }
    }
    Edit1 = new QLineEdit(w);
    Edit1->setStyleSheet(QStringLiteral("background-color: yellow;"));
    Edit1->setMaximumWidth(70);
    grid->addWidget(Edit1, kIoRows, kIoColumns + 1);
    grid->addWidget(new QLabel(QStringLiteral("Hz"), w), kIoRows, kIoColumns + 2);
    return w;
}

int TIOdialog::Execute(bool input, bool* loopMode)
{
    FormActivate(input, loopMode);
    return exec();
}

void TIOdialog::FormActivate(bool input, bool* loopMode, IoFormatQuery query)
{
    query_ = query ? std::move(query) : IoFormatQuery([input](int rate, int bits) {
        return FormatSupported(rate, bits, input);
    });
    loopMode_ = input ? nullptr : loopMode;
    const QString device = input ? DeviceName('I', GetInDevice()) : DeviceName('O', GetOutDevice());
    input_ = input;
    setWindowTitle(Pick(language_, input ? kInputTitle : kOutputTitle) + device);
    fitTitle();
    model_.Activate(input, CurrentIoSlot(input), loopMode_ ? *loopMode_ : true, query_);
    CheckBox1->setChecked(model_.values.flip);
    cbInvPhaseL->setChecked(model_.values.invPhaseL);
    cbInvPhaseR->setChecked(model_.values.invPhaseR);
    CheckBox2->setVisible(loopMode_ != nullptr);
    CheckBox2->setChecked(model_.loopMode);
    Edit1->setText(QString::number(model_.values.userRate));
    showButtons();
}

void TIOdialog::fitTitle()
{
    // The window manager cuts a title wider than the window, and the device
    // name at its end is what tells input from output settings. The dialog
    // grows to show it, as far as the screen allows.
    // Window managers draw titles bold and often larger than the window's
    // own font, and the desktop shows the program's name after the title.
    QFont bold = font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * kTitleFontGrowth);
    QString shown = windowTitle();
    if (const QString program = QGuiApplication::applicationDisplayName(); !program.isEmpty())
        shown += QStringLiteral(" — ") + program;
    const int wanted = QFontMetrics(bold).horizontalAdvance(shown) + kTitleBarRoom;
    const int room = screen() ? screen()->availableGeometry().width() : wanted;
    setMinimumWidth(std::max(layout()->minimumSize().width(), std::min(wanted, room)));
}

void TIOdialog::showButtons()
{
    // An exclusive group cannot show "none checked"; it is lifted meanwhile.
    group_->setExclusive(false);
    for (int row = 0; row < kIoRows; ++row) {
        for (int c = 0; c < kIoColumns; ++c) {
            buttons_[row][c]->setEnabled(model_.enabled[row][c]);
            buttons_[row][c]->setChecked(row == model_.checkedRow && c == model_.checkedColumn);
        }
    }
    group_->setExclusive(true);
}

void TIOdialog::Edit1Change(const QString& text)
{
    if (model_.TypeUserRate(text, query_))
        showButtons();
}

void TIOdialog::RateButtonClick(int id)
{
    model_.Check(id / kIoColumns, id % kIoColumns);
    showButtons();
}

void TIOdialog::BitBtn1Click()
{
    model_.values.flip = CheckBox1->isChecked();
    model_.values.invPhaseL = cbInvPhaseL->isChecked();
    model_.values.invPhaseR = cbInvPhaseR->isChecked();
    model_.loopMode = CheckBox2->isChecked();
    StoreIoDialog(model_, loopMode_);
    accept();
}

void TIOdialog::SetLanguage(char letter)
{
    if (letter != 'D' && letter != 'E')
        return;
    language_ = letter;
    // The row's caption "User" is the form's in both languages; its
    // tooltips say what it means.
    userLabel_->setToolTip(Pick(letter, kUserRowTip));
    Edit1->setToolTip(Pick(letter, kUserRateTip));
    for (int c = 0; c < kIoColumns; ++c)
        buttons_[kIoUserRow][size_t(c)]->setToolTip(Pick(letter, kUserRowTip) + QStringLiteral(", %1 Bit").arg(kIoBitColumns[c]));
    BitBtn2->setText(Pick(letter, kAbort));
    BitBtn3->setText(Pick(letter, words::kHelp));
    if (!windowTitle().isEmpty()) {
        const QString device = input_ ? DeviceName('I', GetInDevice()) : DeviceName('O', GetOutDevice());
        setWindowTitle(Pick(letter, input_ ? kInputTitle : kOutputTitle) + device);
        fitTitle();
    }
    if (letter == 'D') {
        CheckBox1->setText(QStringLiteral("vertausche Kanäle"));
        CheckBox2->setText(QStringLiteral("Loop Tongenerierung"));
    } else if (letter == 'E') {
        CheckBox1->setText(QStringLiteral("flip channels"));
        CheckBox2->setText(QStringLiteral("Loop tone generating"));
    }
}

} // namespace korvanta
