#pragma once
// Levels the user types instead of dragging a bar: a mixer volume as a whole
// percent ("35", "35%"), a generator level as whole dB below full scale
// ("-12", "-12 dB", "OFF"). Anything else, a fraction included, is refused,
// so nothing typed is ever stored as a fraction.

#include <QString>
#include <optional>

namespace korvanta {

// Whole percent 0 ... 100.
std::optional<int> ParseTypedPercent(const QString& text);
// Whole dB `offLevel` ... 0; "OFF" (any case) and `offLevel` mean off.
std::optional<int> ParseTypedDb(const QString& text, int offLevel);
// A mixer volume's level relative to the top of its range: the percent is
// the amplitude's, so 50 % is -6.0 dB; 0 % is "OFF".
QString PercentAsDb(int percent);

} // namespace korvanta
