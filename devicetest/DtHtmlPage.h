#pragma once
// The frame of a device test's pages that stand alone (the report and the
// comparison of two): the document's start with its title, its end, and the
// escaping of every text a user typed or a file brought.

#include <QString>

namespace korvanta::dthtml {

// The text as HTML: markup characters escaped, line breaks as <br>.
QString Escaped(const QString& text);
// From the doctype to the page's first heading, in German ('D') or English ('E').
QString PageStart(const QString& title, char letter);
QString PageEnd();

} // namespace korvanta::dthtml
