#include "measure/ui/Eichdia.h"
#include "audio/Soundd3.h"
#include "tests/support/TestSupport.h"
#include "audio/Tdummy.h"
#include "platform/UserMessages.h"
#include "platform/audio/virtual/VirtualCard.h"
#include "measure/samplemem.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {
// Stands in for the main window: counts the messages the dialog sends.
class MessageSink : public QObject {
public:
    int stopAll = 0;
    int calDone = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == UM_STOP_ALL)
            ++stopAll;
        else if (e->type() == UM_CAL_DONE)
            ++calDone;
        else
            return QObject::event(e);
        return true;
    }
};

class CalibrationDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        VirtualCard& card = VirtualCard::instance();
        card.reset();
        card.setFastMode(true);
        ASSERT_EQ(SoundInit(), 0);
        SetSampleRates(44100, 44100);
        SetBits(16, 16);
        SetAutoDC(false);
        SetDCOffsetL(0.0f);
        SetDCOffsetR(0.0f);
        dlg_.Prepare(state_, &sink_);
    }
    void TearDown() override
    {
        dlg_.hide();
        SoundDone();
        VirtualCard::instance().reset();
    }
    void externalSine(double levelDb)
    {
        DutConfig d;
        d.ext = ExternalKind::Sine;
        d.extFreq = 1000;
        d.extLevelDb = levelDb;
        VirtualCard::instance().setDut(d);
    }

    Tdummy dummy_;
    AnalyzerState state_;
    MessageSink sink_;
    TEichDlg dlg_;
};
} // namespace

TEST(CalibrationValuesTest, AllThreeMustParseAndTheVoltageMustBePositive)
{
    CalibrationValues v;
    EXPECT_TRUE(ParseCalibrationValues(" 775.0 ", "8.68589", "-3.5", v));
    EXPECT_DOUBLE_EQ(v.millivolts, 775.0);
    EXPECT_DOUBLE_EQ(v.offset, -3.5);
    EXPECT_FALSE(ParseCalibrationValues("0", "8.7", "12.6", v));
    // A negative voltage has no logarithm: every dBV, dBu and dBm reading
    // would be NaN.
    EXPECT_FALSE(ParseCalibrationValues("-500", "8.7", "12.6", v));
    EXPECT_FALSE(ParseCalibrationValues("500mV", "8.7", "12.6", v));
    EXPECT_FALSE(ParseCalibrationValues("500", "", "12.6", v));
    EXPECT_FALSE(ParseCalibrationValues("500", "8.7", "1e999", v));
}

TEST(CalibrationValuesTest, IndicatorShowsOverOrTheDriveLevel)
{
    const float block[4] = {0.5f, -0.5f, 0.25f, -0.25f};
    EXPECT_EQ(CalibrationIndicator(block, 4, 3), "over 3");
    EXPECT_EQ(CalibrationIndicator(block, 4, 0), " 0.0%"); // 1.5 / 50 = 0.03
    std::vector<float> loud(16000, 0.5f);
    EXPECT_EQ(CalibrationIndicator(loud.data(), 16000, 0), "160.0%");
}

TEST_F(CalibrationDialog, BeginStopsEverythingAndLoopsUntilEnd)
{
    externalSine(-6.0);
    dlg_.show();
    dlg_.Button1Click();
    EXPECT_EQ(sink_.stopAll, 1);
    EXPECT_TRUE(dlg_.measuring());
    EXPECT_FALSE(dlg_.EichmV->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg_.measured(); }, 5000));
    EXPECT_TRUE(dlg_.Label3->text().endsWith('%')) << dlg_.Label3->text().toStdString();
    // Begin again while measuring: the others are stopped once more, and
    // the loop runs on.
    dlg_.Button1Click();
    EXPECT_EQ(sink_.stopAll, 2);
    EXPECT_TRUE(dlg_.measuring());

    // Clipping shows "over" with the number of clipped samples.
    externalSine(+3.0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg_.Label3->text().startsWith("over "); }, 5000));
    EXPECT_GT(dlg_.Label3->text().mid(5).toInt(), 100);

    dlg_.Button2Click();
    EXPECT_FALSE(dlg_.measuring());
    EXPECT_TRUE(dlg_.EichmV->isEnabled());
    QTest::qWait(50); // the block in flight arrives and ends the loop
    const QString last = dlg_.Label3->text();
    QTest::qWait(100);
    EXPECT_EQ(dlg_.Label3->text(), last) << "no recording after End";
}

