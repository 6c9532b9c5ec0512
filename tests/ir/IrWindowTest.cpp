// The impulse response window on the virtual card, through the real main
// window and its "Analyse" menu: a run shows the card's latency and every
// view draws a curve; moving the gate before a reflection redraws from the
// stored measurement without a new run; a set-up with no signal shows its
// message and no curve; a run stopped midway leaves no curve; the diagram's
// own menus copy that diagram; the settings survive a restart and a damaged
// one falls back to its default.
#include "app/ui/DiagramMenus.h"
#include "app/ui/IrMenu.h"
#include "app/ui/MemoryMenu.h"
#include "diagram/DiaPicture.h"
#include "diagram/ui/Diagr3.h"
#include "ir/ui/IrWindow.h"
#include "measure/ui/RunProgress.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QProgressBar>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <cmath>

using namespace korvanta;

namespace {

constexpr int kRunWaitMs = 120000;

class IrWindowTest : public MainWindowTest {
protected:
    void open(const DutConfig& dut = {}, const QByteArray& moreSettings = {})
    {
        // The virtual master follows the output volume: full, as a loop cable is.
        writeSettings("[VOLUME]\nFGVOLUME=100\n" + moreSettings);
        start();
        VirtualCard::instance().setDut(dut);
        main->IrMenu->ImpulseResponse1->trigger();
        window = Forms().ImpulseResponse;
        ASSERT_TRUE(window && window->isVisible());
        QObject::connect(window->Engine(), &IrEngine::started, window, [this] { ++runs; });
    }

    // Starts and waits for the run's end, answering every box with OK.
    void run()
    {
        modals.clear();
        window->StartButton->click();
        ASSERT_TRUE(window->Engine()->Running()) << modals.messageTexts().join('\n').toStdString();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !window->Engine()->Running(); }, kRunWaitMs));
        QApplication::processEvents();
    }

    // Whether the diagram draws any point (cleared points lie at x = 0).
    bool curveDrawn() const
    {
        const DiaPointStore& p = window->Diagram->Points();
        for (int i = 0; i < p.count(); ++i)
            if (p.x()[i] > 0.0f)
                return true;
        return false;
    }

    // The magnitude's spread (dB) between two frequencies, as drawn.
    double drawnSpread(double lowHz, double highHz) const
    {
        const DiaPointStore& p = window->Diagram->Points();
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        for (int i = 0; i < p.count(); ++i)
            if (p.x()[i] > lowHz && p.x()[i] < highHz) {
                lo = std::min(lo, double(p.curve1()[i]));
                hi = std::max(hi, double(p.curve1()[i]));
            }
        return hi - lo;
    }

    // The diagram as a picture, for scripts/screenshots.sh ir.
    void diagramPicture(const char* name) const
    {
        const QString dir = qEnvironmentVariable("KORVANTA_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            EXPECT_EQ(SaveDiagramPicture(window->Diagram->PictureContent(), dir + QLatin1Char('/') + QLatin1String(name),
                                         QSize(900, 600)),
                      PictureResult::Saved);
        }
    }

    TIrWindow* window = nullptr;
    int runs = 0;
};

