// Distortion runs end to end: the real main window, the menu item and the
// distortion window on the virtual card in fast mode, against the analytic
// answer of the card's simulated amplifier (y = x + k2 x^2 + k3 x^3 after
// its gain and filters, clipped by the input's quantiser).
#include "app/ui/ProgramRecords.h"
#include "tests/app/AppTestSupport.h"
#include "app/ui/AppWindows.h"
#include "diagram/DiaPicture.h"
#include "diagram/ui/Diadlg3.h"
#include "diagram/ui/Diagr3.h"
#include "distortion/DistortionPlot.h"
#include "app/ui/DiagramMenus.h"
#include "app/ui/DistortionMenu.h"
#include "distortion/ui/DistortionWindow.h"
#include "measure/ui/RunProgress.h"
#include "app/ui/Main.h"
#include "app/ui/MainMenu.h"
#include "diagram/MemoryFile.h"
#include "app/ui/MemoryMenu.h"
#include "audio/Soundd3.h"
#include "generator/ui/Wavegene.h"

#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QGuiApplication>
#include <QPrinter>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <cmath>
#include <numbers>

using namespace korvanta;

namespace {
double db(double ratio) { return 20.0 * std::log10(ratio); }

class DistortionRun : public MainWindowTest {
protected:
    void open(const DutConfig& dut, const QByteArray& moreSettings = QByteArray())
    {
        // 1000 mV calibration: 1.5 V at full scale.
        writeSettings("[EICH]\nINPUT=1000\n[VOLUME]\nFGVOLUME=100\n" + moreSettings);
        start();
        VirtualCard::instance().setDut(dut);
        main->DistortionMenu->Distortion1->trigger();
        window = Forms().Distortion;
        ASSERT_TRUE(window && window->isVisible());
        window->SettleMs->setValue(1);
    }

    void levelPlan(double from, double to, int steps, double limit)
    {
        window->SweepKind->setCurrentIndex(0);
        window->FromDb->setValue(from);
        window->ToDb->setValue(to);
        window->LevelSteps->setValue(steps);
        window->LimitPercent->setValue(limit);
        window->Frequency->setValue(1000.0);
    }

    bool run()
    {
        window->StartButton->click();
        return QTest::qWaitFor([this] { return !window->Engine()->Running(); }, 60000);
    }

    // With KORVANTA_SCREENSHOT_DIR set, the window as the user sees it is
    // saved there.
    void screenshot(const char* name) const
    {
        const QString dir = qEnvironmentVariable("KORVANTA_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            window->grab().save(dir + QLatin1Char('/') + QLatin1String(name));
    }

    // Likewise the window's diagram, as "Save as picture" writes it.
    void diagramPicture(const char* name) const
    {
        const QString dir = qEnvironmentVariable("KORVANTA_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            EXPECT_EQ(SaveDiagramPicture(window->Diagram->PictureContent(), dir + QLatin1Char('/') + QLatin1String(name), QSize(900, 600)),
                      PictureResult::Saved);
        }
    }

