// The memory menu and the picture export through the main window: storing,
// replacing and deleting only when the user agrees, renaming, hiding, loading tables
// (a refused table changes nothing), a restart, the language switch, the
// oscilloscope page and the saved picture.

#include "tests/app/AppTestSupport.h"
#include "diagram/ui/Diagr3.h"
#include "app/ui/MainMenu.h"
#include "app/ui/MemoryMenu.h"

#include <QAction>
#include <QMenu>
#include <QTabWidget>
#include <functional>

using namespace korvanta;

namespace {

class MemoryMenuTest : public MainWindowTest {
protected:
    TDiagramm& diagram() { return *Forms().Diagramm; }
    TMemoryMenu& menu() { return *main->MemoryMenu; }

    // A flat curve 1 at `level`, commented `comment`.
    void showCurve(float level, const QString& comment)
    {
        diagram().ShowCurves(true, false);
        ShowFlatCurve(diagram(), level, comment);
    }
};

TEST_F(MemoryMenuTest, StoreReplaceRenameHideAndRestart)
{
    start();
    showCurve(-40, "before repair");
    menu().Slots[2].store->trigger();
    const MemoryCurve& m = diagram().Memories().at(2);
    ASSERT_FALSE(m.isEmpty());
    EXPECT_EQ(m.name, "before repair");
    EXPECT_EQ(menu().Slots[2].menu->title(), "&3: before repair");
    EXPECT_TRUE(menu().Slots[2].show->isChecked());

    showCurve(-50, "after repair");
    modals.answerButton(modal::No);
    menu().Slots[2].store->trigger();
    EXPECT_EQ(diagram().Memories().at(2).traces[0].values[0], -40.0f);
    modals.answerButton(modal::Yes);
    menu().Slots[2].store->trigger();
    EXPECT_EQ(diagram().Memories().at(2).traces[0].values[0], -50.0f);

    modal::Answer renamed;
    renamed.text = "after the repair";
    modals.enqueue(renamed);
    menu().Slots[2].rename->trigger();
    EXPECT_EQ(diagram().Memories().at(2).name, "after the repair");
    menu().Slots[2].show->trigger();
    EXPECT_FALSE(diagram().Memories().at(2).visible);
    const MemoryBank before = diagram().Memories().bank();

    restart();
    EXPECT_TRUE(diagram().Memories().bank() == before);
    EXPECT_EQ(menu().Slots[2].menu->title(), "&3: after the repair");
    EXPECT_FALSE(menu().Slots[2].show->isChecked());
    // Deleting asks first; a refusal keeps the memory, in the file too.
    modals.answerButton(modal::No);
    menu().Slots[2].remove->trigger();
    ASSERT_FALSE(modals.questions().empty());
    EXPECT_TRUE(modals.questions().back().text.contains("after the repair"));
    EXPECT_TRUE(diagram().Memories().at(2).name == "after the repair");
    restart();
    EXPECT_TRUE(diagram().Memories().bank() == before);
    modals.answerButton(modal::Yes);
    menu().Slots[2].remove->trigger();
    EXPECT_TRUE(diagram().Memories().at(2).isEmpty());
    EXPECT_FALSE(menu().Slots[2].rename->isEnabled());
}

TEST_F(MemoryMenuTest, LoadsTablesAndRefusesOthersWithoutChange)
{
    start();
    dir.write("good.csv", "# from another tool\nf,L,R\n20,-1,-2\n1000,-3,-4\n");
    dir.write("bad.csv", "20,-1\n1000,-3\n500,-2\n");
    modals.answerFile(dir.file("good.csv"));
    menu().Slots[0].load->trigger();
    const MemoryCurve loaded = diagram().Memories().at(0);
    ASSERT_EQ(loaded.traces.size(), 2u);
    EXPECT_EQ(loaded.name, "good");
    EXPECT_EQ(loaded.x, (std::vector<float>{20, 1000}));
    // The analyzer page hides the right axis: both levels are read on the left one.
    EXPECT_FALSE(loaded.traces[1].rightScale);

    modals.clear();
    modals.answerFile(dir.file("bad.csv"));
    menu().Slots[0].load->trigger();
    EXPECT_TRUE(diagram().Memories().at(0) == loaded);
    ASSERT_EQ(modals.messageTexts().size(), 1);
    EXPECT_TRUE(modals.messageTexts()[0].contains("bad.csv, Zeile 3:")) << modals.messageTexts()[0].toStdString();
}

TEST_F(MemoryMenuTest, SavesPictureFollowsLanguageAndTakesTheOscilloscopesOnItsPage)
{
    start();
    showCurve(-40, "picture");
    const QString file = dir.file("diagram.png");
    modals.answerFile(file);
    menu().AskPictureSize = [](QSize proposal) -> std::optional<QSize> {
        EXPECT_EQ(proposal, QSize(1024, 768));
        return QSize(640, 480);
    };
    menu().SavePictureItem->trigger();
    EXPECT_EQ(QImage(file).size(), QSize(640, 480));

    main->deutschEnglish1Click();
    EXPECT_EQ(menu().MemoryMenu->title(), "&Memory");
    EXPECT_EQ(menu().Slots[0].store->text(), "&Store shown curves");
    EXPECT_EQ(menu().SavePictureItem->text(), "Save as &picture...");

    main->PageControl1->setCurrentIndex(2);
    QApplication::processEvents();
    EXPECT_FALSE(menu().MemoryMenu->isEnabled());
    EXPECT_TRUE(menu().SavePictureItem->isEnabled()) << "the picture is the oscilloscope's there";
    main->deutschEnglish1Click();
    EXPECT_TRUE(menu().SavePictureItem->isEnabled()) << "a language switch keeps it so";
    main->PageControl1->setCurrentIndex(0);
    QApplication::processEvents();
    EXPECT_TRUE(menu().MemoryMenu->isEnabled());
}

// A page change clears the curves. Saving then refuses with a word, asks
// for no file and leaves the one that is there as it was; once a curve is
// shown again, both saves write.
TEST_F(MemoryMenuTest, NothingShownIsNeitherSavedAsTextNorAsPicture)
{
    start();
    menu().AskPictureSize = [](QSize) -> std::optional<QSize> { return QSize(640, 480); };
    const struct {
        const char* file;
        std::function<void()> save;
    } cases[] = {
        {"values.txt", [&] { main->Menu->SpeichernalsText1->trigger(); }},
        {"picture.png", [&] { menu().SavePictureItem->trigger(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        main->PageControl1->setCurrentIndex(1);
        showCurve(-40, "sweep");
        main->PageControl1->setCurrentIndex(0);
        main->PageControl1->setCurrentIndex(1);
        QApplication::processEvents();
        dir.write(QLatin1String(c.file), "kept");
        modals.clear();
        modals.answerFile(dir.file(QLatin1String(c.file)));
        c.save();
        ASSERT_EQ(modals.questions().size(), 1u) << "a file was asked for";
        EXPECT_EQ(modals.questions()[0].type, modal::Type::Message);
        EXPECT_TRUE(modals.questions()[0].text.contains("nichts gespeichert")) << modals.questions()[0].text.toStdString();
        EXPECT_EQ(dir.read(QLatin1String(c.file)), QByteArray("kept"));

        showCurve(-40, "sweep");
        modals.clear();
        modals.answerFile(dir.file(QLatin1String(c.file)));
        c.save();
        EXPECT_NE(dir.read(QLatin1String(c.file)), QByteArray("kept"));
        EXPECT_TRUE(modals.messageTexts().isEmpty()) << modals.messageTexts().join('\n').toStdString();
    }
}

// A comment the user never wrote names nothing: the memory is named after
// its place instead, in the language shown.
TEST_F(MemoryMenuTest, APlaceholderCommentDoesNotNameAMemory)
{
    start();
    showCurve(-40, "Bemerkung:");
    menu().Slots[1].store->trigger();
    EXPECT_EQ(diagram().Memories().at(1).name, "Speicher 2");
    main->deutschEnglish1Click();
    showCurve(-40, "remark:");
    menu().Slots[4].store->trigger();
    EXPECT_EQ(diagram().Memories().at(4).name, "Memory 5");
    showCurve(-40, "Amplifier B");
    menu().Slots[5].store->trigger();
    EXPECT_EQ(diagram().Memories().at(5).name, "Amplifier B");
}

} // namespace
