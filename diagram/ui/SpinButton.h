#pragma once
// A pair of small arrow buttons, down and up, for moving one end of a range
// a step at a time. Sized by its owner, so it fits the diagram's narrow
// margins.

#include <QWidget>

class QToolButton;

namespace korvanta {

class TSpinButton : public QWidget {
    Q_OBJECT
public:
    explicit TSpinButton(QWidget* parent = nullptr);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

signals:
    void upClick();
    void downClick();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* down_;
    QToolButton* up_;
};

} // namespace korvanta
