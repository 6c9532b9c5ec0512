// Every reader of a file the user or a settings file names, on what is no
// file it can read: a pipe (an open would wait for a writer for ever), an
// endless device, a folder, a link to nothing, and a file larger than any
// reader takes (a wave file padded to 1 GiB, sparse). Each refuses it and
// says why, or takes it where that is sound, and leaves the path as it
// was. A reader that opened the pipe would hang until the test's timeout.

#include "cli/DeviceTestReference.h"
#include "cli/ToleranceBand.h"
#include "correction/CorrectionFile.h"
#include "diagram/MemoryFile.h"
#include "platform/DeviceLog.h"
#include "platform/ProfileStore.h"
#include "platform/audio/WaveFile.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>
#include <set>

#include <sys/stat.h>
#include <unistd.h>

using namespace korvanta;

namespace {

enum class Kind { Pipe, Endless, Folder, Dangling, Oversized };

const struct {
    Kind kind;
    const char* says;   // in the English reason
} kHostile[] = {
    {Kind::Pipe, "it is a pipe, not a regular file"},  {Kind::Endless, "it is a device, not a regular file"},
    {Kind::Folder, "it is a folder"},                  {Kind::Dangling, "which does not exist"},
    {Kind::Oversized, "it is larger than"},
};

// 16-bit mono at 48 kHz, four frames of silence.
const QByteArray kTinyWave("RIFF\x2c\0\0\0WAVEfmt \x10\0\0\0\1\0\1\0\x80\xbb\0\0\0\x77\1\0\2\0\x10\0data\x08\0\0\0\0\0\0\0\0\0\0\0",
                           52);

void make(Kind kind, const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    switch (kind) {
    case Kind::Pipe: ASSERT_EQ(::mkfifo(name.constData(), 0600), 0); break;
    case Kind::Endless: ASSERT_EQ(::symlink("/dev/zero", name.constData()), 0); break;
    case Kind::Folder: ASSERT_TRUE(QDir().mkdir(path)); break;
    case Kind::Dangling: ASSERT_EQ(::symlink("../gone", name.constData()), 0); break;
    case Kind::Oversized: ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(kTinyWave) && f.resize(qint64(1) << 30));
    }
}

// The node at `path`, or the one a reader moved aside beside it.
std::set<ino_t> nodes(const QString& path)
{
    std::set<ino_t> found;
    const QFileInfo info(path);
    for (const QString& name : QDir(info.absolutePath()).entryList(QDir::AllEntries | QDir::System))
        if (struct stat st {}; name.startsWith(info.fileName()) &&
                               ::lstat(QFile::encodeName(info.absolutePath() + '/' + name).constData(), &st) == 0)
            found.insert(st.st_ino);
    return found;
}

struct Outcome {
    bool taken;     // the reader took the path as it is
    QString said;   // its message, or empty
};

Outcome unlessRefused(const QString& error) { return {error.isEmpty(), error}; }

const DtCardKey kCard{"hw:CARD=USB,DEV=0", "hw:CARD=USB,DEV=0", 48000, 24, 24};

Outcome command(const QString& settings)
{
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("KORVANTA_SETTINGS", settings);
    p.setProcessEnvironment(e);
    p.start(KORVANTA_MEASURE_EXE, {"thdn", "--dut", "fast=1", "--fft", "2048", "--averages", "1"});
    const bool ended = p.waitForFinished(60000);
    return {ended && p.exitCode() == 0, ended ? QString::fromUtf8(p.readAllStandardError()) : "hangs"};
}

Outcome settings(const QString& p)
{
    ProfileStore s(p);
    s.load();
    s.setValue("MAIN", "PAGE", "1");
    return {s.save(), s.readError()};
}

Outcome storedReference(const QString& p)
{
    DeviceTestResult r;
    QString error;
    const DtReferenceStore store(QFileInfo(p).absolutePath());
    return {store.load(kCard, r, error, 'E') == DtReferenceStore::Load::Found, error};
}

Outcome correction(const QString& p)
{
    ModalRecorder modal;
    CorrectionTable t;
    return {LoadCorrection(t, p), modal.messageTexts().join('\n')};
}

Outcome memories(const QString& p)
{
    devlog::Clear();
    MemoryStore(p).load();
    return {devlog::Lines().isEmpty(), devlog::Lines().join('\n')};
}

Outcome tolerance(const QString& p) { return unlessRefused(LoadToleranceBand(p).error); }

Outcome waveFile(const QString& p)
{
    QString why;
    return {OpenWaveFile(p, why) != nullptr, why};
}

Outcome reference(const QString& p)
{
    return unlessRefused(ChooseDtReference(p, false, kCard, DtReferenceStore(p + ".store")).error);
}

TEST(FileReaders, NoReaderHangsOnOrReadsWhatIsNoFileForIt)
{
    SetCorLanguage('E');
    const QString storedName = QFileInfo(DtReferenceStore("refs").fileFor(kCard)).fileName();
    const struct {
        const char* name;
        Outcome (*read)(const QString&);
        std::set<Kind> takes;        // where taking the path is sound
        QString file = "x";
        bool folderByName = false;   // a folder gets the plain read error, which names it
    } readers[] = {
        {"settings", settings, {Kind::Dangling}},   // a save creates the file the link leads to
        {"the command's settings", command, {Kind::Dangling}},
        {"--reference", reference, {}},
        {"the reference folder", storedReference, {}, storedName},
        {"correction", correction, {}, "x", true},
        {"memory", memories, {Kind::Dangling}},     // none yet; the next write creates the file
        {"tolerance", tolerance, {}},
        {"wave file", waveFile, {Kind::Oversized}}, // streamed: any length plays
    };
    for (const auto& reader : readers) {
        for (const auto& h : kHostile) {
            SCOPED_TRACE(std::string(reader.name) + ", " + h.says);
            ScratchDir dir;
            const QString path = dir.file("hostile/" + reader.file);
            make(h.kind, path);
            ASSERT_FALSE(HasFatalFailure());
            const std::set<ino_t> before = nodes(path);
            const Outcome o = reader.read(path);
            EXPECT_EQ(nodes(path), before) << "the path stays what it was";
            EXPECT_EQ(o.taken, reader.takes.count(h.kind) == 1) << o.said.toStdString();
            if (!o.taken) {
                const bool byName = reader.folderByName && h.kind == Kind::Folder;
                EXPECT_TRUE(o.said.contains(byName ? path : h.says)) << o.said.toStdString();
            }
        }
    }
}

} // namespace
