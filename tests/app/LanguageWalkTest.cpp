// One language at a time: the program is walked in German and in English,
// every window and dialog (shown non-modally), on every page, with every
// menu action triggered once (the questions they ask answered by cancelling
// through the modal hook). Everything a user can read is collected under a
// key naming where it was shown: titles, captions, group titles, combo and
// list items, tab texts, tooltips, menu texts and message boxes.
//
// The two lists are what the program itself shows in each language, plus its
// message and caption tables. A text fails when it is shown the same at the
// same place in both languages (it was never translated), or when one
// language shows a text that only the other language's list holds. A short
// allow-list covers what is the same in every language: numbers, units,
// names of signals and standards, and the devices' own names.
//
// The same walk checks the tooltips a user depends on: a grey menu item says
// why it is grey, menus show tooltips, and a control without a visible label
// has a tooltip.

#include "app/ui/MainMenu.h"
#include "generator/ui/Wavegene.h"
#include "measure/ui/RadioGroup.h"
#include "platform/LanguageTexts.h"
#include "analysis/WeightingCurves.h"
#include "diagram/DiaRender.h"
#include "diagram/ui/Diagr3.h"
#include "tests/app/AppTestSupport.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <map>
#include <set>

using namespace korvanta;

namespace {

constexpr int kPageCount = 3;
constexpr int kModalPollMs = 20;

// Texts the same in every language: numbers with their units, names of
// signals, channels and window functions, and the few words German and
// English share. Everything else must come from a language.
bool Neutral(QString text)
{
    static const QRegularExpression units(QStringLiteral(
        R"((?<![A-Za-zÄÖÜäöüß])(Hz|kHz|dBFS|dBV|dBu|dBm|dbFS|dbV|dbu|dbm|dB|mV|µV|V|ms|µs|s|FS|W|Bits?)(?![A-Za-zÄÖÜäöüß]))"));
    static const QRegularExpression names(QStringLiteral(
        R"(\b(OK|THD\+N|THD|FFT|DC|K1|K2|L1|L2|Ch1|Ch2|CH1|CH2|L|R|X|Y|H\d|Sin|Sqr|START|STOP|Korvanta|deutsch/english|)"
        R"(Hamming|van Hann|Blackman|Bla/Harris|Flat-Top|Rife-Vinc\d)\b)"));
    // Words both languages use alike.
    static const QRegularExpression shared(QStringLiteral(
        R"(\b(Auto|Filter|Form|Generator|Info|linear|max|min|Offset|Parameter|Phase|Setup|Start|Stop|Version|Volt|)"
        R"(Name|In|Out|Para|Opt|Ana|inv|Peak|Dif|Trigger)\b)"));
    text.remove(QLatin1Char('&'));
    text.remove(names);
    text.remove(shared);
    text.remove(units);
    static const QRegularExpression rest(QStringLiteral(R"([\s\d.,:;+\-−–*/%°=()\[\]<>|~#'"_…!?^@]+)"));
    text.remove(rest);
    return text.isEmpty();
}

struct Walk {
    std::map<QString, QString> shown;  // where → text
    QStringList problems;              // tooltips missing, in this language
    QStringList data;                  // names of devices, sources and curves
};

// Neutral once the names that are data are taken out.
bool Allowed(QString text, const QStringList& data)
{
    for (const char* same : words::kSameInBothLanguages)
        if (text == QLatin1String(same))
            return true;
    for (const QString& d : data)
        text.remove(d);
    return Neutral(text);
}

QString Clean(QString text) { return text.remove(QLatin1Char('&')).simplified(); }

// The tooltip an action shows when none was set.
QString Plain(QString text) { return Clean(text.remove(QStringLiteral("..."))); }

// A label with text just before `w` in its layout: left of it or above it
// in a grid, before it in a row or column, or its row's label in a form.
bool LabelBeside(const QWidget* w)
{
    const auto labelled = [](QLayoutItem* item) {
        auto* l = item ? qobject_cast<QLabel*>(item->widget()) : nullptr;
        return l && !Clean(l->text()).isEmpty();
    };
    // The arrows of a spin pair step the field before them.
    if (auto* spin = w->parentWidget(); spin && spin->inherits("korvanta::TSpinButton"))
        w = spin;
    for (QLayout* layout : w->window()->findChildren<QLayout*>()) {
        const int i = layout->indexOf(const_cast<QWidget*>(w));
        if (i < 0)
            continue;
        if (w->inherits("korvanta::TSpinButton") && i > 0 && layout->itemAt(i - 1)->widget() &&
            qobject_cast<QLineEdit*>(layout->itemAt(i - 1)->widget()))
            return true;
        // A field in a row of its own inside a grid or form: the label beside that row.
        if (auto* outer = qobject_cast<QLayout*>(layout->parent()); outer && i == 0) {
            for (int k = 0; k < outer->count(); ++k)
                if (outer->itemAt(k)->layout() == layout) {
                    if (auto* grid = qobject_cast<QGridLayout*>(outer)) {
                        int row = 0, column = 0, rows = 0, columns = 0;
                        grid->getItemPosition(k, &row, &column, &rows, &columns);
                        return labelled(grid->itemAtPosition(row, column - 1)) ||
                               labelled(grid->itemAtPosition(row - 1, column));
                    }
                    return k > 0 && labelled(outer->itemAt(k - 1));
                }
        }
        if (auto* form = qobject_cast<QFormLayout*>(layout))
            return form->labelForField(const_cast<QWidget*>(w)) != nullptr;
        if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
            int row = 0, column = 0, rows = 0, columns = 0;
            grid->getItemPosition(i, &row, &column, &rows, &columns);
            return labelled(grid->itemAtPosition(row, column - 1)) || labelled(grid->itemAtPosition(row - 1, column));
        }
        return i > 0 && labelled(layout->itemAt(i - 1));
    }
    return false;
}

