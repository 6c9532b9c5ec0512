// The sweep settings dialog: its spin and typing rules, "default", the
// clamps of OK, what it shows, and both languages.
#include "app/ui/ProgramRecords.h"
#include "correction/CorrectionTable.h"
#include "measure/ui/RadioGroup.h"
#include "diagram/ui/SpinButton.h"
#include "generator/SweepDialogRules.h"
#include "generator/ui/Wobbelu.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {

TEST(SweepDialogRules, SpinButtons)
{
    struct Case {
        const char* what;
        SweepSpin field;
        bool up;
        SweepSettings before;
        SweepSettings after;
    };
    auto with = [](auto change) {
        SweepSettings s;
        change(s);
        return s;
    };
    const Case cases[] = {
        {"from up rounds to tens", SweepSpin::From, true, with([](auto& s) { s.fromFrequency = 15; }),
         with([](auto& s) { s.fromFrequency = 20; })},
        {"from down stops at 1", SweepSpin::From, false, with([](auto& s) { s.fromFrequency = 5; }),
         with([](auto& s) { s.fromFrequency = 1; })},
        {"from up not past to", SweepSpin::From, true,
         with([](auto& s) { s.fromFrequency = 105; s.toFrequency = 100; }),
         with([](auto& s) { s.fromFrequency = 100; s.toFrequency = 100; })},
        {"to down keeps 100 Hz above from", SweepSpin::To, false,
         with([](auto& s) { s.fromFrequency = 1000; s.toFrequency = 1100; }),
         with([](auto& s) { s.fromFrequency = 1000; s.toFrequency = 1100; })},
        {"to up stops at 55200", SweepSpin::To, true, with([](auto& s) { s.toFrequency = 55200; }),
         with([](auto& s) { s.toFrequency = 55200; })},
        {"to up", SweepSpin::To, true, with([](auto& s) { s.toFrequency = 22000; }),
         with([](auto& s) { s.toFrequency = 22100; })},
        {"steps down stops at 1", SweepSpin::Steps, false, with([](auto& s) { s.steps = 1; }),
         with([](auto& s) { s.steps = 1; })},
        {"steps up stops at 511", SweepSpin::Steps, true, with([](auto& s) { s.steps = 511; }),
         with([](auto& s) { s.steps = 511; })},
        {"phase min up stops at 0", SweepSpin::PhaseMin, true, with([](auto& s) { s.phaseMin = 0; }),
         with([](auto& s) { s.phaseMin = 0; })},
        {"phase max down stops at 0", SweepSpin::PhaseMax, false, with([](auto& s) { s.phaseMax = 0; }),
         with([](auto& s) { s.phaseMax = 0; })},
        {"phase min down stops at -180", SweepSpin::PhaseMin, false, with([](auto& s) { s.phaseMin = -180; }),
         with([](auto& s) { s.phaseMin = -180; })},
        {"level down to off", SweepSpin::Level, false, with([](auto& s) { s.digitalLevel = -99.95f; }),
         with([](auto& s) { s.digitalLevel = -100.0f; })},
        {"level up stops at 0", SweepSpin::Level, true, with([](auto& s) { s.digitalLevel = -0.05f; }),
         with([](auto& s) { s.digitalLevel = 0.0f; })},
        {"level steps a tenth", SweepSpin::Level, false, with([](auto& s) { s.digitalLevel = -3.0f; }),
         with([](auto& s) { s.digitalLevel = -3.1f; })},
        {"settle down stops at 0", SweepSpin::Settle, false, with([](auto& s) { s.settleMs = 0; }),
         with([](auto& s) { s.settleMs = 0; })},
        {"settle up stops at 100000", SweepSpin::Settle, true, with([](auto& s) { s.settleMs = 100000; }),
         with([](auto& s) { s.settleMs = 100000; })},
    };
    for (const Case& c : cases) {
        SweepSettings s = c.before;
        SpinSweepField(s, c.field, c.up);
        EXPECT_EQ(s.fromFrequency, c.after.fromFrequency) << c.what;
        EXPECT_EQ(s.toFrequency, c.after.toFrequency) << c.what;
        EXPECT_EQ(s.steps, c.after.steps) << c.what;
        EXPECT_FLOAT_EQ(s.phaseMin, c.after.phaseMin) << c.what;
        EXPECT_FLOAT_EQ(s.phaseMax, c.after.phaseMax) << c.what;
        EXPECT_FLOAT_EQ(s.digitalLevel, c.after.digitalLevel) << c.what;
        EXPECT_EQ(s.settleMs, c.after.settleMs) << c.what;
    }
}

