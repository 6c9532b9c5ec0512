#pragma once
// The menus of a window's own diagram, in that window's menu bar: File
// (print, save as text, and the picture the memory menu adds), Edit (copy)
// and the memory curves. They act on that diagram alone, never on the main
// one, and speak the words of the main window's menus.

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QMenuBar;

namespace korvanta {

class TDiagramm;
class TMemoryMenu;

class TDiagramMenus : public QObject {
    Q_OBJECT
public:
    // Adds the menus to `bar`, in the program's language now.
    TDiagramMenus(QMenuBar* bar, TDiagramm* diagram, QObject* parent = nullptr);

    // 'D' or 'E'; other letters change nothing.
    void SetLanguage(char letter);

    void PrintClick();
    void SaveTextClick();
    void CopyClick();

    QMenu* FileMenu = nullptr;
    QAction* PrintItem = nullptr;
    QAction* SaveTextItem = nullptr;
    QMenu* EditMenu = nullptr;
    QAction* CopyItem = nullptr;
    TMemoryMenu* Memory = nullptr;

private:
    QPointer<TDiagramm> diagram_;
};

} // namespace korvanta
