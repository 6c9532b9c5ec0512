// Help for what is on screen: F1 on each page and in each window opens that
// page's or window's section of the help of the language shown.

#include "tests/app/AppTestSupport.h"

#include "analysis/ui/analys.h"
#include "app/ui/FeatDlg.h"
#include "app/ui/HelpBrowser.h"
#include "app/ui/MainMenu.h"
#include "audio/ui/iodia.h"
#include "audio/ui/udcoffset.h"
#include "correction/ui/koedi.h"
#include "diagram/ui/Diadlg3.h"
#include "diagram/ui/Diagr3.h"
#include "diagram/ui/PictureSizeDlg.h"
#include "diagram/ui/SkalDlg.h"
#include "devicetest/ui/DeviceTestWindow.h"
#include "distortion/ui/DistortionWindow.h"
#include "generator/ui/Wavegene.h"
#include "generator/ui/Wobbelu.h"
#include "measure/ui/Eichdia.h"
#include "scope/ui/Oszidia1.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QSet>
#include <QTabWidget>
#include <QTextDocumentFragment>
#include <cstdio>
#include <functional>
#include <memory>

using namespace korvanta;

namespace {

// One place F1 can be pressed in, and the help section it must open.
struct HelpKeyCase {
    const char* where;
    std::function<QWidget*()> window;   // null: the main window on page `page`
    int page = -1;
    const char* anchor;
};

// Brings `w` to the front as the user's click would, then presses F1 in it.
void pressF1In(QWidget* w)
{
    w->show();
    w->raise();
    w->activateWindow();
    // Offscreen, activation arrives as an event: wait until the window
    // really is the one keys go to.
    for (int i = 0; i < 100 && !w->isActiveWindow(); ++i) {
        w->activateWindow();
        QTest::qWait(10);
    }
    ASSERT_TRUE(w->isActiveWindow()) << "the window never became active";
    QWidget* target = w->focusWidget() ? w->focusWidget() : w;
    QTest::keyClick(target, Qt::Key_F1);
}

} // namespace

TEST_F(MainWindowTest, F1OpensTheSectionOfThePageOrWindowShownInEitherLanguage)
{
    start();
    std::unique_ptr<TPictureSizeDlg> pictureSize;
    const AppWindows& f = Forms();
    const std::vector<HelpKeyCase> cases = {
        {"analyzer page", nullptr, 0, "ctx6"},
        {"generator page", nullptr, 1, "ctx51"},
        {"oscilloscope page", nullptr, 2, "ctx52"},
        {"sweep settings", [&] { return (QWidget*)f.Wobbeldlg; }, -1, "ctx9"},
        {"calibration", [&] { return (QWidget*)f.EichDlg; }, -1, "ctx3"},
        {"analysis parameters", [&] { return (QWidget*)f.Analy; }, -1, "ctx19"},
        {"in/out parameters", [&] { return (QWidget*)f.IOdialog; }, -1, "ctx14"},
        {"DC offset", [&] { return (QWidget*)f.DCOffset; }, -1, "DCMOffset"},
        {"diagram options", [&] { return (QWidget*)f.Diadlg; }, -1, "ctx16"},
        {"scaling", [&] { return (QWidget*)f.SkalDia; }, -1, "ctx16"},
        {"feature list", [&] { return (QWidget*)f.FeatDlg; }, -1, "ctx11"},
        {"generator window", [&] { return (QWidget*)f.Wavegen; }, -1, "ctx15"},
        {"oscilloscope window", [&] { return (QWidget*)f.Oszidia; }, -1, "ctx10"},
        {"diagram window", [&] { return (QWidget*)f.Diagramm; }, -1, "ctx16"},
        {"distortion window", [&] { return (QWidget*)f.Distortion; }, -1, "ctx20"},
        {"device test window", [&] { return (QWidget*)f.DeviceTest; }, -1, "ctx23"},
        {"correction editor", [&] { return (QWidget*)f.KorEdit; }, -1, "ctx21"},
        {"picture size", [&] { return (QWidget*)pictureSize.get(); }, -1, "ctx22"},
    };
    THelpBrowser* help = f.Help;
    for (const char* file : {"krv14fd.html", "krv14fe.html"}) {
        if (help->HelpFile() != QLatin1String(file))
            main->deutschEnglish1Click();
        pictureSize = std::make_unique<TPictureSizeDlg>(QChar::fromLatin1(CurrentLanguage()), QSize(800, 600), main);
        for (const HelpKeyCase& c : cases) {
            SCOPED_TRACE(std::string(c.where) + " in " + file);
            help->hide();
            QWidget* w = c.window ? c.window() : main;
            if (!c.window)
                main->PageControl1->setCurrentIndex(c.page);
            pressF1In(w);
            ASSERT_TRUE(help->isVisible()) << "F1 opened no help";
            EXPECT_TRUE(help->CurrentSource().path().endsWith(QLatin1String(file)));
            // The browser falls back to the contents for a section its page
            // lacks, so this also proves the section exists.
            EXPECT_EQ(help->CurrentSource().fragment(), QString::fromLatin1(c.anchor));
            if (c.window)
                w->hide();
        }
        main->PageControl1->setCurrentIndex(0);
    }
    main->Menu->HelpContentsItem->trigger();
    EXPECT_EQ(help->CurrentSource().fragment(), "contents") << "the contents stay one click away";
}

