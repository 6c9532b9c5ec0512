#pragma once
// The main window's side of the memory curves and of the picture export: the
// "&Kurvenspeicher" menu (store the shown curves in one of eight memories,
// load a table into one, show, rename and delete them) and the File menu's
// "Als &Bild speichern..." (PNG or SVG of the diagram).

#include <QObject>
#include <QPointer>
#include <QSize>
#include <array>
#include <functional>
#include <optional>

class QAction;
class QMenu;
class QMenuBar;

namespace korvanta {

class TDiagramm;
class TMainMenu;

class TMemoryMenu : public QObject {
    Q_OBJECT
public:
    // The main window's menus: the picture item after "Speichern als Text",
    // the memory menu before "&Analyse".
    TMemoryMenu(TMainMenu& menu, QMenuBar* bar, QObject* parent = nullptr);
    // Any window's menus: the picture item goes into `fileMenu` before
    // `pictureBefore`, the memory menu into `bar` before `memoryBefore`
    // (null: at the end).
    TMemoryMenu(QMenu* fileMenu, QAction* pictureBefore, QMenuBar* bar, QAction* memoryBefore,
                QObject* parent = nullptr);

    void SetDiagram(TDiagramm* diagram);
    // 'D' or 'E'; other letters change nothing.
    void SetLanguage(char letter);
    // With the diagram's other commands (off on the oscilloscope page).
    void SetEnabled(bool on);

    void StoreClick(int slot);
    void LoadClick(int slot);
    void ShowClick(int slot);
    void RenameClick(int slot);
    void DeleteClick(int slot);
    void HideAllClick();
    void SavePictureClick();

    struct SlotItems {
        QMenu* menu = nullptr;
        QAction* store = nullptr;
        QAction* load = nullptr;
        QAction* show = nullptr;
        QAction* rename = nullptr;
        QAction* remove = nullptr;
    };
    QMenu* MemoryMenu;
    std::array<SlotItems, 8> Slots;
    QAction* HideAllItem;
    QAction* SavePictureItem;

    // Who writes the picture file when another window is shown instead of
    // the diagram (the oscilloscope's page): the picture item then stays
    // usable and saves that window's picture. Empty: the diagram's.
    using PictureWriter = std::function<bool(const QString& fileName, QSize size)>;
    void SetPictureWriter(PictureWriter writer);

    // The picture size question (the size dialog); a test may answer it.
    std::function<std::optional<QSize>(QSize proposal)> AskPictureSize;

private:
    void build(QMenu* fileMenu, QAction* pictureBefore, QMenuBar* bar, QAction* memoryBefore);
    void refresh();
    bool confirmOverwrite(int slot);
    void reportWrite(bool written);
    void changed(bool written);

    QPointer<TDiagramm> diagram_;
    char language_ = 'D';
    bool enabled_ = true;
    QSize pictureSize_{1024, 768};
    PictureWriter pictureWriter_;
};

} // namespace korvanta
