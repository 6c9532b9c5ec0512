#include "diagram/DiaSettings.h"
#include "tests/diagram/DiaTestSupport.h"
#include "diagram/DiaNavigation.h"
#include "platform/ProfileStore.h"
#include "diagram/ui/SpinButton.h"
#include "tests/support/TestSupport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {
struct Window : ::testing::Test {
    FreshSettings fresh;
    TDiagramm dia;
    Tdiadlg& dlg() { return *dia.OptionsDialog(); }
};
} // namespace

TEST_F(Window, CreatedAsDesigned)
{
    EXPECT_EQ(dia.windowTitle(), "Korvanta V 1.4 ");
    EXPECT_EQ(dia.size(), QSize(580, 370));
    EXPECT_FALSE(dia.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(dia.GetLastIndex(), 50);
    EXPECT_TRUE(dia.LeftScaleShown());
    EXPECT_FALSE(dia.RightScaleShown());
    int32_t xmin, xmax;
    dia.GetXRange(xmin, xmax);
    EXPECT_EQ(xmin, 99);
    EXPECT_EQ(xmax, 99);
}

TEST_F(Window, FirstSetupAdoptsTheRangesLaterOnesKeepThem)
{
    float ymin = -110, ymax = 0;
    EXPECT_FALSE(dia.SetupDiagram("first", 1023, 10, 24000, ymin, ymax));
    EXPECT_EQ(dia.GetComment(), "first");
    EXPECT_EQ(dia.GetLastIndex(), 1023);
    float y2min, y2max;
    dia.GetY2Range(y2min, y2max);   // left scale only: the right axis follows
    EXPECT_EQ(y2min, -110);
    EXPECT_EQ(y2max, 0);

    dia.AddPoint(-3, -6, 5, 1000);
    ymin = -80, ymax = 10;
    EXPECT_FALSE(dia.SetupDiagram("second", 1023, 10, 24000, ymin, ymax));
    EXPECT_EQ(ymin, -110);   // the diagram's range is handed back
    EXPECT_EQ(ymax, 0);
    EXPECT_EQ(dia.Points().curve1()[5], -3.0f);   // same x range: curves kept

    ymin = -80, ymax = 10;
    EXPECT_FALSE(dia.SetupDiagram("third", 1023, 1, 22050, ymin, ymax));
    EXPECT_EQ(dia.Points().curve1()[5], 0.0f);    // other x range: cleared
    int32_t xmin, xmax;
    dia.GetXRange(xmin, xmax);
    EXPECT_EQ(xmin, 10);   // and the diagram's x range stays
    EXPECT_EQ(xmax, 24000);
    EXPECT_EQ(dia.Options().xmin, 10);   // the options carry the copies

    dia.ResetRanges();
    dia.GetXRange(xmin, xmax);
    EXPECT_EQ(xmin, 99);
    ymin = -50, ymax = 5;
    dia.ShowScales(true, true);
    EXPECT_FALSE(dia.SetupDiagram("", 100, 20, 20000, ymin, ymax));
    dia.GetY2Range(y2min, y2max);
    EXPECT_EQ(y2min, 99.0f);   // with the right scale shown it keeps its own range
}

TEST_F(Window, SetupReportsFailures)
{
    float ymin = -100, ymax = 0;
    EXPECT_TRUE(dia.SetupDiagram("", -1, 20, 20000, ymin, ymax));   // no points
    dia.ResetRanges();
    EXPECT_TRUE(dia.SetupDiagram("", 100, 0, 20000, ymin, ymax));   // log range through 0 Hz
    dia.ResetRanges();
    EXPECT_FALSE(dia.SetupDiagram("", DiaPointStore::MaxPoints - 1, 20, 20000, ymin, ymax));   // the largest
}

TEST_F(Window, OperationsOfThePages)
{
    SetupAnalyzerLike(dia);
    dia.SetYCaption(QString(50, 'y'));
    dia.SetInfoLine("THD+N");
    EXPECT_EQ(dia.GetInfoLine(), "THD+N");
    dia.Edicomment->setText(QString(300, 'c'));
    EXPECT_EQ(dia.GetComment().size(), 255);
    EXPECT_TRUE(dia.SetYRange(-60, 6));
    float ymin, ymax;
    dia.GetYRange(ymin, ymax);
    EXPECT_EQ(ymin, -60);
    EXPECT_EQ(ymax, 6);
    EXPECT_TRUE(dia.SetXRange(100, 10000));
    EXPECT_EQ(dia.Layout().ranges.xmin, 100);
    EXPECT_EQ(dia.AddPoint(-1, -2, DiaPointStore::Capacity, 10), 1);
    dia.ShowCurves(false, true);
    EXPECT_FALSE(dia.Options().show1);
    dia.SetDiaLanguage('E');
    EXPECT_EQ(dia.Words().ratio, "times");
}

TEST_F(Window, OptionsDialogChangesArriveByMessage)
{
    SetupAnalyzerLike(dia);
    QSignalSpy colours(&dia, &TDiagramm::channelColoursChanged);
    dia.FormMouseUp(Qt::RightButton);   // right click opens the dialog, filled
    EXPECT_TRUE(dlg().isVisible());
    EXPECT_EQ(dlg().Edit2->text(), "20000");

    ModalRecorder rec;
    rec.answerColor(0x00AA00);
    dlg().Button3Click();   // curve 1 colour
    EXPECT_EQ(dia.Options().colLine1, diacolor::Line1);   // not yet: it is posted
    ApplyPosted();
    EXPECT_EQ(dia.Options().colLine1, 0x00AA00u);
    ASSERT_EQ(colours.count(), 1);
    EXPECT_EQ(colours[0][0].value<QColor>(), QColor(0, 0xAA, 0));
    EXPECT_EQ(colours[0][1].value<QColor>(), ColorFromRef(diacolor::Line2));

    QTest::keyClicks(dlg().Edit2, "0");   // 200000: refused, but the record is still applied
    ApplyPosted();
    EXPECT_EQ(colours.count(), 2);
    EXPECT_EQ(dia.Layout().ranges.xmax, 20000);
    dlg().Edit2->setText("abc");          // no number: nothing posted
    dlg().Edit2Change();
    ApplyPosted();
    EXPECT_EQ(colours.count(), 2);
    dlg().Edit4->setText("-120");   // a maximum below the minimum is refused
    dlg().Edit4Change();
    dlg().Edit3->setText("-80");
    dlg().Edit3Change();
    ApplyPosted();
    float ymin, ymax;
    dia.GetYRange(ymin, ymax);
    EXPECT_EQ(ymin, -80);
    EXPECT_EQ(ymax, 0);
    float y2min, y2max;
    dia.GetY2Range(y2min, y2max);
    EXPECT_EQ(y2min, -80);   // the hidden right axis follows
}

TEST_F(Window, ResetPeakIsDoneOnce)
{
    SetupAnalyzerLike(dia);
    dia.ShowOptions();
    dlg().CheckBox2->setChecked(true);
    dlg().CheckBox2Click();
    ApplyPosted();
    dia.AddPoint(-10, 0, 3, 500);
    EXPECT_EQ(dia.Points().curve3()[3], -10.0f);
    dlg().Button7Click();
    ApplyPosted();
    EXPECT_EQ(dia.Points().curve3()[3], DiaPointStore::PeakFloor);
    dia.AddPoint(-20, 0, 3, 500);
    dlg().LogDia->setChecked(false);   // a later change keeps the new peaks
    dlg().LogDiaClick();
    ApplyPosted();
    EXPECT_EQ(dia.Points().curve3()[3], -20.0f);
}

TEST_F(Window, SpinButtonsMoveTheLevelAxisAndRefillTheDialog)
{
    SetupAnalyzerLike(dia);
    dia.ShowOptions();
    dia.SpinButtonYmax->upButton()->click();
    float ymin, ymax, y2min, y2max;
    dia.GetYRange(ymin, ymax);
    EXPECT_EQ(ymax, 20);   // auto step 20 on a 100 dB range
    dia.GetY2Range(y2min, y2max);
    EXPECT_EQ(y2max, 20);
    EXPECT_EQ(dlg().Edit4->text(), "20.000");
    EXPECT_EQ(dia.Layout().ranges.ymax, 20);
    dia.SpinButtonYmin->downButton()->click();
    dia.GetYRange(ymin, ymax);
    EXPECT_EQ(ymin, -120);

    dlg().CheckBox1->setChecked(false);   // fixed steps of 5 dB
    dlg().CheckBox1Click();
    ApplyPosted();
    dia.SpinButtonYmax->downButton()->click();
    dia.GetYRange(ymin, ymax);
    EXPECT_EQ(ymax, 15);
    dia.SetYRange(-4, 0);
    dia.SpinButtonYmaxDownClick();   // would reach the minimum: ignored
    dia.GetYRange(ymin, ymax);
    EXPECT_EQ(ymax, 0);
}

TEST_F(Window, ScrollBarsMoveTheFrequencyAxis)
{
    SetupAnalyzerLike(dia);
    dia.ScrollBarHF->triggerAction(QAbstractSlider::SliderSingleStepSub);
    int32_t xmin, xmax;
    dia.GetXRange(xmin, xmax);
    EXPECT_EQ(xmax, 11025);
    dia.ScrollBarHF->triggerAction(QAbstractSlider::SliderSingleStepSub);   // the arrows keep working
    dia.ScrollBarLF->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    dia.ScrollBarLF->triggerAction(QAbstractSlider::SliderPageStepAdd);     // no effect
    dia.GetXRange(xmin, xmax);
    EXPECT_EQ(xmax, 10000);
    EXPECT_EQ(xmin, 30);
    EXPECT_EQ(dia.Layout().ranges.xmin, 30);

    dia.SetXRange(10, 15);   // linear, narrow: 1 Hz per click
    dlg().Fill(dia.Options());
    dlg().LogDia->setChecked(false);
    dlg().LogDiaClick();
    ApplyPosted();
    dia.ScrollBarHFScroll(SB_LINEDOWN);
    dia.ScrollBarLFScroll(SB_LINEDOWN);
    dia.GetXRange(xmin, xmax);
    EXPECT_EQ(xmin, 11);
    EXPECT_EQ(xmax, 16);
}

TEST_F(Window, MouseDrivesTheCursorAndSignals)
{
    SetupAnalyzerLike(dia);
    dia.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dia));
    QSignalSpy front(&dia, &TDiagramm::activateMainWindow);
    const DiaLayout& l = dia.Layout();
    const QPoint start(300, RowOf(dia, -20));
    QTest::mouseClick(&dia, Qt::LeftButton, {}, start);
    EXPECT_EQ(front.count(), 1);
    EXPECT_TRUE(dia.CursorState().armed);
    QMouseEvent move(QEvent::MouseMove, QPointF(300, RowOf(dia, -40)), dia.mapToGlobal(QPointF(300, RowOf(dia, -40))),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&dia, &move);
    EXPECT_EQ(dia.CursorState().mode, DiaCursor::Level);
    EXPECT_EQ(dia.CursorState().levelText, LevelText((start.y() - RowOf(dia, -40)) / l.ppdB, "fach"));
    EXPECT_TRUE(dia.CursorState().levelText.endsWith("%"));
    QMouseEvent away(QEvent::MouseMove, QPointF(l.plotRight + 10, 100), dia.mapToGlobal(QPointF(l.plotRight + 10, 100)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&dia, &away);
    EXPECT_FALSE(dia.CursorState().armed);
    EXPECT_EQ(dia.CursorState().mode, DiaCursor::None);
    dia.hide();
}

