#include "platform/AtomicFile.h"
#include "platform/DeviceLog.h"
#include "platform/ProfileStore.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <ostream>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace korvanta;

// Readable failure messages for Qt strings.
static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {
const QByteArray kSample =
    "; settings written by hand\r\n"
    "[Main]\r\n"
    "Page=2\r\n"
    "  sprache =  \"E\"  \r\n"
    "COMMENT='quoted text'\r\n"
    "unknown=keep me\r\n"
    "\r\n"
    "[OTHER]\r\n"
    "x=1\r\n"
    "[main]\r\n"
    "PAGE=9\r\n";

const QByteArray kBom = "\xEF\xBB\xBF";

// Every file in the directory but `keep`.
QStringList othersIn(const ScratchDir& dir, const QString& keep)
{
    QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.removeAll(keep);
    return names;
}

// A process number that certainly belonged to a process that has ended.
long long endedProcess()
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}
} // namespace

TEST(ProfileStoreRead, CaseInsensitiveFirstMatchTrimmedAndUnquoted)
{
    ScratchDir dir;
    dir.write("a.ini", kSample);
    const QString path = dir.file("a.ini");
    EXPECT_EQ(GetProfileString("MAIN", "PAGE", "0", 154, path), "2") << "first section and key win";
    EXPECT_EQ(GetProfileString("main", "Sprache", "D", 154, path), "E");
    EXPECT_EQ(GetProfileString("MAIN", "COMMENT", "", 154, path), "quoted text");
    EXPECT_EQ(GetProfileString("MAIN", "missing", " dflt ", 154, path), "dflt");
    EXPECT_EQ(GetProfileString("NOPE", "PAGE", "7", 154, path), "7");
    EXPECT_EQ(GetProfileString("OTHER", "X", "", 154, path), "1");
}

TEST(ProfileStoreRead, ValueIsCutToBufferLengthMinusOne)
{
    ScratchDir dir;
    dir.write("a.ini", "[S]\nK=abcdefghij\n");
    const QString path = dir.file("a.ini");
    EXPECT_EQ(GetProfileString("S", "K", "", 11, path), "abcdefghij") << "10 characters fit a buffer of 11";
    EXPECT_EQ(GetProfileString("S", "K", "", 10, path), "abcdefghi");
    EXPECT_EQ(GetProfileString("S", "K", "", 1, path), "");
    EXPECT_EQ(GetProfileString("S", "none", "123456", 4, path), "123") << "defaults are cut too";
}

TEST(ProfileStoreRead, MissingFileGivesDefaults)
{
    ScratchDir dir;
    EXPECT_EQ(GetProfileString("S", "K", "def", 154, dir.file("none.ini")), "def");
}

TEST(ProfileStoreRead, LineEndsOfEveryKind)
{
    ScratchDir dir;
    dir.write("a.ini", "[S]\r\nA=1\r\nB=2\nC=3\rD=4");
    const QString path = dir.file("a.ini");
    EXPECT_EQ(GetProfileString("S", "A", "", 154, path), "1") << "no CR left on the value";
    EXPECT_EQ(GetProfileString("S", "B", "", 154, path), "2");
    EXPECT_EQ(GetProfileString("S", "C", "", 154, path), "3");
    EXPECT_EQ(GetProfileString("S", "D", "", 154, path), "4") << "last line without line end";
}

TEST(ProfileStoreRead, Windows1252ValueWithUmlauts)
{
    ScratchDir dir;
    // "Messung Höhe ä€" in Windows-1252.
    dir.write("a.ini", QByteArray("[FFT]\r\nCOMMENT=Messung H\xF6he \xE4\x80\r\n"));
    EXPECT_EQ(GetProfileString("FFT", "COMMENT", "", 154, dir.file("a.ini")),
              QString::fromUtf8("Messung Höhe ä€"));
    dir.write("b.ini", QString::fromUtf8("[FFT]\nCOMMENT=Höhe\n").toUtf8());
    EXPECT_EQ(GetProfileString("FFT", "COMMENT", "", 154, dir.file("b.ini")), QString::fromUtf8("Höhe"));
}

