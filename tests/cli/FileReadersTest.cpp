// Every reader of a file the user names, or a settings file names, on paths
// that are no file it can read: a pipe (an open would wait for a writer for
// ever), an endless device, a folder, a link to nothing, and a file larger
// than any reader takes (a wave file padded to 1 GiB, sparse, so it costs no
// disk). None may hang or read it; each says why where it speaks, or takes
// it where that is sound, and the path stays what it was. A reader that
// opened the pipe would hang: the test's timeout then fails it.

#include "cli/DeviceTestReference.h"
#include "cli/ToleranceBand.h"
#include "correction/CorrectionFile.h"
#include "devicetest/DtReference.h"
#include "diagram/CurveTable.h"
#include "diagram/MemoryFile.h"
#include "platform/DeviceLog.h"
#include "platform/ProfileStore.h"
#include "platform/audio/WaveFile.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <functional>
#include <gtest/gtest.h>
#include <set>

#include <sys/stat.h>
#include <unistd.h>

using namespace korvanta;

namespace {

enum class Kind { Pipe, Endless, Folder, Dangling, Oversized };

const struct {
    Kind kind;
    const char* name;
    const char* says;   // in the English reason
} kHostile[] = {
    {Kind::Pipe, "a pipe", "it is a pipe, not a regular file"},
    {Kind::Endless, "an endless device", "it is a device, not a regular file"},
    {Kind::Folder, "a folder", "it is a folder"},
    {Kind::Dangling, "a link to nothing", "which does not exist"},
    {Kind::Oversized, "a file of 1 GiB", "it is larger than"},
};

// 16-bit mono at 48 kHz, four frames of silence.
const QByteArray kTinyWave("RIFF\x2c\0\0\0WAVEfmt \x10\0\0\0\1\0\1\0\x80\xbb\0\0\0\x77\1\0\2\0\x10\0data\x08\0\0\0\0\0\0\0\0\0\0\0",
                           52);

void make(Kind kind, const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    switch (kind) {
    case Kind::Pipe: ASSERT_EQ(::mkfifo(name.constData(), 0600), 0); break;
    case Kind::Endless: ASSERT_EQ(::symlink("/dev/zero", name.constData()), 0); break;
    case Kind::Folder: ASSERT_TRUE(QDir().mkdir(path)); break;
    case Kind::Dangling: ASSERT_EQ(::symlink(QFile::encodeName(path + ".gone").constData(), name.constData()), 0); break;
    case Kind::Oversized: {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(kTinyWave) == kTinyWave.size() && f.resize(qint64(1) << 30));
        break;
    }
    }
}

ino_t inode(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// The node is still there: at its path, or moved aside beside it.
bool kept(const QString& path, ino_t before)
{
    const QFileInfo info(path);
    for (const QString& name : QDir(info.absolutePath()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden))
        if (name.startsWith(info.fileName()) && inode(info.absolutePath() + '/' + name) == before)
            return true;
    return false;
}

struct Outcome {
    bool taken = false;   // the reader took the path as it is
    QString said;         // its message, or empty
};

const DtCardKey kCard{QStringLiteral("hw:CARD=USB,DEV=0"), QStringLiteral("hw:CARD=USB,DEV=0"), 48000, 24, 24};

Outcome command(const QString& settings)
{
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("KORVANTA_SETTINGS"), settings);
    p.setProcessEnvironment(e);
    p.start(QStringLiteral(KORVANTA_MEASURE_EXE), {"thdn", "--dut", "fast=1", "--fft", "2048", "--averages", "1"});
    const bool ended = p.waitForFinished(60000);
    return {ended && p.exitCode() == 0, ended ? QString::fromUtf8(p.readAllStandardError()) : QStringLiteral("hangs")};
}

struct Reader {
    const char* name;
    std::function<QString(const ScratchDir&)> where;
    std::function<Outcome(const QString&)> read;
    std::set<Kind> takes;        // where taking the path is sound
    bool folderByName = false;   // a folder gets the plain read error, which names it
};

QString plainFile(const ScratchDir& dir) { return dir.file("hostile/x"); }

const std::vector<Reader>& readers()
{
    static const std::vector<Reader> list{
        {"settings", plainFile,
         [](const QString& p) {
             ProfileStore s(p);
             s.load();
             s.setValue("MAIN", "PAGE", "1");
             return Outcome{s.save(), s.readError()};
         },
         {Kind::Dangling}},   // a save creates the file the link leads to
        {"the command's settings", plainFile, command, {Kind::Dangling}},
        {"--reference", plainFile,
         [](const QString& p) {
             const DtReferenceChoice c = ChooseDtReference(p, false, kCard, DtReferenceStore(p + ".store"));
             return Outcome{c.error.isEmpty(), c.error};
         },
         {}},
        {"the reference folder",
         [](const ScratchDir& d) { return DtReferenceStore(d.file("refs")).fileFor(kCard); },
         [](const QString& p) {
             DeviceTestResult r;
             QString error;
             const bool found = DtReferenceStore(QFileInfo(p).absolutePath()).load(kCard, r, error, 'E') ==
                                DtReferenceStore::Load::Found;
             return Outcome{found, error};
         },
         {}},
        {"correction", plainFile,
         [](const QString& p) {
             ModalRecorder modal;
             CorrectionTable t;
             const bool loaded = LoadCorrection(t, p);
             return Outcome{loaded, modal.messageTexts().join('\n')};
         },
         {}, true},
        {"memory", plainFile,
         [](const QString& p) {
             devlog::Clear();
             MemoryStore(p).load();
             return Outcome{devlog::Lines().isEmpty(), devlog::Lines().join('\n')};
         },
         {Kind::Dangling}},   // no memories yet; the next write creates the file
        {"tolerance", plainFile,
         [](const QString& p) {
             const BandParse b = LoadToleranceBand(p);
             return Outcome{b.error.isEmpty(), b.error};
         },
         {}},
        {"curve table", plainFile,
         [](const QString& p) {
             const CurveTableResult r = LoadCurveTable(p);
             return Outcome{r.ok(), CurveTableMessage(r, p, QLatin1Char('E'))};
         },
         {}},
        {"wave file", plainFile,
         [](const QString& p) {
             QString why;
             const bool opened = OpenWaveFile(p, why) != nullptr;
             return Outcome{opened, why};
         },
         {Kind::Oversized}},   // streamed: any length plays
    };
    return list;
}

TEST(FileReaders, NoReaderHangsOnOrReadsWhatIsNoFileForIt)
{
    SetCorLanguage('E');
    for (const Reader& reader : readers()) {
        for (const auto& h : kHostile) {
            SCOPED_TRACE(std::string(reader.name) + ", " + h.name);
            ScratchDir dir;
            const QString path = reader.where(dir);
            make(h.kind, path);
            ASSERT_FALSE(HasFatalFailure());
            const ino_t before = inode(path);
            const Outcome o = reader.read(path);
            EXPECT_TRUE(kept(path, before)) << "the path stays what it was";
            if (reader.takes.count(h.kind)) {
                EXPECT_TRUE(o.taken) << o.said.toStdString();
                continue;
            }
            EXPECT_FALSE(o.taken);
            const bool byName = reader.folderByName && h.kind == Kind::Folder;
            EXPECT_TRUE(o.said.contains(byName ? path : QString::fromLatin1(h.says))) << o.said.toStdString();
        }
    }
}

} // namespace
