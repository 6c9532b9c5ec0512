#include "measure/ui/Eichdia.h"
#include "audio/DeviceErrorBox.h"
#include "platform/LanguageTexts.h"

#include "app/Audconst.h"
#include "measure/CalibrationEngine.h"
#include "platform/ModalQuestions.h"
#include "platform/UserMessages.h"
#include "measure/samplemem.h"
#include "platform/ui/HelpKey.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace korvanta {

namespace {
bool parseNumber(const QString& text, double& value)
{
    bool ok = false;
    value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok && std::isfinite(value);
}

struct DialogTexts {
    const char* caption;
    const char* group1;
    const char* instruction;
    const char* group2;
    const char* factor;
    const char* line6;
    const char* line8;
    const char* line9;
    const char* invalid;
    const char* notMeasured;
};

const DialogTexts kGerman = {
    "Kalibrierung", "Oszilloskop",
    "Sinussignal >100mV langsam erhöhen bis gerade OVER erscheint, dann gemessene Spannung eintragen",
    "Spektrum Analyser", "Faktor", "Einstellung für korrekte", "Pegellinearität und Position im",
    "Diagramm in der Y-Achse", "Eichwert falsch", "Kein Eichvorgang gestartet"};

const DialogTexts kEnglish = {
    "Calibration", "Oszilloscope",
    "Increase slowly a sine signal (>100mV) until OVER is displayed, then enter voltage value",
    "Spectrum Analyzer", "Factor", "Adjustment for the correct", "level linearness and position",
    "in the y-axis of the diagram", "Calibration value wrong", "No Calibration process started"};

const DialogTexts& textsFor(char language) { return language == 'E' ? kEnglish : kGerman; }
} // namespace

bool ParseCalibrationValues(const QString& mv, const QString& factor, const QString& offset,
                            CalibrationValues& out)
{
    CalibrationValues v;
    if (!parseNumber(mv, v.millivolts) || !parseNumber(factor, v.factor) || !parseNumber(offset, v.offset))
        return false;
    if (v.millivolts <= 0)
        return false;
    out = v;
    return true;
}

QString CalibrationIndicator(const float* block, int count, int overRange)
{
    return CalibrationIndicatorText(ReadCalibrationBlock(block, count, overRange));
}

TEichDlg::TEichDlg(QWidget* parent) : QDialog(parent), engine_(new CalibrationEngine(this))
{
    buildForm();
    SetLanguage('D');
    connect(engine_, &CalibrationEngine::reading, this, &TEichDlg::showReading);
    connect(engine_, &CalibrationEngine::failed, this, &TEichDlg::deviceFault);
}

bool TEichDlg::measuring() const { return engine_->Running(); }

void TEichDlg::buildForm()
{
    setModal(false);
    EichmV = new QLineEdit(QStringLiteral("100.0"));
    EichmV->setMaximumWidth(80);
    Edit2 = new QLineEdit;
    Edit3 = new QLineEdit;
    Label1 = new QLabel;
    Label1->setWordWrap(true);
    Label3 = new QLabel(QStringLiteral("under"));
    QFont bold = Label3->font();
    bold.setBold(true);
    Label3->setFont(bold);
    Label3->setMinimumWidth(90);
    Label4 = new QLabel;
    Label5 = new QLabel(QStringLiteral("Offset"));
    Label6 = new QLabel;
    Label8 = new QLabel;
    Label9 = new QLabel;
    Button1 = new QPushButton(QStringLiteral("Begin"));
    Button2 = new QPushButton(QStringLiteral("End"));
    OKBtn = new QPushButton(QStringLiteral("OK"));
    CancelBtn = new QPushButton(QStringLiteral("Abbruch"));
    HelpBtn = new QPushButton(QStringLiteral("Help"));

    GroupBox1 = new QGroupBox;
    auto* g1 = new QGridLayout(GroupBox1);
    g1->addWidget(Label1, 0, 0, 1, 4);
    g1->addWidget(EichmV, 1, 0);
    MvLabel = new QLabel(Pick('D', words::kMvRms));
    g1->addWidget(MvLabel, 1, 1);
    g1->addWidget(Label3, 1, 2);
    auto* beginEnd = new QHBoxLayout;
    beginEnd->addWidget(Button1);
    beginEnd->addWidget(Button2);
    g1->addLayout(beginEnd, 2, 0, 1, 4);

    GroupBox2 = new QGroupBox;
    auto* g2 = new QGridLayout(GroupBox2);
    g2->addWidget(Label4, 0, 0);
    g2->addWidget(Edit2, 0, 1);
    g2->addWidget(Label5, 1, 0);
    g2->addWidget(Edit3, 1, 1);
    g2->addWidget(Label6, 0, 2);
    g2->addWidget(Label8, 1, 2);
    g2->addWidget(Label9, 2, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);

    auto* top = new QVBoxLayout(this);
    top->addWidget(GroupBox1);
    top->addWidget(GroupBox2);
    top->addLayout(buttons);

    OKBtn->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TEichDlg::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TEichDlg::Button2Click);
    connect(OKBtn, &QPushButton::clicked, this, &TEichDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TEichDlg::CancelBtnClick);
    connect(HelpBtn, &QPushButton::clicked, this, [] { modal::ShowHelp(kCalibrationHelpContext); });
    AddHelpKey(this, kCalibrationHelpContext);
}

