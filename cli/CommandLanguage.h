#pragma once
// The one language the command speaks, by the window's rule: `SPRACHE` of
// the settings file where it has one, else the system's locale. Its own
// messages, its reports and the texts of the engines it runs (read-outs,
// notes, the pages it writes) all follow it. What a script reads by name
// stays as it is in both: options, JSON keys and codes, CSV heads.

#include "platform/LanguageTexts.h"

#include <QString>
#include <QStringList>

namespace korvanta {

// The settings file the command will read: the --settings option's file in
// `args` (the arguments after the program's name), else KORVANTA_SETTINGS,
// else `programFile`. Empty when none is named at all.
QString SettingsFileNamed(const QStringList& args, const QString& programFile);

// 'E' or 'D': the first letter of `SPRACHE` in `settingsFile` where the
// file has the key ('E' English, any other letter German, as the window
// reads it), else the language of `localeName` ("de_DE" German, anything
// else English).
char CommandLanguageFor(const QString& settingsFile, const QString& localeName);

// Makes `letter` the process's language: the command's texts, the message
// table of the read-outs and the correction reader's messages.
void UseCommandLanguage(char letter);

// The process's language letter, 'D' or 'E'.
char CommandLetter();

// `w` in the command's language.
QString Say(const Words& w);

} // namespace korvanta