class Walker {
public:
    Walker(Walk& walk, const QList<const QObject*>& kept) : walk_(walk), kept_(kept) { }

    void widgetTree(QWidget* w, const QString& path)
    {
        if (qobject_cast<QMenu*>(w))
            return;  // menus are walked through the menu bar
        add(path + "/tip", w->toolTip());
        if (w->isWindow())
            add(path + "/title", w->windowTitle());
        if (auto* l = qobject_cast<QLabel*>(w))
            add(path + "/label", l->text());
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            add(path + "/button", b->text());
        if (auto* g = qobject_cast<QGroupBox*>(w))
            add(path + "/group", g->title());
        if (auto* c = qobject_cast<QComboBox*>(w); c && !c->isEditable())
            for (int i = 0; i < c->count(); ++i)
                add(path + "/item" + QString::number(i), c->itemText(i));
        if (auto* t = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < t->count(); ++i)
                add(path + "/tab" + QString::number(i), t->tabText(i));
        if (auto* t = qobject_cast<QTableWidget*>(w))
            for (int i = 0; i < t->columnCount(); ++i)
                if (t->horizontalHeaderItem(i))
                    add(path + "/head" + QString::number(i), t->horizontalHeaderItem(i)->text());
        if (auto* e = qobject_cast<QLineEdit*>(w))
            add(path + "/placeholder", e->placeholderText());
        if (auto* s = qobject_cast<QAbstractSpinBox*>(w))
            add(path + "/special", s->specialValueText());
        checkLabelled(w, path);
        int i = 0;
        for (QObject* o : w->children())
            if (auto* child = qobject_cast<QWidget*>(o); child && !child->isWindow())
                widgetTree(child, path + '/' + className(child) + QString::number(i++));
    }

    // A menu of the menu bar: grey as a whole, its title says why.
    void topMenu(QAction* a, const QString& path)
    {
        if (!a->isEnabled()) {
            if (Clean(a->toolTip()) == Plain(a->text()))
                walk_.problems << "grey menu without a reason: " + Clean(a->text());
            add(path + "/tip", a->toolTip());
        }
        menu(a->menu(), path, a->isEnabled());
    }

    void menu(QMenu* m, const QString& path, bool reachable = true)
    {
        if (!m->toolTipsVisible())
            walk_.problems << "menu does not show tooltips: " + Clean(m->title());
        int i = 0;
        for (QAction* a : m->actions()) {
            const QString at = path + '/' + QString::number(i++);
            if (a->isSeparator() || !a->isVisible())
                continue;
            if (a->menu()) {
                // A grey submenu cannot be opened: its own item says why.
                if (reachable && !a->isEnabled() && Clean(a->toolTip()) == Plain(a->text()))
                    walk_.problems << "grey submenu without a reason: " + Clean(m->title()) + " > " + Clean(a->text());
                if (reachable && !a->isEnabled() && !kept_.contains(a))
                    add(at + "/tip", a->toolTip());
                if (!kept_.contains(a))
                    add(at + "/text", a->text());
                menu(a->menu(), at, reachable && a->isEnabled());
                continue;
            }
            if (!kept_.contains(a))
                add(at + "/text", a->text());
            const QString tip = a->toolTip();
            const bool ownTip = Clean(tip) != Plain(a->text());
            if (ownTip && !kept_.contains(a))
                add(at + "/tip", tip);
            if (reachable && !a->isEnabled() && !ownTip)
                walk_.problems << "grey item without a reason: " + Clean(m->title()) + " > " + Clean(a->text());
        }
    }

