#pragma once
// The main window's side of the distortion window: its item in the
// "&Analyse" menu, stopping the other loops and the generator's tone before a
// run, the input calibration it converts volts with, and stopping it with
// everything else.

#include <QObject>
#include <functional>

class QAction;
class TDistortionWindow;
class TMainMenu;

class TDistortionMenu : public QObject {
    Q_OBJECT
public:
    // `stopOthers` stops every measuring loop and the generator's tone.
    TDistortionMenu(TMainMenu& menu, std::function<void()> stopOthers, QObject* parent = nullptr);

    void SetWindow(TDistortionWindow* window);
    // The menu item: the window is shown and brought to the front.
    void Open();
    // Everything stops: a run ends now.
    void Stop();
    void Language(char letter);

    QAction* Distortion1;

private:
    TDistortionWindow* window_ = nullptr;
    std::function<void()> stopOthers_;
};
