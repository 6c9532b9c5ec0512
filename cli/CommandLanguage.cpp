#include "cli/CommandLanguage.h"

#include "app/Audconst.h"
#include "app/MainSettings.h"
#include "correction/CorrectionFile.h"
#include "platform/ProfileStore.h"

namespace korvanta {

namespace {
const QLatin1String kSettingsOption("--settings");
} // namespace

QString SettingsFileNamed(const QStringList& args, const QString& programFile)
{
    // The last one given wins, as the parser applies them in order.
    QString named;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == kSettingsOption && i + 1 < args.size())
            named = args[++i];
        else if (args[i].startsWith(kSettingsOption + QLatin1Char('=')))
            named = args[i].mid(kSettingsOption.size() + 1);
    }
    if (!named.isEmpty())
        return named;
    if (!qEnvironmentVariableIsEmpty("KORVANTA_SETTINGS"))
        return qEnvironmentVariable("KORVANTA_SETTINGS");
    return programFile;
}

char CommandLanguageFor(const QString& settingsFile, const QString& localeName)
{
    const QString section = QStringLiteral("MAIN"), key = QStringLiteral("SPRACHE");
    if (!settingsFile.isEmpty()) {
        ProfileStore store(settingsFile);
        store.load();
        if (store.contains(section, key))
            return store.value(section, key, QString()).startsWith(QLatin1Char('E')) ? 'E' : 'D';
    }
    return LanguageForLocale(localeName);
}

void UseCommandLanguage(char letter)
{
    SetCurrentLanguage(letter);
    SetMessageLanguage(letter);
    SetCorLanguage(letter);
}

char CommandLetter() { return CurrentLanguage() == 'E' ? 'E' : 'D'; }

QString Say(const Words& w) { return Pick(CommandLetter(), w); }

} // namespace korvanta
