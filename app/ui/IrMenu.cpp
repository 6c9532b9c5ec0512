#include "app/ui/IrMenu.h"

#include "app/ui/AppWindows.h"
#include "ir/ui/IrWindow.h"

namespace korvanta {

namespace {
constexpr Words kCaption{"&Impulsantwort...", "&Impulse response..."};
}

TIrMenu::TIrMenu(RunStarts runStarts, QObject* parent)
    : TToolMenu("ImpulseResponse1", kCaption, std::move(runStarts), parent)
{
}

void TIrMenu::AttachMenus(TMainMenu& menu)
{
    TToolMenu::AttachMenus(menu);
    ImpulseResponse1 = item_;
}

void TIrMenu::AttachWindows(const AppWindows& windows) { SetWindow(windows.ImpulseResponse); }

void TIrMenu::SetWindow(TIrWindow* window)
{
    window_ = window;
    if (!window_)
        return;
    SetToolWindow({window_, window_->Menus, window_->Diagram, window_->Engine(), [this] { window_->Abort(); },
                   [this](char letter) { window_->Language(letter); }});
    window_->SetStopOthers([this] { RunStarting(); });
}

} // namespace korvanta
