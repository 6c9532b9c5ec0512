#pragma once
// The main window's side of the distortion window: its item in the
// "&Analyse" menu, stopping the other loops and the generator's tone before a
// run, the input calibration it converts volts with, stopping it with
// everything else, and the menus of its diagram (print, text export,
// picture, copy, memory curves), which act on that diagram alone.

#include "app/ui/PagePart.h"

#include <QObject>
#include <functional>

class QAction;

namespace korvanta {

class TDistortionWindow;
class TMainMenu;
class TDiagramMenus;

class TDistortionMenu : public QObject, public MainWindowPart {
    Q_OBJECT
public:
    // `stopOthers` stops every measuring loop and the generator's tone.
    explicit TDistortionMenu(std::function<void()> stopOthers, QObject* parent = nullptr);

    // The item "&Verzerrung..." at the end of "&Analyse".
    void AttachMenus(TMainMenu& menu) override;
    void AttachWindows(const AppWindows& windows) override;
    void SetWindow(TDistortionWindow* window);
    // The menu item: the window is shown and brought to the front.
    void Open();
    // Everything stops: a run ends now.
    void Stop();
    void SetLanguage(char letter) override;

    QAction* Distortion1 = nullptr;
    // The window's menu bar: its diagram's print, export, copy and memories.
    TDiagramMenus* DiagramMenus = nullptr;

private:
    TDistortionWindow* window_ = nullptr;
    std::function<void()> stopOthers_;
};

} // namespace korvanta
