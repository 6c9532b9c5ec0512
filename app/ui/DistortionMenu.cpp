#include "app/ui/DistortionMenu.h"

#include "app/Audconst.h"
#include "app/ui/AppWindows.h"
#include "app/ui/DiagramMenus.h"
#include "app/ui/MainMenu.h"
#include "app/ui/ProgramRecords.h"
#include "distortion/ui/DistortionWindow.h"
#include "scope/ScopeEngine.h"

#include <QAction>
#include <QMenu>

namespace korvanta {

TDistortionMenu::TDistortionMenu(std::function<void()> stopOthers, QObject* parent)
    : QObject(parent), stopOthers_(std::move(stopOthers))
{
}

void TDistortionMenu::AttachMenus(TMainMenu& menu)
{
    menu.menuAnalyse->addSeparator();
    Distortion1 = menu.menuAnalyse->addAction(QStringLiteral("&Verzerrung..."));
    Distortion1->setObjectName(QStringLiteral("Distortion1"));
    connect(Distortion1, &QAction::triggered, this, &TDistortionMenu::Open);
}

void TDistortionMenu::AttachWindows(const AppWindows& windows) { SetWindow(windows.Distortion); }

void TDistortionMenu::SetWindow(TDistortionWindow* window)
{
    window_ = window;
    if (!window_)
        return;
    // Print, text export, picture, copy and the memory curves act on the
    // window's own diagram, never on the main one.
    DiagramMenus = new TDiagramMenus(window_->Menus, window_->Diagram, this);
    window_->SetStopOthers([this] {
        if (stopOthers_)
            stopOthers_();
        // Volts follow the calibration as it is when the run starts.
        window_->SetVoltsAtFullScale(Analyzer().CalInMv * kVoltsPerCalibrationUnit);
    });
}

void TDistortionMenu::Open()
{
    if (!window_)
        return;
    window_->SetVoltsAtFullScale(Analyzer().CalInMv * kVoltsPerCalibrationUnit);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void TDistortionMenu::Stop()
{
    if (window_)
        window_->Abort();
}

void TDistortionMenu::SetLanguage(char letter)
{
    if (Distortion1)
        Distortion1->setText(letter == 'E' ? QStringLiteral("&Distortion...") : QStringLiteral("&Verzerrung..."));
    if (window_)
        window_->Language(letter);
    if (DiagramMenus)
        DiagramMenus->SetLanguage(letter);
}

} // namespace korvanta
