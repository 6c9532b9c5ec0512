#include "generator/SweepClipMark.h"

#include "platform/LanguageTexts.h"

#include <QStringList>
#include <algorithm>

namespace korvanta {

namespace {
// More would not fit the info line beside the diagram's scroll bars.
constexpr size_t kListed = 4;
constexpr float kWholeHertzFrom = 100.0f;

constexpr Words kOverAt{"Übersteuert an %1 Punkten: ", "Over at %1 points: "};
constexpr Words kOverAtOne{"Übersteuert an 1 Punkt: ", "Over at 1 point: "};

// Whole hertz where a tenth says nothing, a tenth below 100 Hz.
QString hertz(float f) { return QString::number(f, 'f', f < kWholeHertzFrom ? 1 : 0); }
} // namespace

QString SweepClipMark::Text(char letter) const
{
    if (frequencies_.empty())
        return QString();
    const size_t n = frequencies_.size();
    QString line = n == 1 ? Pick(letter, kOverAtOne) : Pick(letter, kOverAt).arg(n);
    if (n <= kListed) {
        QStringList listed;
        for (float f : frequencies_)
            listed << hertz(f);
        return line + listed.join(QStringLiteral(", ")) + QStringLiteral(" Hz");
    }
    const auto [low, high] = std::minmax_element(frequencies_.begin(), frequencies_.end());
    return line + hertz(*low) + QStringLiteral(" … ") + hertz(*high) + QStringLiteral(" Hz");
}

QString ReplaceClipMark(const QString& line, const QString& shown, const QString& wanted)
{
    // A mark the user has edited or removed is the user's line now.
    if (!line.endsWith(shown))
        return line;
    QString own = line.chopped(shown.size());
    while (own.endsWith(QLatin1Char(' ')))
        own.chop(1);
    if (own.isEmpty() || wanted.isEmpty())
        return own + wanted;
    return own + QStringLiteral("  ") + wanted;
}

} // namespace korvanta
