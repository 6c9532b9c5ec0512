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
class QMenu;

namespace korvanta {

class TDistortionWindow;
class TMainMenu;
class TMemoryMenu;

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

    // The diagram's menu commands, as the window's menu bar offers them.
    void PrintClick();
    void SaveTextClick();
    void CopyClick();

    QAction* Distortion1 = nullptr;
    QMenu* FileMenu = nullptr;
    QAction* PrintItem = nullptr;
    QAction* SaveTextItem = nullptr;
    QMenu* EditMenu = nullptr;
    QAction* CopyItem = nullptr;
    TMemoryMenu* Memory = nullptr;

private:
    void buildDiagramMenus();

    TDistortionWindow* window_ = nullptr;
    std::function<void()> stopOthers_;
};

} // namespace korvanta