TEST(ProfileStoreRead, BinaryJunkAndOverlongLinesDoNotHideGoodKeys)
{
    ScratchDir dir;
    static const char kJunk[] = "\x00\x01\xFF\xFE[\x00]=\x00\n";
    QByteArray junk(kJunk, sizeof kJunk - 1);
    junk += QByteArray(100000, 'x') + "\n";
    junk += "[S]\nLONG=" + QByteArray(5000, 'y') + "\nK=ok\n";
    dir.write("a.ini", junk);
    const QString path = dir.file("a.ini");
    EXPECT_EQ(GetProfileString("S", "K", "", 154, path), "ok");
    EXPECT_EQ(GetProfileString("S", "LONG", "", 154, path), QString(153, 'y'));
    // A write keeps the junk and the long line, and adds the key.
    ASSERT_TRUE(WriteProfileString("S", "NEW", "1", path));
    EXPECT_EQ(GetProfileString("S", "NEW", "", 154, path), "1");
    EXPECT_EQ(GetProfileString("S", "LONG", "", 6000, path), QString(5000, 'y'));
    EXPECT_TRUE(dir.read("a.ini").contains(QByteArray(100000, 'x')));
}

// Editors put a byte order mark at the start; a file passed through two of
// them has two. The first section must still be found and updated in place.
TEST(ProfileStoreRead, ByteOrderMarksAtTheStartAreSkipped)
{
    for (int marks = 0; marks <= 3; ++marks) {
        SCOPED_TRACE(marks);
        ScratchDir dir;
        dir.write("a.ini", kBom.repeated(marks) + "[MAIN]\r\nPAGE=2\r\n[FFT]\r\nWIN=3\r\n");
        const QString path = dir.file("a.ini");
        EXPECT_EQ(GetProfileString("MAIN", "PAGE", "0", 154, path), "2");
        ASSERT_TRUE(WriteProfileString("MAIN", "PAGE", "1", path));
        EXPECT_EQ(GetProfileString("MAIN", "PAGE", "0", 154, path), "1") << "the write is seen by the next read";
        EXPECT_EQ(dir.read("a.ini"), "[MAIN]\r\nPAGE=1\r\n[FFT]\r\nWIN=3\r\n") << "no second [MAIN] appended";
    }
}

TEST(ProfileStoreWrite, KeepsCommentsUnknownKeysAndLayout)
{
    ScratchDir dir;
    dir.write("a.ini", kSample);
    const QString path = dir.file("a.ini");
    ASSERT_TRUE(WriteProfileString("MAIN", "PAGE", "1", path));
    ASSERT_TRUE(WriteProfileString("Main", "NEWKEY", "v", path));
    ASSERT_TRUE(WriteProfileString("EICH", "INPUT", "497.0", path));

    const QByteArray after = dir.read("a.ini");
    const QByteArray expected =
        "; settings written by hand\r\n"
        "[Main]\r\n"
        "Page=1\r\n"
        "  sprache =  \"E\"  \r\n"
        "COMMENT='quoted text'\r\n"
        "unknown=keep me\r\n"
        "NEWKEY=v\r\n"
        "\r\n"
        "[OTHER]\r\n"
        "x=1\r\n"
        "[main]\r\n"
        "PAGE=9\r\n"
        "[EICH]\r\n"
        "INPUT=497.0\r\n";
    EXPECT_EQ(after, expected);
}

