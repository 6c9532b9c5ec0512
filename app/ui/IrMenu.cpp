#include "app/ui/IrMenu.h"

#include "app/ui/AppWindows.h"
#include "app/ui/DiagramMenus.h"
#include "app/ui/MainMenu.h"
#include "ir/ui/IrWindow.h"

#include <QAction>
#include <QMenu>

namespace korvanta {

TIrMenu::TIrMenu(std::function<void()> stopOthers, QObject* parent)
    : QObject(parent), stopOthers_(std::move(stopOthers))
{
}

void TIrMenu::AttachMenus(TMainMenu& menu)
{
    ImpulseResponse1 = menu.menuAnalyse->addAction(QStringLiteral("&Impulsantwort..."));
    ImpulseResponse1->setObjectName(QStringLiteral("ImpulseResponse1"));
    connect(ImpulseResponse1, &QAction::triggered, this, &TIrMenu::Open);
}

void TIrMenu::AttachWindows(const AppWindows& windows) { SetWindow(windows.ImpulseResponse); }

void TIrMenu::SetWindow(TIrWindow* window)
{
    window_ = window;
    if (!window_)
        return;
    DiagramMenus = new TDiagramMenus(window_->Menus, window_->Diagram, this);
    window_->SetStopOthers([this] {
        if (stopOthers_)
            stopOthers_();
    });
}

void TIrMenu::Open()
{
    if (!window_)
        return;
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void TIrMenu::Stop()
{
    if (window_)
        window_->Abort();
}

void TIrMenu::SetLanguage(char letter)
{
    if (ImpulseResponse1)
        ImpulseResponse1->setText(letter == 'E' ? QStringLiteral("&Impulse response...")
                                                : QStringLiteral("&Impulsantwort..."));
    if (window_)
        window_->Language(letter);
    if (DiagramMenus)
        DiagramMenus->SetLanguage(letter);
}

} // namespace korvanta
