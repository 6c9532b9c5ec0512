#include "SpinButton.h"

#include <QToolButton>
#include <QVBoxLayout>

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this))
{
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    for (auto [button, arrow] : {std::pair{up_, Qt::UpArrow}, std::pair{down_, Qt::DownArrow}}) {
        button->setArrowType(arrow);
        button->setFixedSize(16, 11);
        button->setAutoRepeat(true);
        v->addWidget(button);
    }
    connect(up_, &QToolButton::clicked, this, &TSpinButton::upClick);
    connect(down_, &QToolButton::clicked, this, &TSpinButton::downClick);
}