TEST_F(IrWindowTest, ARunShowsTheLatencyAndEveryViewDrawsACurve)
{
    DutConfig dut;
    dut.delaySamples = 10.37;
    dut.k2 = 0.01;
    dut.k3 = 0.003;
    open(dut);
    run();
    const IrMeasurement& m = window->Measurement();
    ASSERT_TRUE(m.ok()) << window->Status->text().toStdString();
    EXPECT_TRUE(modals.messageTexts().isEmpty()) << modals.messageTexts().join('\n').toStdString();
    EXPECT_EQ(window->RunProgress->Bar->text(), QStringLiteral("100 %"));
    // The card's own path adds whole frames of buffering: the fraction is
    // the device's.
    const double beyond = m.peak.samples - 10.37;
    EXPECT_NEAR(beyond - std::round(beyond), 0.0, 0.05) << m.peak.samples;
    EXPECT_GE(beyond, -0.05);
    EXPECT_FALSE(m.peak.inverted());
    EXPECT_TRUE(window->Results->text().contains(QLocale().toString(m.peak.samples, 'f', 2)))
        << window->Results->text().toStdString();
    TDiagramm& d = *window->Diagram;
    EXPECT_TRUE(d.isVisible());
    EXPECT_NE(&d, Forms().Diagramm);
    for (int v = 0; v < kIrViewCount; ++v) {
        SCOPED_TRACE(v);
        window->View->setCurrentIndex(v);
        const IrPlot plot = IrPlotOf(m, IrView(v), 0);
        ASSERT_EQ(d.Points().count(), int(plot.x.size()));
        EXPECT_GT(d.Points().count(), 100);
        EXPECT_LE(d.Points().count(), kIrMaxDiagramPoints);
        EXPECT_EQ(d.Options().show2, !plot.y2.empty());
        EXPECT_EQ(d.Options().xLog, !plot.timeAxis);
    }
    window->View->setCurrentIndex(int(IrView::MagnitudePhase));
    diagramPicture("ir-magnitude-phase.png");
    window->View->setCurrentIndex(int(IrView::H2H3));
    diagramPicture("ir-h2-h3.png");
    // The impulse and what follows it, from a millisecond before it (the
    // gate counts from the peak).
    window->WholeFundamental->setChecked(false);
    window->GateStart->setValue(-1.0);
    window->GateLength->setValue(5.0);
    window->View->setCurrentIndex(int(IrView::Impulse));
    diagramPicture("ir-impulse.png");

    // Copy in the window's own menu copies this diagram.
    QGuiApplication::clipboard()->clear();
    main->IrMenu->DiagramMenus->CopyItem->trigger();
    QImage expected(d.Bitmap().size(), QImage::Format_RGB32);
    d.RenderDiagramTo(expected, true);
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), expected);
    // Stored as a memory of its own diagram, not the main one's.
    main->IrMenu->DiagramMenus->Memory->Slots[0].store->trigger();
    EXPECT_FALSE(d.Memories().at(0).isEmpty());
    EXPECT_TRUE(Forms().Diagramm->Memories().at(0).isEmpty());
}

TEST_F(IrWindowTest, AGateBeforeTheReflectionRedrawsFlatWithoutARun)
{
    DutConfig dut;
    dut.echoMs = 3.0;
    dut.echoDb = -6.0;
    open(dut);
    run();
    const IrMeasurement& m = window->Measurement();
    ASSERT_TRUE(m.ok()) << window->Status->text().toStdString();
    window->View->setCurrentIndex(int(IrView::MagnitudePhase));
    // All of the fundamental: the comb of the reflection.
    EXPECT_GT(drawnSpread(1000, 15000), 8.0);
    const int runsBefore = runs;
    window->WholeFundamental->setChecked(false);
    // The gate counts from the peak.
    window->GateStart->setValue(-0.5);
    window->GateLength->setValue(2.5);
    EXPECT_EQ(runs, runsBefore) << "the gate needs no new run";
    EXPECT_NEAR(m.gate.lengthMs, 2.5, 1e-9);
    EXPECT_NEAR(m.gate.startMs, m.peak.latencyMs(m.ir.rate) - 0.5, 1e-9);
    EXPECT_LT(drawnSpread(1000, 15000), 0.5);
    // The next run's latency may differ by whole buffers; the gate kept
    // from the peak still leaves the reflection out.
    window->View->setCurrentIndex(int(IrView::MagnitudePhase));
    run();
    ASSERT_TRUE(window->Measurement().ok()) << window->Status->text().toStdString();
    EXPECT_NEAR(m.gate.startMs, m.peak.latencyMs(m.ir.rate) - 0.5, 1e-9);
    EXPECT_LT(drawnSpread(1000, 15000), 0.5);
    // The time view starts at the gate, its axis in ms from there.
    window->View->setCurrentIndex(int(IrView::Impulse));
    EXPECT_NEAR(window->Diagram->Scaling().offset + window->Diagram->Scaling().factor * window->Diagram->Points().x()[0],
                m.gate.startMs, 0.01);
    EXPECT_EQ(window->Diagram->PictureContent().xGrid, &IrTimeGrid);
    // A gate beyond the tail would wrap around: refused, and no curve,
    // until it lies within the response again.
    window->GateStart->setValue(5000.0);
    EXPECT_TRUE(window->Status->text().contains(QStringLiteral("außerhalb"))) << window->Status->text().toStdString();
    EXPECT_FALSE(curveDrawn());
    window->GateStart->setValue(-0.5);
    EXPECT_TRUE(curveDrawn());
    window->View->setCurrentIndex(int(IrView::MagnitudePhase));
    EXPECT_EQ(window->Diagram->PictureContent().xGrid, nullptr);
}