namespace {

// A caption as the user reads it: mnemonics and shortcuts gone, blanks
// trimmed and collapsed.
QString asRead(QString text)
{
    text = text.section(QLatin1Char('\t'), 0, 0);
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text.simplified();
}

// Every text the windows show now: window titles, menus and their items,
// buttons, group titles, tabs, labels and list items.
QSet<QString> interfaceTexts()
{
    QSet<QString> texts;
    auto add = [&](const QString& t) {
        if (const QString r = asRead(t); !r.isEmpty())
            texts.insert(r);
    };
    for (QWidget* w : QApplication::allWidgets()) {
        if (w->isWindow())
            add(w->windowTitle());
        for (const QAction* a : w->actions())
            add(a->text());
        if (auto* m = qobject_cast<QMenu*>(w))
            add(m->title());
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            add(b->text());
        if (auto* g = qobject_cast<QGroupBox*>(w))
            add(g->title());
        if (auto* l = qobject_cast<QLabel*>(w))
            add(Qt::mightBeRichText(l->text()) ? QTextDocumentFragment::fromHtml(l->text()).toPlainText() : l->text());
        if (auto* t = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < t->count(); ++i)
                add(t->tabText(i));
        if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i)
                add(c->itemText(i));
    }
    return texts;
}

// The control names a help page quotes: every <span class="ui">…</span>.
QStringList quotedControls(const QString& html)
{
    static const QRegularExpression span(QStringLiteral("<span class=\"ui\">(.*?)</span>"),
                                         QRegularExpression::DotMatchesEverythingOption);
    QStringList names;
    for (auto it = span.globalMatch(html); it.hasNext();)
        names << QTextDocumentFragment::fromHtml(it.next().captured(1)).toPlainText().simplified();
    return names;
}

QString helpPage(const QString& file)
{
    QFile f(QStringLiteral(":/help/") + file);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

// The manual's how-tos name controls as the windows of that language show
// them; a renamed or retranslated control fails here until the manual
// follows.
TEST_F(MainWindowTest, EveryControlTheHelpQuotesExistsInThatLanguage)
{
    start();
    for (const char* file : {"krv14fd.html", "krv14fe.html"}) {
        if (Forms().Help->HelpFile() != QLatin1String(file))
            main->deutschEnglish1Click();
        const QSet<QString> shown = interfaceTexts();
        ASSERT_TRUE(shown.contains("START")) << "the walk missed the analyzer page";
        if (qEnvironmentVariableIsSet("KORVANTA_DUMP_TEXTS")) {
            QStringList all(shown.begin(), shown.end());
            all.sort();
            std::printf("%s:\n%s\n", file, qPrintable(all.join(QLatin1Char('\n'))));
        }
        const QStringList quoted = quotedControls(helpPage(QLatin1String(file)));
        EXPECT_GE(quoted.size(), 40) << file << " quotes hardly any control: is the markup still <span class=\"ui\">?";
        for (const QString& name : quoted)
            EXPECT_TRUE(shown.contains(name)) << file << " quotes \"" << name.toStdString()
                                              << "\", which no window shows in that language";
    }
}

// A menu path copied from the code keeps its accelerator marks ("&Datei"),
// which the page then shows as a literal "&". A caption's own "&" stands
// between blanks ("Save & Test").
TEST(HelpPages, NoPageShowsAnAcceleratorMark)
{
    static const QRegularExpression mark(QStringLiteral("&amp;\\w|&&"), QRegularExpression::UseUnicodePropertiesOption);
    for (const char* file : {"krv14fd.html", "krv14fe.html"}) {
        const QString html = helpPage(QLatin1String(file));
        ASSERT_FALSE(html.isEmpty()) << file;
        QStringList found;
        for (auto it = mark.globalMatch(html); it.hasNext();) {
            const auto m = it.next();
            found << html.mid(std::max<qsizetype>(0, m.capturedStart() - 20), 40).simplified();
        }
        EXPECT_TRUE(found.isEmpty()) << file << ":\n" << qPrintable(found.join(QLatin1Char('\n')));
    }
}

// The built-in copy serves when no page lies beside the program: every
// picture a page shows must be built in with it.
TEST(HelpPages, EveryPictureAPageShowsIsBuiltIn)
{
    static const QRegularExpression img(QStringLiteral("<img src=\"([^\"]+)\""));
    for (const char* file : {"krv14fd.html", "krv14fe.html"}) {
        int pictures = 0;
        for (auto it = img.globalMatch(helpPage(QLatin1String(file))); it.hasNext(); ++pictures) {
            const QString src = it.next().captured(1);
            EXPECT_TRUE(QFile::exists(QStringLiteral(":/help/") + src)) << file << " shows " << src.toStdString();
        }
        EXPECT_GE(pictures, 3) << file;
    }
}
