#pragma once
// The "&Korrektur" menu's handlers: load, switch and edit the input and the
// output correction, and ask for the test drawing. Each handler ends with
// `changed`, after which the main window shows the correction status.

#include <QObject>
#include <QPointer>

class QAction;

namespace korvanta {

class TKorEdit;
class TMainMenu;
struct CorrectionTable;

class TCorrectionMenu : public QObject {
    Q_OBJECT
public:
    TCorrectionMenu(TMainMenu& menu, QObject* parent = nullptr);

    // The editor window (it is created after the main window).
    void SetEditor(TKorEdit* editor);

    void LadeEingangskorrekturdatei1Click();
    void Eingangskorrekturaktiv1Click();
    void EditEingangskorrekturdatei1Click();
    void LadeAusgangskorrekturdatei1Click();
    void Ausgangskorrekturaktiv1Click();
    void EditAusgangskorrekturdatei1Click();

    // Check marks from the tables' active flags.
    void ShowActiveStates();
    // Either correction is active.
    static bool AnyActive();

signals:
    void changed();
    // The test drawing is wanted (menu item or the editor's "Save & Test").
    void testRequested();

private:
    void load(CorrectionTable& table, QAction* activeItem, QAction* loadItem);
    void toggle(CorrectionTable& table, QAction* activeItem);
    void edit(CorrectionTable& table, QAction* activeItem, QAction* loadItem);

    TMainMenu& menu_;
    QPointer<TKorEdit> editor_;
};

} // namespace korvanta
