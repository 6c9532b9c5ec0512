#pragma once
// The main window's side of the oscilloscope: entering and leaving its page
// (the menu items that must not be used meanwhile, the display window's
// placement beside the main window), stopping and restarting it for other
// actions, and the text export and copy, which act on the display window
// while the page is shown.

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

namespace korvanta {

class TMainMenu;
class TOszidia;
class TScopePage;
struct OscilloscopeSettings;

class TScopeMenu : public QObject {
    Q_OBJECT
public:
    TScopeMenu(TMainMenu& menu, TScopePage& page, QWidget& mainWindow);

    // The display window (it is created after the main window).
    void SetDisplay(TOszidia* display);

    // The page is entered: locks the menu items, places the display window
    // (moving the main window right when there is no room to its left) and
    // starts the page.
    void Enter();
    // The page is left: the page stops, the items are as before.
    void Leave();

    // Another action needs the input (calibration, reset ...), and is done.
    void Stop();
    void Restart();

    // "&Speichern als Text" and "&Kopieren" on this page.
    void SaveAsText(const QString& separator);
    void Copy();

    // The display window's current placement into the record, once the
    // window has been shown (before, the record's values stand).
    void StorePlacement(OscilloscopeSettings& o) const;

private:
    void place();
    void lockMenus();
    void unlockMenus();

    TMainMenu& menu_;
    TScopePage& page_;
    QWidget& main_;
    QPointer<TOszidia> display_;
    QList<bool> savedEnabled_;
    bool locked_ = false;
};

} // namespace korvanta
