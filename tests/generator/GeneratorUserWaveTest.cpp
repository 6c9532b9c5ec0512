// User wave files through the generator window: files written here with
// libsndfile play looped (no click where the loop closes, read by the
// analyzer), files the player cannot take end in the error box with a
// device-log line, and the next start works.
#include "app/ui/ProgramRecords.h"
#include "audio/DeviceAdvice.h"
#include "measure/ui/AnalyzerPage.h"
#include "tests/app/AppTestSupport.h"
#include "platform/DeviceLog.h"
#include "diagram/ui/Diagr3.h"
#include "tests/support/TestFft.h"
#include "generator/GeneratorSection.h"
#include "measure/LevelUnits.h"
#include "measure/ui/RadioGroup.h"
#include "audio/Soundd3.h"
#include "generator/ui/Wavegene.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <cmath>
#include <numbers>
#include <sndfile.h>
#include <vector>

using namespace korvanta;
using korvanta::testing_support::fft;

namespace {

// Whole periods in a loop of 4096 frames: 93 periods put the tone on bin
// 372 of a 16384-point transform at any rate, so a clean loop leaves every
// other bin empty.
constexpr int kLoopFrames = 4096;
constexpr int kPeriods = 93;
constexpr int kBin = kPeriods * 4;
constexpr double kPeak = 0.5;

bool writeSineFile(const QString& path, int format, int rate, int channels, int frames = kLoopFrames)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
    if (!f)
        return false;
    std::vector<double> data(size_t(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            data[size_t(i) * channels + c] = kPeak * std::sin(2 * std::numbers::pi * kPeriods * i / kLoopFrames);
    const sf_count_t written = sf_writef_double(f, data.data(), frames);
    sf_close(f);
    return written == frames;
}

class UserWave : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        writeSettings("[MAIN]\nPAGE=1\n[VOLUME]\nFGVOLUME=100\n[SDSOUND]\n");
        start();
        SetBits(16, 16);
        SetFlip(false, false);
        SetAutoDC(false);
        SetDCOffsetL(0.0f);
        SetDCOffsetR(0.0f);
        VirtualCard::instance().setDut(DutConfig{});
        gen = Forms().Wavegen;
        ASSERT_TRUE(gen);
    }

    // Chooses the file with "User" and starts it in mode 4.
    void startFile(const QString& path)
    {
        modals.answerFile(path);
        gen->UserBut->click();
        gen->RadioGroup1->setItemIndex(4);
        gen->Gstart->click();
    }

    bool channelControlsEnabled() const
    {
        return gen->ScrollBar4->isEnabled() && gen->ScrollBar1->isEnabled() && gen->phL->isEnabled()
               && gen->phR->isEnabled();
    }

    TWavegen* gen = nullptr;
};

