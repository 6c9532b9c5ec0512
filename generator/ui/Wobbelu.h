#pragma once
// The sweep settings dialog behind the sweep page's "Setup": frequency range
// and steps, spacing, measuring mode, phase curve and its range, generator
// level and settle time, the loaded correction files and the longest
// measurement the buffers allow. It edits a working copy; the page stores
// it back only after OK. The rules live in SweepDialogRules.

#include "generator/SweepSettings.h"

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace korvanta {

class TRadioGroup;
class TSpinButton;

inline constexpr int kSweepDialogHelpContext = 9;

class Twobbeldlg : public QDialog {
    Q_OBJECT
public:
    explicit Twobbeldlg(QWidget* parent = nullptr);

    // Copies the record into the working copy and fills every control, the
    // correction file names and the longest measurement time.
    void Load(const SweepSettings& settings);
    // Reads the controls, clamps, and copies the working copy back.
    void Store(SweepSettings& settings);
    // 'D' or 'E'; other letters change nothing.
    void Language(char letter);

    const SweepSettings& WorkingCopy() const { return work_; }

    // Handlers, named after their controls.
    void MessungRbClick(int index);
    void PhaseButClick();
    void defaultClick();

    QLabel* label1;          // "Frequenz von  bis"
    QLineEdit* Efrom;
    TSpinButton* SpinButton1;
    QLineEdit* Eto;
    TSpinButton* SpinButton2;
    QLabel* Label2;          // "Anzahl Steps"
    QLineEdit* Esteps;
    TSpinButton* SpinButton3;
    QGroupBox* GroupBox1;    // "Frequenzerzeugung"
    QRadioButton* linearbut;
    QRadioButton* logbutton;
    TRadioGroup* MessungRb;
    QGroupBox* GroupBox2;    // "Phase"
    QCheckBox* PhaseBut;
    QLabel* PhaseRangeLabel; // "min     Phase     max"
    QLineEdit* EPmin;
    TSpinButton* SpinBpmin;
    QLineEdit* EPmax;
    TSpinButton* SpinBpmax;
    QLabel* Label8;          // "Pegel dig."
    QLineEdit* digPeg;
    TSpinButton* SpinButton4;
    QLineEdit* Sstart;
    TSpinButton* SpinButton5;
    QGroupBox* GroupBox3;    // "Korrektur Datei"
    QLabel* Label6;          // "Eingang:"
    QLabel* Label4;          // input correction file
    QLabel* Label7;          // "Ausgang:"
    QLabel* Label5;          // output correction file
    QLabel* Label11;         // "max. Messzeit"
    QLabel* MaxMeasuring;    // time line: "max. Messung"
    QLabel* SineStart;       // time line: "Sinus" on
    QLabel* SineStop;        // time line: "Sinus" off
    QLabel* messzeit;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;  // "Abbruch"
    QPushButton* HelpBtn;
    QPushButton* defaultBtn; // "default"

private:
    QWidget* buildFrequencyBox();
    QWidget* buildModeBox();
    QWidget* buildPhaseBox();
    QWidget* buildTimeline();
    QWidget* buildCorrectionBox();
    QWidget* buildButtons();
    void connectControls();
    void fillControls();
    void showCorrectionFiles();
    void showLongestMeasurement();
    void enablePhaseControls();

    SweepSettings work_;
};

} // namespace korvanta
