#include "diagram/ui/SpinButton.h"

#include <QToolButton>

namespace korvanta {

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent), down_(new QToolButton(this)), up_(new QToolButton(this))
{
    down_->setArrowType(Qt::DownArrow);
    up_->setArrowType(Qt::UpArrow);
    for (QToolButton* b : {down_, up_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
    }
    connect(up_, &QToolButton::clicked, this, &TSpinButton::upClick);
    connect(down_, &QToolButton::clicked, this, &TSpinButton::downClick);
}

void TSpinButton::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int half = width() / 2;
    down_->setGeometry(0, 0, half, height());
    up_->setGeometry(half, 0, width() - half, height());
}

} // namespace korvanta
