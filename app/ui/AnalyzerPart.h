#pragma once
// The analyzer page's part in the main window: the menu items it takes or
// locks during a run, the diagram it draws into and whose channel colours
// its channel switches wear, its texts in each language, and entering and
// leaving it.

#include "app/ui/PagePart.h"

#include <QObject>

class QString;

namespace korvanta {

class TAnalyzerPage;
struct MainWindowSettings;

class TAnalyzerPart : public QObject, public PagePart {
    Q_OBJECT
public:
    // `settings` gives the input volume the calibration status is shown for.
    TAnalyzerPart(TAnalyzerPage& page, const MainWindowSettings& settings, QObject* parent = nullptr);

    void AttachMenus(TMainMenu& menu) override;
    void AttachWindows(const AppWindows& windows) override;
    void SetLanguage(char letter) override;

    int HelpContext() const override;
    void Enter() override;
    void StartStop() override;
    void Leave() override;

    // The input's sample rate and bit depth as the sound layer has them
    // now; `bitsSuffix` is " Bits" on page entry and " Bit" after a device
    // choice.
    void ShowInputFormat(const QString& bitsSuffix);

private:
    TAnalyzerPage& page_;
    const MainWindowSettings& settings_;
};

} // namespace korvanta
