#pragma once
// Numbers as a user reads them in a read-out or a report: rounded to a few
// significant digits and written out in full, never in exponent notation.
// A THD+N of 0.0000739 % reads as that, not as "7.39e-05 %".

#include <QString>

namespace korvanta {

// v rounded to `significant` digits (1 ... 15), with a point as decimal
// separator whatever the locale, without trailing zeros and without an
// exponent: 0.0000739, 0.00123, 12.3, 1230. Not finite values give "nan",
// "inf" or "-inf"; values that round to zero give "0".
QString SignificantText(double v, int significant);

} // namespace korvanta
