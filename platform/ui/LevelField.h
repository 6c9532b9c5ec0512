#pragma once
// The text beside a level bar, which the user may also type into: Enter or
// leaving the field moves the bar to what was typed (and the bar's own
// handlers do the rest, as if it had been dragged); what cannot be read is
// put back as it was. The owner keeps setting the text as the bar moves.

#include <QLineEdit>
#include <functional>
#include <optional>

class QLabel;
class QScrollBar;

namespace korvanta {

class TLevelField : public QLineEdit {
    Q_OBJECT
public:
    // `toPosition` reads the typed text into the bar's position, or refuses it.
    TLevelField(const QString& text, QScrollBar* bar, std::function<std::optional<int>(const QString&)> toPosition,
                QWidget* parent);

    // A mixer volume's field: whole percent, the bar's top at 100 % when
    // `upsideDown`. `Beside()` then shows the level in dB.
    static TLevelField* Percent(QScrollBar* bar, bool upsideDown, QWidget* parent);
    // A generator level's field: whole dB down to `offLevel`, the bar's
    // position being the level's magnitude.
    static TLevelField* Decibel(QScrollBar* bar, int offLevel, QWidget* parent);

    // Shows a volume in percent, and in dB beside the field when it has one.
    void ShowPercent(int percent);
    // The label beside a percent field that shows the level in dB; created
    // on first use, placed by the owner.
    QLabel* Beside();

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void take();

    QScrollBar* bar_;
    std::function<std::optional<int>(const QString&)> toPosition_;
    QString before_;
    QLabel* beside_ = nullptr;
};

} // namespace korvanta
