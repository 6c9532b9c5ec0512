#include "cli/DeviceTestReference.h"

#include "cli/CommandLanguage.h"
#include "cli/ResultFile.h"
#include "devicetest/DtJson.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QFileInfo>

namespace korvanta {

namespace {

constexpr Words kUnreadable{"sie ist nicht lesbar: %1", "it cannot be read: %1"};
constexpr Words kNoReport{"sie ist kein Gerätetest-Bericht: %1", "it is no device test report: %1"};
constexpr Words kNoSelfTest{"sie ist kein Selbsttest (ein Lauf mit --self-test und einem einfachen Kabel)",
                            "it is no self-test (a run with --self-test and a plain cable)"};
constexpr Words kUnfinished{"ihr Selbsttest lief nicht bis zum Ende", "its self-test did not run to the end"};
constexpr Words kOtherCard{"sie ist der Selbsttest einer anderen Karte oder eines anderen Formats (%1), dieser Lauf "
                           "verwendet %2",
                           "it is the self-test of another card or format (%1), this run uses %2"};
constexpr Words kNotCompared{"%1; der Lauf wird nicht mit dem eigenen Boden der Karte verglichen",
                             "%1; the run is not compared with the card's own floor"};
constexpr Words kCardKey{"%1 → %2, %3 Hz, %4/%5 Bit", "%1 → %2, %3 Hz, %4/%5 bits"};
constexpr Words kHasReference{"diese Karte und dieses Format haben schon eine Referenz (%1); --replace ersetzt sie",
                              "this card and format already have a reference (%1); --replace replaces it"};
constexpr Words kDangling{"die Referenz der Karte %1 ist ein Verweis auf %2, das es nicht gibt: den Verweis "
                          "entfernen oder die Datei zurücklegen",
                          "the card's reference %1 is a link to %2, which does not exist: remove the link or put "
                          "the file back"};
constexpr Words kCannotStore{"die Referenz der Karte kann nicht gespeichert werden: %1",
                             "the card's reference cannot be stored: %1"};


QString readReference(const QString& file, const DtCardKey& key, DeviceTestResult& out)
{
    QByteArray bytes;
    FileProblem problem;
    if (!ReadRegularFile(file, kDtReportMaxBytes, bytes, problem)) {
        const QString why = FileProblemText(problem, CommandLetter());
        const bool refused = problem.fault == FileFault::Missing || problem.fault == FileFault::Unreadable;
        return refused ? Say(kUnreadable).arg(why) : why;
    }
    DeviceTestResult read;
    QString error;
    if (!DtResultFromJson(bytes, read, error, CommandLetter()))
        return Say(kNoReport).arg(error);
    if (!read.header.selfTest)
        return Say(kNoSelfTest);
    if (!read.complete)
        return Say(kUnfinished);
    const DtCardKey its = DtCardKey::Of(read.header);
    if (!(its == key))
        return Say(kOtherCard).arg(DtCardKeyText(its), DtCardKeyText(key));
    out = std::move(read);
    return {};
}

} // namespace

QString DtCardKeyText(const DtCardKey& k)
{
    return Say(kCardKey).arg(k.output, k.input).arg(k.rate).arg(k.outputBits).arg(k.inputBits);
}

DtReferenceChoice ChooseDtReference(const QString& file, bool selfTest, const DtCardKey& key,
                                    const DtReferenceStore& store)
{
    DtReferenceChoice choice;
    if (!file.isEmpty()) {
        DeviceTestResult read;
        if (const QString why = readReference(file, key, read); !why.isEmpty())
            choice.error = QStringLiteral("--reference %1: %2").arg(QDir::toNativeSeparators(file), why);
        else
            choice.reference = std::move(read);
        return choice;
    }
    if (selfTest)
        return choice;
    DeviceTestResult stored;
    QString error;
    switch (store.load(key, stored, error, CommandLetter())) {
    case DtReferenceStore::Load::Found: choice.reference = std::move(stored); break;
    case DtReferenceStore::Load::Missing: break;
    case DtReferenceStore::Load::Corrupt: choice.warning = Say(kNotCompared).arg(error); break;
    }
    return choice;
}

QString DtStoreConflict(bool replace, const DtCardKey& key, const DtReferenceStore& store)
{
    const QString path = store.fileFor(key);
    const QFileInfo info(path);
    // A link that leads nowhere: the write would make a file wherever it
    // points, or fail there after the run.
    if (info.isSymLink() && !info.exists())
        return Say(kDangling).arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(info.symLinkTarget()));
    if (!replace && info.exists())
        return Say(kHasReference).arg(QDir::toNativeSeparators(path));
    if (const QString why = CheckResultPath(path); !why.isEmpty())
        return Say(kCannotStore).arg(why);
    return {};
}

} // namespace korvanta