TEST(SweepDialogRules, TypingTakesOnlyWhatFits)
{
    struct Case {
        SweepEdit field;
        const char* text;
        bool taken;
    };
    const Case cases[] = {
        {SweepEdit::From, "100", true},    {SweepEdit::From, "0", false},    {SweepEdit::From, "22000", false},
        {SweepEdit::From, "1.5", false},   {SweepEdit::To, "20", false},     {SweepEdit::To, "30000", true},
        {SweepEdit::Steps, "600", false},  {SweepEdit::Steps, "511", true},  {SweepEdit::Steps, "x", false},
        {SweepEdit::PhaseMin, "-360", true}, {SweepEdit::PhaseMin, "-361", false}, {SweepEdit::PhaseMin, "90", false},
        {SweepEdit::PhaseMax, "360", true}, {SweepEdit::PhaseMax, "-90", false}, {SweepEdit::Level, "-3.5", true},
        {SweepEdit::Level, "OFF", false},  {SweepEdit::Settle, "-5", true},  {SweepEdit::Settle, "5 ms", false},
    };
    for (const Case& c : cases) {
        SweepSettings s;   // 20 .. 22000 Hz, phase -90 .. 90
        EXPECT_EQ(TypeSweepField(s, c.field, QString::fromLatin1(c.text)), c.taken) << c.text;
    }
}

TEST(SweepDialogRules, OkClampsWhatWasTyped)
{
    struct Case {
        const char* what;
        SweepDialogTexts texts;
        int32_t from, to, steps, settle;
        float level, phaseMin, phaseMax;
    };
    auto texts = [](const char* from, const char* to, const char* steps, const char* pmin, const char* pmax,
                    const char* level, const char* settle) {
        SweepDialogTexts t;
        t.from = from, t.to = to, t.steps = steps, t.phaseMin = pmin, t.phaseMax = pmax, t.level = level,
        t.settle = settle;
        return t;
    };
    const Case cases[] = {
        {"from above to", texts("20000", "19000", "50", "-90", "90", "0", "100"), 20000, 20100, 50, 100, 0, -90, 90},
        {"too many steps", texts("20", "22000", "600", "-90", "90", "0", "100"), 20, 22000, 511, 100, 0, -90, 90},
        {"limits", texts("0", "60000", "0", "-400", "400", "-300", "200000"), 1, 55200, 1, 100000, -200, -180, 180},
        {"phase range upside down", texts("20", "22000", "50", "50", "40", "5", "-3"), 20, 22000, 50, 0, 0, 39, 40},
        {"level off stays", texts("20", "22000", "50", "-90", "90", "OFF", "x"), 20, 22000, 50, 100, -100, -90, 90},
        {"from at the limit", texts("60000", "55200", "50", "-90", "90", "0", "100"), 55100, 55200, 50, 100, 0, -90,
         90},
    };
    for (const Case& c : cases) {
        SweepSettings s;
        s.digitalLevel = -100.0f;
        StoreSweepDialog(s, c.texts);
        EXPECT_EQ(s.fromFrequency, c.from) << c.what;
        EXPECT_EQ(s.toFrequency, c.to) << c.what;
        EXPECT_EQ(s.steps, c.steps) << c.what;
        EXPECT_EQ(s.settleMs, c.settle) << c.what;
        if (QString(c.texts.level) != QStringLiteral("OFF"))
            EXPECT_FLOAT_EQ(s.digitalLevel, c.level) << c.what;
        else
            EXPECT_FLOAT_EQ(s.digitalLevel, -100.0f) << c.what;
        EXPECT_FLOAT_EQ(s.phaseMin, c.phaseMin) << c.what;
        EXPECT_FLOAT_EQ(s.phaseMax, c.phaseMax) << c.what;
    }
}

class SweepDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearCorrection(InputCorrection());
        ClearCorrection(OutputCorrection());
    }
    Twobbeldlg dlg;
};

TEST_F(SweepDialog, LoadShowsTheRecord)
{
    SweepSettings s;
    s.fromFrequency = 15;
    s.digitalLevel = -100.0f;
    s.phaseMin = -45.4f;
    s.linear = true;
    s.mode = 1;
    s.settleMs = 250;
    const CorrectionPair points[] = {{100, 1.0}, {1000, 0.0}};
    SetCorrectionPoints(InputCorrection(), points);
    InputCorrection().fileName = QStringLiteral("/tmp/mic.cor");
    InputCorrection().active = true;
    dlg.Load(s);
    EXPECT_EQ(dlg.Efrom->text(), QStringLiteral("15"));
    EXPECT_EQ(dlg.digPeg->text(), QStringLiteral("OFF"));
    EXPECT_EQ(dlg.EPmin->text(), QStringLiteral("-45"));
    EXPECT_EQ(dlg.Sstart->text(), QStringLiteral("250"));
    EXPECT_TRUE(dlg.linearbut->isChecked());
    EXPECT_EQ(dlg.MessungRb->itemIndex(), 1);
    EXPECT_EQ(dlg.Label4->text(), QStringLiteral("/tmp/mic.cor"));
    EXPECT_TRUE(dlg.Label4->isEnabled());
    EXPECT_FALSE(dlg.Label5->isEnabled());
    EXPECT_TRUE(dlg.messzeit->text().endsWith(QStringLiteral("ms")));
    // A spin click refills the controls from the working copy: 15 + 10 down to tens.
    emit dlg.SpinButton1->upClick();
    EXPECT_EQ(dlg.Efrom->text(), QStringLiteral("20"));
}

TEST_F(SweepDialog, StereoModeSwitchesThePhaseOff)
{
    SweepSettings s;
    s.mode = 0;
    s.phaseOn = true;
    dlg.Load(s);
    EXPECT_TRUE(dlg.PhaseBut->isEnabled());
    dlg.MessungRb->setItemIndex(2);
    EXPECT_FALSE(dlg.PhaseBut->isChecked());
    EXPECT_FALSE(dlg.PhaseBut->isEnabled());
    EXPECT_FALSE(dlg.EPmin->isEnabled());
    dlg.PhaseBut->setChecked(true);   // a click that slips through unchecks itself
    dlg.PhaseButClick();
    EXPECT_FALSE(dlg.PhaseBut->isChecked());
    SweepSettings out;
    dlg.Store(out);
    EXPECT_EQ(out.mode, 2);
    EXPECT_FALSE(out.phaseOn);
}

TEST_F(SweepDialog, DefaultKeepsTheSpacing)
{
    SweepSettings s;
    s.linear = true;
    s.steps = 7;
    s.digitalLevel = -20.0f;
    dlg.Load(s);
    dlg.defaultClick();
    SweepSettings out;
    dlg.Store(out);
    EXPECT_EQ(out.fromFrequency, 10);
    EXPECT_EQ(out.toFrequency, 20000);
    EXPECT_EQ(out.steps, 50);
    EXPECT_FLOAT_EQ(out.digitalLevel, 0.0f);
    EXPECT_TRUE(out.linear);
}