    void add(const QString& where, const QString& text)
    {
        const QString t = Clean(text);
        if (t.isEmpty())
            return;
        walk_.shown[where] = t;
    }

private:
    static QString className(const QObject* o) { return QString::fromLatin1(o->metaObject()->className()); }

    // A control a user sets needs a name: a label that is its buddy, a
    // title of its own group, text of its own, or a tooltip.
    void checkLabelled(QWidget* w, const QString& path)
    {
        const bool control = qobject_cast<QAbstractSlider*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
                             qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
                             (qobject_cast<QAbstractButton*>(w) && Clean(static_cast<QAbstractButton*>(w)->text()).isEmpty());
        if (!control || !w->isVisibleTo(w->window()))
            return;
        // A tooltip shows over the children of the widget that has it.
        for (const QWidget* p = w; p && p != w->window(); p = p->parentWidget())
            if (!p->toolTip().isEmpty())
                return;
        const QWidget* parent = w->parentWidget();
        if (qobject_cast<const QAbstractSpinBox*>(parent) || qobject_cast<const QComboBox*>(parent) ||
            qobject_cast<const QAbstractScrollArea*>(parent) ||
            qobject_cast<const QAbstractScrollArea*>(parent ? parent->parentWidget() : nullptr))
            return;  // parts of a spin box, combo, list or table
        if (LabelBeside(w))
            return;
        for (QLabel* l : w->window()->findChildren<QLabel*>())
            if (l->buddy() == w)
                return;
        if (auto* g = qobject_cast<QGroupBox*>(w->parentWidget()); g && !Clean(g->title()).isEmpty())
            return;
        walk_.problems << "control without a label or tooltip: " + path + " (" + w->objectName() + ")";
    }

    Walk& walk_;
    const QList<const QObject*>& kept_;
};

