// One input and one output for every loop: a sweep owns the output from
// START to its end, so neither the generator window nor a wave file can put
// another tone under its points; and a loop that starts (a sweep, the
// oscilloscope page) ends calibration and distortion runs first.
#include "tests/generator/SweepTestSupport.h"

#include "app/ui/DistortionMenu.h"
#include "app/ui/MainMenu.h"
#include "audio/OutputOwner.h"
#include "distortion/DistortionEngine.h"
#include "distortion/ui/DistortionWindow.h"
#include "generator/ui/Wavegene.h"
#include "measure/ui/Eichdia.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <functional>
#include <sndfile.h>

using namespace korvanta;

namespace {

constexpr double kSweepLevelDb = -6.0;
constexpr int kScopePageIndex = 2;
constexpr int kSweepPageIndex = 1;

// A loud 440 Hz sine, one second, looped by the player.
bool writeToneFile(const QString& path)
{
    SF_INFO info{};
    info.samplerate = kSweepRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
    if (!f)
        return false;
    std::vector<double> data(2 * size_t(kSweepRate));
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = 0.9 * std::sin(2 * std::numbers::pi * 440.0 * double(i / 2) / kSweepRate);
    const sf_count_t written = sf_writef_double(f, data.data(), kSweepRate);
    sf_close(f);
    return written == kSweepRate;
}

class OutputOwnership : public SweepTest {
public:
    TWavegen* gen() const { return Forms().Wavegen; }

    // Calibration measuring, or a long distortion run going.
    void startCalibration()
    {
        main->Menu->Eichen1->trigger();
        Forms().EichDlg->Button1Click();
        ASSERT_TRUE(Forms().EichDlg->measuring());
    }
    void startDistortion()
    {
        main->DistortionMenu->Distortion1->trigger();
        TDistortionWindow* w = Forms().Distortion;
        w->SweepKind->setCurrentIndex(0);
        w->FromDb->setValue(-40);
        w->ToDb->setValue(-1);
        w->LevelSteps->setValue(200);
        w->LimitPercent->setValue(0);
        w->SettleMs->setValue(50);
        w->StartButton->click();
        ASSERT_TRUE(w->Engine()->Running());
    }
    bool calibrationMeasuring() const { return Forms().EichDlg->measuring(); }
    bool distortionRunning() const { return Forms().Distortion->Engine()->Running(); }
};

// What the generator window is asked for, before START or while every step
// settles, must not reach the sweep's points: each is the sweep's own tone
// at its level through the flat card.
TEST_F(OutputOwnership, TheSweepsPointsAreItsOwnToneWhateverTheGeneratorIsAsked)
{
    struct Case {
        const char* name;
        std::function<void()> beforeStart;
        std::function<void()> duringStep;
    };
    const QString file = dir.file("tone.wav");
    ASSERT_TRUE(writeToneFile(file));
    int poke = 0;
    const Case cases[] = {
        {"frequency, level and Start of the generator during the steps", [] {},
         [&] {
             gen()->GfreqText->setText(QString::number(300 + 100 * ++poke));
             gen()->ScrollBar4->setValue(poke % 2 ? 0 : gen()->ScrollBar4->maximum());
             gen()->GstartClick();
         }},
        {"Stop of the generator during the steps", [] {}, [&] { gen()->GstopClick(); }},
        {"the generator's sine playing at START", [&] { gen()->Gstart->click(); }, [] {}},
        {"a wave file playing at START",
         [&] {
             modals.answerFile(file);
             gen()->UserBut->click();
             gen()->RadioGroup1->setItemIndex(4);
             gen()->Gstart->click();
             ASSERT_TRUE(UserWavePlaying());
         },
         [] {}},
    };
    for (const Case& c : cases) {
        setPlan({.from = 100, .to = 10000, .steps = 6, .level = kSweepLevelDb, .settleMs = 20});
        gen()->RadioGroup1->setItemIndex(0);
        c.beforeStart();
        modals.clear();  // the file choice
        // Queued: runs once the step's tone has started, while it settles.
        const auto during = QObject::connect(&page->Engine(), &TSweepEngine::frequencyShown, gen(),
                                             [&c] { c.duringStep(); }, Qt::QueuedConnection);
        page->wobbelnBut->click();
        EXPECT_FALSE(UserWavePlaying()) << c.name << ": the file stops before the sweep plays";
        EXPECT_FALSE(gen()->RunningLook()) << c.name << ": the generator window shows stopped";
        EXPECT_FALSE(gen()->Gstart->isEnabled()) << c.name;
        EXPECT_FALSE(gen()->GfreqText->isEnabled()) << c.name;
        EXPECT_TRUE(QTest::qWaitFor([this] { return idle(); }, 60000)) << c.name;
        QObject::disconnect(during);
        const auto p = points();
        ASSERT_EQ(p.size(), 7u) << c.name;
        for (const DrawnPoint& pt : p) {
            EXPECT_NEAR(pt.v1, kSweepLevelDb, 0.2) << c.name << " at " << pt.f << " Hz";
            EXPECT_NEAR(pt.v2, kSweepLevelDb, 0.2) << c.name << " at " << pt.f << " Hz";
        }
        EXPECT_FALSE(OutputTakenByMeasurement()) << c.name;
        EXPECT_TRUE(gen()->Gstart->isEnabled()) << c.name << ": the generator is free again after the sweep";
        EXPECT_TRUE(gen()->GfreqText->isEnabled()) << c.name;
        EXPECT_FALSE(IsPlaying()) << c.name;
        EXPECT_TRUE(modals.questions().empty()) << c.name << ": no box for a control touched";
        modals.clear();
    }
}

// A loop that starts ends the calibration and distortion loops, which
// would otherwise go on recording (and playing) under it.
TEST_F(OutputOwnership, ScopeEntryAndSweepStartEndCalibrationAndDistortion)
{
    struct Case {
        const char* name;
        void (OutputOwnership::*begin)();
        bool (OutputOwnership::*going)() const;
        bool scopeEntry;  // else sweep START
    };
    const Case cases[] = {
        {"scope entry ends calibration", &OutputOwnership::startCalibration, &OutputOwnership::calibrationMeasuring,
         true},
        {"scope entry ends a distortion run", &OutputOwnership::startDistortion,
         &OutputOwnership::distortionRunning, true},
        {"sweep START ends calibration", &OutputOwnership::startCalibration, &OutputOwnership::calibrationMeasuring,
         false},
        {"sweep START ends a distortion run", &OutputOwnership::startDistortion,
         &OutputOwnership::distortionRunning, false},
    };
    setPlan({.from = 100, .to = 1000, .steps = 2, .settleMs = 1});
    for (const Case& c : cases) {
        main->PageControl1->setCurrentIndex(kSweepPageIndex);
        (this->*c.begin)();
        ASSERT_TRUE((this->*c.going)()) << c.name;
        if (c.scopeEntry) {
            main->PageControl1->setCurrentIndex(kScopePageIndex);
        } else {
            page->wobbelnBut->click();
            ASSERT_TRUE(QTest::qWaitFor([this] { return idle(); }, 60000)) << c.name;
            EXPECT_EQ(points().size(), 3u) << c.name << ": the sweep itself ran";
        }
        EXPECT_FALSE((this->*c.going)()) << c.name;
        QApplication::processEvents();
        EXPECT_FALSE((this->*c.going)()) << c.name << ": nothing restarts it";
    }
    if (Forms().EichDlg)
        Forms().EichDlg->hide();
}

} // namespace
