#pragma once
// The calibration dialog: shows how far a test sine drives the input (or
// "over" when it clips) as the calibration engine measures it block after
// block, so the user can raise the sine to just below clipping, then enter
// the voltage measured with a meter. It also holds the two constants that
// map magnitude bins to dB. Modeless; on OK the main window takes the
// values over (UM_CAL_DONE).

#include "audio/MeasuringEngine.h"
#include "measure/CalibrationEngine.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvanta {

struct AnalyzerState;

struct CalibrationValues {
    double millivolts = 0;
    double factor = 0;
    double offset = 0;
};

// Parses the dialog's three texts (a point as decimal separator, blanks
// around allowed). Valid when all three parse completely and the voltage is
// above 0 (the absolute units take its logarithm).
bool ParseCalibrationValues(const QString& mv, const QString& factor, const QString& offset,
                            CalibrationValues& out);

// The indicator text of one calibration block: "over <n>" when samples
// clipped, else the sum of |x| over the block divided by 50 as "%4.1f%".
QString CalibrationIndicator(const float* block, int count, int overRange);

constexpr int kCalibrationHelpContext = 3;
constexpr int kCalibrationDeviceErrorHelpContext = 17;

class TEichDlg : public QDialog {
    Q_OBJECT
public:
    explicit TEichDlg(QWidget* parent = nullptr);

    // Fills the fields from the state and remembers the window that gets
    // UM_STOP_ALL and UM_CAL_DONE; clears the measuring and measured flags.
    void Prepare(const AnalyzerState& s, QObject* mainWindow);
    void SetLanguage(char letter);

    // The values as typed, when valid.
    bool ReadValues(CalibrationValues& out) const;

    // The measuring loop runs ("Begin" until "End", hiding or a fault).
    bool measuring() const;
    bool measured() const { return measured_; }

    // Controls, named as on the form.
    QLineEdit* EichmV;
    QLineEdit* Edit2; // factor
    QLineEdit* Edit3; // offset
    QLabel* Label1;   // instruction
    QLabel* Label3;   // indicator
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label8;
    QLabel* Label9;
    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    QPushButton* Button1; // Begin
    QPushButton* Button2; // End
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QPushButton* HelpBtn;
    QLabel* MvLabel;       // "mV eff" beside the voltage

    void Button1Click();
    void Button2Click();
    void OKBtnClick();
    void CancelBtnClick();

protected:
    void hideEvent(QHideEvent* e) override;

private:
    void buildForm();
    void showReading(const CalibrationReading& reading);
    void deviceFault(const EngineFailure& failure);

    CalibrationEngine* engine_;
    QObject* mainWindow_ = nullptr;
    bool measured_ = false;
    char language_ = 'D';
};

} // namespace korvanta
