// The card's own floor: stored per card and format, replaced only when the
// user says so, and the 3 dB rule that marks what the card limits.
#include "devicetest/DtJson.h"
#include "devicetest/DtReference.h"

#include "platform/ProfileStore.h"
#include "tests/devicetest/DtReportSample.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {

DeviceTestResult SelfTest(int rate = 48000, const QString& input = QStringLiteral("hw:CARD=PCH,DEV=0"))
{
    DeviceTestResult r = SampleResult();
    r.header.selfTest = true;
    r.header.rate = rate;
    r.header.inputDevice = input;
    for (DtFigure& f : r.figures) {
        f.reference.reset();
        f.limitedByCard = false;
    }
    return r;
}

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(DtReference, TheThreeDbRuleAtItsEdges)
{
    const double pct = 0.001;
    const double pct3dB = pct * std::pow(10.0, 3.0 / 20.0);
    struct Case {
        const char* id;
        double value, reference;
        bool limited;
    };
    const std::vector<Case> cases{
        {"noise_dbfs", -97.0, -100.0, true},         // exactly 3 dB above the card
        {"noise_dbfs", -96.99, -100.0, false},
        {"noise_dbfs", -101.0, -100.0, true},        // better than the card: still its floor
        {"noise_a_dbfs", -98.0, -100.0, true},
        {"dynamic_range_db", 97.0, 100.0, true},     // higher is better: 3 dB below the card
        {"dynamic_range_db", 96.99, 100.0, false},
        {"dynamic_range_a_db", 103.0, 100.0, true},
        {"thdn_db", -97.0, -100.0, true},
        {"thdn_db", -96.9, -100.0, false},
        {"thdn_percent", pct3dB, pct, true},         // a ratio: 3 dB is a factor of 1.41
        {"thdn_percent", pct3dB * 1.001, pct, false},
        {"imd_smpte_db", -77.0, -80.0, true},
        {"imd_ccif_d2_db", -76.0, -80.0, false},
        {"imd_ccif_d3_db", -79.0, -80.0, true},
        {"crosstalk_db_1000", -87.0, -90.0, true},
        {"crosstalk_db_10000", -86.9, -90.0, false},
        {"thd_db", -100.0, -100.0, false},           // not a figure the card's floor sets
        {"h2", -100.0, -100.0, false},
        {"match_gain_db_1000", 0.0, 0.0, false},
        {"noise_dbfs", NAN, -100.0, false},          // not measured
        {"noise_dbfs", -100.0, NAN, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DtLimitedByCard(QString::fromLatin1(c.id), c.value, c.reference), c.limited)
            << c.id << " " << c.value << " against " << c.reference;
}

TEST(DtReference, ARunGetsTheCardsValueOfTheSameFigureAndChannel)
{
    DeviceTestResult reference = SelfTest();
    reference.figures[0].value = -99.0;   // noise, left
    reference.figures[1].value = -110.0;  // noise, right
    DeviceTestResult run = SampleResult();
    run.figures[3].reference = -1.0;      // a stale value from elsewhere goes
    run.figures[3].limitedByCard = true;
    reference.figures.erase(reference.figures.begin() + 3);
    DtApplyReference(run, reference);
    EXPECT_EQ(run.figures[0].reference, -99.0);
    EXPECT_TRUE(run.figures[0].limitedByCard);   // -97.25 is 1.75 dB above
    EXPECT_EQ(run.figures[1].reference, -110.0);
    EXPECT_FALSE(run.figures[1].limitedByCard);  // 13.5 dB above
    EXPECT_FALSE(run.figures[3].reference.has_value());
    EXPECT_FALSE(run.figures[3].limitedByCard);
    EXPECT_FALSE(run.figures[4].reference.has_value());   // the card's is not measured either
}

TEST(DtReference, TheFolderLiesBesideTheSettingsFile)
{
    EXPECT_EQ(QFileInfo(DtReferenceStore::DefaultFolder()).absolutePath(),
              QFileInfo(SettingsFilePath()).absolutePath());
}

TEST(DtReference, EachCardAndFormatHasItsOwnReference)
{
    ScratchDir dir;
    DtReferenceStore store(dir.path());
    ModalRecorder modal;
    const DeviceTestResult at48 = SelfTest(48000), at96 = SelfTest(96000), usb = SelfTest(48000, QStringLiteral("hw:CARD=USB,DEV=0"));
    QString message;
    for (const DeviceTestResult* r : {&at48, &at96, &usb})
        EXPECT_EQ(store.store(*r, message, 'E'), DtReferenceStore::Store::Stored) << message.toStdString();
    EXPECT_TRUE(modal.questions().empty());   // nothing was replaced, so nothing was asked

    for (const DeviceTestResult* r : {&at48, &at96, &usb}) {
        DeviceTestResult read;
        QString error;
        ASSERT_EQ(store.load(DtCardKey::Of(r->header), read, error, 'E'), DtReferenceStore::Load::Found) << error.toStdString();
        EXPECT_EQ(DtCardKey::Of(read.header), DtCardKey::Of(r->header));
    }
    DtCardKey other = DtCardKey::Of(at48.header);
    other.inputBits = 16;
    DeviceTestResult read;
    QString error;
    EXPECT_EQ(store.load(other, read, error, 'E'), DtReferenceStore::Load::Missing);
    // Names that read alike once made safe for a file name stay apart.
    DtCardKey a = other, b = other;
    a.input = QStringLiteral("hw:1");
    b.input = QStringLiteral("hw_1");
    EXPECT_NE(store.fileFor(a), store.fileFor(b));
}

TEST(DtReference, AStoredReferenceIsReplacedOnlyWhenTheUserSaysYes)
{
    ScratchDir dir;
    DtReferenceStore store(dir.path());
    ModalRecorder modal;
    DeviceTestResult first = SelfTest(), second = SelfTest();
    second.figures[0].value = -120.0;
    QString message;
    ASSERT_EQ(store.store(first, message, 'E'), DtReferenceStore::Store::Stored);
    const QString path = store.fileFor(DtCardKey::Of(first.header));
    const QByteArray old = FileBytes(path);

    // No (and a box closed with Escape, which answers No) keeps the old one.
    for (int answer : {int(modal::No), modal::EscapeButton(modal::Yes | modal::No)}) {
        modal.clear();
        modal.answerButton(answer);
        EXPECT_EQ(store.store(second, message, 'E'), DtReferenceStore::Store::Kept);
        ASSERT_EQ(modal.questions().size(), 1u);
        EXPECT_EQ(modal.questions()[0].buttons, modal::Yes | modal::No);
        EXPECT_TRUE(modal.questions()[0].text.contains(QStringLiteral("Replace it")));
        EXPECT_TRUE(message.contains(QStringLiteral("old reference stays")));
        EXPECT_EQ(FileBytes(path), old);
    }
    modal.answerButton(modal::Yes);
    EXPECT_EQ(store.store(second, message, 'E'), DtReferenceStore::Store::Stored);
    DeviceTestResult read;
    QString error;
    ASSERT_EQ(store.load(DtCardKey::Of(first.header), read, error, 'E'), DtReferenceStore::Load::Found);
    EXPECT_EQ(read.figures[0].value, -120.0);
}

TEST(DtReference, OnlyACompleteSelfTestBecomesTheReference)
{
    ScratchDir dir;
    DtReferenceStore store(dir.path());
    ModalRecorder modal;
    DeviceTestResult device = SelfTest(), stopped = SelfTest();
    device.header.selfTest = false;
    stopped.complete = false;
    QString message;
    for (const DeviceTestResult* r : {&device, &stopped}) {
        EXPECT_EQ(store.store(*r, message, 'D'), DtReferenceStore::Store::Refused);
        EXPECT_TRUE(message.contains(QStringLiteral("vollständiger Selbsttest"))) << message.toStdString();
    }
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_TRUE(modal.questions().empty());
}

TEST(DtReference, ACorruptFileIsReportedAndOverwrittenOnlyAfterTheQuestion)
{
    ScratchDir dir;
    DtReferenceStore store(dir.path());
    ModalRecorder modal;
    const DeviceTestResult selfTest = SelfTest();
    const DtCardKey key = DtCardKey::Of(selfTest.header);
    const QString path = store.fileFor(key);
    DeviceTestResult notSelfTest = selfTest;
    notSelfTest.header.selfTest = false;
    DeviceTestResult otherCard = selfTest;
    otherCard.header.outputDevice = QStringLiteral("hw:CARD=Other");
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* reason;
    };
    const std::vector<Case> cases{
        {"garbage", QByteArray("{\"schema\": \"korvanta-meas"), "not JSON"},
        {"a device run", DtResultToJson(notSelfTest), "not a complete self-test"},
        {"another card's file", DtResultToJson(otherCard), "another card"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(QDir().mkpath(dir.path()));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        DeviceTestResult read;
        read.header.note = QStringLiteral("untouched");
        QString error;
        EXPECT_EQ(store.load(key, read, error, 'E'), DtReferenceStore::Load::Corrupt);
        EXPECT_TRUE(error.contains(QLatin1String(c.reason))) << error.toStdString();
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path)));
        EXPECT_EQ(read.header.note, QStringLiteral("untouched"));

        modal.clear();
        modal.answerButton(modal::No);
        QString message;
        EXPECT_EQ(store.store(selfTest, message, 'E'), DtReferenceStore::Store::Kept);
        ASSERT_EQ(modal.questions().size(), 1u);
        EXPECT_TRUE(modal.questions()[0].text.contains(QStringLiteral("cannot be read")));
        EXPECT_EQ(FileBytes(path), c.bytes);
    }
    modal.answerButton(modal::Yes);
    QString message;
    EXPECT_EQ(store.store(selfTest, message, 'E'), DtReferenceStore::Store::Stored);
    DeviceTestResult read;
    QString error;
    EXPECT_EQ(store.load(key, read, error, 'E'), DtReferenceStore::Load::Found) << error.toStdString();
}
