#include "platform/ProfileStore.h"
#include "tests/support/TestSupport.h"
#include "analysis/ui/analys.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <vector>

using namespace korvanta;

namespace {

class AnalysisDialogTest : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(SettingsFilePath()); }

    static QString stored(const char* key)
    {
        return GetProfileString("ANALYSE", key, "<missing>", 1024, SettingsFilePath());
    }

    // Types the four fields and presses OK.
    static void submit(TAnaly& dlg, const QString& low, const QString& high, const QString& fund,
                       const QString& threshold)
    {
        dlg.Edit1->setText(low);
        dlg.Edit2->setText(high);
        dlg.Edit3->setText(fund);
        dlg.Edit4->setText(threshold);
        dlg.BitBtn1->click();
    }

    // Submits each row of (low, high, fundamental, threshold) and returns the
    // messages they raised.
    static QStringList submitRows(TAnaly& dlg, const std::vector<std::array<QString, 4>>& rows)
    {
        ModalRecorder rec;
        for (const auto& r : rows)
            submit(dlg, r[0], r[1], r[2], r[3]);
        for (const auto& q : rec.questions()) {
            EXPECT_EQ(q.kind, modal::Kind::Warning);
            EXPECT_EQ(q.buttons, modal::Ok);
        }
        return rec.messageTexts();
    }

    static void choose(TAnaly& dlg, const QString& name)
    {
        const int index = dlg.ComboBox1->findText(name);
        dlg.ComboBox1->setCurrentIndex(index);
        emit dlg.ComboBox1->activated(index);
    }

    AnalysisSettings settings;
    CorrectionTable weighting;
};

} // namespace

TEST_F(AnalysisDialogTest, ReadsTheSectionAtCreationAndShowsIt)
{
    WriteProfileString("ANALYSE", "FVON", "50", SettingsFilePath());
    WriteProfileString("ANALYSE", "FUNDLOW", "0.0000100", SettingsFilePath());
    WriteProfileString("ANALYSE", "FILTER", "DEEMPH 50", SettingsFilePath());
    TAnaly dlg(nullptr, settings, weighting);
    EXPECT_EQ(settings.bandLow, 50);
    EXPECT_EQ(settings.filterName, "DEEMPH 50");
    EXPECT_TRUE(weighting.active);
    dlg.FormShow();
    EXPECT_EQ(dlg.Edit1->text(), "50");
    EXPECT_EQ(dlg.Edit2->text(), "20000");
    EXPECT_EQ(dlg.Edit3->text(), "1000");
    EXPECT_EQ(dlg.Edit4->text(), "-100.0");
    EXPECT_EQ(dlg.ComboBox1->currentText(), "DEEMPH 50");
    EXPECT_EQ(dlg.ComboBox1->count(), 14);
    EXPECT_TRUE(dlg.CheckBox1->isChecked());
    EXPECT_FALSE(dlg.Edit3->isEnabled());
    EXPECT_FALSE(dlg.Label7->isEnabled());
    EXPECT_EQ(dlg.windowTitle(), "Analyse Dialog");
}

TEST_F(AnalysisDialogTest, EachBadInputHasItsMessageAndStoresNothing)
{
    TAnaly dlg(nullptr, settings, weighting);
    dlg.FormShow();
    dlg.show();
    dlg.CheckBox1->setChecked(false);
    choose(dlg, "A Weighting");
    const AnalysisSettings before = settings;
    const QStringList messages = submitRows(dlg, {{"1x", "abc", "1000", "-60"},   // the first failing check wins
                                                  {"100", "20 000", "1000", "-60"},
                                                  {"5000", "5000", "1000", "-60"},
                                                  {"100", "20000", "1000.5", "-60"},
                                                  {"100", "20000", "1000", "0.5"},
                                                  {"100", "20000", "1000", "minus 60"}});
    EXPECT_EQ(messages, (QStringList{"Frequenz low nicht korrekt", "Frequenz high nicht korrekt",
                                     "Frequenz high sollte größer low sein", "Grundfrequenz nicht korrekt",
                                     "Pegel Schwellwert nicht korrekt", "Pegel Schwellwert nicht korrekt"}));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(settings.bandLow, before.bandLow);
    EXPECT_EQ(settings.bandHigh, before.bandHigh);
    EXPECT_EQ(settings.fundamental, before.fundamental);
    EXPECT_EQ(settings.fundamentalThreshold, before.fundamentalThreshold);
    EXPECT_TRUE(settings.fundamentalAuto);
    EXPECT_EQ(settings.filterName, "none");
    EXPECT_FALSE(weighting.active);
}

