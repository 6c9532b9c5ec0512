#include "app/ui/DeviceTestMenu.h"

#include "app/ui/AppWindows.h"
#include "app/ui/ProgramRecords.h"
#include "devicetest/ui/DeviceTestWindow.h"
#include "scope/ScopeEngine.h"

#include <tuple>

namespace korvanta {

namespace {
constexpr double kMvPerVolt = 1000.0;
constexpr Words kCaption{"&Gerätetest...", "D&evice test..."};
} // namespace

TDeviceTestMenu::TDeviceTestMenu(RunStarts runStarts, std::function<std::pair<int, int>()> volumes, QObject* parent)
    : TToolMenu("DeviceTest1", kCaption, std::move(runStarts), parent), volumes_(std::move(volumes))
{
}

void TDeviceTestMenu::AttachMenus(TMainMenu& menu)
{
    TToolMenu::AttachMenus(menu);
    DeviceTest1 = item_;
}

void TDeviceTestMenu::AttachWindows(const AppWindows& windows) { SetWindow(windows.DeviceTest); }

void TDeviceTestMenu::SetWindow(TDeviceTestWindow* window)
{
    window_ = window;
    if (!window_)
        return;
    SetToolWindow({window_, window_->Menus, window_->Diagram, window_->Engine(), [this] { window_->Abort(); },
                   [this](char letter) { window_->Language(letter); }});
    window_->SetStopOthers([this] { RunStarting(); });
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

} // namespace korvanta
