// The in/out parameter dialog and the DC offset dialog: which formats can be
// chosen, what OK stores in which slot, and what the DC controls do to the
// blocks the capture engine delivers (virtual card, fast mode).

#include "tests/audio/AudioTestSupport.h"
#include "audio/DcOffsetScale.h"
#include "audio/IoDialogModel.h"
#include "audio/ui/iodia.h"
#include "audio/ui/udcoffset.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <numeric>

using namespace korvanta;

namespace {
constexpr int kRow44100 = 4;
constexpr int kCol8 = 0, kCol16 = 1, kCol24 = 2;

// A device that takes 16 and 24 bits at every rate up to 96 kHz, never 8.
bool No8Bit(int rate, int bits) { return bits != 8 && rate > 0 && rate <= 96000; }

double channelMean(const std::vector<float>& block, int channel)
{
    double sum = 0;
    size_t n = 0;
    for (size_t i = channel; i < block.size(); i += 2, ++n)
        sum += block[i];
    return n ? sum / n : 0.0;
}
} // namespace

// --- the dialog's logic -------------------------------------------------------------

TEST(IoDialogModel, ActivationChecksTheSlotsFormatAndEnablesWhatTheDeviceTakes)
{
    struct Case {
        int rate, bits, userRate;
        int row, column; // expected checked button, -1: none
    };
    const Case cases[] = {
        {44100, 16, 55200, kRow44100, kCol16},
        {22050, 24, 55200, 2, kCol24},
        {50000, 16, 50000, kIoUserRow, kCol16},
        {44100, 16, 44100, kRow44100, kCol16}, // a fixed row before the "User" row
        {12345, 16, 55200, -1, -1},            // neither a fixed nor the user rate
        {44100, 12, 55200, -1, -1},            // a width the dialog has no column for
    };
    for (const Case& c : cases) {
        IoDialogModel m;
        m.Activate(true, IoSlotValues{c.rate, c.bits, c.userRate, false, false, false}, true, No8Bit);
        EXPECT_EQ(m.checkedRow, c.row) << c.rate << " Hz " << c.bits << " bit";
        EXPECT_EQ(m.checkedColumn, c.column) << c.rate << " Hz " << c.bits << " bit";
        for (int row = 0; row < kIoRows; ++row) {
            EXPECT_FALSE(m.enabled[row][kCol8]) << "row " << row << ": the device has no 8 bit";
            EXPECT_TRUE(m.enabled[row][kCol16]) << "row " << row;
        }
        // With nothing changed, OK stores what was there.
        EXPECT_EQ(m.Result().rate, c.rate);
        EXPECT_EQ(m.Result().bits, c.bits);
    }
}

TEST(IoDialogModel, TypedUserRateIsTakenOnlyAsAPositiveWholeNumber)
{
    struct Case {
        const char* text;
        bool taken;
        int userRate;
    };
    const Case cases[] = {{"50000", true, 50000}, {" 44000 ", true, 44000}, {"", false, 55200},
                          {"abc", false, 55200},  {"12.5", false, 55200},   {"-5", false, 55200},
                          {"0", false, 55200},    {"99999999999", false, 55200}};
    for (const Case& c : cases) {
        IoDialogModel m;
        m.Activate(true, IoSlotValues{55200, 16, 55200, false, false, false}, true, No8Bit);
        ASSERT_EQ(m.checkedRow, kIoUserRow);
        EXPECT_EQ(m.TypeUserRate(QString::fromLatin1(c.text), No8Bit), c.taken) << c.text;
        EXPECT_EQ(m.values.userRate, c.userRate) << c.text;
        // A taken rate unchecks the "User" row: its old rate is no longer
        // the one shown, so OK keeps the slot's rate.
        EXPECT_EQ(m.checkedRow, c.taken ? -1 : kIoUserRow) << c.text;
        EXPECT_EQ(m.Result().rate, 55200) << c.text;
    }
}

