#include "tests/diagram/DiaTestSupport.h"
#include "diagram/ui/SkalDlg.h"
#include "tests/support/TestSupport.h"
#include "platform/UserMessages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {

// Stands in for the diagram window: counts the option messages.
class Receiver : public QObject {
public:
    int posts = 0;
    bool event(QEvent* e) override
    {
        if (e->type() == UM_DIA_OPTIONS) {
            ++posts;
            return true;
        }
        return QObject::event(e);
    }
};

struct Dialog : ::testing::Test {
    Tdiadlg dlg;
    Receiver receiver;
    void SetUp() override
    {
        dlg.SetTarget(&receiver);
        DiagramOptions o;
        o.xmin = 20;
        o.xmax = 20000;
        o.ymin = -100;
        o.ymax = 0;
        dlg.Fill(o);
    }
    int posted()
    {
        ApplyPosted();
        return receiver.posts;
    }
    void type(QLineEdit* edit, const QString& text, void (Tdiadlg::*handler)())
    {
        edit->setText(text);
        (dlg.*handler)();
    }
};

} // namespace

TEST_F(Dialog, FillShowsTheRecordWithoutAPendingReset)
{
    DiagramOptions o = dlg.Options();
    o.resetPeaks = true;
    o.measSlope = true;
    o.measLevel = false;
    o.diffMode = DiffK2MinusK1;
    o.yStep = 2.5f;
    o.yStepAuto = false;
    dlg.Fill(o);
    EXPECT_FALSE(dlg.Options().resetPeaks);
    EXPECT_TRUE(dlg.MessVonItem[2]->isChecked());
    EXPECT_EQ(dlg.ComboBox1->currentIndex(), 2);
    EXPECT_EQ(dlg.Edit3->text(), "-100.000");
    EXPECT_EQ(dlg.Edit5->text(), "2.500");
    EXPECT_TRUE(dlg.Edit5->isEnabled());
    EXPECT_EQ(dlg.Edit1->text(), "20");
    EXPECT_EQ(posted(), 0);   // filling posts nothing
}

TEST_F(Dialog, FrequencyEditsAcceptOnlyAValidRange)
{
    type(dlg.Edit2, "60000", &Tdiadlg::Edit2Change);
    EXPECT_EQ(dlg.Options().xmax, 20000);
    EXPECT_EQ(posted(), 1);   // refused, but the record is posted again
    type(dlg.Edit1, "20000", &Tdiadlg::Edit1Change);   // not below xmax
    type(dlg.Edit1, "0", &Tdiadlg::Edit1Change);
    EXPECT_EQ(dlg.Options().xmin, 20);
    type(dlg.Edit1, "1", &Tdiadlg::Edit1Change);
    type(dlg.Edit2, "50000", &Tdiadlg::Edit2Change);
    EXPECT_EQ(dlg.Options().xmin, 1);
    EXPECT_EQ(dlg.Options().xmax, 50000);
    EXPECT_EQ(posted(), 5);
    type(dlg.Edit1, "12a", &Tdiadlg::Edit1Change);   // no number: nothing posted
    EXPECT_EQ(posted(), 5);
}

TEST_F(Dialog, LevelEditsKeepMinimumBelowMaximum)
{
    type(dlg.Edit3, "10", &Tdiadlg::Edit3Change);
    EXPECT_EQ(dlg.Options().ymin, -100.0f);
    type(dlg.Edit3, "-60,5", &Tdiadlg::Edit3Change);
    EXPECT_EQ(dlg.Options().ymin, -60.5f);
    type(dlg.Edit4, "-70", &Tdiadlg::Edit4Change);
    EXPECT_EQ(dlg.Options().ymax, 0.0f);
    type(dlg.Edit4, "nan", &Tdiadlg::Edit4Change);
    EXPECT_EQ(dlg.Options().ymax, 0.0f);
    type(dlg.Edit5, "2", &Tdiadlg::Edit5Change);
    EXPECT_EQ(dlg.Options().yStep, 2.0f);
    type(dlg.Edit6, "\\t", &Tdiadlg::Edit6Change);
    EXPECT_EQ(dlg.Options().separator, "\\t");
    EXPECT_EQ(posted(), 5);
}

TEST_F(Dialog, PeakAndDifferenceExcludeEachOther)
{
    dlg.ComboBox1->setCurrentIndex(1);
    dlg.ComboBox1Change();
    EXPECT_EQ(dlg.Options().diffMode, DiffK1MinusK2);
    dlg.CheckBox2->setChecked(true);
    dlg.CheckBox2Click();
    EXPECT_TRUE(dlg.Options().peak1);
    dlg.CheckBox3->setChecked(true);   // "Peak K 2" while "Peak K 1" is on
    dlg.CheckBox3Click();
    EXPECT_TRUE(dlg.Options().peak2);
    EXPECT_FALSE(dlg.Options().peak1);
    EXPECT_FALSE(dlg.CheckBox2->isChecked());
    EXPECT_EQ(dlg.Options().diffMode, DiffNone);
    EXPECT_EQ(dlg.ComboBox1->currentIndex(), 0);
    dlg.ComboBox1->setCurrentIndex(3);
    dlg.ComboBox1Change();
    EXPECT_FALSE(dlg.Options().peak2);
    EXPECT_FALSE(dlg.CheckBox3->isChecked());
    EXPECT_EQ(posted(), 4);
}

