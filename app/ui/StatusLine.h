#pragma once
// The main window's status line: the input and output device names, each
// shortened in the middle when both do not fit, so the end of a name (often
// "input" or "output", or a card number) stays readable. The full text is
// the tooltip.

#include <QLabel>

namespace korvanta {

class TStatusLine : public QLabel {
    Q_OBJECT
public:
    explicit TStatusLine(const QString& text, QWidget* parent = nullptr);

    void SetDeviceNames(const QString& input, const QString& output);
    void SetPlainText(const QString& text);
    // The text as set, before any shortening.
    QString FullText() const { return full_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refit();

    QString input_;
    QString output_;
    QString full_;
    bool devices_ = false;
};

} // namespace korvanta
