// The analyzer through ALSA at every rate the parameter dialog offers: a
// `file` capture PCM plays a sine of exactly 64 frames per period, which
// lies on bin N/64 whatever the rate, and the spectrum shows it there.

#include "app/ui/ProgramRecords.h"
#include "measure/ui/AnalyzerPage.h"
#include "tests/app/AppTestSupport.h"
#include "platform/audio/alsa/AlsaBackend.h"
#include "diagram/ui/Diagr3.h"
#include "measure/ui/RadioGroup.h"
#include "audio/Soundd3.h"

#include <QPushButton>
#include <QSpinBox>
#include <cmath>
#include <numbers>

using namespace korvanta;

namespace {
constexpr int kPeriod = 64;

// The capture file and an ALSA configuration naming it, written before
// alsa-lib is first used in this process.
void writeAlsaConfig(const QString& dir)
{
    QDir().mkpath(dir);
    QFile in(dir + "/sine.raw");
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    for (int k = 0; k < 40000; ++k) {
        const auto s = static_cast<int16_t>(std::lround(16384 * std::sin(2 * std::numbers::pi * k / kPeriod)));
        const int16_t frame[2] = {s, static_cast<int16_t>(s / 2)};
        in.write(reinterpret_cast<const char*>(frame), sizeof frame);
    }
    in.close();
    QFile conf(dir + "/asound.conf");
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write(QStringLiteral("</usr/share/alsa/alsa.conf>\n"
                              "pcm.korvanta_sine { type file slave.pcm \"null\" file \"/dev/null\" infile \"%1\" "
                              "format \"raw\" hint { show on description \"Sine capture\" } }\n")
                   .arg(in.fileName())
                   .toUtf8());
    conf.close();
    qputenv("ALSA_CONFIG_PATH", conf.fileName().toUtf8());
}

class AlsaAnalyzer : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        static bool configured = false;
        if (!configured)
            writeAlsaConfig(qEnvironmentVariable("KORVANTA_TEST_HOME"));
        configured = true;
        AlsaBackend::instance().rescan();
        writeSettings("[SDSOUND]\n");
        start();
    }
};
} // namespace

TEST_F(AlsaAnalyzer, SpectrumShowsTheSineAtEveryRateOfTheDialogAndEverySize)
{
    AlsaBackend& b = AlsaBackend::instance();
    int device = -1;
    for (int i = 0; i < b.inputCount(); ++i)
        if (b.deviceName(true, i) == "Sine capture")
            device = i;
    ASSERT_GE(device, 0);
    SetInDevice(device);
    SetBits(16, 0);
    TAnalyzerPage* page = main->AnalyzerPage;
    TDiagramm* diagram = Forms().Diagramm;
    page->RunningGroup->setItemIndex(0);
    // Every block size: the larger ones outgrow the device's buffer at the
    // lower rates, which once gave an empty spectrum.
    for (int size = 0; size < 4; ++size) {
        page->FFTpointsgroup->setItemIndex(size);
        const int N = Analyzer().FFTpoints;
        for (int rate : {8000, 11025, 22050, 32000, 44100, 48000, 96000}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, N = " << N);
            SetSampleRates(rate, 0);
            page->StartButton->click();
            ASSERT_TRUE(QTest::qWaitFor([] { return !Analyzer().Running; }, 10000));
            ASSERT_TRUE(modals.questions().empty()) << modals.messageTexts().join('\n').toStdString();
            const auto left = diagram->Points().curve1();
            int top = 0;
            for (int i = 1; i < N / 2 - 1; ++i)
                if (left[i] > left[top])
                    top = i;
            EXPECT_EQ(top, N / kPeriod) << "the peak lies on its bin";
            EXPECT_GT(left[N / kPeriod], left[N / kPeriod + 10] + 60.0f) << "a spectrum, not an empty one";
            EXPECT_NEAR(diagram->Points().x()[N / kPeriod], double(rate) / kPeriod, rate / double(N));
        }
    }
}
