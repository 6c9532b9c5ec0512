#include "analysis/ui/analys.h"

#include "analysis/AnalysisInput.h"
#include "correction/CorrectionFile.h"
#include "platform/ModalQuestions.h"
#include "platform/ProfileStore.h"
#include "platform/SharedRoutines.h"
#include "platform/ui/HelpKey.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <cmath>

namespace korvanta {

namespace {

struct DialogTexts {
    const char* caption;
    const char* low;
    const char* high;
    const char* automatic;
    const char* manual;
    const char* threshold;
    const char* cancel;
    const char* help;
};

const DialogTexts kGerman{"Analyse Dialog", "Frequenz low", "Frequenz high", "Grundwelle automatisch",
                          "Hz manuell", "dB Schwellwert Automatik", "Abbruch", "Hilfe"};
const DialogTexts kEnglish{"Analyze Dialog", "Frequency low", "Frequency high", "Fundamental automatic",
                           "Hz manually", "dB treshhold automatic", "Cancel", "Help"};

const QString kUserFilter = QStringLiteral("Filter File | *.cor");

QString text(const char* s) { return QString::fromUtf8(s); }

} // namespace

TAnaly::TAnaly(QWidget* parent, AnalysisSettings& settings, CorrectionTable& weighting)
    : QDialog(parent), settings_(settings), weighting_(weighting)
{
    buildControls();
    SetLanguage('D');
    ReadAnalysisSection(settings_, weighting_, SettingsFilePath());
}

TAnaly::~TAnaly() { writeSection(); }

void TAnaly::buildControls()
{
    Edit1 = new QLineEdit(this);
    Edit2 = new QLineEdit(this);
    ComboBox1 = new QComboBox(this);
    ComboBox1->addItems(WeightingNames());
    CheckBox1 = new QCheckBox(this);
    Edit3 = new QLineEdit(this);
    Label7 = new QLabel(this);
    Edit4 = new QLineEdit(this);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(this);
    BitBtn3 = new QPushButton(this);
    labelLow_ = new QLabel(this);
    labelHigh_ = new QLabel(this);
    labelFilter_ = new QLabel(QStringLiteral("Filter"), this);
    labelThreshold_ = new QLabel(this);

    auto* grid = new QGridLayout;
    grid->addWidget(labelLow_, 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Hz"), this), 0, 2);
    grid->addWidget(labelHigh_, 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Hz"), this), 1, 2);
    grid->addWidget(labelFilter_, 2, 0);
    grid->addWidget(ComboBox1, 2, 1, 1, 2);
    grid->addWidget(CheckBox1, 3, 0, 1, 3);
    grid->addWidget(Edit3, 4, 1);
    grid->addWidget(Label7, 4, 2);
    grid->addWidget(Edit4, 5, 1);
    grid->addWidget(labelThreshold_, 5, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn3);
    auto* layout = new QGridLayout(this);
    layout->addLayout(grid, 0, 0);
    layout->addLayout(buttons, 1, 0);

    connect(BitBtn1, &QPushButton::clicked, this, &TAnaly::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn3, &QPushButton::clicked, this, &TAnaly::BitBtn3Click);
    AddHelpKey(this, kHelpContext);
    connect(CheckBox1, &QCheckBox::clicked, this, &TAnaly::CheckBox1Click);
    connect(ComboBox1, &QComboBox::activated, this, &TAnaly::ComboBox1Select);
}

void TAnaly::SetLanguage(char language)
{
    const bool english = language == 'E' || language == 'e';
    language_ = english ? 'E' : 'D';
    const DialogTexts& t = english ? kEnglish : kGerman;
    setWindowTitle(text(t.caption));
    labelLow_->setText(text(t.low));
    labelHigh_->setText(text(t.high));
    CheckBox1->setText(text(t.automatic));
    Label7->setText(text(t.manual));
    labelThreshold_->setText(text(t.threshold));
    BitBtn2->setText(text(t.cancel));
    BitBtn3->setText(text(t.help));
    // Their labels stand a row away; the tips name them where they are.
    Edit3->setToolTip(english ? QStringLiteral("fundamental in Hz, when not found automatically")
                              : QStringLiteral("Grundwelle in Hz, wenn nicht automatisch gesucht"));
    Edit4->setToolTip(english ? QStringLiteral("threshold in dB") : QStringLiteral("Schwellwert in dB"));
}

int TAnaly::Execute()
{
    FormShow();
    return exec();
}

void TAnaly::FormShow()
{
    pendingUserCurve_.reset();
    Edit1->setText(QString::number(settings_.bandLow));
    Edit2->setText(QString::number(settings_.bandHigh));
    ComboBox1->setCurrentIndex(std::max(0, ComboBox1->findText(settings_.filterName)));
    CheckBox1->setChecked(settings_.fundamentalAuto);
    Edit3->setText(QString::number(settings_.fundamental, 'f', 0));
    Edit4->setText(QString::number(20.0 * std::log10(settings_.fundamentalThreshold), 'f', 1));
    enableManualFundamental();
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void TAnaly::enableManualFundamental()
{
    const bool manual = !CheckBox1->isChecked();
    Edit3->setEnabled(manual);
    Label7->setEnabled(manual);
}

void TAnaly::CheckBox1Click()
{
    enableManualFundamental();
    settings_.fundamentalAuto = CheckBox1->isChecked();
}

void TAnaly::ComboBox1Select(int index)
{
    if (ComboBox1->itemText(index) != kWeightingUser)
        return;
    const QString name = modal::OpenFileName(kWeightingUser, kUserFilter, QStringLiteral("cor"));
    if (name.isEmpty())
        return;
    // Loaded aside: cancelling the dialog must leave the curve in use alone.
    CorrectionTable curve = pendingUserCurve_ ? *pendingUserCurve_ : weighting_;
    LoadCorrection(curve, name);
    pendingUserCurve_ = std::move(curve);
}

void TAnaly::BitBtn1Click()
{
    const AnalysisInputText typed{Edit1->text(), Edit2->text(), Edit3->text(), Edit4->text()};
    AnalysisInput input;
    const AnalysisInputError error = ParseAnalysisInput(typed, input);
    if (error != AnalysisInputError::None) {
        modal::MessageBox(modal::Kind::Warning, AnalysisInputMessage(error, language_), modal::Ok);
        return;
    }
    settings_.bandLow = input.bandLow;
    settings_.bandHigh = input.bandHigh;
    settings_.fundamentalThreshold = Pow10(input.thresholdDb / 20.0);
    settings_.fundamentalAuto = CheckBox1->isChecked();
    settings_.fundamental = input.fundamental;
    const QString filter = ComboBox1->currentText();
    if (filter == kWeightingUser && pendingUserCurve_)
        weighting_ = std::move(*pendingUserCurve_);
    pendingUserCurve_.reset();
    SelectFilter(settings_, weighting_, filter);
    accept();
}

void TAnaly::BitBtn3Click() { modal::ShowHelp(kHelpContext); }

void TAnaly::done(int result)
{
    QDialog::done(result);
    writeSection();
}

void TAnaly::writeSection() { WriteAnalysisSection(settings_, weighting_, SettingsFilePath()); }

} // namespace korvanta