// Names that are data, the same in every language: the devices, the
// mixer's sources, the stored names of the weighting curves, the caption.
QStringList DataTexts()
{
    const TMainMenu& m = *Forms().MainForm->Menu;
    QStringList data = WeightingNames();
    for (const QAction* a : m.MixItems)
        if (a->isVisible())
            data << Clean(a->text());
    for (const QAction* a : m.InDeviceItems)
        if (a->isVisible())
            data << Clean(a->text());
    for (const QAction* a : m.OutDeviceItems)
        if (a->isVisible())
            data << Clean(a->text());
    data << QString::fromLatin1(kMainCaption);
    data.removeAll(QString());
    // Longest first, so a name is not cut by a shorter one inside it.
    std::sort(data.begin(), data.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return data;
}

// Menu items whose names are the same in both languages by design: the
// program's own terms, which the manual and the messages use as they stand
// in either language.
QList<const QObject*> KeptNames(const TMainMenu& m)
{
    return {m.THDNoise1, m.Level1, m.Parameter1, m.LevelUnits1->menuAction(), m.AudioInDevice1->menuAction(),
            m.AudioOutDevice1->menuAction(), m.AudioInParameter1, m.AudioOutParameter1, m.AudioInDCOffset1,
            m.WaveInChannel1->menuAction(), m.MixerSupport1, m.Reset1, m.HelpAboutItem};
}

class LanguageWalkTest : public MainWindowTest {
protected:
    Walk walkIn(char letter)
    {
        writeSettings(QByteArray("[MAIN]\nSPRACHE=") + letter + "\n");
        ResetProcessState();
        start();
        Walk walk;
        walk.data = DataTexts();
        const QList<const QObject*> kept = KeptNames(*main->Menu);
        Walker walker(walk, kept);
        modals.defaultAnswer.button = modal::Cancel;
        modals.defaultAnswer.accepted = false;
        for (int page = 0; page < kPageCount; ++page) {
            main->PageControl1->setCurrentIndex(page);
            QApplication::processEvents();
            const QString at = "page" + QString::number(page);
            walkWindows(walker, at);
            walkMenus(walker, at);
            triggerActions(walker, at);
        }
        pressButtons(walker, "buttons");
        walker.add("diagram/credit", DiaRenderer::CreditText(letter));
        // The memories the walk stored are named as the user's would be,
        // whatever the language: data, like the devices' names.
        for (const MemoryCurve& mem : Forms().Diagramm->Memories().bank())
            if (!mem.isEmpty())
                walk.data << Clean(mem.name);
        closeMain();
        return walk;
    }

    void walkWindows(Walker& walker, const QString& at)
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMenu*>(w) || w->objectName().startsWith(QLatin1String("qt_")))
                continue;
            const bool hidden = !w->isVisible();
            if (hidden)
                w->show();  // non-modally: the dialog's captions as a user sees them
            QApplication::processEvents();
            walker.widgetTree(w, at + '/' + QString::fromLatin1(w->metaObject()->className()));
            if (hidden)
                w->hide();
        }
    }

    // An item a user can reach: in a menu that is shown and enabled.
    static bool reachable(const QAction* a)
    {
        for (QObject* o : a->associatedObjects())
            if (auto* m = qobject_cast<QMenu*>(o); m && m->isEnabled() && m->menuAction()->isVisible())
                return true;
        return false;
    }

    void walkMenus(Walker& walker, const QString& at)
    {
        int i = 0;
        for (QAction* a : main->menuBar()->actions())
            if (a->menu() && a->isVisible()) {
                walker.add(at + "/menu" + QString::number(i) + "/title", a->text());
                walker.topMenu(a, at + "/menu" + QString::number(i++));
            }
    }

    // Each item once, every question cancelled: the message boxes it shows,
    // and the dialogs it opens modally, read and then closed.
    void triggerActions(Walker& walker, const QString& at)
    {
        const TMainMenu& m = *main->Menu;
        const QSet<QAction*> skipped{m.FileExitItem, m.deutschEnglish1, m.Reset1};
        int i = 0;
        for (QAction* a : main->menuBar()->findChildren<QAction*>()) {
            const QString where = at + "/act" + QString::number(i++);
            if (a->isSeparator() || a->menu() || !a->isEnabled() || skipped.contains(a) || !reachable(a))
                continue;
            modals.clear();
            QTimer closer;
            QObject::connect(&closer, &QTimer::timeout, [&] {
                if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                    walker.widgetTree(d, where + "/modal");
                    d->reject();
                }
            });
            closer.start(kModalPollMs);
            a->trigger();
            QApplication::processEvents();
            closer.stop();
            int n = 0;
            for (const modal::Question& q : modals.questions()) {
                walker.add(where + "/q" + QString::number(n) + "/caption", q.caption);
                walker.add(where + "/q" + QString::number(n++) + "/text", q.text);
            }
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w != main && w->isVisible() && !qobject_cast<QMenu*>(w) && w->isModal())
                    w->hide();
        }
        main->PageControl1->setCurrentIndex(main->PageControl1->currentIndex());
    }

    // The message boxes the windows' own buttons show: each dialog's OK (the
    // checks of what was entered), and the generator's Start with a wave
    // file of its own chosen but none given. Every question is cancelled.
    void pressButtons(Walker& walker, const QString& at)
    {
        int i = 0;
        const auto press = [&](QPushButton* b) {
            modals.clear();
            b->click();
            QApplication::processEvents();
            int n = 0;
            for (const modal::Question& q : modals.questions()) {
                const QString where = at + "/" + QString::number(i) + "/q" + QString::number(n++);
                walker.add(where + "/caption", q.caption);
                walker.add(where + "/text", q.text);
            }
            ++i;
        };
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(w);
            if (!dialog || w->objectName().startsWith(QLatin1String("qt_")))
                continue;
            for (QPushButton* b : dialog->findChildren<QPushButton*>())
                if (Clean(b->text()) == QLatin1String("OK") && b->isEnabled()) {
                    dialog->show();
                    press(b);
                    dialog->hide();
                }
        }
        TWavegen* generator = Forms().Wavegen;
        const int form = generator->RadioGroup1->itemIndex();
        generator->RadioGroup1->setItemIndex(generator->RadioGroup1->count() - 1);
        press(generator->Gstart);
        generator->Gstop->click();
        generator->RadioGroup1->setItemIndex(form);
    }
};

// The program's own tables of both languages.
QSet<QString> TableTexts(char letter)
{
    QSet<QString> texts;
    const MessageTable t = *MessageTableFor(letter);
    for (const QString& s : {t.soundStartError, t.leftLabel, t.rightLabel, t.startSampleError, t.nextBlockError,
                             t.correctionHeading, t.sweepFreqError, t.noFundamental, t.fileNotCreated, t.calibrated,
                             t.uncalibrated, t.correctionActive})
        texts << Clean(s);
    const MainWindowTexts m = *MainTextsFor(letter);
    for (const QString& s : QStringList{m.tabSheet1, m.tabSheet2, m.tabSheet3, m.fftPointsGroup, m.runningGroup,
                                        m.menuFile, m.filePrint, m.fileExit, m.saveAsText, m.menuEdit, m.comment,
                                        m.editCopy, m.menuCorrection, m.loadInCor, m.editInCor, m.loadOutCor,
                                        m.editOutCor, m.testCor, m.menuOptions, m.calibration, m.featureList,
                                        m.helpContents, m.averages, m.backButton, m.saveTextTitle} +
                                m.runningItems)
        texts << Clean(s);
    for (const Words& w : AllWords())
        texts << Clean(Pick(letter, w));
    return texts;
}

