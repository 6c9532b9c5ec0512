#pragma once
// The device log: text lines of the audio layer (capability report, mixer
// enumeration, error lines, printer details) shown in the feature list
// window. Any thread may append; reading is for the GUI thread.

#include <QString>
#include <QStringList>

namespace korvanta {

namespace devlog {
void Append(const QString& line);
QStringList Lines();
void Clear();
} // namespace devlog

} // namespace korvanta
