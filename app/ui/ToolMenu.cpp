#include "app/ui/ToolMenu.h"

#include "app/Audconst.h"
#include "app/ui/DiagramMenus.h"
#include "app/ui/MainMenu.h"
#include "audio/MeasuringEngine.h"
#include "platform/ui/WhyGrey.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace korvanta {

TToolMenu::TToolMenu(const char* itemName, const Words& caption, RunStarts runStarts, QObject* parent)
    : QObject(parent), itemName_(itemName), caption_(caption), runStarts_(std::move(runStarts))
{
}

void TToolMenu::AttachMenus(TMainMenu& menu)
{
    item_ = menu.menuTools->addAction(Pick(CurrentLanguage(), caption_));
    item_->setObjectName(QLatin1String(itemName_));
    connect(item_, &QAction::triggered, this, &TToolMenu::Open);
}

void TToolMenu::SetToolWindow(Window window)
{
    window_ = std::move(window);
    if (!window_.widget)
        return;
    // Print, text export, picture, copy and the memory curves act on the
    // window's own diagram, never on the main one.
    DiagramMenus = new TDiagramMenus(window_.menus, window_.diagram, this);
    ShowWhyGreyIn(window_.menus);
}

void TToolMenu::RunStarting()
{
    if (runStarts_ && window_.engine)
        runStarts_(*window_.engine);
}

void TToolMenu::Open()
{
    if (!window_.widget)
        return;
    BeforeOpen();
    window_.widget->show();
    window_.widget->raise();
    window_.widget->activateWindow();
}

void TToolMenu::Stop()
{
    if (window_.abort)
        window_.abort();
}

void TToolMenu::SetLanguage(char letter)
{
    if (item_ && (letter == 'D' || letter == 'E'))
        item_->setText(Pick(letter, caption_));
    if (window_.language)
        window_.language(letter);
    if (DiagramMenus)
        DiagramMenus->SetLanguage(letter);
}

} // namespace korvanta
