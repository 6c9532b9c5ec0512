#include "app/ui/GeneratorDocking.h"

#include "generator/ui/GeneratorPage.h"
#include "app/ui/Main.h"
#include "generator/ui/Wavegene.h"

#include <QEvent>

namespace korvanta {

TGeneratorDocking::TGeneratorDocking(TMainForm* main, TGeneratorPage* page, TWavegen* generator)
    : QObject(main), page_(page), generator_(generator)
{
    main->installEventFilter(this);
}

void TGeneratorDocking::MainActivated()
{
    if (activated_ || !generator_)
        return;
    activated_ = true;
    const QPoint at = page_->GeneratorDockPoint();
    generator_->Dock(at.x(), at.y(), true);
}

void TGeneratorDocking::MainMoved()
{
    if (!generator_)
        return;
    const QPoint at = page_->GeneratorDockPoint();
    generator_->Dock(at.x(), at.y(), false);
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
