// Golden files of what a user's session leaves behind: the settings file
// after every page has been entered and run, and the main window's menu
// tree per page and language. They pin behaviour that a rework of the
// program's structure must not change.
//
// Machine independence: the settings file is named by the test
// (KORVANTA_SETTINGS) in its own scratch folder, and that folder's path is
// written as <dir> in the fixtures and golden files (the correction files
// are loaded from there). Devices are the virtual card's, whose names are
// fixed. Window places come from the fixtures or from the offscreen
// screen, which is the same everywhere. Where the file names no usable
// size or place, a window takes it from its contents (fonts) or from its
// frame (screen resolution); those few values are compared as <layout>,
// listed per case (SettingsCase::layout). No date, time or user name is
// written.
//
// With KORVANTA_RECORD_GOLDEN=1 the test writes what it sees into
// tests/app/golden/ and fails, so that a recording never counts as a pass.
// golden/README.md says which keys each fixture's output changes and why.
#include "measure/ui/AnalyzerPage.h"
#include "tests/app/AppTestSupport.h"
#include "app/ui/DistortionMenu.h"
#include "distortion/ui/DistortionWindow.h"
#include "generator/ui/GeneratorPage.h"
#include "app/ui/MainMenu.h"
#include "scope/ScopeEngine.h"
#include "scope/ui/ScopePage.h"
#include "generator/SweepEngine.h"
#include "generator/ui/Wavegene.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <vector>

using namespace korvanta;

