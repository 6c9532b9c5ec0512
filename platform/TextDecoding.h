#pragma once
// Text files that users bring along (settings, correction files) often come
// from Windows: CR LF line ends and the Windows-1252 code page. These helpers
// read such bytes without losing characters.

#include <QByteArray>
#include <QString>
#include <QStringList>

// UTF-8 when the bytes are valid UTF-8, else Windows-1252.
QString DecodeText(const QByteArray& bytes);

// Windows-1252 to Unicode, byte by byte (undefined code points map to the
// C1 control of the same value, as Windows does).
QString DecodeWindows1252(const QByteArray& bytes);

// Unicode to Windows-1252; characters without a code point become '?'.
QByteArray EncodeWindows1252(const QString& text);

// Split into lines at LF, CR LF or a lone CR. A final line end does not start
// an extra empty line.
QStringList SplitLines(const QString& text);