TEST_F(CalibrationDialog, OkNeedsAMeasurementAndValidValues)
{
    ModalRecorder rec;
    dlg_.show();
    dlg_.OKBtnClick();
    EXPECT_EQ(rec.messageTexts(), QStringList{"Kein Eichvorgang gestartet"});
    EXPECT_TRUE(dlg_.isVisible());

    rec.clear();
    dlg_.EichmV->setText("0");
    dlg_.SetLanguage('E');
    dlg_.OKBtnClick();
    EXPECT_EQ(rec.messageTexts(), (QStringList{"Calibration value wrong", "No Calibration process started"}));
    EXPECT_EQ(sink_.calDone, 0);

    externalSine(-20.0);
    dlg_.Button1Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg_.measured(); }, 5000));
    dlg_.Button2Click();
    dlg_.EichmV->setText("612.5");
    rec.clear();
    dlg_.OKBtnClick();
    EXPECT_TRUE(rec.messageTexts().isEmpty());
    EXPECT_EQ(sink_.calDone, 1);
    EXPECT_FALSE(dlg_.isVisible());
    CalibrationValues v;
    ASSERT_TRUE(dlg_.ReadValues(v));
    EXPECT_DOUBLE_EQ(v.millivolts, 612.5);
}

TEST_F(CalibrationDialog, PrepareFillsTheFieldsAndLanguageSwitches)
{
    state_.CalInMv = 497.0f;
    state_.PegFak = 8.722f;
    state_.PegOfs = 12.6f;
    dlg_.Prepare(state_, &sink_);
    EXPECT_EQ(dlg_.EichmV->text(), "497.0");
    EXPECT_EQ(dlg_.Edit2->text(), "8.72200");
    EXPECT_EQ(dlg_.Edit3->text(), "12.60000");
    EXPECT_EQ(dlg_.windowTitle(), "Kalibrierung");
    dlg_.SetLanguage('E');
    EXPECT_EQ(dlg_.windowTitle(), "Calibration");
    EXPECT_EQ(dlg_.Label4->text(), "Factor");
    dlg_.SetLanguage('X');
    EXPECT_EQ(dlg_.windowTitle(), "Calibration");
    dlg_.SetLanguage('D');
    EXPECT_EQ(dlg_.Label6->text(), QString::fromUtf8("Einstellung für korrekte"));
    // The form's own captions read alike in both languages.
    for (const char letter : {'D', 'E', 'D'}) {
        dlg_.SetLanguage(letter);
        EXPECT_EQ(dlg_.Button1->text(), "Begin") << letter;
        EXPECT_EQ(dlg_.Button2->text(), "End") << letter;
        EXPECT_EQ(dlg_.Label3->text(), "under") << letter;
    }
}

TEST_F(CalibrationDialog, DeviceFaultsEndTheLoopWithAMessage)
{
    ModalRecorder rec;
    externalSine(-6.0);
    dlg_.show();
    for (VirtualFault fault : {VirtualFault::Stall, VirtualFault::OpenFails}) {
        rec.clear();
        dlg_.Button1Click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return dlg_.measured(); }, 5000));
        VirtualCard::instance().injectFault(fault, 0, 1);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg_.measuring(); }, 5000)) << "never a frozen loop";
        ASSERT_EQ(rec.questions().size(), 1u);
        const modal::Question q = rec.questions().front();
        EXPECT_EQ(q.kind, modal::Kind::Error);
        EXPECT_EQ(q.helpContext, 17);
        EXPECT_TRUE(q.text.startsWith("Probleme beim Beginn Samplen (")) << q.text.toStdString();
        // The device's text in brackets, then the cause and what to do.
        EXPECT_TRUE(q.text.section(QStringLiteral("\n\n"), 0, 0).endsWith(")"));
        EXPECT_TRUE(q.text.contains(QStringLiteral("Abhilfe:"))) << q.text.toStdString();
        EXPECT_TRUE(dlg_.EichmV->isEnabled()) << "idle again, the voltage can be typed";
    }
}