namespace {
const QString kGoldenDir = QStringLiteral(KORVANTA_GOLDEN_DIR);
const QByteArray kDirPlaceholder = "<dir>";
constexpr int kResultTimeoutMs = 60000;
constexpr int kMaxDiffLines = 40;
constexpr int kPageCount = 3;

// Replaces the values of `keys` ("SECTION/KEY ...") by <layout>.
QByteArray withLayoutPlaceholders(const QByteArray& text, const char* keys)
{
    const QList<QByteArray> wanted = QByteArray(keys).split(' ');
    QList<QByteArray> lines = text.split('\n');
    QByteArray section;
    for (QByteArray& line : lines) {
        if (line.startsWith('['))
            section = line.mid(1, line.indexOf(']') - 1);
        const QByteArray key = line.left(line.indexOf('='));
        if (line.contains('=') && wanted.contains(section + '/' + key))
            line = key + "=<layout>";
    }
    return lines.join('\n');
}

QByteArray readGolden(const QString& name)
{
    QFile f(kGoldenDir + QLatin1Char('/') + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Lines only in `expected` as "-", only in `actual` as "+", in file order
// (a longest common subsequence of lines), each run of them headed by its
// line numbers as in a unified diff; at most kMaxDiffLines of them.
std::string lineDiff(const QByteArray& expected, const QByteArray& actual)
{
    const QList<QByteArray> a = expected.split('\n'), b = actual.split('\n');
    const qsizetype n = a.size(), m = b.size();
    std::vector<std::vector<int>> common(n + 1, std::vector<int>(m + 1, 0));
    for (qsizetype i = n - 1; i >= 0; --i)
        for (qsizetype j = m - 1; j >= 0; --j)
            common[i][j] = a[i] == b[j] ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
    std::string out;
    int shown = 0;
    bool inHunk = false;
    qsizetype i = 0, j = 0;
    while ((i < n || j < m) && shown < kMaxDiffLines) {
        if (i < n && j < m && a[i] == b[j]) {
            ++i, ++j;
            inHunk = false;
            continue;
        }
        if (!inHunk)
            out += "@@ -" + std::to_string(i + 1) + " +" + std::to_string(j + 1) + " @@\n";
        inHunk = true;
        ++shown;
        if (i < n && (j == m || common[i + 1][j] >= common[i][j + 1]))
            out += "-" + a[i++].toStdString() + "\n";
        else
            out += "+" + b[j++].toStdString() + "\n";
    }
    return out;
}

::testing::AssertionResult matchesGolden(const QString& name, const QByteArray& actual)
{
    if (qEnvironmentVariableIntValue("KORVANTA_RECORD_GOLDEN") == 1) {
        QFile f(kGoldenDir + QLatin1Char('/') + name);
        if (!f.open(QIODevice::WriteOnly) || f.write(actual) != actual.size())
            return ::testing::AssertionFailure() << "cannot write " << f.fileName().toStdString();
        return ::testing::AssertionFailure() << name.toStdString()
                                             << ": recorded, rerun without KORVANTA_RECORD_GOLDEN";
    }
    const QByteArray expected = readGolden(name);
    if (expected == actual)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << name.toStdString() << " differs (- golden, + now):\n"
                                         << lineDiff(expected, actual);
}

class Golden : public MainWindowTest {
protected:
    QByteArray withDir(const QByteArray& text) const { return QByteArray(text).replace(kDirPlaceholder, dir.path().toUtf8()); }
    QByteArray withPlaceholder(const QByteArray& text) const
    {
        return QByteArray(text).replace(dir.path().toUtf8(), kDirPlaceholder);
    }

    // START, one spectrum, STOP.
    void runAnalyzer()
    {
        TAnalyzerPage* page = main->AnalyzerPage;
        QSignalSpy spectra(page, &TAnalyzerPage::spectrumShown);
        page->StartButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(spectra.count() > 0, kResultTimeoutMs);
        page->StopButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(page->StartButton->isEnabled(), kResultTimeoutMs);
    }

    // The generator window's Start, the tone on the output, Stop.
    void runGenerator()
    {
        TWavegen* generator = Forms().Wavegen;
        generator->Gstart->click();
        QTRY_VERIFY_WITH_TIMEOUT(VirtualCard::instance().outputPlaying(), kResultTimeoutMs);
        generator->Gstop->click();
        QTRY_VERIFY_WITH_TIMEOUT(!VirtualCard::instance().outputPlaying(), kResultTimeoutMs);
    }

    // Sweep START, one point, STOP (the sweep ends at its next step).
    void runSweep()
    {
        TGeneratorPage* page = main->GeneratorPage;
        QSignalSpy points(&page->Engine(), &TSweepEngine::pointReady);
        QSignalSpy idle(page, &TGeneratorPage::sweepIdle);
        page->wobbelnBut->click();
        QTRY_VERIFY_WITH_TIMEOUT(points.count() > 0, kResultTimeoutMs);
        page->STOPbut->click();
        QTRY_VERIFY_WITH_TIMEOUT(idle.count() > 0, kResultTimeoutMs);
    }

    // Entering the page starts the frame loop: one frame, then stop.
    void runScope()
    {
        TScopePage* page = main->ScopePage;
        QSignalSpy frames(page->Engine(), &ScopeEngine::frameShown);
        QTRY_VERIFY_WITH_TIMEOUT(frames.count() > 0, kResultTimeoutMs);
        page->OsziStartStop->click();
        QTRY_VERIFY_WITH_TIMEOUT(!page->Engine()->Running(), kResultTimeoutMs);
    }

    // The distortion window from its menu item: Start, one step, Stop.
    void runDistortion()
    {
        main->DistortionMenu->Distortion1->trigger();
        TDistortionWindow* window = Forms().Distortion;
        window->StartButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(!window->Points().empty(), kResultTimeoutMs);
        window->StopButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(window->StartButton->isEnabled(), kResultTimeoutMs);
        window->close();
    }

    void enterPage(int index)
    {
        main->PageControl1->setCurrentIndex(index);
        QApplication::processEvents();
    }
};

struct SettingsCase {
    const char* name;
    const char* fixture; // null: no settings file at the start
    const char* golden;
    const char* layout;  // values the windows chose themselves
};
void PrintTo(const SettingsCase& c, std::ostream* os) { *os << c.name; }

class GoldenSettings : public Golden, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(GoldenSettings, EveryPageRunThenExitWritesTheGoldenFile)
{
    const SettingsCase c = GetParam();
    if (c.fixture)
        writeSettings(withDir(readGolden(QLatin1String(c.fixture))));
    // The correction files the in-range fixture names.
    dir.write("in.cor", "20 1.5\n1000 0\n20000 -2\n");
    dir.write("out.cor", "20 -1\n1000 0.5\n20000 1\n");
    start();
    const int firstPage = main->PageControl1->currentIndex();
    enterPage(0);
    ASSERT_NO_FATAL_FAILURE(runAnalyzer());
    enterPage(1);
    ASSERT_NO_FATAL_FAILURE(runGenerator());
    ASSERT_NO_FATAL_FAILURE(runSweep());
    enterPage(2);
    ASSERT_NO_FATAL_FAILURE(runScope());
    ASSERT_NO_FATAL_FAILURE(runDistortion());
    enterPage(firstPage);
    closeMain();
    const QByteArray written = withLayoutPlaceholders(withPlaceholder(dir.read("krv14f.ini")), c.layout);
    EXPECT_TRUE(matchesGolden(QLatin1String(c.golden), written));
    EXPECT_TRUE(modals.questions().empty()) << modals.messageTexts().join(" | ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Walk, GoldenSettings,
                         ::testing::Values(
                             // The oscilloscope window as high as the main window, the
                             // distortion window at least as big as its contents and its
                             // diagram below its frame.
                             SettingsCase{"Fresh", nullptr, "fresh.ini",
                                          "OSZI/HEIGHT VERZERR/X VERZERR/Y VERZERR/W VERZERR/H "
                                          "VERZDIAGRAMM/X VERZDIAGRAMM/Y"},
                             SettingsCase{"InRange", "in-range.ini", "in-range.out.ini", ""},
                             // The diagram's damaged place: below the window's frame.
                             SettingsCase{"OutOfRange", "out-of-range.ini", "out-of-range.out.ini",
                                          "VERZDIAGRAMM/Y"}),
                         [](const auto& info) { return std::string(info.param.name); });

// One line per item, indented by depth: its text with the & mnemonic, the
// shortcut, and the states that differ from a plain enabled item.
void dumpMenu(const QList<QAction*>& actions, int depth, QByteArray& out)
{
    for (const QAction* a : actions) {
        QString line(depth * 2, QLatin1Char(' '));
        if (a->isSeparator()) {
            line += QStringLiteral("----");
        } else {
            line += a->text();
            if (!a->shortcut().isEmpty())
                line += QStringLiteral(" [") + a->shortcut().toString(QKeySequence::PortableText) + QLatin1Char(']');
            if (!a->isEnabled())
                line += QStringLiteral(" {disabled}");
            if (a->isCheckable())
                line += a->isChecked() ? QStringLiteral(" {checked}") : QStringLiteral(" {unchecked}");
        }
        if (!a->isVisible())
            line += QStringLiteral(" {hidden}");
        out += line.toUtf8() + '\n';
        if (a->menu())
            dumpMenu(a->menu()->actions(), depth + 1, out);
    }
}

TEST_F(Golden, MenuTreePerPageAndLanguage)
{
    start();
    QByteArray out;
    for (const char language : {'D', 'E'}) {
        if (language == 'E')
            main->Menu->deutschEnglish1->trigger();
        for (int page = 0; page < kPageCount; ++page) {
            enterPage(page);
            out += "== page " + QByteArray::number(page) + " language " + language + '\n';
            dumpMenu(main->menuBar()->actions(), 0, out);
        }
    }
    EXPECT_TRUE(matchesGolden(QStringLiteral("menus.txt"), out));
}
} // namespace