// What is set reads back the same, or is refused and changes nothing: a
// value or name that would break out of its line (the wave file name below
// once wrote a [MAIN] section of its own) never reaches the file. Values
// with blanks or quotes at their ends are kept in quotes; every other value
// is written as it stands, as files of earlier versions hold it.
TEST(ProfileStoreWrite, WhatIsSetReadsBackTheSameOrIsRefused)
{
    const QByteArray kOld = "[MAIN]\nSPRACHE=D\n[GEN]\nUFNAME=old.wav\n";
    struct Case {
        QString section, key, value;
        const char* line; // the line the file then holds, or null: refused
    };
    const std::vector<Case> cases = {
        {"GEN", "UFNAME", "evil\n[MAIN]\nSPRACHE=E\n[GEN2]\nZ=.wav", nullptr},
        {"MAIN", "INCONAME", "/etc/passwd\r\n[EICH]", nullptr},
        {"GEN", "UFNAME", "a\rb", nullptr},
        {"GEN", "UFNAME", QString(QChar(0xD800)), nullptr}, // half a surrogate pair: no text
        {"GEN]", "K", "1", nullptr},
        {"G=N", "K", "1", nullptr},
        {"G\nN", "K", "1", nullptr},
        {"", "K", "1", nullptr},
        {" GEN", "K", "1", nullptr},
        {"GEN", "K=1\nX", "1", nullptr},
        {"GEN", "[MAIN]", "1", nullptr},
        {"GEN", ";K", "1", nullptr},
        {"GEN", "K ", "1", nullptr},
        {"GEN", "", "1", nullptr},
        {"GEN", "UFNAME", "C:\\new\\tone [1] = a;b #c.wav", "UFNAME=C:\\new\\tone [1] = a;b #c.wav"},
        {"GEN", "UFNAME", "", "UFNAME="},
        {"GEN", "UFNAME", QString::fromUtf8("Höhe ä€"), "UFNAME=Höhe ä€"},
        {"GEN", "UFNAME", "\"", "UFNAME=\""},
        {"GEN", "UFNAME", " remark: ", "UFNAME=\" remark: \""},
        {"GEN", "UFNAME", "\"quoted\"", "UFNAME=\"\"quoted\"\""},
        {"GEN", "UFNAME", "'x'", "UFNAME=\"'x'\""},
        {"GEN", "UFNAME", "\t", "UFNAME=\"\t\""},
        {"DIAGPRIV", "SEPARATOR", " ", "SEPARATOR=\" \""},
        {"GEN", "[x]k", "1", nullptr},
        {"G[E]N", "K", "1", nullptr},
        {"G[EN", "K", "1", "K=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(qPrintable(c.section + " / " + c.key + " / " + c.value));
        ScratchDir dir;
        dir.write("a.ini", kOld);
        const QString path = dir.file("a.ini");
        devlog::Clear();
        ProfileStore store(path);
        ASSERT_TRUE(store.load());
        const bool accepted = store.setValue(c.section, c.key, c.value);
        ASSERT_EQ(accepted, c.line != nullptr);
        ASSERT_TRUE(store.save());
        if (!accepted) {
            EXPECT_EQ(dir.read("a.ini"), kOld) << "a refusal changes nothing";
            ASSERT_EQ(devlog::Lines().size(), 1);
            EXPECT_TRUE(devlog::Lines().front().contains("not stored")) << qPrintable(devlog::Lines().front());
            EXPECT_FALSE(WriteProfileString(c.section, c.key, c.value, path));
            EXPECT_EQ(dir.read("a.ini"), kOld);
            continue;
        }
        const QStringList lines = QString::fromUtf8(dir.read("a.ini")).split('\n');
        EXPECT_TRUE(lines.contains(QString::fromUtf8(c.line))) << qPrintable(lines.join('|'));
        EXPECT_EQ(GetProfileString(c.section, c.key, "<missing>", 1 << 16, path), c.value);
        EXPECT_EQ(GetProfileString("MAIN", "SPRACHE", "", 154, path), "D");
        EXPECT_EQ(devlog::Lines(), QStringList{});
    }
}

TEST(ProfileStoreWrite, CreatesFileAndDirectory)
{
    ScratchDir dir;
    const QString path = dir.file("sub/dir/new.ini");
    ASSERT_TRUE(WriteProfileString("S", "K", "V", path));
    EXPECT_EQ(dir.read("sub/dir/new.ini"), "[S]\nK=V\n");
}

TEST(ProfileStoreWrite, BatchWritesManyKeysAtOnce)
{
    ScratchDir dir;
    dir.write("a.ini", "[X]\nkeep=1\n");
    ProfileStore store(dir.file("a.ini"));
    ASSERT_TRUE(store.load());
    for (int i = 0; i < 50; ++i)
        store.setValue("FFT", QStringLiteral("K%1").arg(i), QString::number(i));
    store.removeKey("X", "nothing");
    ASSERT_TRUE(store.save());
    EXPECT_EQ(GetProfileString("FFT", "K49", "", 154, dir.file("a.ini")), "49");
    EXPECT_EQ(GetProfileString("X", "keep", "", 154, dir.file("a.ini")), "1");
}

TEST(ProfileStoreWrite, ACrashDuringTheWriteLeavesTheOldFileWhole)
{
    ScratchDir dir;
    QByteArray old = "[A]\n";
    for (int i = 0; i < 2000; ++i)
        old += "KEY" + QByteArray::number(i) + "=value number " + QByteArray::number(i) + "\n";
    dir.write("a.ini", old);
    const QString path = dir.file("a.ini");

    const ChildResult r = RunInChild([&] {
        testing_hooks::SetProfileSaveInterruptHook([] { ::_exit(42); });
        WriteProfileString("A", "KEY5", "changed", path);
        return 0;
    });
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 42) << "the child must die in the middle of the save";
    EXPECT_EQ(dir.read("a.ini"), old);
}