void TEichDlg::SetLanguage(char letter)
{
    if (letter != 'D' && letter != 'E')
        return;
    language_ = letter;
    const DialogTexts& t = textsFor(letter);
    setWindowTitle(QString::fromUtf8(t.caption));
    MvLabel->setText(Pick(letter, words::kMvRms));
    // "Begin", "End" and the indicator's "under" before the first block are
    // the form's own captions in both languages.
    CancelBtn->setText(Pick(letter, words::kCancel));
    HelpBtn->setText(Pick(letter, words::kHelp));
    GroupBox1->setTitle(QString::fromUtf8(t.group1));
    Label1->setText(QString::fromUtf8(t.instruction));
    GroupBox2->setTitle(QString::fromUtf8(t.group2));
    Label4->setText(QString::fromUtf8(t.factor));
    Label6->setText(QString::fromUtf8(t.line6));
    Label8->setText(QString::fromUtf8(t.line8));
    Label9->setText(QString::fromUtf8(t.line9));
}

void TEichDlg::Prepare(const AnalyzerState& s, QObject* mainWindow)
{
    EichmV->setText(QString::asprintf("%5.1f", static_cast<double>(s.CalInMv)).trimmed());
    Edit2->setText(QString::number(s.PegFak, 'f', 5));
    Edit3->setText(QString::number(s.PegOfs, 'f', 5));
    engine_->Stop();
    measured_ = false;
    mainWindow_ = mainWindow;
}

bool TEichDlg::ReadValues(CalibrationValues& out) const
{
    return ParseCalibrationValues(EichmV->text(), Edit2->text(), Edit3->text(), out);
}

void TEichDlg::Button1Click()
{
    // Every other loop ends first, also when this one runs already: one
    // started meanwhile (the oscilloscope's Start) would share the input
    // with it, and the readings would be of every other block.
    if (mainWindow_) {
        QEvent stop(UM_STOP_ALL);
        QCoreApplication::sendEvent(mainWindow_, &stop);
    }
    if (engine_->Running())
        return;
    EichmV->setEnabled(false);
    engine_->Start();
}

void TEichDlg::Button2Click()
{
    engine_->Stop();
    EichmV->setEnabled(true);
    EichmV->setFocus();
}

void TEichDlg::OKBtnClick()
{
    CalibrationValues v;
    const bool valid = ReadValues(v);
    if (measured_ && valid) {
        if (mainWindow_) {
            QEvent done(UM_CAL_DONE);
            QCoreApplication::sendEvent(mainWindow_, &done);
        }
        accept();
        return;
    }
    const DialogTexts& t = textsFor(language_);
    if (!valid)
        modal::MessageBox(modal::Kind::Warning, QString::fromUtf8(t.invalid), modal::Ok);
    if (!measured_)
        modal::MessageBox(modal::Kind::Warning, QString::fromUtf8(t.notMeasured), modal::Ok);
}

void TEichDlg::CancelBtnClick() { reject(); }

void TEichDlg::deviceFault(const EngineFailure& failure)
{
    // Back to idle, as after "End", so the voltage can be typed or the loop
    // begun again.
    Button2Click();
    DeviceErrorBox(Messages().nextBlockError + failure.text + QStringLiteral(")"), failure.code, CurrentLanguage(),
                   modal::Ok | modal::Help, kCalibrationDeviceErrorHelpContext);
}

void TEichDlg::hideEvent(QHideEvent* e)
{
    EichmV->setEnabled(false);
    engine_->Stop();
    QDialog::hideEvent(e);
}

void TEichDlg::showReading(const CalibrationReading& reading)
{
    Label3->setText(CalibrationIndicatorText(reading));
    measured_ = true;
}

} // namespace korvanta
