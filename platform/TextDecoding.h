#pragma once
// Text files that users bring along (settings, correction files) often come
// from Windows: CR LF line ends and the Windows-1252 code page. These helpers
// read such bytes without losing characters.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace korvanta {

// UTF-8 when the bytes are valid UTF-8, else Windows-1252. Byte order marks
// at the start are dropped.
QString DecodeText(const QByteArray& bytes);

// The bytes after every UTF-8 byte order mark at their start. Editors put one
// there, and a file passed through two of them can carry two; either way the
// user's text begins after the last.
QByteArrayView WithoutByteOrderMarks(QByteArrayView bytes);

// Windows-1252 to Unicode, byte by byte (undefined code points map to the
// C1 control of the same value, as Windows does).
QString DecodeWindows1252(const QByteArray& bytes);

// Unicode to Windows-1252; characters without a code point become '?'.
QByteArray EncodeWindows1252(const QString& text);

// Split into lines at LF, CR LF or a lone CR. A final line end does not start
// an extra empty line.
QStringList SplitLines(const QString& text);

} // namespace korvanta
