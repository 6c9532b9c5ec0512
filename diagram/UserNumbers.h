#pragma once
// Numbers typed by the user into the diagram's dialogs. Surrounding blanks
// are ignored; a real may be typed with a decimal point or, as German users
// do, a comma. Infinite and NaN values are refused.

#include <QString>

namespace korvanta {

bool ParseUserInt(const QString& text, int& value);
bool ParseUserReal(const QString& text, float& value);

} // namespace korvanta
