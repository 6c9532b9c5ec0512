#pragma once
// The sweep page's part in the main window: the menu items a sweep locks,
// the windows it draws into and asks its settings with, its texts in each
// language, and entering and leaving it.

#include "app/ui/PagePart.h"

#include <QObject>

namespace korvanta {

class TGeneratorPage;

inline constexpr int kGeneratorPageHelpContext = 51;

class TSweepMenu : public QObject, public PagePart {
    Q_OBJECT
public:
    explicit TSweepMenu(TGeneratorPage& page, QObject* parent = nullptr);

    void AttachMenus(TMainMenu& menu) override;
    void AttachWindows(const AppWindows& windows) override;
    void SetLanguage(char letter) override;

    int HelpContext() const override { return kGeneratorPageHelpContext; }
    void Enter() override;
    void StartStop() override;
    void Leave() override;

private:
    TGeneratorPage& page_;
};

} // namespace korvanta
