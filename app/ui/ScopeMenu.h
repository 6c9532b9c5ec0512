#pragma once
// The oscilloscope page's part in the main window: entering and leaving
// the page (the menu items that must not be used meanwhile, the display
// window's placement beside the main window), the display window's texts,
// stopping and restarting it for other actions, and the text export, copy,
// print and picture file, which act on the display window while the page is
// shown.

#include "app/ui/PagePart.h"
#include "audio/MeasuringEngine.h"

#include "diagram/ui/DiaPrint.h"

#include <QList>
#include <QSize>
#include <QObject>
#include <QPointer>

class QPrinter;
class QWidget;

namespace korvanta {

class TOszidia;
class TScopePage;
struct OscilloscopeSettings;

inline constexpr int kScopePageHelpContext = 52;

class TScopeMenu : public QObject, public PagePart {
    Q_OBJECT
public:
    TScopeMenu(TScopePage& page, QWidget& mainWindow);

    // Takes the items the page locks.
    void AttachMenus(TMainMenu& menu) override;
    // The display window (it is created after the main window).
    void AttachWindows(const AppWindows& windows) override;
    void SetDisplay(TOszidia* display);
    // The display window's cursor read-out captions.
    void SetLanguage(char letter) override;

    int HelpContext() const override { return kScopePageHelpContext; }
    // The oscilloscope runs as soon as its page is shown.
    MeasuringLoop EntryLoop() const override { return MeasuringLoop::Scope; }
    // The page is entered: locks the menu items, places the display window
    // (moving the main window right when there is no room to its left) and
    // starts the page.
    void Enter() override;
    void StartStop() override;
    // The page is left: the page stops, the items are as before.
    void Leave() override;

    // Another action needs the input (calibration, reset ...), and is done.
    void Stop();
    void Restart();
    // A run of a window of the program's own starts on `engine` while the
    // page is shown: it measures at the user's rates, not the
    // oscilloscope's, and the oscilloscope starts again once the run has
    // ended, or at once when it did not start. Nothing happens off the page.
    void LendInput(MeasuringEngine& engine);

    // "&Speichern als Text", "&Kopieren", "&Drucken" and the picture file
    // on this page.
    void SaveAsText(const QString& separator);
    void Copy();
    PrintResult Print(QPrinter& printer);
    bool SavePicture(const QString& fileName, QSize size);

    // The display window's current placement into the record, once the
    // window has been shown (before, the record's values stand).
    void StorePlacement(OscilloscopeSettings& o) const;

private:
    void place();
    void inputReturned();
    void lockMenus();
    void unlockMenus();

    TMainMenu* menu_ = nullptr;
    TScopePage& page_;
    QWidget& main_;
    QPointer<TOszidia> display_;
    QList<bool> savedEnabled_;
    QList<std::pair<QString, QString>> savedWhy_;  // their reasons, German and English
    bool locked_ = false;
    QPointer<MeasuringEngine> lentTo_;
};

} // namespace korvanta