    ModalRecorder modals;
    TDistortionWindow* window = nullptr;
};

// The fundamental at the nonlinearity that gives `a1` at its output.
double levelAtNonlinearity(double a1, double k3)
{
    double a = a1;
    for (int i = 0; i < 30; ++i)
        a = a1 - 0.75 * k3 * a * a * a;
    return a;
}

struct AnalyticCase {
    const char* name;
    double k2, k3;
    double lowPassHz;     // 0: none; else a run over frequency
};

class DistortionAnalytic : public DistortionRun, public ::testing::WithParamInterface<AnalyticCase> {};

TEST_P(DistortionAnalytic, HarmonicsFollowTheAmplifiersPolynomial)
{
    const AnalyticCase c = GetParam();
    DutConfig dut;
    dut.k2 = c.k2;
    dut.k3 = c.k3;
    dut.lowPassHz = c.lowPassHz;
    open(dut);
    // 24-bit samples: at 16 bits the quantisation of a periodic tone leaves
    // lines of up to -99 dBFS on the harmonics themselves.
    SetBits(32, 32);
    window->Divider->setValue(10.0);
    window->LoadOhms->setValue(8.0);
    if (c.lowPassHz == 0.0) {
        levelPlan(-40, -1, 13, 0);
    } else {
        window->SweepKind->setCurrentIndex(1);
        window->FromHz->setValue(200);
        // Up to just below the frequency whose harmonic lands on half the rate.
        window->ToHz->setValue(0.97 * (c.k3 != 0 ? 44100.0 / 6 : 44100.0 / 4));
        window->FrequencySteps->setValue(8);
        window->FixedLevel->setValue(-3);
    }
    ASSERT_TRUE(run());
    EXPECT_TRUE(modals.questions().empty());
    const auto& points = window->Points();
    ASSERT_GE(points.size(), 9u);
    int checked = 0;
    for (const DistortionPoint& p : points) {
        const double a1 = p.m.fundamentalAmplitude;
        // What the polynomial makes of the fundamental at its input.
        const double a = c.k3 != 0 ? levelAtNonlinearity(a1, c.k3) : a1;
        const int h = c.k3 != 0 ? 3 : 2;
        const double expected = c.k3 != 0 ? std::abs(c.k3) * a * a * a / 4 : std::abs(c.k2) * a * a / 2;
        if (c.lowPassHz == 0.0) {
            // Without a filter the input is the played amplitude itself.
            const double played = std::pow(10.0, p.levelDb / 20);
            EXPECT_NEAR(db(a), db(played), 0.05) << c.name << " at " << p.levelDb;
            // 1.5 V at full scale, a 10:1 divider, 8 ohms.
            const double known = played + 0.75 * c.k3 * played * played * played;
            EXPECT_NEAR(10 * std::log10(p.watts), 10 * std::log10(std::pow(known * 1.5 * 10, 2) / 16), 0.1)
                << "power axis";
        }
        // Only where the harmonic stands 20 dB above the floor of the path
        // (24-bit samples, the analysis window's leakage 130 dB down).
        if (db(expected) < -110.0 || db(expected / a1) < -110.0)
            continue;
        ++checked;
        ASSERT_TRUE(p.m.present[h - 2]);
        EXPECT_NEAR(p.m.harmonicDb[h - 2], db(expected / a1), 0.2) << c.name << " at " << p.levelDb << " dBFS, "
                                                                   << p.frequency << " Hz";
        EXPECT_NEAR(p.m.thdDb, db(expected / a1), 0.2) << c.name;
    }
    EXPECT_GE(checked, 5) << "too few steps above the noise floor to say anything";
    if (c.lowPassHz != 0.0) {
        // The diagram stands on the frequency axis, in the order of the steps.
        const DiaPointStore& drawn = window->Diagram->Points();
        ASSERT_EQ(drawn.count(), int(points.size()));
        EXPECT_FLOAT_EQ(drawn.x()[0], float(points.front().frequency));
        EXPECT_FLOAT_EQ(drawn.curve1()[0], float(points.front().m.thdnDb));
    }
    if (c.lowPassHz != 0.0 && c.k3 != 0.0) {
        screenshot("distortion-over-frequency.png");
        window->Curve1->setCurrentIndex(int(DistortionQuantity::Thd));
        diagramPicture("distortion-thd-frequency.png");
    }
}

INSTANTIATE_TEST_SUITE_P(, DistortionAnalytic,
                         ::testing::Values(AnalyticCase{"k3 over level", 0, 0.05, 0},
                                           AnalyticCase{"k2 over level", 0.05, 0, 0},
                                           AnalyticCase{"k3 behind a low-pass, over frequency", 0, 0.05, 3000},
                                           AnalyticCase{"k2 behind a low-pass, over frequency", 0.05, 0, 3000}),
                         [](const auto& info) { return std::to_string(info.index); });

// THD+N of a sine of peak `a` after gain `g`, clipped at full scale, as the
// program's measurement reads it.
double clippedThdn(double levelDb, double gainDb)
{
    constexpr int n = TDistortionEngine::kFrames;
    const double a = std::pow(10.0, (levelDb + gainDb) / 20);
    std::vector<float> block(2 * n);
    for (int i = 0; i < n; ++i)
        block[2 * i + 1] = static_cast<float>(std::clamp(a * std::sin(2 * std::numbers::pi * 1000.0 * i / 44100.0), -1.0, 1.0));
    return MeasureDistortionBlock(block.data(), n, 44100.0, DistortionSettings{}, levelDb, 1000.0, Analysis(),
                                  CorrectionTable{})
        .m.thdnPercent;
}

double clippedCrossing(double percent, double gainDb)
{
    double lo = -gainDb - 3, hi = -gainDb + 6;
    for (int i = 0; i < 40; ++i) {
        const double mid = (lo + hi) / 2;
        (clippedThdn(mid, gainDb) < percent ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

TEST_F(DistortionRun, ClipPointsAgreeWithANumericallyClippedSineAndTheRunStopsPastTheLimit)
{
    constexpr double gainDb = 6.0;
    DutConfig dut;
    dut.gainDb[0] = dut.gainDb[1] = gainDb;
    open(dut);
    levelPlan(-12, 0, 12, 10.0);
    // The progress counts every step against the plan's 13 coarse levels,
    // which the fine steps may pass: an approximate total.
    QStringList progress;
    int steps = 0;
    QObject::connect(window->Engine(), &TDistortionEngine::progress, window, [&](int done) {
        ++steps;
        const QString text = window->RunProgress->Bar->text();
        if (text != QStringLiteral("%1 / ca. %2").arg(done).arg(std::max(done, 13)))
            progress << text;
        if (!window->RunProgress->TimeLeft->text().startsWith(QStringLiteral("noch ca. ")))
            progress << window->RunProgress->TimeLeft->text();
    });
    ASSERT_TRUE(run());
    EXPECT_TRUE(progress.isEmpty()) << progress.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(steps, int(window->Points().size()));
    EXPECT_TRUE(modals.questions().empty());
    std::vector<DistortionPoint> points = window->Points();
    ASSERT_FALSE(points.empty());
    EXPECT_GE(points.back().m.thdnPercent, 10.0) << "the run ends on the step past the limit";
    double highest = -100;
    for (const auto& p : points)
        highest = std::max(highest, p.levelDb);
    EXPECT_LT(highest, -gainDb + 4.0) << "driven no further than one coarse step past 10 %";
    std::sort(points.begin(), points.end(), [](const auto& a, const auto& b) { return a.levelDb < b.levelDb; });
    std::vector<ThdnPoint> byLevel;
    for (const auto& p : points)
        byLevel.push_back({p.levelDb, p.m.thdnPercent});
    for (double percent : {1.0, 10.0}) {
        const auto measured = CrossingAt(byLevel, percent);
        ASSERT_TRUE(measured.has_value()) << percent;
        EXPECT_NEAR(*measured, clippedCrossing(percent, gainDb), 0.1) << percent << " %";
    }
    // Powers on screen carry an SI prefix where one fits (523.4mW).
    EXPECT_TRUE(window->ClipPoints->text().contains(QRegularExpression(QString::fromUtf8("\\d[µmk]?W"))))
        << window->ClipPoints->text().toStdString();
    screenshot("distortion-over-level.png");
    // The text file holds the table: a head and one line a step, in order of level.
    ScratchDir dir;
    ASSERT_EQ(window->SaveAsText(dir.file("run.txt")), 0);
    const QStringList lines = QString::fromUtf8(dir.read("run.txt")).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), int(points.size()) + 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("dBFS\tHz\tV rms\tW")));
    EXPECT_EQ(lines[1].section(QLatin1Char('\t'), 0, 0).toDouble(), window->Points().front().levelDb);
    EXPECT_EQ(lines.size() - 1, int(window->Points().size()));
}

struct FaultCase {
    const char* name;
    VirtualFault fault;
    const char* prefix;
    int settleMs = 1; // an output fault strikes once the tone has played a while
};

TEST_F(DistortionRun, DeviceFaultsEndTheRunWithAMessageAndTheNextStartWorks)
{
    const FaultCase cases[] = {
        {"output gone", VirtualFault::OutputGone, "ERROR at Frequency Output (", 400},
        // Steps far shorter than the second a stall takes to be reported.
        {"output stalls", VirtualFault::OutputStall, "ERROR at Frequency Output (", 200},
        {"input stalls", VirtualFault::Stall, ""},
        {"input gone", VirtualFault::DeviceGone, ""},
    };
    open(DutConfig{});
    VirtualCard& card = VirtualCard::instance();
    for (const FaultCase& c : cases) {
        modals.clear();
        levelPlan(-30, -10, 20, 0);
        window->SettleMs->setValue(c.settleMs);
        window->StartButton->click();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !window->Points().empty(); }, 10000)) << c.name;
        card.injectFault(c.fault, 0, 1);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !window->Engine()->Running(); }, 20000)) << c.name;
        card.clearFaults();
        ASSERT_EQ(modals.questions().size(), 1u) << c.name;
        EXPECT_EQ(modals.questions()[0].kind, modal::Kind::Error);
        EXPECT_TRUE(modals.questions()[0].text.startsWith(QString::fromLatin1(c.prefix))) << c.name;
        EXPECT_FALSE(IsPlaying()) << c.name;
        EXPECT_TRUE(window->StartButton->isEnabled()) << c.name;
        EXPECT_FALSE(window->StopButton->isEnabled()) << c.name;
        modals.clear();
        levelPlan(-30, -10, 2, 0);
        window->SettleMs->setValue(1);
        ASSERT_TRUE(run()) << c.name;
        EXPECT_EQ(window->Points().size(), 3u) << c.name;
        EXPECT_TRUE(modals.questions().empty()) << c.name;
    }
}

