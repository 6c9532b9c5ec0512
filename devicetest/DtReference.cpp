#include "devicetest/DtReference.h"

#include "devicetest/DtJson.h"
#include "platform/AtomicFile.h"
#include "platform/LanguageTexts.h"
#include "platform/ModalQuestions.h"
#include "platform/ProfileStore.h"
#include "platform/RegularFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <array>
#include <cmath>

namespace korvanta {

namespace {

const QLatin1String kFolderName("korvanta-card-references");
// Bits of the key's hash in a file name: two cards whose names read alike
// once made safe for a file name still get files of their own.
constexpr int kHashChars = 8;
// Below the digits any figure is printed with, so the 3 dB edge itself
// is not lost to the rounding of a ratio.
constexpr double kEdgeSlackDb = 1e-9;
constexpr double kDbPerRatio = 20.0;

const std::array<const char*, 9> kLimitable{dtid::Noise,      dtid::NoiseA,    dtid::DynamicRange,
                                            dtid::DynamicRangeA, dtid::ThdnPercent, dtid::ThdnDb,
                                            dtid::ImdSmpte,   dtid::ImdCcifD2, dtid::ImdCcifD3};

bool HigherIsBetter(const QString& id)
{
    return id == QLatin1String(dtid::DynamicRange) || id == QLatin1String(dtid::DynamicRangeA);
}

// How many dB the figure is worse than the card's; negative when better.
double DbWorse(const QString& id, double value, double reference)
{
    if (id == QLatin1String(dtid::ThdnPercent))
        return value > 0 && reference > 0 ? kDbPerRatio * std::log10(value / reference) : NAN;
    return HigherIsBetter(id) ? reference - value : value - reference;
}

QString SafeName(const QString& s)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    return QString(s).replace(unsafe, QStringLiteral("_"));
}

QString KeyText(const DtCardKey& k)
{
    return QStringLiteral("%1\n%2\n%3\n%4\n%5").arg(k.input, k.output).arg(k.rate).arg(k.inputBits).arg(k.outputBits);
}

constexpr Words kNotSelfTest{"Nur ein vollständiger Selbsttest mit Kabel kann die Referenz der Karte werden",
                             "Only a complete self-test with a cable can become the card's reference"};
constexpr Words kUnreadable{"Die Referenz der Karte in %1 ist nicht lesbar: %2",
                            "The card's reference in %1 cannot be read: %2"};
constexpr Words kNotAReference{"sie ist kein vollständiger Selbsttest", "it is not a complete self-test"};
constexpr Words kOtherKey{"sie gehört zu einer anderen Karte oder einem anderen Format",
                          "it belongs to another card or format"};
constexpr Words kReplaceQuestion{"Für diese Karte und dieses Format gibt es schon eine Referenz (%1).\n"
                                 "Soll dieser Selbsttest sie ersetzen?",
                                 "This card and format already have a reference (%1).\n"
                                 "Replace it with this self-test?"};
constexpr Words kReplaceCorrupt{"%1\nSoll dieser Selbsttest sie ersetzen?", "%1\nReplace it with this self-test?"};
constexpr Words kKept{"Die bisherige Referenz der Karte bleibt.", "The card's old reference stays."};
constexpr Words kWriteFailed{"Die Referenz der Karte konnte nicht nach %1 geschrieben werden: %2",
                             "The card's reference could not be written to %1: %2"};
constexpr Words kCaption{"Referenz der Karte", "Card's reference"};

} // namespace

DtCardKey DtCardKey::Of(const DtHeader& h) { return {h.inputDevice, h.outputDevice, h.rate, h.inputBits, h.outputBits}; }

bool DtCardCanLimit(const QString& id)
{
    for (const char* k : kLimitable)
        if (id == QLatin1String(k))
            return true;
    const QLatin1String crosstalk(dtid::Crosstalk);
    return id.startsWith(crosstalk) && id.size() > crosstalk.size();
}

