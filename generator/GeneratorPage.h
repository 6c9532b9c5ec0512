#pragma once
// The generator and sweep page of the main window: the sweep controls, the
// level bars and the group over which the generator window docks. The sweep
// and the mixer levels are not built yet, so their controls are disabled;
// "zurück" docks the generator window again.

#include <QPoint>
#include <QWidget>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollBar;
class TWavegen;

class TGeneratorPage : public QWidget {
    Q_OBJECT
public:
    explicit TGeneratorPage(QWidget* parent = nullptr);

    // The generator window (created after the main window). The group
    // `Generator` is sized to hold it.
    void SetGeneratorWindow(TWavegen* generator);

    // Page change hooks. Entering shows the generator window docked over
    // the group (unless it was dragged away) and above the main window;
    // leaving puts it back to normal style.
    void EnterSweepPage();
    void LeaveSweepPage();

    // "zurück": the generator window back over the group, wherever it is.
    void Button1Click();

    // Screen position of the client area of the group `Generator`, where
    // the generator window docks.
    QPoint GeneratorDockPoint() const;

    QGroupBox* Wobbeln;
    QPushButton* wobbelnBut;    // "START"
    QPushButton* WobDialogBut;  // "Setup"
    QFrame* Panel2;
    QLabel* Label7;             // level read-out "Pegel L R "
    QPushButton* STOPbut;
    QLabel* FreqText;           // current sweep frequency
    QLabel* HzLabel;
    QGroupBox* Pegelbox;        // "Level"
    QScrollBar* ScrollBar1;     // input level
    QScrollBar* ScrollBar2;     // output level
    QLabel* Label1;             // input level in percent
    QLabel* Label8;             // output level in percent
    QLabel* InOutLabel;         // "In       Out"
    QPushButton* Button2;       // "Out-Para"
    QGroupBox* Generator;       // " Generator ": the generator window sits here
    QPushButton* Button1;       // "zurück": dock the generator window again
    QLabel* InpLabel;           // "Inp:"
    QLabel* Wobinptxt;          // the chosen input

private:
    QWidget* buildSweepColumn();
    void dockGenerator(bool force);

    TWavegen* generator_ = nullptr;
    QGroupBox* buildLevelBox();
};
