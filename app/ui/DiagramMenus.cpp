#include "app/ui/DiagramMenus.h"

#include "app/Audconst.h"
#include "app/ui/Main.h"
#include "app/ui/MainMenu.h"
#include "app/ui/MemoryMenu.h"
#include "app/ui/ProgramRecords.h"
#include "diagram/ui/DiaPrint.h"
#include "diagram/ui/Diagr3.h"
#include "platform/ModalQuestions.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace korvanta {

TDiagramMenus::TDiagramMenus(QMenuBar* bar, TDiagramm* diagram, QObject* parent)
    : QObject(parent), diagram_(diagram)
{
    FileMenu = bar->addMenu(QString());
    PrintItem = FileMenu->addAction(QString(), this, &TDiagramMenus::PrintClick);
    SaveTextItem = FileMenu->addAction(QString(), this, &TDiagramMenus::SaveTextClick);
    EditMenu = bar->addMenu(QString());
    CopyItem = EditMenu->addAction(QString(), this, &TDiagramMenus::CopyClick);
    Memory = new TMemoryMenu(FileMenu, nullptr, bar, nullptr, this);
    Memory->SetDiagram(diagram);
    SetLanguage(CurrentLanguage());
}

void TDiagramMenus::SetLanguage(char letter)
{
    const auto texts = MainTextsFor(letter);
    if (!texts)
        return;
    // The same words as the main window's File and Edit menus.
    FileMenu->setTitle(texts->menuFile);
    PrintItem->setText(texts->filePrint);
    SaveTextItem->setText(texts->saveAsText);
    EditMenu->setTitle(texts->menuEdit);
    CopyItem->setText(texts->editCopy);
    Memory->SetLanguage(letter);
}

void TDiagramMenus::PrintClick()
{
    if (diagram_)
        korvanta::FilePrint(*diagram_, TMainForm::SharedPrinter());
}

void TDiagramMenus::SaveTextClick()
{
    if (!diagram_)
        return;
    TDiagramm& d = *diagram_;
    if (!TextExportHasPoints(d, QLatin1Char(CurrentLanguage())))
        return;
    const QString name = AskTextExportFile(QLatin1Char(CurrentLanguage()));
    if (!name.isEmpty() && d.SaveAsText(name, d.Options().separator) != 0)
        modal::MessageBox(modal::Kind::Error, name + Messages().fileNotCreated, modal::Ok);
}

void TDiagramMenus::CopyClick()
{
    if (diagram_)
        korvanta::EditCopy(*diagram_);
}

} // namespace korvanta
