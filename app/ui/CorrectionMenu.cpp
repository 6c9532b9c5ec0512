#include "app/ui/CorrectionMenu.h"

#include "app/ui/ProgramRecords.h"
#include "correction/CorrectionFile.h"
#include "correction/CorrectionTable.h"
#include "app/ui/MainMenu.h"
#include "platform/ModalQuestions.h"
#include "correction/ui/koedi.h"

#include <QAction>

namespace korvanta {

TCorrectionMenu::TCorrectionMenu(TMainMenu& menu, QObject* parent) : QObject(parent), menu_(menu)
{
    connect(menu.LadeEingangskorrekturdatei1, &QAction::triggered, this, &TCorrectionMenu::LadeEingangskorrekturdatei1Click);
    connect(menu.Eingangskorrekturaktiv1, &QAction::triggered, this, &TCorrectionMenu::Eingangskorrekturaktiv1Click);
    connect(menu.EditEingangskorrekturdatei1, &QAction::triggered, this, &TCorrectionMenu::EditEingangskorrekturdatei1Click);
    connect(menu.LadeAusgangskorrekturdatei1, &QAction::triggered, this, &TCorrectionMenu::LadeAusgangskorrekturdatei1Click);
    connect(menu.Ausgangskorrekturaktiv1, &QAction::triggered, this, &TCorrectionMenu::Ausgangskorrekturaktiv1Click);
    connect(menu.EditAusgangskorrekturdatei1, &QAction::triggered, this, &TCorrectionMenu::EditAusgangskorrekturdatei1Click);
    connect(menu.Testekorrekturdatei1, &QAction::triggered, this, &TCorrectionMenu::testRequested);
}

void TCorrectionMenu::SetEditor(TKorEdit* editor)
{
    editor_ = editor;
    if (!editor)
        return;
    connect(editor, &TKorEdit::tableSaved, this, [this] {
        ShowActiveStates();
        emit changed();
        emit testRequested();
    });
}

void TCorrectionMenu::LadeEingangskorrekturdatei1Click()
{
    load(InputCorrection(), menu_.Eingangskorrekturaktiv1, menu_.LadeEingangskorrekturdatei1);
}

void TCorrectionMenu::Eingangskorrekturaktiv1Click() { toggle(InputCorrection(), menu_.Eingangskorrekturaktiv1); }

void TCorrectionMenu::EditEingangskorrekturdatei1Click()
{
    edit(InputCorrection(), menu_.Eingangskorrekturaktiv1, menu_.LadeEingangskorrekturdatei1);
}

void TCorrectionMenu::LadeAusgangskorrekturdatei1Click()
{
    load(OutputCorrection(), menu_.Ausgangskorrekturaktiv1, menu_.LadeAusgangskorrekturdatei1);
}

void TCorrectionMenu::Ausgangskorrekturaktiv1Click() { toggle(OutputCorrection(), menu_.Ausgangskorrekturaktiv1); }

void TCorrectionMenu::EditAusgangskorrekturdatei1Click()
{
    edit(OutputCorrection(), menu_.Ausgangskorrekturaktiv1, menu_.LadeAusgangskorrekturdatei1);
}

void TCorrectionMenu::load(CorrectionTable& table, QAction* activeItem, QAction* loadItem)
{
    // A new name is welcome: loading creates the file with "1000 0", which
    // is how a user starts a correction file of their own.
    const QString name = modal::OpenOrNewFileName(loadItem->text().remove(QLatin1Char('&')),
                                             QStringLiteral("Correction File | *.cor"), QStringLiteral("cor"),
                                             table.fileName);
    // A failed load leaves the table empty and the flag as it was.
    if (!name.isEmpty() && LoadCorrection(table, name)) {
        table.active = true;
    }
    activeItem->setChecked(table.active);
    emit changed();
}

void TCorrectionMenu::toggle(CorrectionTable& table, QAction* activeItem)
{
    // Only a table with a file can be switched on.
    table.active = !table.active && !table.fileName.isEmpty();
    activeItem->setChecked(table.active);
    emit changed();
}

void TCorrectionMenu::edit(CorrectionTable& table, QAction* activeItem, QAction* loadItem)
{
    if (table.fileName.isEmpty())
        load(table, activeItem, loadItem);
    if (!table.fileName.isEmpty() && editor_) {
        table.active = true;
        editor_->EditTable(&table);
        editor_->show();
        editor_->raise();
        editor_->activateWindow();
        activeItem->setChecked(true);
    }
    emit changed();
}

void TCorrectionMenu::ShowActiveStates()
{
    menu_.Eingangskorrekturaktiv1->setChecked(InputCorrection().active);
    menu_.Ausgangskorrekturaktiv1->setChecked(OutputCorrection().active);
}

bool TCorrectionMenu::AnyActive() { return InputCorrection().active || OutputCorrection().active; }

} // namespace korvanta
