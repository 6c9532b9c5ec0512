#pragma once
// The in/out parameter dialog: sample rate and width of the current input
// or output device, channel order and polarity of each channel, and in
// output direction the generator's loop flag. Formats the device refuses
// cannot be chosen (their buttons are disabled). The logic lives in
// IoDialogModel; the form mirrors it.
//
// Created once at start-up; the caller sets the direction with Execute(),
// which fills the form from the current slot and shows it modally.

#include "audio/IoDialogModel.h"

#include <QDialog>
#include <array>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QLabel;
class QPushButton;
class QRadioButton;

namespace korvanta {

class TIOdialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 14;

    explicit TIOdialog(QWidget* parent = nullptr);

    // Fills the form for a direction (input true) and shows it modally. In
    // output direction `loopMode` is the generator's loop flag, shown in
    // CheckBox2 and stored by OK; without one the box is hidden.
    int Execute(bool input, bool* loopMode);

    // The activation: caption, boxes and buttons from the current slot of
    // the direction, each button enabled when `query` accepts its format
    // (by default the device of that direction).
    void FormActivate(bool input, bool* loopMode, IoFormatQuery query = {});

    // 'D' or 'E': the captions of the two boxes that differ; other letters
    // change nothing.
    void SetLanguage(char letter);

    // The radio button of a row (0..6 the fixed rates, 7 "User") and a
    // column (0..2 for 8, 16, 24 bits).
    QRadioButton* RateButton(int row, int column) const { return buttons_[row][column]; }
    const IoDialogModel& Model() const { return model_; }

    QRadioButton* bu8;
    QRadioButton* bu16;
    QRadioButton* bu24;
    QLineEdit* Edit1;          // the user rate
    QCheckBox* CheckBox1;      // "vertausche Kanäle"
    QCheckBox* cbInvPhaseL;
    QCheckBox* cbInvPhaseR;
    QCheckBox* CheckBox2;      // the generator's loop flag (output only)
    QPushButton* BitBtn1;      // OK
    QPushButton* BitBtn2;      // Abort
    QPushButton* BitBtn3;      // Help

private:
    void buildControls();
    QWidget* buildRateGrid();
    void BitBtn1Click();
    void Edit1Change(const QString& text);
    void RateButtonClick(int id);
    void showButtons();
    void fitTitle();

    IoDialogModel model_;
    IoFormatQuery query_;
    bool* loopMode_ = nullptr;
    std::array<std::array<QRadioButton*, kIoColumns>, kIoRows> buttons_{};
    QButtonGroup* group_;
    QLabel* userLabel_ = nullptr;   // "User" row
    char language_ = 'D';
    bool input_ = true;             // the dialog was last opened for the input
};

} // namespace korvanta
