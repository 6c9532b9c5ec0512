// Where the file dialogs start: each kind of file in the folder its last
// file was chosen in, else in the documents folder, across a restart too.

#include "platform/FileFolders.h"
#include "platform/ProfileStore.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {

struct FileFolders : ::testing::Test {
    ScratchDir dir;
    ModalRecorder modals;
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);

    void SetUp() override
    {
        ResetFileFolders();
        QDir().mkpath(docs);
        QDir().mkpath(dir.file("tables"));
        QDir().mkpath(dir.file("pictures"));
    }
    void TearDown() override { ResetFileFolders(); }

    // The folder (or path) the next dialog of `ext` opened at, answering `answer` (empty: cancelled).
    QString ask(const char* ext, const QString& initial, const QString& answer)
    {
        modals.clear();
        if (answer.isEmpty())
            modals.answerCancel();
        else
            modals.answerFile(answer);
        modal::SaveFileName(QStringLiteral("title"), QStringLiteral("File | *.x"), QString::fromLatin1(ext), initial);
        return modals.questions().empty() ? QString() : modals.questions().back().initialPath;
    }
};

TEST_F(FileFolders, EachKindStartsWhereItsLastFileWasChosen)
{
    const QString tables = dir.file("tables"), pictures = dir.file("pictures");
    const struct {
        const char* ext;
        QString initial, answer, startsAt;
    } steps[] = {
        {"txt", {}, tables + "/a.txt", docs},                  // a first dialog: the documents
        {"csv", {}, {}, tables},                               // the same kind, cancelled
        {"png", {}, pictures + "/p.png", docs},                // another kind keeps its own
        {"txt", {}, tables + "/b.txt", tables},
        {"svg", "plot.svg", pictures + "/q.svg", pictures + "/plot.svg"},   // a proposed name goes there
        {"wav", "/media/x/tone.wav", {}, "/media/x/tone.wav"},              // a file chosen before stays
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.ext);
        EXPECT_EQ(ask(s.ext, s.initial, s.answer), s.startsAt);
    }

    // Kept in the settings file for the next start; a folder gone since
    // is no place to start.
    ProfileStore store(dir.file("krv14f.ini"));
    WriteFileFolders(store);
    EXPECT_EQ(store.value(QStringLiteral("FOLDERS"), QStringLiteral("TEXT"), QString()), tables);
    EXPECT_FALSE(store.contains(QStringLiteral("FOLDERS"), QStringLiteral("WAVE")));
    store.setValue(QStringLiteral("FOLDERS"), QStringLiteral("REPORT"), QStringLiteral("relative/folder"));
    ResetFileFolders();
    ReadFileFolders(store);
    EXPECT_EQ(ask("txt", {}, {}), tables);
    EXPECT_EQ(ask("json", {}, {}), docs) << "a relative folder is not taken";
    QDir(pictures).removeRecursively();
    EXPECT_EQ(ask("png", {}, {}), docs);
    WriteFileFolders(store);
    EXPECT_FALSE(store.contains(QStringLiteral("FOLDERS"), QStringLiteral("REPORT")));
    EXPECT_EQ(store.value(QStringLiteral("FOLDERS"), QStringLiteral("PICTURE"), QString()), pictures)
        << "a folder that is gone for now (a removable disk) is kept";
}

} // namespace
