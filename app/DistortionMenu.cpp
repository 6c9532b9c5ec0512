#include "DistortionMenu.h"

#include "DistortionWindow.h"
#include "MainMenu.h"
#include "ScopeEngine.h"
#include "samplemem.h"

#include <QAction>
#include <QMenu>

TDistortionMenu::TDistortionMenu(TMainMenu& menu, std::function<void()> stopOthers, QObject* parent)
    : QObject(parent), stopOthers_(std::move(stopOthers))
{
    menu.menuAnalyse->addSeparator();
    Distortion1 = menu.menuAnalyse->addAction(QStringLiteral("&Verzerrung..."));
    Distortion1->setObjectName(QStringLiteral("Distortion1"));
    connect(Distortion1, &QAction::triggered, this, &TDistortionMenu::Open);
}

void TDistortionMenu::SetWindow(TDistortionWindow* window)
{
    window_ = window;
    if (!window_)
        return;
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

void TDistortionMenu::Language(char letter)
{
    Distortion1->setText(letter == 'E' ? QStringLiteral("&Distortion...") : QStringLiteral("&Verzerrung..."));
    if (window_)
        window_->Language(letter);
}