TEST_F(IrWindowTest, BadSetUpsShowTheirMessageAndNoCurve)
{
    const struct {
        const char* what;
        DutConfig dut;
        QByteArray settings;
    } cases[] = {
        {"no signal",
         [] {
             DutConfig d;
             d.gainDb[0] = d.gainDb[1] = -300.0;
             return d;
         }(),
         {}},
        {"a sweep above the rate", {}, "[IMPULSANTWORT]\nAUTOTOP=0\nF2=40000\n"},
        {"a gate outside every response", {}, "[IMPULSANTWORT]\nWHOLEGATE=0\nGATESTART=5000\nGATELENGTH=1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        open(c.dut, c.settings);
        modals.clear();
        window->StartButton->click();
        (void)QTest::qWaitFor([this] { return !window->Engine()->Running(); }, kRunWaitMs);
        QApplication::processEvents();
        const QStringList boxes = modals.messageTexts();
        ASSERT_EQ(boxes.size(), 1) << boxes.join("\n---\n").toStdString();
        EXPECT_TRUE(window->Status->text().contains(boxes.first())) << window->Status->text().toStdString();
        EXPECT_FALSE(window->Measurement().ok());
        EXPECT_FALSE(curveDrawn());
        EXPECT_TRUE(window->StartButton->isEnabled());
        closeMain();
        ResetProcessState();
    }
}

TEST_F(IrWindowTest, AStopMidRunLeavesNoCurve)
{
    open();
    window->Seconds->setValue(10.0);
    window->Count->setValue(2);
    // Stopped as soon as it runs, by the window's own Stop.
    QObject::connect(window->Engine(), &IrEngine::started, window,
                     [this] { QTimer::singleShot(0, window, [this] { window->StopButton->click(); }); });
    modals.clear();
    window->StartButton->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window->Engine()->Running(); }, kRunWaitMs));
    QApplication::processEvents();
    EXPECT_FALSE(window->Measurement().ok());
    EXPECT_FALSE(curveDrawn());
    EXPECT_TRUE(modals.messageTexts().isEmpty()) << "a stop is no error";
    EXPECT_TRUE(window->Status->text().contains(QStringLiteral("Angehalten"))) << window->Status->text().toStdString();
    EXPECT_TRUE(window->StartButton->isEnabled());
}

