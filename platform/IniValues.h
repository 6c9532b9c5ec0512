#pragma once
// Value formats of the settings file: integers, reals with a point as the
// decimal separator whatever the locale, and the flags "TRUE"/"FALSE".
// A number counts only when the whole text parses; the caller then decides
// which fallback applies.

#include <QString>
#include <cstdint>
#include <optional>

namespace korvanta {

namespace ini {

// Decimal integer with an optional sign, nothing else, within 64 bits.
std::optional<int64_t> ParseWhole(const QString& text);

// The same within 32 bits.
std::optional<int32_t> ParseInt(const QString& text);

// Decimal real with a point (an exponent is allowed). Infinities and NaN are
// refused: a level factor or calibration voltage of "nan" would poison every
// reading that follows. So are values beyond the range of the 32-bit floats
// that hold them: "1e308" would become infinity there and be written back as
// "inf".
std::optional<double> ParseReal(const QString& text);

// The same for a value held in a double: only infinities and NaN are refused.
std::optional<double> ParseDouble(const QString& text);

// Every text other than exactly "FALSE" counts as true.
bool ParseBool(const QString& text);

// Fixed-point text with `decimals` places and a point; never "-0". Only for
// finite values: the writers leave a key alone rather than store "inf".
QString FormatReal(double value, int decimals);

QString FormatBool(bool value);

} // namespace ini

} // namespace korvanta
