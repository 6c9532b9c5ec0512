#pragma once
// The DC offset dialog ("Input DC-Offset"): a vertical bar per input channel
// sets the manual DC correction of the current input slot (K1 the left, K2
// the right PCM channel), or " Auto DC-Offset" removes each block's own DC
// instead. Every change acts on the slot at once, so the next captured
// block uses it; there is nothing to confirm.

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollBar;

namespace korvanta {

class TDCOffset : public QDialog {
    Q_OBJECT
public:
    static constexpr char kHelpKeyword[] = "DCMOffset";

    explicit TDCOffset(QWidget* parent = nullptr);

    // Fills the form from the current input slot and shows it modally.
    int Execute();
    // The activation: labels, bar positions and the auto flag from the slot.
    void FormActivate();
    // Captions of 'D' or 'E'; other letters change nothing.
    void SetLanguage(char letter);

    QScrollBar* ScrollBar1;    // K1: DC offset L
    QScrollBar* ScrollBar2;    // K2: DC offset R
    QLabel* Label1;            // DC offset L as text
    QLabel* Label2;            // DC offset R as text
    QCheckBox* AutoDCOffset;
    QPushButton* BitBtn1;      // Close
    QPushButton* BitBtn2;      // Help

signals:
    // The help topic by name (the help window opens it).
    void helpRequested(const QString& keyword);

private:
    void ScrollBar1Change(int position);
    void ScrollBar2Change(int position);
    void AutoDCOffsetClick();
    void enableBars();
};

} // namespace korvanta
