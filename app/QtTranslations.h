#pragma once
// Qt's own texts (the standard buttons, the file, print and colour dialogs,
// the context menus of text fields) in the program's language, from the
// translations Qt ships with the system.

#include <QString>

namespace korvanta {

// Installs Qt's translations for 'D' (German) or removes them for 'E' (Qt
// speaks English by itself). Any other letter changes nothing. Returns false
// only when German was asked for and no catalogue could be loaded; Qt then
// stays English.
bool UseQtTranslations(char letter);

// The folder the catalogues are read from.
QString QtTranslationsDir();

} // namespace korvanta
