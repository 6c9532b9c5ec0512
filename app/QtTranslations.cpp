#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace korvanta {

namespace {
std::unique_ptr<QTranslator>& installed()
{
    static std::unique_ptr<QTranslator> t;
    return t;
}

void removeInstalled()
{
    if (installed()) {
        QCoreApplication::removeTranslator(installed().get());
        installed().reset();
    }
}
} // namespace

QString QtTranslationsDir() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

bool UseQtTranslations(char letter)
{
    if (letter == 'E') {
        removeInstalled();
        return true;
    }
    if (letter != 'D')
        return true;
    if (installed())
        return true;
    auto translator = std::make_unique<QTranslator>();
    // qtbase holds everything the widgets say; "qt" is the catalogue that
    // bundles it on systems that ship only that one.
    if (!translator->load(QStringLiteral("qtbase_de"), QtTranslationsDir()) &&
        !translator->load(QStringLiteral("qt_de"), QtTranslationsDir()))
        return false;
    QCoreApplication::installTranslator(translator.get());
    installed() = std::move(translator);
    return true;
}

} // namespace korvanta
