#include "app/ui/StatusLine.h"

#include <QFontMetrics>

namespace korvanta {

namespace {
const QString kSeparator = QStringLiteral(" / ");
}

TStatusLine::TStatusLine(const QString& text, QWidget* parent) : QLabel(parent)
{
    setMinimumWidth(1);  // the window's width decides, not the text
    SetPlainText(text);
}

void TStatusLine::SetDeviceNames(const QString& input, const QString& output)
{
    input_ = input;
    output_ = output;
    full_ = input + kSeparator + output;
    devices_ = true;
    refit();
}

void TStatusLine::SetPlainText(const QString& text)
{
    full_ = text;
    devices_ = false;
    refit();
}

void TStatusLine::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    refit();
}

void TStatusLine::refit()
{
    setToolTip(full_);
    const QFontMetrics fm(font());
    const int room = contentsRect().width() - 2;
    if (!devices_ || fm.horizontalAdvance(full_) <= room) {
        setText(devices_ ? full_ : fm.elidedText(full_, Qt::ElideRight, room));
        return;
    }
    const int half = (room - fm.horizontalAdvance(kSeparator)) / 2;
    setText(fm.elidedText(input_, Qt::ElideMiddle, half) + kSeparator + fm.elidedText(output_, Qt::ElideMiddle, half));
}

} // namespace korvanta