TEST(ProfileStoreWrite, UnreadableFileIsNeverReplaced)
{
    ScratchDir dir;
    dir.write("a.ini", "[A]\nK=secret\n");
    const QString path = dir.file("a.ini");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0200), 0); // write-only
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), NobodyUid(), NobodyGid()), 0);
    const ChildResult r = RunInChild(
        [&] {
            if (WriteProfileString("A", "X", "1", path))
                return 1;
            // A caller that goes on after a failed load cannot replace it either.
            ProfileStore store(path);
            store.load();
            store.setValue("B", "Y", "2");
            return store.save() ? 2 : 0;
        },
        /*dropPrivileges=*/true);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0) << "every write must report failure";
    ::chmod(QFile::encodeName(path).constData(), 0600);
    EXPECT_EQ(dir.read("a.ini"), "[A]\nK=secret\n");
}

TEST(SettingsLocation, OverrideProgramDirAndFallback)
{
    ScratchDir dir;
    EXPECT_EQ(SettingsFilePathFor("/x/y.ini", dir.path(), "", "/home/u"), "/x/y.ini");
    EXPECT_EQ(SettingsFilePathFor("", dir.path(), "", "/home/u"), dir.file("krv14f.ini"));

    // An unwritable program directory (checked as an unprivileged user, since
    // root may write anywhere) falls back to the XDG config directory.
    QDir().mkpath(dir.file("prog"));
    ASSERT_EQ(::chmod(QFile::encodeName(dir.file("prog")).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    const QString prog = dir.file("prog");
    const ChildResult r = RunInChild(
        [&] {
            const bool xdg = SettingsFilePathFor("", prog, "/tmp/xdg", "/home/u") == "/tmp/xdg/korvanta/krv14f.ini";
            const bool home = SettingsFilePathFor("", prog, "", "/home/u") == "/home/u/.config/korvanta/krv14f.ini";
            return xdg && home ? 0 : 1;
        },
        /*dropPrivileges=*/true);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

// A save that is killed before its rename leaves its own temporary copy; the
// next save removes it, so copies never pile up.
TEST(ProfileStoreWrite, AKilledSaveLeavesACopyThatTheNextSaveRemoves)
{
    ScratchDir dir;
    dir.write("a.ini", "[A]\nK=old\n");
    const QString path = dir.file("a.ini");
    QString previous;
    for (int kill = 0; kill < 3; ++kill) {
        const ChildResult r = RunInChild([&] {
            testing_hooks::SetProfileSaveInterruptHook([] { ::_exit(42); });
            WriteProfileString("A", "K", "new", path);
            return 0;
        });
        ASSERT_EQ(r.exitCode, 42);
        // The killed save's own copy is there; the one before it is gone.
        const QStringList left = othersIn(dir, "a.ini");
        ASSERT_EQ(left.size(), 1) << qPrintable(left.join(' '));
        long long pid = 0;
        EXPECT_TRUE(IsTemporaryCopyName(left[0], "a.ini", pid)) << qPrintable(left[0]);
        EXPECT_NE(left[0], previous);
        previous = left[0];
        EXPECT_EQ(dir.read("a.ini"), "[A]\nK=old\n");
    }

    ASSERT_TRUE(WriteProfileString("A", "K", "new", path));
    EXPECT_EQ(othersIn(dir, "a.ini"), QStringList{});
    EXPECT_EQ(dir.read("a.ini"), "[A]\nK=new\n");
}

// Only our own leftovers go: names that merely look alike, copies of a
// process that still runs, links and other users' files all stay.
TEST(ProfileStoreWrite, StrayCopyCleanupTouchesNothingElse)
{
    ScratchDir dir;
    const long long gone = endedProcess();
    const QString deadCopy = QStringLiteral("a.ini.korvanta-save-%1-Ab3dE9").arg(gone);
    struct Entry {
        QString name;
        bool removed;
    };
    const std::vector<Entry> entries = {
        {deadCopy, true},
        {QStringLiteral("a.ini.korvanta-save-%1-Ab3dE9").arg(::getppid()), false}, // still running
        {QStringLiteral("a.ini.korvanta-save-%1-Ab3dE9").arg(::getpid()), false},  // this process
        {QStringLiteral("a.ini.korvanta-save-%1-Ab3d").arg(gone), false},          // not our name
        {QStringLiteral("a.ini.korvanta-save-%1-Ab3dE9.bak").arg(gone), false},
        {QStringLiteral("b.ini.korvanta-save-%1-Ab3dE9").arg(gone), false},        // another file's
        {QStringLiteral("a.ini.backup"), false},
        {QStringLiteral("a.ini.Xy12Zq"), false},
        {QStringLiteral("a.ini~"), false},
    };
    for (const Entry& e : entries)
        dir.write(e.name, "x");
    const QString linkName = QStringLiteral("a.ini.korvanta-save-%1-LinkAB").arg(gone);
    ASSERT_EQ(::symlink("a.ini.backup", QFile::encodeName(dir.file(linkName)).constData()), 0);
    const QString foreignName = QStringLiteral("a.ini.korvanta-save-%1-Nobody").arg(gone);
    dir.write(foreignName, "x");
    ASSERT_EQ(::chown(QFile::encodeName(dir.file(foreignName)).constData(), NobodyUid(), NobodyGid()), 0);

    ASSERT_TRUE(WriteProfileString("A", "K", "v", dir.file("a.ini")));
    for (const Entry& e : entries)
        EXPECT_EQ(QFileInfo::exists(dir.file(e.name)), !e.removed) << qPrintable(e.name);
    EXPECT_TRUE(QFileInfo(dir.file(linkName)).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(dir.file(foreignName))) << "another user's file";
}

// What a write may replace. The user's own links to the user's own file
// are followed (the link stays a link); a link someone else made, a link to
// someone else's file, and anything that is not a regular file are refused
// and stay as they are. A file that is replaced keeps its mode, owner and
// group.
TEST(AtomicFileTarget, FollowsOnlyTheUsersOwnLinksAndReplacesOnlyRegularFiles)
{
    const QByteArray kOld = "[A]\nK=1\n";
    const QByteArray kNew = "[A]\nK=2\n";
    struct Case {
        const char* name;
        const char* settings;                       // the path written to
        std::function<void(const ScratchDir&)> make; // what lies there
        const char* replaced;                        // the file that takes the new content, or null: refused
    };
    auto link = [](const ScratchDir& d, const char* target, const char* name) {
        ASSERT_EQ(::symlink(target, QFile::encodeName(d.file(name)).constData()), 0);
    };
    auto chownTo = [](const QString& path, bool followLink) {
        const QByteArray p = QFile::encodeName(path);
        ASSERT_EQ(followLink ? ::chown(p.constData(), NobodyUid(), NobodyGid())
                             : ::lchown(p.constData(), NobodyUid(), NobodyGid()),
                  0);
    };
    const std::vector<Case> cases = {
        {"own link to own file", "link.ini",
         [&](const ScratchDir& d) { d.write("real.ini", kOld); link(d, "real.ini", "link.ini"); }, "real.ini"},
        {"chain of own links", "link.ini",
         [&](const ScratchDir& d) {
             QDir().mkpath(d.file("sub"));
             d.write("sub/real.ini", kOld);
             link(d, "sub/middle.ini", "link.ini");
             link(d, "real.ini", "sub/middle.ini");
         },
         "sub/real.ini"},
        {"own link to a file not made yet", "link.ini", [&](const ScratchDir& d) { link(d, "real.ini", "link.ini"); },
         "real.ini"},
        {"link of another user", "link.ini",
         [&](const ScratchDir& d) {
             d.write("real.ini", kOld);
             link(d, "real.ini", "link.ini");
             chownTo(d.file("link.ini"), false);
         },
         nullptr},
        {"own link to another user's file", "link.ini",
         [&](const ScratchDir& d) {
             d.write("real.ini", kOld);
             chownTo(d.file("real.ini"), true);
             link(d, "real.ini", "link.ini");
         },
         nullptr},
        {"own link to a pipe", "link.ini",
         [&](const ScratchDir& d) {
             ASSERT_EQ(::mkfifo(QFile::encodeName(d.file("pipe")).constData(), 0600), 0);
             link(d, "pipe", "link.ini");
         },
         nullptr},
        {"a pipe", "pipe", [&](const ScratchDir& d) { ASSERT_EQ(::mkfifo(QFile::encodeName(d.file("pipe")).constData(), 0600), 0); },
         nullptr},
        {"another user's file, no link", "real.ini",
         [&](const ScratchDir& d) {
             d.write("real.ini", kOld);
             chownTo(d.file("real.ini"), true);
         },
         "real.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        c.make(dir);
        ASSERT_FALSE(HasFatalFailure());
        const QString path = dir.file(c.settings);
        struct stat before {};
        const bool existed = ::stat(QFile::encodeName(path).constData(), &before) == 0;
        if (existed && S_ISREG(before.st_mode)) {
            ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
        }
        const QFileInfo linkBefore(path);

        QString reason;
        const bool written = WriteFileAtomically(path, kNew, reason);
        EXPECT_EQ(written, c.replaced != nullptr) << qPrintable(reason);
        EXPECT_EQ(linkBefore.isSymLink(), QFileInfo(path).isSymLink()) << "a link stays a link";
        struct stat after {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &after), c.replaced || existed ? 0 : -1);
        if (c.replaced) {
            EXPECT_EQ(dir.read(c.replaced), kNew);
            if (existed) {
                EXPECT_EQ(after.st_mode & 0777, 0640u);
                EXPECT_EQ(after.st_uid, before.st_uid) << "the owner stays";
                EXPECT_EQ(after.st_gid, before.st_gid) << "the group stays";
            }
        } else {
            EXPECT_FALSE(reason.isEmpty());
            EXPECT_EQ(after.st_ino, before.st_ino) << "the target is untouched";
            if (S_ISREG(after.st_mode)) {
                EXPECT_EQ(dir.read(c.settings), kOld);
            }
        }
        EXPECT_EQ(othersIn(dir, "x").filter(".korvanta-save-"), QStringList{}) << "no copy left";
    }
}

// A write that cannot be done leaves the old file and no copy, and says why
// in the system's words: a folder that is a file, a folder this user may
// not write (as an unprivileged child, since root may write anywhere), and
// a disk that takes no more (a file size limit, which fails the same way).
TEST(AtomicFileFailure, LeavesTheOldFileAndNoCopyAndSaysWhy)
{
    struct Case {
        const char* name;
        const char* path;
        bool unprivileged;
        int fileSizeLimit; // bytes, 0 = none
        int expectedError;
    };
    const std::vector<Case> cases = {
        {"parent is a file", "blocker/a.ini", false, 0, ENOTDIR},
        {"folder not writable", "ro/a.ini", true, 0, EACCES},
        {"disk full", "a.ini", false, 16, EFBIG},
    };
    const QByteArray kOld = "[A]\nK=old\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        dir.write("blocker", "not a folder");
        QDir().mkpath(dir.file("ro"));
        dir.write("ro/a.ini", kOld);
        dir.write("a.ini", kOld);
        ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
        const QString path = dir.file(c.path);
        const ChildResult r = RunInChild(
            [&] {
                if (c.fileSizeLimit > 0) {
                    ::signal(SIGXFSZ, SIG_IGN);
                    const rlimit limit{rlim_t(c.fileSizeLimit), rlim_t(c.fileSizeLimit)};
                    ::setrlimit(RLIMIT_FSIZE, &limit);
                }
                QString reason;
                if (WriteFileAtomically(path, "[A]\nK=" + QByteArray(100, 'n') + "\n", reason))
                    return 1;
                std::fprintf(stderr, "%s", qPrintable(reason));
                return 0;
            },
            c.unprivileged);
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0) << "the write must fail";
        EXPECT_EQ(r.stdErr, qt_error_string(c.expectedError));
        if (QFileInfo(path).isFile()) {
            EXPECT_EQ(dir.read(c.path), kOld);
        }
        EXPECT_EQ(othersIn(dir, "x").filter(".korvanta-save-"), QStringList{});
        EXPECT_EQ(QDir(dir.file("ro")).entryList(QDir::Files | QDir::Hidden), QStringList{"a.ini"});
    }
}

// The shutdown's sections, written one after another by separate stores,
// reach the disk in one replacement with the same content and order as
// separate saves would give.
TEST(SettingsTransaction, CollectsEverySaveIntoOneReplacement)
{
    const QByteArray old = "; mine\n[MIX]\nMIXON=TRUE\n";
    auto writeSections = [](const QString& path) {
        const std::vector<std::pair<QString, QString>> sections = {
            {"SDSOUND", "SINWAVERAM2"}, {"MAIN", "PAGE"}, {"DIAGPRIV", "XLOG"}, {"MIX", "MIXON"}, {"ANALYSE", "FVON"}};
        for (const auto& [section, key] : sections) {
            ProfileStore store(path);
            store.load();
            store.setValue(section, key, section.toLower());
            ASSERT_TRUE(store.save());
        }
    };
    ScratchDir plain;
    plain.write("a.ini", old);
    writeSections(plain.file("a.ini"));

    ScratchDir dir;
    dir.write("a.ini", old);
    int diskWrites = 0;
    testing_hooks::SetProfileSaveInterruptHook([&] { ++diskWrites; });
    BeginSettingsTransaction();
    BeginSettingsTransaction(); // a second begin changes nothing
    writeSections(dir.file("a.ini"));
    EXPECT_EQ(dir.read("a.ini"), old) << "nothing reaches the disk before the commit";
    EXPECT_EQ(GetProfileString("MAIN", "PAGE", "", 154, dir.file("a.ini")), "main") << "reads see the collected content";
    EXPECT_TRUE(CommitSettingsTransaction());
    EXPECT_FALSE(SettingsTransactionOpen());
    testing_hooks::SetProfileSaveInterruptHook({});
    EXPECT_EQ(diskWrites, 1);
    EXPECT_EQ(dir.read("a.ini"), plain.read("a.ini"));

    ASSERT_TRUE(WriteProfileString("MAIN", "PAGE", "after", dir.file("a.ini")));
    EXPECT_EQ(GetProfileString("MAIN", "PAGE", "", 154, dir.file("a.ini")), "after") << "later saves write at once";
}

// The commit hands back what it could not write, with the reason and the
// content the file would have held; the file stays as it was. A file that
// is there but cannot be read collects the sections saved to it, so that
// they can be kept elsewhere, and is never replaced.
TEST(SettingsTransaction, HandsBackTheFilesItCouldNotWrite)
{
    ScratchDir dir;
    dir.write("blocker", "not a folder");
    dir.write("secret.ini", "[A]\nK=secret\n");
    const QString secret = dir.file("secret.ini");
    ASSERT_EQ(::chmod(QFile::encodeName(secret).constData(), 0200), 0); // write-only
    ASSERT_EQ(::chown(QFile::encodeName(secret).constData(), NobodyUid(), NobodyGid()), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    const QString blocked = dir.file("blocker/krv14f.ini");
    const QString fine = dir.file("fine.ini");
    const ChildResult r = RunInChild(
        [&] {
            BeginSettingsTransaction();
            for (const QString& path : {blocked, secret, fine})
                for (const char* section : {"MAIN", "GEN"}) {
                    ProfileStore store(path);
                    if (!store.load() && QFileInfo::exists(path))
                        return 10;
                    store.setValue(section, "K", section);
                    store.save();
                }
            const std::vector<UnsavedSettings> unsaved = CommitSettings();
            for (const UnsavedSettings& u : unsaved)
                std::fprintf(stderr, "%s|%s|%s\n", qPrintable(u.path), qPrintable(u.reason),
                             QByteArray(u.bytes).replace('\n', ' ').constData());
            return SettingsTransactionOpen() ? 11 : 0;
        },
        /*dropPrivileges=*/true);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.stdErr);
    QStringList reported = r.stdErr.split('\n', Qt::SkipEmptyParts);
    reported.sort();
    ASSERT_EQ(reported.size(), 2) << qPrintable(r.stdErr);
    EXPECT_EQ(reported[0], blocked + "|" + qt_error_string(ENOTDIR) + "|[MAIN] K=MAIN [GEN] K=GEN ");
    EXPECT_TRUE(reported[1].startsWith(secret + "|")) << qPrintable(reported[1]);
    EXPECT_TRUE(reported[1].contains(qt_error_string(EACCES))) << qPrintable(reported[1]);
    EXPECT_TRUE(reported[1].endsWith("|[MAIN] K=MAIN [GEN] K=GEN ")) << qPrintable(reported[1]);
    ::chmod(QFile::encodeName(secret).constData(), 0600);
    EXPECT_EQ(dir.read("secret.ini"), "[A]\nK=secret\n");
    EXPECT_EQ(dir.read("fine.ini"), "[MAIN]\nK=MAIN\n[GEN]\nK=GEN\n");
}
