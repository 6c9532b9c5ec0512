#include "app/ui/DistortionMenu.h"

#include "app/Audconst.h"
#include "app/ui/AppWindows.h"
#include "app/ui/ProgramRecords.h"
#include "diagram/ui/DiaPrint.h"
#include "diagram/ui/Diagr3.h"
#include "distortion/ui/DistortionWindow.h"
#include "app/ui/Main.h"
#include "app/ui/MainMenu.h"
#include "app/ui/MemoryMenu.h"
#include "platform/ModalQuestions.h"
#include "scope/ScopeEngine.h"
#include "measure/samplemem.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

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
    buildDiagramMenus();
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
    const auto texts = MainTextsFor(letter);
    if (!texts || !FileMenu)
        return;
    // The same words as the main window's File and Edit menus.
    FileMenu->setTitle(texts->menuFile);
    PrintItem->setText(texts->filePrint);
    SaveTextItem->setText(texts->saveAsText);
    EditMenu->setTitle(texts->menuEdit);
    CopyItem->setText(texts->editCopy);
    Memory->SetLanguage(letter);
}

// The diagram's own File, Edit and memory menus in the distortion window:
// print, text export, picture, copy and the memory curves act on its
// diagram, never on the main one.
void TDistortionMenu::buildDiagramMenus()
{
    QMenuBar* bar = window_->Menus;
    FileMenu = bar->addMenu(QString());
    PrintItem = FileMenu->addAction(QString(), this, &TDistortionMenu::PrintClick);
    SaveTextItem = FileMenu->addAction(QString(), this, &TDistortionMenu::SaveTextClick);
    EditMenu = bar->addMenu(QString());
    CopyItem = EditMenu->addAction(QString(), this, &TDistortionMenu::CopyClick);
    Memory = new TMemoryMenu(FileMenu, nullptr, bar, nullptr, this);
    Memory->SetDiagram(window_->Diagram);
    SetLanguage(CurrentLanguage());
}

void TDistortionMenu::PrintClick()
{
    if (window_)
        korvanta::FilePrint(*window_->Diagram, TMainForm::SharedPrinter());
}

void TDistortionMenu::SaveTextClick()
{
    if (!window_)
        return;
    TDiagramm& d = *window_->Diagram;
    const QString name = AskTextExportFile(QLatin1Char(CurrentLanguage()));
    if (!name.isEmpty() && d.SaveAsText(name, d.Options().separator) != 0)
        modal::MessageBox(modal::Kind::Error, name + Messages().fileNotCreated, modal::Ok);
}

void TDistortionMenu::CopyClick()
{
    if (window_)
        korvanta::EditCopy(*window_->Diagram);
}

} // namespace korvanta