TEST_F(UserWave, FilesPlayLoopedWithoutAClick)
{
    const struct {
        const char* name;
        int format;
        int rate;
        int channels;
    } cases[] = {
        {"pcm16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2},
        {"pcm24-mono.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 1},
        {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 2},
        {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2},
    };
    for (const auto& c : cases) {
        const QString path = dir.file(c.name);
        ASSERT_TRUE(writeSineFile(path, c.format, c.rate, c.channels)) << c.name;
        SetSampleRates(c.rate, c.rate);
        main->PageControl1->setCurrentIndex(1);
        modals.clear();
        startFile(path);
        ASSERT_TRUE(modals.questions().size() == 1) << c.name << ": only the file dialog";
        ASSERT_TRUE(UserWavePlaying()) << c.name;
        EXPECT_TRUE(gen->RunningLook());
        EXPECT_EQ(gen->GfreqText->text(), c.name) << "mode 4 shows the file's name";
        EXPECT_FALSE(channelControlsEnabled()) << "a file plays as it is";

        main->PageControl1->setCurrentIndex(0);
        // A recording that begins with the output still starting would hear
        // its start, not the loop.
        QTest::qWait(300);
        TAnalyzerPage* page = main->AnalyzerPage;
        page->FFTpointsgroup->setItemIndex(3);
        page->FFTwinGroup->setItemIndex(0);
        page->RunningGroup->setItemIndex(0);
        page->AverVal->setValue(1);
        page->StartButton->click();
        ASSERT_TRUE(QTest::qWaitFor([] { return !Analyzer().Running; }, 30000)) << c.name;

        const int N = Analyzer().FFTpoints;
        ASSERT_EQ(N, 16384);
        fft().MakeWindow(0, N);
        const LevelParameters p = GetLevelParameters(Analyzer());
        const double w = 0.5; // window "None" is a constant 0.5
        const double tone = p.factor * std::log(kPeak * w / 2) + p.offset;
        const double spurLimit = p.factor * std::log(1e-5 * w / 2) + p.offset; // -100 dB
        const TDiagramm* d = Forms().Diagramm;
        for (const float* curve : {d->Points().curve1(), d->Points().curve2()}) {
            EXPECT_NEAR(curve[kBin], tone, 0.1) << c.name;
            float spur = -1000;
            int at = 0;
            for (int i = 1; i < N / 2; ++i)
                if (i != kBin && curve[i] > spur) {
                    spur = curve[i];
                    at = i;
                }
            EXPECT_LT(spur, spurLimit) << c.name << ": spur in bin " << at;
        }
        gen->Gstop->click();
        EXPECT_FALSE(UserWavePlaying());
        EXPECT_TRUE(channelControlsEnabled());
    }
}

TEST_F(UserWave, ChoosingASignalWhileAFilePlaysGivesTheControlsBack)
{
    const QString path = dir.file("tone.wav");
    ASSERT_TRUE(writeSineFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 2));
    SetSampleRates(48000, 48000);
    startFile(path);
    ASSERT_TRUE(UserWavePlaying());
    EXPECT_FALSE(gen->WOoptBut->isEnabled());
    gen->RadioGroup1->setItemIndex(0);
    EXPECT_FALSE(UserWavePlaying());
    EXPECT_TRUE(IsPlaying()) << "the sine takes over";
    EXPECT_TRUE(channelControlsEnabled());
    EXPECT_EQ(gen->GfreqText->text(), "1000.00Hz");
    gen->Gstop->click();
}

TEST_F(UserWave, FilesThePlayerCannotTakeEndInTheErrorBox)
{
    SetSampleRates(48000, 48000);
    const QString good = dir.file("good.wav");
    ASSERT_TRUE(writeSineFile(good, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 2));
    QFile whole(good);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray wav = whole.readAll();
    dir.write("empty.wav", QByteArray());
    dir.write("truncated.wav", wav.left(20));
    dir.write("text.wav", "This is not a wave file.\n");
    ASSERT_TRUE(writeSineFile(dir.file("six.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 6));
    ASSERT_TRUE(writeSineFile(dir.file("22k.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 2));

    const struct {
        const char* file;
        bool refuse22k;
    } cases[] = {{"missing.wav", false}, {"empty.wav", false}, {"truncated.wav", false},
                 {"text.wav", false},    {"six.wav", false},   {"22k.wav", true}};
    for (const auto& c : cases) {
        VirtualCard::instance().setFormatLimits(c.refuse22k ? std::vector<int>{44100, 48000} : std::vector<int>{},
                                                {});
        modals.clear();
        const int logLines = int(devlog::Lines().size());
        startFile(dir.file(c.file));
        ASSERT_EQ(modals.questions().size(), 2u) << c.file << ": the file dialog and the error box";
        const modal::Question& q = modals.questions()[1];
        EXPECT_EQ(q.kind, modal::Kind::Error) << c.file;
        EXPECT_EQ(q.text, WithDeviceAdvice("Fehler bei Frequenzausgabe (" + SoundErrorText(1) + " )", 1, 'D')) << c.file;
        EXPECT_GT(devlog::Lines().size(), logLines) << c.file << ": the device log says why";
        EXPECT_FALSE(UserWavePlaying()) << c.file;
        EXPECT_FALSE(IsPlaying()) << c.file;
        EXPECT_FALSE(gen->RunningLook()) << c.file;

        startFile(good);
        EXPECT_TRUE(UserWavePlaying()) << c.file << ": the next start works";
        EXPECT_TRUE(gen->RunningLook()) << c.file;
        gen->Gstop->click();
    }
}

} // namespace
