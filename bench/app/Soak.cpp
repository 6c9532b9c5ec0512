// A long run of the real windows on the virtual card in real time: the
// generator plays a sine into the loopback while the analyzer measures it
// continuously. Every minute it prints the resident memory, the spectra
// drawn and whether both loops still run, so a leak or a stall shows as a
// series rather than as a guess.
//
//   build/bench/app/soak_app [minutes] [fft-points-index]
//
// It runs offscreen unless a display is named, with its own settings file
// in a temporary folder; the user's settings are never touched.

#include "app/ui/ProgramRecords.h"
#include "measure/ui/AnalyzerPage.h"
#include "app/ui/AppWindows.h"
#include "app/ui/Main.h"
#include "measure/ui/RadioGroup.h"
#include "audio/Soundd3.h"
#include "platform/audio/virtual/VirtualCard.h"
#include "generator/ui/Wavegene.h"
#include "measure/samplemem.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

using namespace korvanta;

namespace {

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

struct SoakRun {
    int minutes = 30;
    long spectra = 0;
    int minute = 0;
    QElapsedTimer clock;
    TMainForm* main = nullptr;

    void sample()
    {
        std::printf("%3d min  RSS %7.1f MB  spectra %8ld  analyzer %-3s  generator %s\n", minute,
                    residentKiB() / 1024.0, spectra, Analyzer().Running ? "on" : "OFF",
                    IsPlaying() ? "on" : "OFF");
        std::fflush(stdout);
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("KORVANTA_SETTINGS", dir.filePath(QStringLiteral("krv14f.ini")).toLocal8Bit());
    QApplication app(argc, argv);
    SoakRun run;
    if (argc > 1)
        run.minutes = std::max(1, std::atoi(argv[1]));
    const int pointsIndex = argc > 2 ? std::atoi(argv[2]) : -1;

    // The virtual card in real time: the blocks come at the rate a sound
    // card delivers them, so the soak sees the program's real pace.
    VirtualCard::instance().setFastMode(false);
    run.main = CreateApplicationWindows();
    run.main->show();
    QApplication::processEvents();

    TAnalyzerPage* page = run.main->AnalyzerPage;
    QObject::connect(page, &TAnalyzerPage::spectrumShown, [&run] { ++run.spectra; });
    Forms().Wavegen->Gstart->click();
    if (pointsIndex >= 0)
        page->FFTpointsgroup->setItemIndex(pointsIndex);
    page->RunningGroup->setItemIndex(1); // continuous
    page->AverVal->setValue(1);
    page->StartButton->click();

    run.clock.start();
    run.sample();
    QTimer every;
    QObject::connect(&every, &QTimer::timeout, [&run] {
        ++run.minute;
        run.sample();
        if (run.minute >= run.minutes)
            run.main->close();
    });
    every.start(60 * 1000);
    // The main window's close writes the settings, as a user's would.
    QTimer closed;
    QObject::connect(&closed, &QTimer::timeout, [&run, &app] {
        if (!run.main->isVisible())
            app.quit();
    });
    closed.start(500);
    const int result = app.exec();
    DestroyApplicationWindows();
    return result;
}