TEST(IoDialogModel, UserRowFollowsTheDeviceForTheTypedRateAndGivesItsRate)
{
    IoDialogModel m;
    m.Activate(true, IoSlotValues{44100, 16, 55200, false, false, false}, true, No8Bit);
    ASSERT_TRUE(m.TypeUserRate(QStringLiteral("192000"), No8Bit));
    EXPECT_FALSE(m.enabled[kIoUserRow][kCol16]) << "the device refuses 192 kHz";
    EXPECT_FALSE(m.Check(kIoUserRow, kCol16)) << "a disabled button cannot be chosen";
    EXPECT_EQ(m.checkedRow, kRow44100) << "a fixed row stays checked while typing";
    ASSERT_TRUE(m.TypeUserRate(QStringLiteral("50000"), No8Bit));
    EXPECT_TRUE(m.enabled[kIoUserRow][kCol16]);
    EXPECT_TRUE(m.Check(kIoUserRow, kCol16));
    EXPECT_EQ(m.Result().rate, 50000);
    EXPECT_EQ(m.Result().bits, 16);
    EXPECT_EQ(m.Result().userRate, 50000);
    EXPECT_FALSE(m.Check(kIoRows, 0));
    EXPECT_FALSE(m.Check(0, kIoColumns));
}

TEST(DcOffsetScale, BarPositionOffsetAndTextAgree)
{
    struct Case {
        int position;
        float offset;
        const char* text;
    };
    // The top of the bar (negative positions) raises the level.
    const Case cases[] = {{-20000, 0.02f, "0.020000 FS"},  {20000, -0.02f, "-0.020000 FS"},
                          {0, 0.0f, "0.000000 FS"},        {1, -0.000001f, "-0.000001 FS"},
                          {-12345, 0.012345f, "0.012345 FS"}};
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(DcOffsetOfPosition(c.position), c.offset) << c.position;
        EXPECT_EQ(DcOffsetText(DcOffsetOfPosition(c.position)), QLatin1String(c.text)) << c.position;
        EXPECT_EQ(DcBarPosition(c.offset), c.position) << c.text;
    }
    // Offsets from a settings file may lie beyond the bar or be no number.
    EXPECT_EQ(DcBarPosition(0.5f), -kDcBarLimit);
    EXPECT_EQ(DcBarPosition(-1e30f), kDcBarLimit);
    EXPECT_EQ(DcBarPosition(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(DcBarPosition(std::numeric_limits<float>::infinity()), 0);
}

// --- the dialogs on the audio layer -----------------------------------------------

using ParameterDialog = VirtualLayerTest;

TEST_F(ParameterDialog, EightBitColumnIsGreyedForADeviceWithoutEightBit)
{
    TIOdialog dlg;
    dlg.FormActivate(true, nullptr, No8Bit);
    for (int row = 0; row < kIoRows; ++row) {
        EXPECT_FALSE(dlg.RateButton(row, kCol8)->isEnabled()) << dlg.RateButton(row, kCol8)->objectName().toStdString();
        EXPECT_TRUE(dlg.RateButton(row, kCol16)->isEnabled()) << row;
    }
    EXPECT_EQ(dlg.RateButton(0, kCol8)->objectName(), "b88");
    EXPECT_EQ(dlg.RateButton(6, kCol16)->objectName(), "b9616");
    EXPECT_EQ(dlg.bu24->objectName(), "bu24");
    EXPECT_TRUE(dlg.RateButton(5, kCol16)->isChecked()) << "the slot's 48 kHz 16 bit";
    EXPECT_TRUE(dlg.windowTitle().startsWith("Wave-Eingangsoptionen für "));
    EXPECT_TRUE(dlg.windowTitle().endsWith(DeviceName('I', 0)));
    EXPECT_FALSE(dlg.CheckBox2->isVisibleTo(&dlg)) << "the loop flag is the output's";

    // The device's own answer: the virtual card takes every width.
    dlg.FormActivate(true, nullptr);
    EXPECT_TRUE(dlg.RateButton(1, kCol8)->isEnabled());
}

TEST_F(ParameterDialog, UserRateWithSixteenBitsIsStoredAsInputRateAndUserRate)
{
    SetBits(24, 16);
    SetSampleRates(44100, 48000);
    SetUserRates(55200, 32000);
    TIOdialog dlg;
    dlg.FormActivate(true, nullptr);
    EXPECT_EQ(dlg.Edit1->text(), "55200");
    EXPECT_TRUE(dlg.RateButton(kRow44100, kCol24)->isChecked()) << "32-bit containers are shown as 24";
    dlg.Edit1->selectAll();
    QTest::keyClicks(dlg.Edit1, "50000");
    dlg.bu16->click();
    ASSERT_TRUE(dlg.bu16->isChecked());
    EXPECT_FALSE(dlg.RateButton(kRow44100, kCol24)->isChecked()) << "one group: one button checked";
    dlg.cbInvPhaseL->setChecked(true);
    dlg.CheckBox1->setChecked(true);
    dlg.BitBtn1->click();

    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    int inRate = 0, outRate = 0, inBits = 0, outBits = 0, inUser = 0, outUser = 0;
    GetSampleRates(inRate, outRate);
    GetBits(inBits, outBits);
    GetUserRates(inUser, outUser);
    EXPECT_EQ(inRate, 50000);
    EXPECT_EQ(inUser, 50000);
    EXPECT_EQ(inBits, 16);
    bool inFlip = false, outFlip = true, inL = false, inR = true, outL = true, outR = true;
    GetFlip(inFlip, outFlip);
    GetInversePhase(inL, inR, outL, outR);
    EXPECT_TRUE(inFlip);
    EXPECT_TRUE(inL);
    EXPECT_FALSE(inR);
    // The output slot keeps its values.
    EXPECT_EQ(outRate, 48000);
    EXPECT_EQ(outUser, 32000);
    EXPECT_EQ(outBits, 16);
    EXPECT_FALSE(outFlip);
    EXPECT_FALSE(outL);
}

TEST_F(ParameterDialog, OutputDirectionStoresTheOutputSlotAndTheLoopFlagAbortStoresNothing)
{
    bool loop = true;
    TIOdialog dlg;
    dlg.FormActivate(false, &loop);
    EXPECT_TRUE(dlg.windowTitle().startsWith("Wave-Ausgangsoptionen für "));
    EXPECT_TRUE(dlg.CheckBox2->isVisibleTo(&dlg));
    EXPECT_TRUE(dlg.CheckBox2->isChecked());
    dlg.RateButton(1, kCol24)->click(); // 11025 Hz, 24 bit
    dlg.CheckBox2->setChecked(false);
    dlg.cbInvPhaseR->setChecked(true);
    dlg.BitBtn2->click(); // Abort
    int inRate = 0, outRate = 0, inBits = 0, outBits = 0;
    GetSampleRates(inRate, outRate);
    EXPECT_EQ(outRate, 48000) << "Abort changes nothing";
    EXPECT_TRUE(loop);

    dlg.FormActivate(false, &loop);
    EXPECT_TRUE(dlg.RateButton(5, kCol16)->isChecked()) << "a new activation shows the slot again";
    dlg.RateButton(1, kCol24)->click();
    dlg.CheckBox2->setChecked(false);
    dlg.cbInvPhaseR->setChecked(true);
    dlg.BitBtn1->click();
    GetSampleRates(inRate, outRate);
    GetBits(inBits, outBits);
    EXPECT_EQ(outRate, 11025);
    EXPECT_EQ(outBits, 24);
    EXPECT_EQ(OutSlot(GetOutDevice()).format.bitsPerSample, 32) << "24 bits travel in 32-bit containers";
    EXPECT_FALSE(loop);
    bool inL = true, inR = true, outL = true, outR = false;
    GetInversePhase(inL, inR, outL, outR);
    EXPECT_TRUE(outR);
    EXPECT_FALSE(outL);
    EXPECT_FALSE(inR) << "the input slot keeps its values";
    EXPECT_EQ(inRate, 48000);
    EXPECT_EQ(inBits, 16);
}

TEST_F(ParameterDialog, LanguageSetsTheTwoBoxCaptions)
{
    TIOdialog dlg;
    const std::array<std::tuple<char, const char*, const char*>, 3> cases = {{
        {'E', "flip channels", "Loop tone generating"},
        {'X', "flip channels", "Loop tone generating"}, // unknown letter: unchanged
        {'D', "vertausche Kanäle", "Loop Tongenerierung"},
    }};
    for (const auto& [letter, flip, loop] : cases) {
        dlg.SetLanguage(letter);
        EXPECT_EQ(dlg.CheckBox1->text(), QString::fromUtf8(flip)) << letter;
        EXPECT_EQ(dlg.CheckBox2->text(), QString::fromUtf8(loop)) << letter;
    }
}

TEST_F(ParameterDialog, DcBarsAndAutoFlagActOnTheInputSlotAtOnce)
{
    SetDCOffsetL(0.001f);
    SetDCOffsetR(0.5f); // beyond the bar: shown as it is, not cut
    TDCOffset dlg;
    dlg.FormActivate();
    EXPECT_EQ(dlg.windowTitle(), "Eingangs-DC-Offset");
    dlg.SetLanguage('E');
    EXPECT_EQ(dlg.windowTitle(), "Input DC-Offset");
    EXPECT_EQ(dlg.ScrollBar1->value(), -1000);
    EXPECT_EQ(dlg.Label1->text(), "0.001000 FS");
    EXPECT_EQ(dlg.Label2->text(), "0.500000 FS");
    EXPECT_FLOAT_EQ(GetDCOffsetR(), 0.5f) << "showing the slot does not write it";

    dlg.ScrollBar1->setValue(-20000);
    EXPECT_FLOAT_EQ(GetDCOffsetL(), 0.02f);
    EXPECT_EQ(dlg.Label1->text(), "0.020000 FS");
    dlg.ScrollBar2->setValue(300);
    EXPECT_FLOAT_EQ(GetDCOffsetR(), -0.0003f);

    dlg.AutoDCOffset->click();
    EXPECT_TRUE(GetAutoDC());
    EXPECT_FALSE(dlg.ScrollBar1->isEnabled());
    EXPECT_FALSE(dlg.ScrollBar2->isEnabled());
    dlg.AutoDCOffset->click();
    EXPECT_FALSE(GetAutoDC());
    EXPECT_TRUE(dlg.ScrollBar1->isEnabled());
    EXPECT_FLOAT_EQ(GetDCOffsetL(), 0.02f) << "the manual values stay in force";

    SetAutoDC(true);
    dlg.FormActivate();
    EXPECT_TRUE(dlg.AutoDCOffset->isChecked());
    EXPECT_FALSE(dlg.ScrollBar2->isEnabled()) << "opened with auto on: bars greyed";

    QSignalSpy help(&dlg, &TDCOffset::helpRequested);
    dlg.BitBtn2->click();
    ASSERT_EQ(help.count(), 1);
    EXPECT_EQ(help.at(0).at(0).toString(), "DCMOffset");
}

TEST_F(ParameterDialog, ManualOffsetMovesTheCapturedBlocksMean)
{
    DutConfig dut;
    dut.dc[0] = 0.01; // something to move: PCM left 0.01, PCM right 0
    VirtualCard::instance().setDut(dut);
    TDCOffset dlg;
    dlg.FormActivate();
    const RecordedBlock plain = RecordBlock(4800);
    ASSERT_TRUE(plain.present);
    // K1 acts on the PCM left channel, the second float of each pair; K2 on
    // the first.
    dlg.ScrollBar1->setValue(-12345);
    dlg.ScrollBar2->setValue(7000);
    const RecordedBlock moved = RecordBlock(4800);
    ASSERT_TRUE(moved.present);
    EXPECT_NEAR(channelMean(moved.data, 1) - channelMean(plain.data, 1), 0.012345, 1e-6);
    EXPECT_NEAR(channelMean(moved.data, 0) - channelMean(plain.data, 0), -0.007, 1e-6);
}

TEST_F(ParameterDialog, AutomaticOffsetRemovesTheDevicesDc)
{
    DutConfig dut;
    dut.dc[0] = dut.dc[1] = 0.05;
    dut.ext = ExternalKind::Sine;
    dut.extFreq = 997.0; // not whole periods in the block: the sine leaves a mean of its own
    VirtualCard::instance().setDut(dut);
    const RecordedBlock before = RecordBlock(4096);
    ASSERT_TRUE(before.present);
    EXPECT_NEAR(channelMean(before.data, 0), 0.05, 0.002);

    TDCOffset dlg;
    dlg.FormActivate();
    dlg.AutoDCOffset->click();
    const RecordedBlock after = RecordBlock(4096);
    ASSERT_TRUE(after.present);
    EXPECT_LT(std::abs(channelMean(after.data, 0)), 1e-4);
    EXPECT_LT(std::abs(channelMean(after.data, 1)), 1e-4);
    EXPECT_GT(peak(after.data, 1), 0.3f) << "the signal itself stays";
}