TEST_F(SweepDialog, TypedTextReachesTheRecordOnlyThroughOk)
{
    SweepSettings s;
    dlg.Load(s);
    dlg.Efrom->setText(QStringLiteral("20000"));
    dlg.Eto->setText(QStringLiteral("19000"));
    dlg.Esteps->setText(QStringLiteral("600"));
    dlg.logbutton->setChecked(false);
    dlg.linearbut->setChecked(true);
    SweepSettings out;
    dlg.Store(out);
    EXPECT_EQ(out.fromFrequency, 20000);
    EXPECT_EQ(out.toFrequency, 20100);
    EXPECT_EQ(out.steps, 511);
    EXPECT_TRUE(out.linear);
}

TEST_F(SweepDialog, BothLanguages)
{
    struct Case {
        char letter;
        const char* caption;
        const char* steps;
        const char* mode0;
        const char* longest;
        const char* mode0Compares;  // the default mode's tooltip says what it compares
    };
    const Case cases[] = {
        {'E', "Wobbel dialog", "Step count", "Mono, left ref.", "max. Meas. Time",
         "curve: the right channel against the left one (reference)"},
        {'D', "Wobbel Dialog", "Anzahl Steps", "Mono, links Ref.", "max. Messzeit",
         "Kurve: rechter Kanal gegen den linken (Referenz)"},
    };
    for (const Case& c : cases) {
        dlg.Language(c.letter);
        EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8(c.caption));
        EXPECT_EQ(dlg.Label2->text(), QString::fromUtf8(c.steps));
        EXPECT_EQ(dlg.MessungRb->items().value(0), QString::fromUtf8(c.mode0));
        EXPECT_EQ(dlg.Label11->text(), QString::fromUtf8(c.longest));
        EXPECT_TRUE(dlg.MessungRb->button(0)->toolTip().startsWith(QString::fromUtf8(c.mode0Compares)))
            << dlg.MessungRb->button(0)->toolTip().toStdString();
    }
    dlg.Language('X');   // other letters change nothing
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Wobbel Dialog"));
}

// Every number field says its unit right beside it, and every spin arrow
// is large enough to hit: as wide and as high as a small tool button.
TEST_F(SweepDialog, FieldsShowTheirUnitsAndTheArrowsAreUsable)
{
    dlg.show();
    QApplication::processEvents();
    struct Unit {
        QLineEdit* edit;
        const char* unit;
    };
    for (const Unit u : {Unit{dlg.Efrom, "Hz"}, Unit{dlg.Eto, "Hz"}, Unit{dlg.digPeg, "dB"}, Unit{dlg.EPmin, "°"},
                         Unit{dlg.EPmax, "°"}, Unit{dlg.Sstart, "ms"}}) {
        const auto* label = dlg.findChild<QLabel*>(QStringLiteral("unit_") + u.edit->objectName());
        ASSERT_TRUE(label) << u.edit->objectName().toStdString();
        EXPECT_EQ(label->text(), QString::fromUtf8(u.unit));
        EXPECT_TRUE(label->isVisible());
        // Beside the field, on its row.
        const QRect field(u.edit->mapTo(&dlg, QPoint(0, 0)), u.edit->size());
        const QRect unit(label->mapTo(&dlg, QPoint(0, 0)), label->size());
        EXPECT_GT(unit.left(), field.right()) << u.unit;
        EXPECT_LT(unit.left() - field.right(), 60) << u.unit;
        EXPECT_TRUE(unit.top() < field.bottom() && unit.bottom() > field.top()) << u.unit;
    }
    constexpr int kUsableArrow = 16;
    for (TSpinButton* spin : {dlg.SpinButton1, dlg.SpinButton2, dlg.SpinButton3, dlg.SpinButton4, dlg.SpinButton5,
                              dlg.SpinBpmin, dlg.SpinBpmax})
        for (const QWidget* arrow : {static_cast<QWidget*>(spin->upButton()), static_cast<QWidget*>(spin->downButton())}) {
            EXPECT_GE(arrow->width(), kUsableArrow);
            EXPECT_GE(arrow->height(), kUsableArrow);
        }
}

} // namespace
