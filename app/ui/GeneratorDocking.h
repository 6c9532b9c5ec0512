#pragma once
// Keeps the generator window over the main window's "Generator" group: on
// the main window's first activation the generator window moves there
// unconditionally; whenever the main window moves, it follows, unless the
// user has dragged it away from the group.

#include <QObject>

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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TGeneratorPage* page_;
    TWavegen* generator_;
    bool activated_ = false;
};

} // namespace korvanta
