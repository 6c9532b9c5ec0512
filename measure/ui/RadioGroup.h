#pragma once
// A captioned group of radio buttons in one or more columns, chosen by item
// index: the classic radio group of the program's forms (window type, FFT
// size, run mode ...). Selecting an item, by the user or by setItemIndex(),
// emits itemClicked once when the selection changes, as the forms' click
// handlers expect.

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

namespace korvanta {

class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& caption, const QStringList& items, int columns = 1, QWidget* parent = nullptr);

    // New captions for the items; the selection stays. A list of another
    // length rebuilds the buttons and clears the selection.
    void setItems(const QStringList& items);
    QStringList items() const;

    // -1 when no item is selected.
    int itemIndex() const;
    // Selects item `index` and emits itemClicked when the selection changes.
    // -1, or an index outside the items, clears the selection silently.
    void setItemIndex(int index);

    QRadioButton* button(int index) const;
    int count() const;

signals:
    void itemClicked(int index);

private:
    void rebuild(const QStringList& items);

    QButtonGroup* group_;
    QGridLayout* grid_;
    int columns_;
    int current_ = -1;
};

} // namespace korvanta