QSet<QString> Values(const Walk& w)
{
    QSet<QString> v;
    for (const auto& [where, text] : w.shown)
        v << text;
    return v;
}

// A message that tells the user what to press quotes the control's name
// („User“, "Setup", “Setup”): that name must be one the windows show in
// the same language.
QStringList UnknownQuotedNames(const Walk& w)
{
    static const QRegularExpression quoted(QStringLiteral("[„“\"]([^„“”\"]{1,40})[“”\"]"));
    const QSet<QString> shown = Values(w);
    QStringList unknown;
    for (const auto& [where, text] : w.shown) {
        if (!where.contains(QLatin1String("/q")) || !where.endsWith(QLatin1String("/text")))
            continue;
        for (auto it = quoted.globalMatch(text); it.hasNext();) {
            const QString name = Clean(it.next().captured(1));
            if (!shown.contains(name) && !w.data.contains(name))
                unknown << name + "    (" + where + ": " + text + ")";
        }
    }
    return unknown;
}

} // namespace

TEST_F(LanguageWalkTest, EachLanguageShowsOnlyItsOwnTexts)
{
    const Walk german = walkIn('D');
    const Walk english = walkIn('E');
    ASSERT_GT(german.shown.size(), 300u) << "the walk saw too little to mean anything";

    const QStringList data = german.data + english.data;
    const QSet<QString> germanList = Values(german) + TableTexts('D');
    const QSet<QString> englishList = Values(english) + TableTexts('E');
    QStringList untranslated, wrongLanguage;
    for (const auto& [where, text] : german.shown) {
        const auto e = english.shown.find(where);
        if (e != english.shown.end() && e->second == text && !Allowed(text, data))
            untranslated << text + "    (" + where + ")";
    }
    const auto other = [&](const Walk& walk, const QSet<QString>& own, const QSet<QString>& others, const char* mode) {
        for (const auto& [where, text] : walk.shown)
            if (others.contains(text) && !own.contains(text) && !Allowed(text, data))
                wrongLanguage << QString::fromLatin1(mode) + ": " + text + "    (" + where + ")";
    };
    // A text only the other language shows, or only its tables hold.
    other(german, TableTexts('D'), englishList, "German mode");
    other(english, TableTexts('E'), germanList, "English mode");
    untranslated.sort();
    EXPECT_TRUE(untranslated.isEmpty()) << "the same in both languages:\n" << qPrintable(untranslated.join('\n'));
    EXPECT_TRUE(wrongLanguage.isEmpty()) << "the other language's text:\n" << qPrintable(wrongLanguage.join('\n'));
    EXPECT_GT(std::count_if(german.shown.begin(), german.shown.end(),
                            [](const auto& e) { return e.first.startsWith(QLatin1String("buttons/")); }),
              0)
        << "no window's button showed a message";
    EXPECT_TRUE(UnknownQuotedNames(german).isEmpty()) << qPrintable(UnknownQuotedNames(german).join('\n'));
    EXPECT_TRUE(UnknownQuotedNames(english).isEmpty()) << qPrintable(UnknownQuotedNames(english).join('\n'));
    EXPECT_TRUE(german.problems.isEmpty()) << qPrintable(german.problems.join('\n'));
    EXPECT_TRUE(english.problems.isEmpty()) << qPrintable(english.problems.join('\n'));
}

// The allow-list lets numbers, units and signal names through, and nothing
// that is a word of either language.
TEST(LanguageWalk, NeutralTextsAreNumbersUnitsAndNames)
{
    struct Case {
        const char* text;
        bool neutral;
    } const cases[] = {
        {"1000.0 Hz", true}, {"-20 dB", true},     {"OK", true},         {"THD+N", true},
        {"100%", true},      {"van Hann", true},    {"START", true},      {"0.5 mV", true},
        {"Sinus", false},    {"Abbruch", false},   {"Help", false},      {"Pegel L R", false},
        {"mV eff", false},   {"FFT-Window", false}, {"Input samples", false}, {"K2", true}, {"Ch2", true},
        {"Rife-Vinc2", true}, {"H2 dB", true}, {"K1-K2", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Neutral(QString::fromUtf8(c.text)), c.neutral) << c.text;
}