TEST_F(Dialog, ColoursMeasuringKindStepAndReset)
{
    ModalRecorder rec;
    rec.answerColor(0x123456);
    rec.answerCancel();
    dlg.Button6Click();
    dlg.Button1Click();   // cancelled: nothing changes, nothing posted
    EXPECT_EQ(dlg.Options().colLine3, 0x123456u);
    EXPECT_EQ(dlg.Options().colDia, diacolor::Diagram);
    EXPECT_EQ(posted(), 1);
    dlg.coldefaultClick();
    EXPECT_EQ(dlg.Options().colLine3, diacolor::Line3);

    dlg.MessVonItem[1]->setChecked(true);
    dlg.MessVonClick();
    EXPECT_TRUE(dlg.Options().measFreq);
    EXPECT_FALSE(dlg.Options().measLevel);
    dlg.CheckBox1->setChecked(false);
    dlg.CheckBox1Click();
    EXPECT_FALSE(dlg.Options().yStepAuto);
    EXPECT_TRUE(dlg.Edit5->isEnabled());
    dlg.Button7Click();
    EXPECT_TRUE(dlg.Options().resetPeaks);
    dlg.ConsumeResetPeaks();
    EXPECT_FALSE(dlg.Options().resetPeaks);
    EXPECT_EQ(posted(), 5);
    EXPECT_FALSE(dlg.RBdruckfarben->isVisible());
    EXPECT_FALSE(dlg.RBdruckfarben->isEnabled());
}

TEST_F(Dialog, HelpAndClose)
{
    int shown = 0;
    modal::SetHelpHandler([&](int c) { shown = c; });
    dlg.show();
    dlg.BitBtn1->click();
    EXPECT_EQ(shown, 16);
    dlg.CloseBut->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(posted(), 0);
    modal::SetHelpHandler({});
}

TEST_F(Dialog, BothLanguages)
{
    dlg.SetLanguage('E');
    EXPECT_EQ(dlg.windowTitle(), "Diagram options");
    EXPECT_EQ(dlg.Button3->text(), "Line 1");
    EXPECT_EQ(dlg.CheckBox3->text(), "Peak L 2");
    EXPECT_EQ(dlg.MessVon->title(), "Meas. of");
    EXPECT_EQ(dlg.ComboBox1->itemText(2), "L2-L1");
    dlg.ComboBox1->setCurrentIndex(2);
    dlg.ComboBox1Change();
    dlg.SetLanguage('D');
    EXPECT_EQ(dlg.windowTitle(), "Diagramm Optionen");
    EXPECT_EQ(dlg.Button4->text(), "Randfarbe");
    EXPECT_EQ(dlg.MessVonItem[2]->text(), "Flanken");
    EXPECT_EQ(dlg.ComboBox1->itemText(0), "keine Dif.");
    EXPECT_EQ(dlg.ComboBox1->currentIndex(), 2);   // refilled, selection kept
    EXPECT_EQ(dlg.Button7->text(), " Peak löschen");
    dlg.SetLanguage('X');   // unknown: captions stay
    EXPECT_EQ(dlg.Button4->text(), "Randfarbe");
}

// ---------------------------------------------------------------------------
// Scaling dialog

TEST(ScalingDialog, OkTakesNumbersOnlyAndNeverAZeroFactor)
{
    TSkalDia dlg;
    XScaling s{2, 10, "rpm"};
    QTimer::singleShot(0, &dlg, [&] {
        EXPECT_EQ(dlg.Edit3->text(), "rpm");
        EXPECT_EQ(dlg.Edit1->text().toFloat(), 2.0f);   // shown in scientific notation
        EXPECT_TRUE(dlg.Edit1->text().contains('E'));
        dlg.Edit1->setText("0");
        dlg.Edit2->setText("x");
        dlg.Edit3->setText("Umin");
        dlg.BitBtn1Click();
    });
    ASSERT_TRUE(dlg.Edit(s));
    EXPECT_EQ(s.factor, 2.0f);
    EXPECT_EQ(s.offset, 10.0f);
    EXPECT_EQ(s.unit, "Umin");

    QTimer::singleShot(0, &dlg, [&] {
        dlg.defaultClick();
        EXPECT_EQ(dlg.Edit3->text(), "Hz");
        dlg.Edit1->setText("1e-3");
        dlg.BitBtn1Click();
    });
    ASSERT_TRUE(dlg.Edit(s));
    EXPECT_EQ(s.factor, 1e-3f);
    EXPECT_EQ(s.offset, 0.0f);
    EXPECT_EQ(s.unit, "Hz");

    QTimer::singleShot(0, &dlg, [&] { dlg.CancelBtn->click(); });
    XScaling before = s;
    EXPECT_FALSE(dlg.Edit(s));
    EXPECT_EQ(s, before);
}