TEST_F(Window, ResizeRelaysOutAndKeepsAMinimum)
{
    SetupAnalyzerLike(dia);
    dia.show();
    dia.resize(800, 500);
    QApplication::processEvents();
    EXPECT_EQ(dia.Layout().width, 800);
    EXPECT_EQ(dia.ScrollBarHF->geometry().right(), 799);
    EXPECT_EQ(dia.Edit2->geometry().bottom(), 499);
    dia.resize(50, 30);
    QApplication::processEvents();
    EXPECT_GE(dia.width(), 170);
    EXPECT_GE(dia.height(), 120);
    dia.hide();
}

TEST_F(Window, PaintShowsTheRenderedBitmap)
{
    SetupAnalyzerLike(dia);
    FillFlat(dia, 1000, 20, 20000, -50, 0);
    const QPixmap shot = dia.grab();
    const QImage img = shot.toImage();
    EXPECT_EQ(PixelAt(img, ColumnOf(dia, 777), RowOf(dia, -50)), Rgb(dia.Options().colLine1));
    EXPECT_EQ(dia.Edicomment->x(), dia.Layout().plotLeft);
    EXPECT_GT(dia.Edicomment->width(), 0);
    EXPECT_LT(dia.Edicomment->geometry().right(), dia.Layout().plotRight);
}

