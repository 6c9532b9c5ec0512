#pragma once
// The oscilloscope page of the main window: both channels' position, scale
// and ground controls and the timebase and trigger group. The acquisition is
// not built yet, so every control of the page is disabled; the page-change
// operations are the hooks it will fill.

#include <QWidget>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;
class TSpinButton;

class TScopePage : public QWidget {
    Q_OBJECT
public:
    explicit TScopePage(QWidget* parent = nullptr);

    // Page change hooks of the oscilloscope (nothing runs on this page yet).
    void EnterScopePage();
    void LeaveScopePage();

    QGroupBox* Channel1Group;  // "Channel 1 or Y"
    QScrollBar* SCRyposCh1;
    TSpinButton* SpinButton2;
    QLabel* VperDiv1;
    QCheckBox* CheckBox1;      // "Gnd"
    QGroupBox* Channel2Group;  // "Channel 2 or X"
    QScrollBar* SCRyposch2;
    TSpinButton* SpinButton1;
    QLabel* VperDiv2;
    QCheckBox* CheckBox3;      // "Gnd"
    QGroupBox* TimebaseGroup;  // "Timebase"
    QLabel* Panel3;            // time per division
    TSpinButton* SpinButton3;
    QScrollBar* SCRtrig;
    QLabel* Label13;           // "Trigg. Level"
    QCheckBox* CheckBox2;      // "+ / -": rising edge
    QRadioButton* RadioButton1;  // "Ch1"
    QRadioButton* RadioButton2;  // "Ch2"
    QLabel* Label5;            // overload read-out
    QLabel* label11;           // "Samplefreq."
    QLabel* Label12;           // sample rate
    QPushButton* OsziStartStop;

private:
    QGroupBox* buildChannel(const QString& caption, QScrollBar*& position, TSpinButton*& spin, QLabel*& scale,
                            QCheckBox*& ground, const QString& positionHint, const QString& spinHint);
    QGroupBox* buildTimebase();
};
