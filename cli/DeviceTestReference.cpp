#include "cli/DeviceTestReference.h"

#include "devicetest/DtJson.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QFileInfo>

namespace korvanta {

namespace {

QString readReference(const QString& file, const DtCardKey& key, DeviceTestResult& out)
{
    QByteArray bytes;
    FileProblem problem;
    if (!ReadRegularFile(file, kDtReportMaxBytes, bytes, problem)) {
        const QString why = FileProblemText(problem, 'E');
        const bool refused = problem.fault == FileFault::Missing || problem.fault == FileFault::Unreadable;
        return refused ? QStringLiteral("it cannot be read: %1").arg(why) : why;
    }
    DeviceTestResult read;
    QString error;
    if (!DtResultFromJson(bytes, read, error, 'E'))
        return QStringLiteral("it is no device test report: %1").arg(error);
    if (!read.header.selfTest)
        return QStringLiteral("it is no self-test (a run with --self-test and a plain cable)");
    if (!read.complete)
        return QStringLiteral("its self-test did not run to the end");
    const DtCardKey its = DtCardKey::Of(read.header);
    if (!(its == key))
        return QStringLiteral("it is the self-test of another card or format (%1), this run uses %2")
            .arg(DtCardKeyText(its), DtCardKeyText(key));
    out = std::move(read);
    return {};
}

} // namespace

QString DtCardKeyText(const DtCardKey& k)
{
    return QStringLiteral("%1 → %2, %3 Hz, %4/%5 bits")
        .arg(k.output, k.input)
        .arg(k.rate)
        .arg(k.outputBits)
        .arg(k.inputBits);
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
    switch (store.load(key, stored, error, 'E')) {
    case DtReferenceStore::Load::Found: choice.reference = std::move(stored); break;
    case DtReferenceStore::Load::Missing: break;
    case DtReferenceStore::Load::Corrupt:
        choice.warning = error + QStringLiteral("; the run is not compared with the card's own floor");
        break;
    }
    return choice;
}

QString DtStoreConflict(bool replace, const DtCardKey& key, const DtReferenceStore& store)
{
    const QString path = store.fileFor(key);
    if (replace || !QFileInfo::exists(path))
        return {};
    return QStringLiteral("this card and format already have a reference (%1); --replace replaces it")
        .arg(QDir::toNativeSeparators(path));
}

} // namespace korvanta