TEST_F(IrWindowTest, TheSettingsSurviveARestartAndADamagedOneFallsBack)
{
    open();
    window->LowHz->setValue(30.0);
    window->TopHz->setValue(15000.0);
    window->Seconds->setValue(4.0);
    window->Level->setValue(-18.0);
    window->Count->setValue(3);
    window->ReferenceMode->setChecked(true);
    window->Channel->setCurrentIndex(1);
    window->WholeFundamental->setChecked(false);
    window->GateStart->setValue(1.5);
    window->GateLength->setValue(6.0);
    window->Smoothing->setCurrentIndex(2);
    window->View->setCurrentIndex(int(IrView::GroupDelay));
    const IrWindowState before = window->StateFromControls();
    restart();
    TIrWindow* again = Forms().ImpulseResponse;
    const IrWindowState after = again->StateFromControls();
    EXPECT_EQ(after.run, before.run);
    EXPECT_EQ(after.view, int(IrView::GroupDelay));
    EXPECT_FALSE(after.wholeFundamental);
    EXPECT_EQ(again->Smoothing->currentIndex(), 2);
    main->deutschEnglish1Click();
    EXPECT_EQ(again->windowTitle(), QStringLiteral("Impulse response"));
    EXPECT_EQ(main->IrMenu->ImpulseResponse1->text(), QStringLiteral("&Impulse response..."));

    // A level above full scale in the file: the default, not a clipping sweep.
    closeMain();
    QString text = settingsText();
    text.replace(QRegularExpression(QStringLiteral("\nLEVEL=[^\n]*")), QStringLiteral("\nLEVEL=+12"));
    writeSettings(text.toUtf8());
    ResetProcessState();
    start();
    EXPECT_DOUBLE_EQ(Forms().ImpulseResponse->Level->value(), DefaultIrWindowState().run.sweep.levelDbfs);
    EXPECT_EQ(Forms().ImpulseResponse->Count->value(), 3) << "the other values stay";
}

// Starting and closing without touching a control writes back what was
// read, not the controls' rounding of it; a control the user changed is
// written as it shows.
TEST_F(IrWindowTest, UntouchedValuesAreWrittenBackAsRead)
{
    const QStringList kept{"F1=20.55",    "F2=15000.5",       "SECONDS=1.25", "TAIL=0.333",
                           "LEVEL=-6.25", "GATESTART=-0.125", "GATELENGTH=0"};
    open({}, "[IMPULSANTWORT]\nAUTOTOP=0\n" + kept.join('\n').toUtf8() + "\n");
    closeMain();
    const QString section = settingsText().section(QStringLiteral("[IMPULSANTWORT]"), 1).section('[', 0, 0);
    for (const QString& line : kept)
        EXPECT_TRUE(section.contains('\n' + line + '\n')) << line.toStdString() << " in\n" << section.toStdString();
    ResetProcessState();
    start();
    Forms().ImpulseResponse->Seconds->setValue(2.0);
    closeMain();
    EXPECT_EQ(setting("IMPULSANTWORT", "SECONDS"), "2");
    EXPECT_EQ(setting("IMPULSANTWORT", "F1"), "20.55");
}

// Every choice of the View box is shown whole, in both languages, also
// after a switch from the shorter German texts to the English ones; and the
// state of a finished run is said in the new language.
TEST_F(IrWindowTest, TheViewBoxShowsEveryChoiceWhole)
{
    open();
    run();
    for (int pass = 0; pass < 2; ++pass) {
        main->deutschEnglish1Click();
        // A top-level window takes its new size when the platform delivers it.
        (void)QTest::qWaitFor([this] { return window->width() >= window->minimumSizeHint().width(); }, 5000);
        QStyleOptionComboBox option;
        option.initFrom(window->View);
        const int room = window->View->style()
                             ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, window->View)
                             .width();
        EXPECT_LE(window->View->mapTo(window, QPoint(window->View->width(), 0)).x(), window->width())
            << "the box lies within the window";
        for (int i = 0; i < window->View->count(); ++i)
            EXPECT_LE(window->View->fontMetrics().horizontalAdvance(window->View->itemText(i)), room)
                << window->View->itemText(i).toStdString();
        EXPECT_EQ(window->Status->text(), pass == 0 ? QStringLiteral("Complete") : QStringLiteral("Fertig"));
    }
}

} // namespace
