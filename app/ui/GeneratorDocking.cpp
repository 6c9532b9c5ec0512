#include "app/ui/GeneratorDocking.h"

#include "app/WindowPlacement.h"
#include "app/ui/AppWindows.h"
#include "app/ui/Main.h"
#include "platform/ui/WindowFrames.h"
#include "generator/GeneratorControls.h"
#include "generator/ui/GeneratorPage.h"
#include "generator/ui/Wavegene.h"
#include "diagram/ui/Diagr3.h"
#include "scope/ui/Oszidia1.h"

#include <QEvent>
#include <QTabWidget>
#include <vector>

namespace korvanta {

TGeneratorDocking::TGeneratorDocking(TMainForm* main, TGeneratorPage* page, TWavegen* generator)
    : QObject(main), main_(main), page_(page), generator_(generator)
{
    main->installEventFilter(this);
    connect(main->PageControl1, &QTabWidget::currentChanged, this, &TGeneratorDocking::PageChanged);
}

QPoint TGeneratorDocking::Home() const
{
    if (main_->PageControl1->currentWidget() == page_)
        return page_->GeneratorDockPoint();
    std::vector<QRect> avoid;
    for (const QWidget* w : {static_cast<QWidget*>(Forms().Diagramm), static_cast<QWidget*>(Forms().Oszidia)})
        if (w && w->isVisible())
            avoid.push_back(w->frameGeometry());
    const QRect mainFrame = main_->frameGeometry();
    const QSize size = FrameAt(generator_, QPoint()).size();
    return BesidePlace(mainFrame, size, AvailableAt(mainFrame.topLeft()), avoid);
}

bool TGeneratorDocking::atHome() const
{
    return FollowsDock(generator_->pos(), generator_->frameGeometry().size(), home_, false);
}

void TGeneratorDocking::goHome(bool force)
{
    home_ = Home();
    generator_->Dock(home_.x(), home_.y(), force);
}

void TGeneratorDocking::MainActivated()
{
    if (activated_ || !generator_)
        return;
    activated_ = true;
    mainAt_ = main_->pos();
    goHome(true);
    // Shown before the main window was on the desktop, it went below it.
    if (generator_->isVisible())
        generator_->raise();
}

void TGeneratorDocking::MainMoved()
{
    const QPoint delta = main_->pos() - mainAt_;
    mainAt_ = main_->pos();
    // The follow-on move: a generator at its place moves with the main
    // window; one the user dragged away stays.
    if (!generator_ || !activated_ || !atHome())
        return;
    home_ += delta;
    generator_->Dock(home_.x(), home_.y(), true);
}

void TGeneratorDocking::PageChanged()
{
    if (generator_ && activated_)
        goHome(atHome());
}

bool TGeneratorDocking::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        MainActivated();
    else if (event->type() == QEvent::Move)
        MainMoved();
    return QObject::eventFilter(watched, event);
}

} // namespace korvanta