TEST_F(AnalysisDialogTest, EnglishTexts)
{
    TAnaly dlg(nullptr, settings, weighting);
    dlg.SetLanguage('E');
    dlg.FormShow();
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "Analyze Dialog");
    EXPECT_EQ(dlg.CheckBox1->text(), "Fundamental automatic");
    EXPECT_EQ(dlg.Label7->text(), "Hz manually");
    const QStringList messages = submitRows(
        dlg, {{"", "1", "1", "-1"}, {"1", "x", "1", "-1"}, {"2", "1", "1", "-1"}, {"1", "2", "", "-1"}, {"1", "2", "3", "1"}});
    EXPECT_EQ(messages,
              (QStringList{"Frequency low not correct", "Frequency high not correct",
                           "Frequency high must be greater then low value", "Fundamental not correct",
                           "Treshhold Value not correct"}));
}

TEST_F(AnalysisDialogTest, GoodInputIsStoredAndWritten)
{
    TAnaly dlg(nullptr, settings, weighting);
    dlg.FormShow();
    dlg.show();
    dlg.CheckBox1->setChecked(false);
    choose(dlg, "CCITT-Filter");
    ModalRecorder rec;
    submit(dlg, " 20 ", "15000", "440", "-80,5");
    EXPECT_TRUE(rec.questions().empty());
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(settings.bandLow, 20);
    EXPECT_EQ(settings.bandHigh, 15000);
    EXPECT_EQ(settings.fundamental, 440.0);
    EXPECT_FALSE(settings.fundamentalAuto);
    EXPECT_NEAR(settings.fundamentalThreshold, std::pow(10.0, -80.5 / 20.0), 1e-15);
    EXPECT_EQ(settings.filterName, "CCITT-Filter");
    EXPECT_TRUE(weighting.active);
    EXPECT_EQ(weighting.count, 11);
    // Closing wrote the section.
    EXPECT_EQ(stored("FVON"), "20");
    EXPECT_EQ(stored("FUNDAUTO"), "FALSE");
    EXPECT_EQ(stored("FILTER"), "CCITT-Filter");
    EXPECT_EQ(stored("FUNDLOW"), "0.0000944");
}

TEST_F(AnalysisDialogTest, AutomaticCheckBoxActsAtOnce)
{
    TAnaly dlg(nullptr, settings, weighting);
    dlg.FormShow();
    dlg.show();
    dlg.CheckBox1->click();
    EXPECT_FALSE(settings.fundamentalAuto);
    EXPECT_TRUE(dlg.Edit3->isEnabled());
    EXPECT_TRUE(dlg.Label7->isEnabled());
    dlg.BitBtn2->click();   // cancel keeps the choice of the check box
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(settings.fundamentalAuto);
    EXPECT_EQ(stored("FUNDAUTO"), "FALSE");
}

TEST_F(AnalysisDialogTest, UserCurveIsTakenOnlyWithOk)
{
    ScratchDir dir;
    dir.write("mic.cor", "100 -3\r\n1000 0\r\n10000 3\r\n");
    TAnaly dlg(nullptr, settings, weighting);
    SelectFilter(settings, weighting, "A Weighting");
    dlg.FormShow();
    dlg.show();
    ModalRecorder rec;
    rec.answerFile(dir.file("mic.cor"));
    choose(dlg, "USER");
    ASSERT_EQ(rec.questions().size(), 1u);
    EXPECT_EQ(rec.questions()[0].type, modal::Type::OpenFile);
    EXPECT_EQ(rec.questions()[0].filter, "Filter File | *.cor");
    dlg.BitBtn2->click();
    EXPECT_EQ(settings.filterName, "A Weighting");
    EXPECT_EQ(weighting.count, 15);
    EXPECT_TRUE(weighting.active);

    dlg.FormShow();
    dlg.show();
    rec.answerFile(dir.file("mic.cor"));
    choose(dlg, "USER");
    dlg.BitBtn1->click();
    EXPECT_EQ(settings.filterName, "USER");
    EXPECT_EQ(weighting.count, 3);
    EXPECT_EQ(weighting.fileName, dir.file("mic.cor"));
    EXPECT_TRUE(weighting.active);
    EXPECT_EQ(stored("USERFILE"), dir.file("mic.cor"));
}

TEST_F(AnalysisDialogTest, UserWithoutAFileKeepsTheLastCurve)
{
    TAnaly dlg(nullptr, settings, weighting);
    SelectFilter(settings, weighting, "DEEMPH 75");
    dlg.FormShow();
    dlg.show();
    ModalRecorder rec;
    rec.answerCancel();
    choose(dlg, "USER");
    dlg.BitBtn1->click();
    EXPECT_EQ(settings.filterName, "USER");
    EXPECT_EQ(weighting.count, 9);
    EXPECT_TRUE(weighting.active);
}

TEST_F(AnalysisDialogTest, DestructionWritesTheSectionAndHelpOpensItsPage)
{
    int helpContext = 0;
    modal::SetHelpHandler([&](int c) { helpContext = c; });
    {
        TAnaly dlg(nullptr, settings, weighting);
        dlg.BitBtn3->click();
        settings.thdOn = true;
    }
    modal::SetHelpHandler({});
    EXPECT_EQ(helpContext, 19);
    EXPECT_EQ(stored("THDMESS"), "TRUE");
}
