#pragma once
// Tdiadlg: the diagram's options dialog ("Diagramm Optionen"). A non-modal
// tool window over its own copy of DiagramOptions: every change the user
// makes is posted to the diagram as UM_DIA_OPTIONS, so the diagram applies it
// between other events and the dialog never calls into the window.

#include "diagram/DiagramOptions.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace korvanta {

class Tdiadlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int HelpContext = 16;
    static constexpr int MaxFrequency = 50000;

    explicit Tdiadlg(QWidget* parent = nullptr);

    // The window that receives UM_DIA_OPTIONS.
    void SetTarget(QObject* diagram) { target_ = diagram; }

    // Diagram -> dialog: copies the record (without a pending peak reset)
    // and shows it in the controls.
    void Fill(const DiagramOptions& opt);
    // Dialog -> diagram: the record the diagram takes on UM_DIA_OPTIONS.
    const DiagramOptions& Options() const { return opt_; }
    // Called by the diagram once it has reset the peaks.
    void ConsumeResetPeaks() { opt_.resetPeaks = false; }

    // 'D' or 'E': the captions of the dialog.
    void SetLanguage(QChar language);

    // Controls, named as on the form.
    QFrame *Shape1, *Shape2, *Shape3, *Shape4, *Shape5, *Shape6;
    QPushButton *Button1, *Button2, *Button3, *Button4, *Button5, *Button6;
    QPushButton* coldefault;
    QCheckBox* LogDia;
    QGroupBox *FreqGroup, *LevelGroup, *StepGroup, *SeparatorGroup, *PeakGroup;
    QLabel *FreqMinLabel, *FreqMaxLabel, *LevelMinLabel, *LevelMaxLabel, *StepUnitLabel;
    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6;
    QCheckBox* CheckBox1;   // automatic y step
    QGroupBox* MessVon;
    QRadioButton* MessVonItem[3];   // level, frequency, slope
    QCheckBox *CheckBox2, *CheckBox3;   // peak of curve 1, of curve 2
    QPushButton* Button7;   // reset peak
    QComboBox* ComboBox1;   // difference mode
    QPushButton* CloseBut;
    QPushButton* BitBtn1;   // help
    QRadioButton* RBdruckfarben;   // black-and-white print colours: never shown

    // Handlers.
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void coldefaultClick();
    void LogDiaClick();
    void Edit1Change();
    void Edit2Change();
    void Edit3Change();
    void Edit4Change();
    void CheckBox1Click();
    void Edit5Change();
    void Edit6Change();
    void MessVonClick();
    void CheckBox2Click();
    void CheckBox3Click();
    void ComboBox1Change();
    void Button7Click();
    void CloseButClick();
    void RBdruckfarbenClick();

private:
    void CreateColourControls();
    void CreateRangeControls();
    void CreateBottomControls();
    void ConnectControls();
    void PickColour(ColorRef& field);
    void PeakClick(QCheckBox* box, bool& peak, QCheckBox* other, bool& otherPeak);
    void ShowColours();
    void FillDiffItems(QChar language);
    void Post();

    DiagramOptions opt_;
    QObject* target_ = nullptr;
};

} // namespace korvanta
