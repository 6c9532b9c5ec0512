#include "app/ui/MemoryMenu.h"
#include "platform/ui/WhyGrey.h"

#include "app/Audconst.h"
#include "diagram/CurveTable.h"
#include "diagram/DiaPicture.h"
#include "diagram/ui/Diagr3.h"
#include "app/ui/MainMenu.h"
#include "platform/ModalQuestions.h"
#include "diagram/ui/PictureSizeDlg.h"
#include "diagram/ui/DiaPrint.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace korvanta {

namespace {

struct MemoryTexts {
    QString menu, slotEmpty, store, load, show, rename, remove, hideAll, savePicture;
    QString loadTitle, renameTitle, renameLabel, pictureTitle;
    QString nothingShown, overwrite, notWritten, confirmDelete;
};

MemoryTexts TextsFor(char letter)
{
    if (letter == 'E')
        return {QStringLiteral("&Memory"), QStringLiteral("(empty)"), QStringLiteral("&Store shown curves"),
                QStringLiteral("&Load from file..."), QStringLiteral("S&how"), QStringLiteral("&Rename..."),
                QStringLiteral("&Delete"), QStringLiteral("&Hide all"), QStringLiteral("Save as &picture..."),
                QStringLiteral("Load curves into memory %1"), QStringLiteral("Rename memory %1"),
                QStringLiteral("Name:"), QStringLiteral("Save diagram as picture"),
                QStringLiteral("No curve is shown: nothing was stored."),
                QStringLiteral("Memory %1 holds \"%2\". Replace it?"),
                QStringLiteral("The memory curves could not be written to %1."),
                QStringLiteral("Delete memory %1 (\"%2\")?")};
    return {QStringLiteral("&Kurvenspeicher"), QStringLiteral("(leer)"), QStringLiteral("Angezeigte Kurven &speichern"),
            QStringLiteral("Aus Datei &laden..."), QStringLiteral("&Anzeigen"), QStringLiteral("&Umbenennen..."),
            QStringLiteral("&Löschen"), QStringLiteral("Alle &ausblenden"), QStringLiteral("Als &Bild speichern..."),
            QStringLiteral("Kurven in Speicher %1 laden"), QStringLiteral("Speicher %1 umbenennen"),
            QStringLiteral("Name:"), QStringLiteral("Diagramm als Bild speichern"),
            QStringLiteral("Es wird keine Kurve angezeigt: nichts gespeichert."),
            QStringLiteral("Speicher %1 enthält \"%2\". Ersetzen?"),
            QStringLiteral("Die Speicherkurven konnten nicht in %1 geschrieben werden."),
            QStringLiteral("Speicher %1 (\"%2\") löschen?")};
}

// The item that follows `item` in `menu`; null (the end) when it is the last.
QAction* ItemAfter(QMenu* menu, QAction* item)
{
    const QList<QAction*> items = menu->actions();
    const qsizetype at = items.indexOf(item);
    return at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr;
}

// Names shown in the menu are plain text: an '&' of a comment is no mnemonic.
QString MenuSafe(QString text) { return text.replace(QLatin1Char('&'), QStringLiteral("&&")); }

} // namespace

TMemoryMenu::TMemoryMenu(TMainMenu& menu, QMenuBar* bar, QObject* parent)
    : TMemoryMenu(menu.menuFile, ItemAfter(menu.menuFile, menu.SpeichernalsText1), bar,
                  menu.menuAnalyse->menuAction(), parent)
{
}

TMemoryMenu::TMemoryMenu(QMenu* fileMenu, QAction* pictureBefore, QMenuBar* bar, QAction* memoryBefore,
                         QObject* parent)
    : QObject(parent)
{
    AskPictureSize = [](QSize proposal) -> std::optional<QSize> {
        TPictureSizeDlg dlg(QLatin1Char(CurrentLanguage()), proposal, QApplication::activeWindow());
        if (dlg.exec() != QDialog::Accepted)
            return std::nullopt;
        return dlg.chosenSize();
    };
    build(fileMenu, pictureBefore, bar, memoryBefore);
    SetLanguage(CurrentLanguage());
}

