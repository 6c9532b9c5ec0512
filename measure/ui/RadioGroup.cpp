#include "measure/ui/RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

namespace korvanta {

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)), grid_(new QGridLayout(this)),
      columns_(columns < 1 ? 1 : columns)
{
    grid_->setContentsMargins(4, 2, 4, 2);
    grid_->setHorizontalSpacing(6);
    grid_->setVerticalSpacing(0);
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::idClicked, this, [this](int id) {
        if (id == current_)
            return;
        current_ = id;
        emit itemClicked(id);
    });
    rebuild(items);
}

void TRadioGroup::rebuild(const QStringList& items)
{
    for (QAbstractButton* b : group_->buttons()) {
        group_->removeButton(b);
        delete b;
    }
    current_ = -1;
    // Items run down the first column, then the next, as in the forms.
    const int rows = (int(items.size()) + columns_ - 1) / columns_;
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        group_->addButton(b, i);
        grid_->addWidget(b, rows ? i % rows : 0, rows ? i / rows : 0);
    }
}

void TRadioGroup::setItems(const QStringList& items)
{
    if (items.size() != count()) {
        rebuild(items);
        return;
    }
    for (int i = 0; i < items.size(); ++i)
        group_->button(i)->setText(items[i]);
}

QStringList TRadioGroup::items() const
{
    QStringList list;
    for (int i = 0; i < count(); ++i)
        list << group_->button(i)->text();
    return list;
}

int TRadioGroup::itemIndex() const { return current_; }

void TRadioGroup::setItemIndex(int index)
{
    if (index < 0 || index >= count())
        index = -1;
    if (index == current_)
        return;
    if (index < 0) {
        // An exclusive group never unchecks its last button by itself.
        group_->setExclusive(false);
        if (QAbstractButton* b = group_->button(current_))
            b->setChecked(false);
        group_->setExclusive(true);
    } else {
        group_->button(index)->setChecked(true);
    }
    current_ = index;
    if (index >= 0)
        emit itemClicked(index);
}

QRadioButton* TRadioGroup::button(int index) const { return qobject_cast<QRadioButton*>(group_->button(index)); }

int TRadioGroup::count() const { return int(group_->buttons().size()); }

} // namespace korvanta
