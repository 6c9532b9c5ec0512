#pragma once
// Keeps the generator window in its place: over the main window's
// "Generator" group while the generator page is shown, beside the main
// window on the other pages (where the group's place holds other controls).
// On the main window's first activation the generator window moves to its
// place unconditionally; whenever the main window moves, or another page is
// shown, it follows, unless the user has dragged it away from its place.

#include <QObject>
#include <QPoint>

namespace korvanta {

class TGeneratorPage;
class TMainForm;
class TWavegen;

class TGeneratorDocking : public QObject {
    Q_OBJECT
public:
    // Watches `main`; lives as its child.
    TGeneratorDocking(TMainForm* main, TGeneratorPage* page, TWavegen* generator);

    // FormActivate's step for the generator (first activation only).
    void MainActivated();
    // The main window moved.
    void MainMoved();
    // Another page is shown (after it was entered).
    void PageChanged();
    // The generator's place now: the group's client area on the generator
    // page, else beside the main window, clear of the diagram and the
    // oscilloscope's display.
    QPoint Home() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool atHome() const;
    void goHome(bool force);

    TMainForm* main_;
    TGeneratorPage* page_;
    TWavegen* generator_;
    bool activated_ = false;
    QPoint home_;   // where the generator was last sent
    QPoint mainAt_; // where the main window was then
};

} // namespace korvanta