void TMemoryMenu::build(QMenu* fileMenu, QAction* pictureBefore, QMenuBar* bar, QAction* memoryBefore)
{
    SavePictureItem = new QAction(fileMenu);
    SavePictureItem->setObjectName(QStringLiteral("SaveAsPicture1"));
    SavePictureItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    fileMenu->insertAction(pictureBefore, SavePictureItem);
    connect(SavePictureItem, &QAction::triggered, this, &TMemoryMenu::SavePictureClick);

    MemoryMenu = new QMenu(bar);
    MemoryMenu->setObjectName(QStringLiteral("Kurvenspeicher1"));
    bar->insertMenu(memoryBefore, MemoryMenu);
    for (int slot = 0; slot < int(Slots.size()); ++slot) {
        SlotItems& s = Slots[size_t(slot)];
        s.menu = MemoryMenu->addMenu(QString());
        s.store = s.menu->addAction(QString(), this, [this, slot] { StoreClick(slot); });
        s.load = s.menu->addAction(QString(), this, [this, slot] { LoadClick(slot); });
        s.menu->addSeparator();
        s.show = s.menu->addAction(QString(), this, [this, slot] { ShowClick(slot); });
        s.show->setCheckable(true);
        s.rename = s.menu->addAction(QString(), this, [this, slot] { RenameClick(slot); });
        s.remove = s.menu->addAction(QString(), this, [this, slot] { DeleteClick(slot); });
    }
    MemoryMenu->addSeparator();
    HideAllItem = MemoryMenu->addAction(QString(), this, &TMemoryMenu::HideAllClick);
}

void TMemoryMenu::SetDiagram(TDiagramm* diagram)
{
    diagram_ = diagram;
    refresh();
}

void TMemoryMenu::SetLanguage(char letter)
{
    if (letter != 'D' && letter != 'E')
        return;
    language_ = letter;
    refresh();
}

void TMemoryMenu::SetPictureWriter(PictureWriter writer)
{
    pictureWriter_ = std::move(writer);
    refresh();
}

void TMemoryMenu::SetEnabled(bool on)
{
    enabled_ = on;
    refresh();
}

// Captions, check marks and what can be used, from the memories.
void TMemoryMenu::refresh()
{
    const MemoryTexts t = TextsFor(language_);
    MemoryMenu->setTitle(t.menu);
    SavePictureItem->setText(t.savePicture);
    HideAllItem->setText(t.hideAll);
    const bool on = enabled_ && diagram_;
    const Words& why = diagram_ ? words::kWhyScopePage : words::kWhyNoDiagram;
    SetUsable(MemoryMenu, on, why, language_);
    SetUsable(SavePictureItem, on || bool(pictureWriter_), why, language_);
    for (int slot = 0; slot < int(Slots.size()); ++slot) {
        SlotItems& s = Slots[size_t(slot)];
        const MemoryCurve* m = diagram_ ? &diagram_->Memories().at(slot) : nullptr;
        const bool filled = m && !m->isEmpty();
        const QString name = filled ? MenuSafe(m->name.isEmpty() ? QStringLiteral("-") : m->name.left(40)) : t.slotEmpty;
        s.menu->setTitle(QStringLiteral("&%1: %2").arg(slot + 1).arg(name));
        s.store->setText(t.store);
        s.load->setText(t.load);
        s.show->setText(t.show);
        s.rename->setText(t.rename);
        s.remove->setText(t.remove);
        s.show->setChecked(filled && m->visible);
        for (QAction* a : {s.show, s.rename, s.remove})
            SetUsable(a, filled, words::kWhyMemoryEmpty, language_);
    }
}

bool TMemoryMenu::confirmOverwrite(int slot)
{
    const MemoryCurve& m = diagram_->Memories().at(slot);
    if (m.isEmpty())
        return true;
    const QString text = TextsFor(language_).overwrite.arg(slot + 1).arg(m.name);
    return modal::MessageBox(modal::Kind::Question, text, modal::Yes | modal::No) == modal::Yes;
}

