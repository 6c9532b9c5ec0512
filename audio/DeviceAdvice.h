#pragma once
// What a device error box adds to the device's own text: the likely cause
// and what the user can do about it, in the language of the moment.

#include <QString>

namespace korvanta {

// Cause and remedy for a wave error code ('D' German, 'E' English).
QString DeviceErrorAdvice(int code, char letter);

// `text` of an error box, followed by the advice for `code` on a line of
// its own. The text itself stays as it was.
QString WithDeviceAdvice(const QString& text, int code, char letter);

} // namespace korvanta
