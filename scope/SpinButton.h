#pragma once
// A pair of small arrow buttons, up over down, that step a value kept
// elsewhere (the volts-per-division and timebase steps of the oscilloscope).

#include <QWidget>

class QToolButton;

class TSpinButton : public QWidget {
    Q_OBJECT
public:
    explicit TSpinButton(QWidget* parent = nullptr);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

signals:
    void upClick();
    void downClick();

private:
    QToolButton* up_;
    QToolButton* down_;
};