bool DtLimitedByCard(const QString& id, double value, double reference)
{
    if (!DtCardCanLimit(id) || std::isnan(value) || std::isnan(reference))
        return false;
    const double worse = DbWorse(id, value, reference);
    return !std::isnan(worse) && worse <= kCardLimitDb + kEdgeSlackDb;
}

void DtApplyReference(DeviceTestResult& run, const DeviceTestResult& reference)
{
    for (DtFigure& f : run.figures) {
        f.reference.reset();
        f.limitedByCard = false;
        for (const DtFigure& r : reference.figures) {
            if (r.id != f.id || r.channel != f.channel || !r.Measured())
                continue;
            f.reference = r.value;
            f.limitedByCard = DtLimitedByCard(f.id, f.value, r.value);
            break;
        }
    }
}

QString DtReferenceStore::DefaultFolder()
{
    return QFileInfo(SettingsFilePath()).absoluteDir().filePath(kFolderName);
}

DtReferenceStore::DtReferenceStore(QString folder) : folder_(std::move(folder)) {}

QString DtReferenceStore::fileFor(const DtCardKey& k) const
{
    const QByteArray hash = QCryptographicHash::hash(KeyText(k).toUtf8(), QCryptographicHash::Sha1).toHex();
    const QString name = QStringLiteral("%1--%2-%3-%4-%5-%6.json")
                             .arg(SafeName(k.input), SafeName(k.output))
                             .arg(k.rate)
                             .arg(k.inputBits)
                             .arg(k.outputBits)
                             .arg(QString::fromLatin1(hash.left(kHashChars)));
    return QDir(folder_).filePath(name);
}

DtReferenceStore::Load DtReferenceStore::load(const DtCardKey& key, DeviceTestResult& reference, QString& error,
                                              char letter) const
{
    const QString path = fileFor(key);
    QByteArray bytes;
    FileProblem problem;
    DeviceTestResult read;
    QString why;
    // A link to nothing is no reference, but something the user put there.
    if (!ReadRegularFile(path, kDtReportMaxBytes, bytes, problem)) {
        if (problem.fault == FileFault::Missing)
            return Load::Missing;
        why = FileProblemText(problem, letter);
    } else if (DtResultFromJson(bytes, read, why, letter)) {
        if (!read.complete || !read.header.selfTest)
            why = Pick(letter, kNotAReference);
        else if (!(DtCardKey::Of(read.header) == key))
            why = Pick(letter, kOtherKey);
    }
    if (!why.isEmpty()) {
        error = Pick(letter, kUnreadable).arg(QDir::toNativeSeparators(path), why);
        return Load::Corrupt;
    }
    reference = std::move(read);
    return Load::Found;
}

DtReferenceStore::Store DtReferenceStore::store(const DeviceTestResult& selfTest, QString& message, char letter,
                                                Replace replace)
{
    if (!selfTest.complete || !selfTest.header.selfTest) {
        message = Pick(letter, kNotSelfTest);
        return Store::Refused;
    }
    const DtCardKey key = DtCardKey::Of(selfTest.header);
    DeviceTestResult old;
    QString error;
    const Load existing = load(key, old, error, letter);
    if (existing != Load::Missing) {
        const QString question = existing == Load::Found ? Pick(letter, kReplaceQuestion).arg(old.header.date)
                                                         : Pick(letter, kReplaceCorrupt).arg(error);
        const bool yes = replace == Replace::Ask ? modal::MessageBox(modal::Kind::Question, question,
                                                                     modal::Yes | modal::No, 0,
                                                                     Pick(letter, kCaption)) == modal::Yes
                                                 : replace == Replace::Yes;
        if (!yes) {
            message = Pick(letter, kKept);
            return Store::Kept;
        }
    }
    const QString path = fileFor(key);
    QString reason;
    if (!WriteFileAtomically(path, DtResultToJson(selfTest), reason)) {
        message = Pick(letter, kWriteFailed).arg(QDir::toNativeSeparators(path), reason);
        return Store::Failed;
    }
    message.clear();
    return Store::Stored;
}

} // namespace korvanta
