#pragma once
// The main window's side of the device test window: its item in the
// "&Analyse" menu, stopping the other loops and the generator's tone before
// a run, the mixer volumes and the calibration its report's header records,
// stopping it with everything else, and the menus of its diagram (print,
// text export, picture, copy, memory curves), which act on that diagram
// alone.

#include "app/ui/PagePart.h"
#include "devicetest/DtHeaderSource.h"

#include <QObject>
#include <functional>

class QAction;

namespace korvanta {

class TDeviceTestWindow;
class TDiagramMenus;
class TMainMenu;

class TDeviceTestMenu : public QObject, public MainWindowPart {
    Q_OBJECT
public:
    // `stopOthers` stops every measuring loop and the generator's tone;
    // `volumes` gives the input's and the output's mixer volume in percent.
    TDeviceTestMenu(std::function<void()> stopOthers, std::function<std::pair<int, int>()> volumes,
                    QObject* parent = nullptr);

    // The item "&Gerätetest..." at the end of "&Analyse".
    void AttachMenus(TMainMenu& menu) override;
    void AttachWindows(const AppWindows& windows) override;
    void SetWindow(TDeviceTestWindow* window);
    // The menu item: the window is shown and brought to the front.
    void Open();
    // Everything stops: a run ends now.
    void Stop();
    void SetLanguage(char letter) override;

    // What the header records from the main window now.
    DtHeaderState HeaderState() const;

    QAction* DeviceTest1 = nullptr;
    // The window's menu bar: its diagram's print, export, copy and memories.
    TDiagramMenus* DiagramMenus = nullptr;

private:
    TDeviceTestWindow* window_ = nullptr;
    std::function<void()> stopOthers_;
    std::function<std::pair<int, int>()> volumes_;
};

} // namespace korvanta
