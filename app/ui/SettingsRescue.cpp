#include "app/ui/SettingsRescue.h"

#include "platform/AtomicFile.h"
#include "platform/ModalQuestions.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QWidget>

#include <cstdio>

namespace korvanta {

namespace {

struct RescueTexts {
    QString question; // %1 the file, %2 the reason
    QString saveTitle, filter;
    QString saved;    // %1 the new file, %2 where the settings belong
};

RescueTexts TextsFor(char language)
{
    if (language == 'E')
        return {QStringLiteral("The settings could not be saved in\n%1\n(%2).\n\n"
                               "Save them in another place? \"No\" discards them."),
                QStringLiteral("Save settings as"), QStringLiteral("Settings | *.ini"),
                QStringLiteral("The settings were saved in\n%1\n\nTo use them, copy this file to\n%2\n"
                               "or start the program with KORVANTA_SETTINGS=%1")};
    return {QStringLiteral("Die Einstellungen konnten nicht in\n%1\ngespeichert werden (%2).\n\n"
                           "An einem anderen Ort speichern? \"Nein\" verwirft sie."),
            QStringLiteral("Einstellungen speichern unter"), QStringLiteral("Einstellungen | *.ini"),
            QStringLiteral("Die Einstellungen wurden in\n%1\ngespeichert.\n\nUm sie zu verwenden, kopieren Sie "
                           "die Datei nach\n%2\noder starten Sie das Programm mit KORVANTA_SETTINGS=%1")};
}

bool& abandoned()
{
    static bool flag = false;
    return flag;
}

// A program run by a script without a display (the offscreen or minimal
// platform) has no one to answer: a question would hold the close forever.
bool nobodyToAsk()
{
    const QString platform = QGuiApplication::platformName();
    return !modal::HookInstalled() && (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"));
}

void reportOnStandardError(const char* what, const QString& path, const QString& reason = {})
{
    std::fprintf(stderr, "korvanta: %s %s%s%s\n", what, qPrintable(path), reason.isEmpty() ? "" : ": ",
                 qPrintable(reason));
    std::fflush(stderr);
}

// Asks until the settings are written somewhere or the user discards them.
bool keepOne(const UnsavedSettings& unsaved, const RescueTexts& texts)
{
    QString place = unsaved.path;
    QString reason = unsaved.reason;
    reportOnStandardError("settings not saved in", place, reason);
    while (!abandoned() && !nobodyToAsk()) {
        const int answer =
            modal::MessageBox(modal::Kind::Warning, texts.question.arg(place, reason), modal::Yes | modal::No);
        if (answer != modal::Yes || abandoned())
            break;
        const QString chosen = modal::SaveFileName(texts.saveTitle, texts.filter, QStringLiteral("ini"),
                                                   QDir::home().filePath(QFileInfo(unsaved.path).fileName()));
        if (abandoned())
            break;
        if (chosen.isEmpty())
            continue; // cancelled: the question again, which also offers to discard
        if (WriteFileAtomically(chosen, unsaved.bytes, reason)) {
            reportOnStandardError("settings saved instead in", chosen);
            modal::MessageBox(modal::Kind::Information, texts.saved.arg(chosen, unsaved.path), modal::Ok);
            return true;
        }
        place = chosen;
        reportOnStandardError("settings not saved in", place, reason);
    }
    reportOnStandardError("settings discarded:", unsaved.path);
    return false;
}

} // namespace

bool KeepUnsavedSettings(const std::vector<UnsavedSettings>& unsaved, char language)
{
    const RescueTexts texts = TextsFor(language);
    bool allKept = true;
    for (const UnsavedSettings& u : unsaved)
        allKept = keepOne(u, texts) && allKept;
    return allKept;
}

void AbandonUnsavedSettings()
{
    abandoned() = true;
    if (QWidget* open = QApplication::activeModalWidget())
        open->close();
}

} // namespace korvanta
