#pragma once
// The analysis dialog: band edges, weighting curve, fundamental (automatic
// or manual) and the threshold of the automatic search. It is created once
// at program start, reads the "ANALYSE" section of the settings file then,
// and writes it whenever it is closed and when it is destroyed.

#include "analysis/AnalysisSettings.h"
#include "correction/CorrectionTable.h"
#include "analysis/WeightingCurves.h"
#include "app/ui/ProgramRecords.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvanta {

class TAnaly : public QDialog {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 19;

    explicit TAnaly(QWidget* parent = nullptr, AnalysisSettings& settings = Analysis(),
                    CorrectionTable& weighting = WeightingCurve());
    ~TAnaly() override;

    // Fills the controls from the settings and shows the dialog modally.
    int Execute();

    // Fills the controls from the settings (done by Execute).
    void FormShow();

    // 'D' German, 'E' English: captions and messages.
    void SetLanguage(char language);

    QLineEdit* Edit1 = nullptr;       // band low, Hz
    QLineEdit* Edit2 = nullptr;       // band high, Hz
    QComboBox* ComboBox1 = nullptr;   // weighting curve
    QCheckBox* CheckBox1 = nullptr;   // fundamental automatic
    QLineEdit* Edit3 = nullptr;       // manual fundamental, Hz
    QLabel* Label7 = nullptr;         // "Hz manuell"
    QLineEdit* Edit4 = nullptr;       // threshold, dB
    QPushButton* BitBtn1 = nullptr;   // OK
    QPushButton* BitBtn2 = nullptr;   // cancel
    QPushButton* BitBtn3 = nullptr;   // help

    void done(int result) override;

private:
    void BitBtn1Click();
    void CheckBox1Click();
    void ComboBox1Select(int index);
    void BitBtn3Click();
    void buildControls();
    void enableManualFundamental();
    void writeSection();

    AnalysisSettings& settings_;
    CorrectionTable& weighting_;
    // A user curve chosen while the dialog is open; it replaces the weighting
    // curve only when the dialog is confirmed with "USER" selected.
    std::optional<CorrectionTable> pendingUserCurve_;
    char language_ = 'D';
    QLabel* labelLow_ = nullptr;
    QLabel* labelHigh_ = nullptr;
    QLabel* labelFilter_ = nullptr;
    QLabel* labelThreshold_ = nullptr;
};

} // namespace korvanta
