#include "platform/ui/LevelField.h"

#include "platform/TypedLevel.h"

#include <QLabel>
#include <QScrollBar>

namespace korvanta {

namespace {
constexpr int kFullPercent = 100;
// Wide enough for "100%" and "-100dB" in the window's font.
constexpr int kFieldChars = 6;
} // namespace

TLevelField::TLevelField(const QString& text, QScrollBar* bar,
                         std::function<std::optional<int>(const QString&)> toPosition, QWidget* parent)
    : QLineEdit(text, parent), bar_(bar), toPosition_(std::move(toPosition))
{
    setAlignment(Qt::AlignCenter);
    setFrame(false);
    setMaximumWidth(fontMetrics().averageCharWidth() * kFieldChars + 2 * fontMetrics().averageCharWidth());
    connect(this, &QLineEdit::editingFinished, this, &TLevelField::take);
}

TLevelField* TLevelField::Percent(QScrollBar* bar, bool upsideDown, QWidget* parent)
{
    return new TLevelField(QStringLiteral("100%"), bar,
                           [upsideDown](const QString& text) -> std::optional<int> {
                               const auto percent = ParseTypedPercent(text);
                               if (!percent)
                                   return std::nullopt;
                               return upsideDown ? kFullPercent - *percent : *percent;
                           },
                           parent);
}

TLevelField* TLevelField::Decibel(QScrollBar* bar, int offLevel, QWidget* parent)
{
    return new TLevelField(QStringLiteral("0dB"), bar,
                           [offLevel](const QString& text) -> std::optional<int> {
                               const auto db = ParseTypedDb(text, offLevel);
                               if (!db)
                                   return std::nullopt;
                               return -*db;
                           },
                           parent);
}

void TLevelField::ShowPercent(int percent)
{
    setText(QString::number(percent) + QLatin1Char('%'));
    if (beside_)
        beside_->setText(PercentAsDb(percent));
}

QLabel* TLevelField::Beside()
{
    if (!beside_) {
        beside_ = new QLabel(parentWidget());
        beside_->setAlignment(Qt::AlignCenter);
    }
    return beside_;
}

void TLevelField::focusInEvent(QFocusEvent* event)
{
    before_ = text();
    QLineEdit::focusInEvent(event);
}

void TLevelField::take()
{
    const auto position = toPosition_(text());
    // Refused, or already there: the text as the bar shows it.
    if (!position || !bar_->isEnabled() || *position == bar_->value()) {
        setText(before_);
        return;
    }
    // Moved as if dragged: the bar's owner sets this text again.
    bar_->setValue(*position);
    before_ = text();
}

} // namespace korvanta