// A read-out longer than the line shows its beginning ("THD+N: ..."), not
// its end with the names cut off.
TEST_F(Window, ALongInfoLineShowsItsStart)
{
    dia.resize(300, 200);
    dia.SetInfoLine(QStringLiteral("THD+N:  LI 1000Hz -90.1dB |  RE 1000Hz -89.9dB |   Filter: A Weighting"));
    EXPECT_EQ(dia.Edit2->cursorPosition(), 0);
}

TEST_F(Window, SavesItsVisiblePointsAsText)
{
    ScratchDir dir;
    SetupAnalyzerLike(dia, 3);
    dia.AddPoint(-3, -6.5f, 0, 1000);
    dia.AddPoint(-4, -7, 1, 30000);
    EXPECT_EQ(dia.SaveAsText(dir.file("a.txt"), dia.Options().separator), 0);
    EXPECT_EQ(dir.read("a.txt"), QByteArray("1000.00,-3.00\r\n"));
}

// ---------------------------------------------------------------------------
// The settings section

TEST(DiaSettingsFile, ReadRulesAndRoundTrip)
{
    FreshSettings fresh;
    const QString path = SettingsFilePath();
    ScratchDir dir;
    ASSERT_TRUE(WriteProfileString("DIAGPRIV", "COLDIA", "1", path));
    ASSERT_TRUE(WriteProfileString("DIAGPRIV", "COLGRID", "zz", path));
    ASSERT_TRUE(WriteProfileString("DIAGPRIV", "COLLINE1", "4210752", path));
    ASSERT_TRUE(WriteProfileString("DIAGPRIV", "XLOG", "false", path));
    ASSERT_TRUE(WriteProfileString("DIAGPRIV", "YSTEPAUTO", "FALSE", path));
    ASSERT_TRUE(WriteProfileString("DIAGPRIV", "YDIASTEPS", "0", path));
    ASSERT_TRUE(WriteProfileString("DIAGPRIV", "SEPARATOR", "\\t", path));
    ASSERT_TRUE(WriteProfileString("OTHER", "KEEP", "me", path));
    {
        TDiagramm dia;
        const DiagramOptions& o = dia.Options();
        EXPECT_EQ(o.colDia, diacolor::Diagram);   // 1 always means the default
        EXPECT_EQ(o.colGrid, diacolor::Grid);
        EXPECT_EQ(o.colLine1, 4210752u);
        EXPECT_TRUE(o.xLog);                      // only "FALSE" turns it off
        EXPECT_FALSE(o.yStepAuto);
        EXPECT_EQ(o.yStep, 5.0f);
        EXPECT_EQ(o.separator, "\\t");
    }
    EXPECT_EQ(GetProfileString("DIAGPRIV", "COLDIA", "", 154, path), "16776960");
    EXPECT_EQ(GetProfileString("DIAGPRIV", "XLOG", "", 154, path), "TRUE");
    EXPECT_EQ(GetProfileString("DIAGPRIV", "YSTEPAUTO", "", 154, path), "FALSE");
    EXPECT_EQ(GetProfileString("DIAGPRIV", "YDIASTEPS", "", 154, path), "5.0");
    EXPECT_EQ(GetProfileString("DIAGPRIV", "COLCUR", "", 154, path), "0");
    EXPECT_EQ(GetProfileString("OTHER", "KEEP", "", 154, path), "me");

    DiagramOptions missing;
    missing.yStep = 2;
    LoadDiaSettings(dir.file("none.ini"), missing);
    EXPECT_EQ(missing.yStep, 5.0f);
    EXPECT_EQ(missing.colMargin, diacolor::Margin);
}