TEST_F(DistortionRun, StartStopsTheOtherLoopsAndStopAllEndsTheRun)
{
    open(DutConfig{});
    Forms().Wavegen->Gstart->click();
    ASSERT_TRUE(IsPlaying());
    levelPlan(-40, -1, 200, 0);
    window->SettleMs->setValue(50);
    window->StartButton->click();
    EXPECT_TRUE(window->Engine()->Running());
    EXPECT_FALSE(IsPlaying()) << "the generator window's tone was stopped before the run's first step";
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window->Points().empty(); }, 10000));
    QEvent stopAll(UM_STOP_ALL);
    QApplication::sendEvent(main, &stopAll);
    EXPECT_FALSE(window->Engine()->Running());
    EXPECT_FALSE(IsPlaying());
    EXPECT_TRUE(window->StartButton->isEnabled());
}

TEST_F(DistortionRun, PlanAndPlacementSurviveARestartInTheirOwnSectionAndBothLanguagesShow)
{
    open(DutConfig{});
    window->SweepKind->setCurrentIndex(1);
    window->FromHz->setValue(50);
    window->ToHz->setValue(12000);
    window->LoadOhms->setValue(4);
    window->Divider->setValue(20);
    window->LimitPercent->setValue(3);
    closeMain();
    EXPECT_EQ(setting("VERZERR", "LOAD"), QStringLiteral("4"));
    EXPECT_EQ(setting("DIAGPRIV", "LOAD"), QStringLiteral("<missing>"));
    start();
    window = Forms().Distortion;
    const DistortionSettings s = window->PlanFromControls();
    EXPECT_EQ(s.sweep, DistortionSweep::Frequency);
    EXPECT_DOUBLE_EQ(s.fromHz, 50);
    EXPECT_DOUBLE_EQ(s.toHz, 12000);
    EXPECT_DOUBLE_EQ(s.scale.loadOhms, 4);
    EXPECT_DOUBLE_EQ(s.scale.divider, 20);
    EXPECT_DOUBLE_EQ(s.levels.limitPercent, 3);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Verzerrung"));
    main->Menu->deutschEnglish1->trigger();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Distortion"));
    EXPECT_EQ(main->DistortionMenu->Distortion1->text(), QStringLiteral("&Distortion..."));
    EXPECT_EQ(window->StartButton->text(), QStringLiteral("Start"));
}
// The window's own diagram: the run against output power with the chosen
// quantities, its read-out and text export in watts, its memory curves in a
// file of its own, and options and placement in a section of its own, so
// that neither diagram ever takes the other's.
TEST_F(DistortionRun, ItsDiagramDrawsAgainstPowerAndKeepsToItsOwnSectionAndMemories)
{
    DutConfig dut;
    dut.gainDb[0] = dut.gainDb[1] = 6.0;
    dut.k2 = 0.003;
    dut.k3 = 0.01;
    open(dut, "[DIAGPRIV]\nCOLLINE1=255\n[VERZDIAGRAMM]\nCOLLINE1=65280\n");
    TDiagramm& d = *window->Diagram;
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(Forms().Diagramm->Options().colLine1, 255u);
    EXPECT_EQ(d.Options().colLine1, 65280u);
    SetBits(32, 32);
    window->LoadOhms->setValue(8.0);
    window->Divider->setValue(10.0);
    levelPlan(-40, 0, 20, 10.0);
    window->Curve1->setCurrentIndex(int(DistortionQuantity::H3));
    window->Curve2->setCurrentIndex(kDistortionQuantityCount);   // none
    ASSERT_TRUE(run());
    std::vector<DistortionPoint> points = window->Points();
    std::sort(points.begin(), points.end(), [](const auto& a, const auto& b) { return a.watts < b.watts; });
    const DiaPointStore& drawn = d.Points();
    ASSERT_EQ(drawn.count(), int(points.size()));
    EXPECT_FALSE(d.Options().show2);
    TMemoryMenu& memory = *main->DistortionMenu->DiagramMenus->Memory;
    memory.Slots[0].store->trigger();
    EXPECT_EQ(d.Memories().at(0).name, "H3");

    window->Curve1->setCurrentIndex(int(DistortionQuantity::ThdN));
    window->Curve2->setCurrentIndex(int(DistortionQuantity::H2));
    for (int i = 0; i < drawn.count(); ++i) {
        EXPECT_FLOAT_EQ(drawn.x()[i], float(points[size_t(i)].watts * 1e6)) << i;
        EXPECT_FLOAT_EQ(drawn.curve1()[i], float(points[size_t(i)].m.thdnDb)) << i;
        EXPECT_FLOAT_EQ(drawn.curve2()[i], float(points[size_t(i)].m.harmonicDb[0])) << i;
    }
    int32_t xmin = 0, xmax = 0;
    d.GetXRange(xmin, xmax);
    EXPECT_LE(xmin, drawn.x()[0]);
    EXPECT_GE(xmax, drawn.x()[drawn.count() - 1]);
    EXPECT_EQ(PointText(drawn.x()[0], d.Scaling(), -80), PrefixedText(points[0].watts, 4) + "W/-80.0dB");
    diagramPicture("distortion-thdn-watts.png");
    d.ShowOptions();
    EXPECT_FALSE(d.OptionsDialog()->FreqGroup->isEnabled()) << "its frequency fields know hertz only";
    EXPECT_NE(d.OptionsDialog(), Forms().Diagramm->OptionsDialog());
    d.OptionsDialog()->hide();

    ScratchDir dir;
    ASSERT_EQ(d.SaveAsText(dir.file("d.txt"), ","), 0);
    const double firstWatts = QString::fromUtf8(dir.read("d.txt")).section(QLatin1Char(','), 0, 0).toDouble();
    EXPECT_NEAR(firstWatts, points[0].watts, 1e-5 * points[0].watts) << "the export speaks watts";
    EXPECT_TRUE(QFile::exists(MemoryFilePath(SettingsFilePath(), QStringLiteral("distortion"))));
    EXPECT_FALSE(QFile::exists(MemoryFilePath(SettingsFilePath())));
    EXPECT_TRUE(Forms().Diagramm->Memories().at(0).isEmpty());

    // Print and copy from the window's own menu print and copy this diagram.
    QPrinter& printer = TMainForm::SharedPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.file("d.pdf"));
    main->DistortionMenu->DiagramMenus->PrintItem->trigger();
    EXPECT_GT(QFileInfo(dir.file("d.pdf")).size(), 1000);
    QGuiApplication::clipboard()->clear();
    main->DistortionMenu->DiagramMenus->CopyItem->trigger();
    QImage expected(d.Bitmap().size(), QImage::Format_RGB32);
    d.RenderDiagramTo(expected, true);
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), expected);

    closeMain();
    EXPECT_EQ(setting("VERZDIAGRAMM", "COLLINE1"), QStringLiteral("65280"));
    EXPECT_EQ(setting("DIAGPRIV", "COLLINE1"), QStringLiteral("255"));
    EXPECT_NE(setting("VERZDIAGRAMM", "W"), QStringLiteral("<missing>"));
    EXPECT_EQ(setting("VERZERR", "CURVE2"), QString::number(int(DistortionQuantity::H2)));
}

} // namespace
