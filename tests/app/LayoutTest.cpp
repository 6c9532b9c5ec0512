// The main window's pages in both languages: every control inside its page
// and wide enough for its caption. With KORVANTA_SCREENSHOT_DIR set, the
// pages and the other windows are also saved as pictures for a look.

#include "app/ui/AboutBox.h"
#include "measure/ui/AnalyzerPage.h"
#include "tests/app/AppTestSupport.h"
#include "diagram/ui/Diagr3.h"
#include "app/ui/FeatDlg.h"
#include "app/ui/HelpBrowser.h"
#include "correction/ui/koedi.h"

#include <QAbstractButton>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>

using namespace korvanta;

namespace {

void SaveShot(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("KORVANTA_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    w->grab().save(dir + "/" + name + ".png");
}

// Controls of `page` that stick out of it or are too narrow for their text.
QStringList CrampedControls(QWidget* page)
{
    QStringList faults;
    const QRect area = page->rect();
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (!w->isVisible())
            continue;
        const QRect r(w->mapTo(page, QPoint(0, 0)), w->size());
        if (!area.contains(r))
            faults << QStringLiteral("%1 '%2' outside the page").arg(w->metaObject()->className(), w->objectName());
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w))
            text = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            text = button->text();
        if (!text.trimmed().isEmpty() && w->sizeHint().width() > w->width() + 1)
            faults << QStringLiteral("'%1' cut (%2 of %3 pixels)").arg(text).arg(w->width()).arg(w->sizeHint().width());
    }
    return faults;
}

} // namespace

TEST_F(MainWindowTest, EveryPageFitsInBothLanguages)
{
    start();
    main->resize(main->size());
    for (char letter : {'D', 'E'}) {
        if (CurrentLanguage() != letter)
            main->deutschEnglish1Click();
        QApplication::processEvents();
        EXPECT_LE(main->width(), 700);
        EXPECT_LE(main->height(), 309);
        for (int page = 0; page < 3; ++page) {
            main->PageControl1->setCurrentIndex(page);
            QApplication::processEvents();
            EXPECT_EQ(CrampedControls(main->PageControl1->widget(page)), QStringList())
                << "page " << page << " language " << letter;
            SaveShot(main, QStringLiteral("main-%1-page%2").arg(QLatin1Char(letter)).arg(page + 1));
        }
        for (QMenu* menu : main->menuBar()->findChildren<QMenu*>()) {
            menu->adjustSize();
            if (!menu->title().isEmpty() && menu->menuAction()->isVisible())
                SaveShot(menu, QStringLiteral("menu-%1-%2").arg(QLatin1Char(letter)).arg(menu->objectName()));
        }
        main->PageControl1->setCurrentIndex(0);
        SaveShot(Forms().Diagramm, QStringLiteral("diagram-%1").arg(QLatin1Char(letter)));
        Forms().FeatDlg->LoadDeviceLog();
        SaveShot(Forms().FeatDlg, QStringLiteral("featurelist-%1").arg(QLatin1Char(letter)));
        SaveShot(Forms().AboutBox, QStringLiteral("info-%1").arg(QLatin1Char(letter)));
        SaveShot(Forms().KorEdit, QStringLiteral("editor-%1").arg(QLatin1Char(letter)));
        main->HelpContents();
        SaveShot(Forms().Help, QStringLiteral("help-%1").arg(QLatin1Char(letter)));
    }
}
