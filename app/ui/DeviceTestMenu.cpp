#include "app/ui/DeviceTestMenu.h"

#include "app/ui/AppWindows.h"
#include "app/ui/DiagramMenus.h"
#include "app/ui/MainMenu.h"
#include "devicetest/ui/DeviceTestWindow.h"
#include "app/ui/ProgramRecords.h"
#include "scope/ScopeEngine.h"

#include <QAction>
#include <QMenu>
#include <tuple>

namespace korvanta {

namespace {
constexpr double kMvPerVolt = 1000.0;
}

TDeviceTestMenu::TDeviceTestMenu(std::function<void()> stopOthers, std::function<std::pair<int, int>()> volumes,
                                 QObject* parent)
    : QObject(parent), stopOthers_(std::move(stopOthers)), volumes_(std::move(volumes))
{
}

void TDeviceTestMenu::AttachMenus(TMainMenu& menu)
{
    DeviceTest1 = menu.menuAnalyse->addAction(QStringLiteral("&Gerätetest..."));
    DeviceTest1->setObjectName(QStringLiteral("DeviceTest1"));
    connect(DeviceTest1, &QAction::triggered, this, &TDeviceTestMenu::Open);
}

void TDeviceTestMenu::AttachWindows(const AppWindows& windows) { SetWindow(windows.DeviceTest); }

void TDeviceTestMenu::SetWindow(TDeviceTestWindow* window)
{
    window_ = window;
    if (!window_)
        return;
    DiagramMenus = new TDiagramMenus(window_->Menus, window_->Diagram, this);
    window_->SetStopOthers([this] {
        if (stopOthers_)
            stopOthers_();
    });
    window_->SetHeaderState([this] { return HeaderState(); });
}

DtHeaderState TDeviceTestMenu::HeaderState() const
{
    DtHeaderState s;
    if (volumes_)
        std::tie(s.inputVolumePercent, s.outputVolumePercent) = volumes_();
    const AnalyzerState& a = Analyzer();
    s.calibratedAtVolume = a.InLev4Cal;
    // The calibration's unit, as the distortion window converts it.
    s.inputFullScaleMv = double(a.CalInMv) * double(kVoltsPerCalibrationUnit) * kMvPerVolt;
    return s;
}

void TDeviceTestMenu::Open()
{
    if (!window_)
        return;
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void TDeviceTestMenu::Stop()
{
    if (window_)
        window_->Abort();
}

void TDeviceTestMenu::SetLanguage(char letter)
{
    if (DeviceTest1)
        DeviceTest1->setText(letter == 'E' ? QStringLiteral("D&evice test...") : QStringLiteral("&Gerätetest..."));
    if (window_)
        window_->Language(letter);
    if (DiagramMenus)
        DiagramMenus->SetLanguage(letter);
}

} // namespace korvanta
