#pragma once
// TSkalDia: the scaling dialog of the cursor's frequency read-out
// (shown value = frequency * factor + offset, followed by a unit). Modal.

#include "diagram/DiagramOptions.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvanta {

class TSkalDia : public QDialog {
    Q_OBJECT
public:
    static constexpr int HelpContext = 16;
    static constexpr int UnitMax = 255;

    explicit TSkalDia(QWidget* parent = nullptr);

    // Shows the dialog modally with `scaling`; on OK the edited values are
    // written back and true is returned.
    bool Edit(XScaling& scaling);

    void SetScaling(const XScaling& s) { scaling_ = s; }
    const XScaling& Scaling() const { return scaling_; }

    QLineEdit* Edit1;   // factor
    QLineEdit* Edit2;   // offset
    QLineEdit* Edit3;   // unit
    QPushButton* defaultBtn;
    QPushButton* BitBtn1;   // OK
    QPushButton* CancelBtn;
    QPushButton* HelpBtn;

    // Captions of 'D' or 'E'; other letters change nothing.
    void SetLanguage(char letter);

    void FormShow();      // the values into the edit boxes
    void BitBtn1Click();  // take the edit boxes, close with OK
    void defaultClick();  // factor 1, offset 0, unit "Hz"

protected:
    void showEvent(QShowEvent* event) override;

private:
    QGroupBox* Axis;
    QLabel* ScaleLabel;
    QLabel* UnitLabel;
    XScaling scaling_;
};

} // namespace korvanta