void TMemoryMenu::reportWrite(bool written)
{
    if (!written)
        modal::MessageBox(modal::Kind::Error, TextsFor(language_).notWritten.arg(diagram_->Memories().path()),
                          modal::Ok);
}

void TMemoryMenu::changed(bool written)
{
    // A memory on the right axis shows that axis, which takes room.
    diagram_->RestoreScreenLayout();
    diagram_->update();
    refresh();
    reportWrite(written);
}

void TMemoryMenu::StoreClick(int slot)
{
    if (!diagram_)
        return;
    MemoryCurve shown = diagram_->ShownCurves();
    if (shown.isEmpty()) {
        modal::MessageBox(modal::Kind::Warning, TextsFor(language_).nothingShown, modal::Ok);
        return;
    }
    shown.name = MemoryDefaultName(diagram_->GetComment(), slot, language_);
    if (confirmOverwrite(slot))
        changed(diagram_->Memories().set(slot, std::move(shown)));
}

void TMemoryMenu::LoadClick(int slot)
{
    if (!diagram_)
        return;
    const QString name = modal::OpenFileName(TextsFor(language_).loadTitle.arg(slot + 1),
                                             QStringLiteral("Text File | *.txt | CSV | *.csv | * | *"),
                                             QStringLiteral("txt"));
    if (name.isEmpty())
        return;
    CurveTableResult r = LoadCurveTable(name);
    if (!r.ok()) {
        modal::MessageBox(modal::Kind::Warning, CurveTableMessage(r, name, QLatin1Char(language_)), modal::Ok);
        return;
    }
    if (confirmOverwrite(slot))
        changed(diagram_->Memories().set(
            slot, CurveFromTable(std::move(r.table), QFileInfo(name).completeBaseName(), QDateTime::currentDateTime(),
                                 diagram_->RightScaleShown())));
}

void TMemoryMenu::ShowClick(int slot)
{
    if (diagram_ && !diagram_->Memories().at(slot).isEmpty())
        changed(diagram_->Memories().setVisible(slot, !diagram_->Memories().at(slot).visible));
}

void TMemoryMenu::RenameClick(int slot)
{
    if (!diagram_ || diagram_->Memories().at(slot).isEmpty())
        return;
    const MemoryTexts t = TextsFor(language_);
    const auto name = modal::AskText(t.renameTitle.arg(slot + 1), t.renameLabel, diagram_->Memories().at(slot).name);
    if (name)
        changed(diagram_->Memories().rename(slot, *name));
}

void TMemoryMenu::DeleteClick(int slot)
{
    if (!diagram_ || diagram_->Memories().at(slot).isEmpty())
        return;
    // A deleted memory is gone from its file too: the user confirms first.
    const QString text = TextsFor(language_).confirmDelete.arg(slot + 1).arg(diagram_->Memories().at(slot).name);
    if (modal::MessageBox(modal::Kind::Question, text, modal::Yes | modal::No) == modal::Yes)
        changed(diagram_->Memories().remove(slot));
}

void TMemoryMenu::HideAllClick()
{
    if (diagram_)
        changed(diagram_->Memories().hideAll());
}

void TMemoryMenu::SavePictureClick()
{
    if (!diagram_ && !pictureWriter_)
        return;
    if (!pictureWriter_ && !PictureHasPoints(*diagram_, QLatin1Char(language_)))
        return;
    const QString name = modal::SaveFileName(TextsFor(language_).pictureTitle,
                                             QStringLiteral("PNG | *.png | SVG | *.svg | PDF | *.pdf"), QStringLiteral("png"));
    if (name.isEmpty())
        return;
    const std::optional<QSize> size = AskPictureSize(pictureSize_);
    if (!size)
        return;
    pictureSize_ = *size;
    const bool saved = pictureWriter_ ? pictureWriter_(name, *size)
                                      : SaveDiagramPicture(diagram_->PictureContent(), name, *size) == PictureResult::Saved;
    if (!saved)
        modal::MessageBox(modal::Kind::Error, name + Messages().fileNotCreated, modal::Ok);
}

} // namespace korvanta
