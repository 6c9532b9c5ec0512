#pragma once
// Shared by the main window tests: the real windows on the virtual card in
// fast mode, each test with its own settings file and a clean process state.

#include "analysis/AnalysisSettings.h"
#include "app/ui/AppWindows.h"
#include "app/Audconst.h"
#include "app/ui/ProgramRecords.h"
#include "correction/CorrectionTable.h"
#include "diagram/ui/Diagr3.h"
#include "app/ui/Main.h"
#include "scope/OscilloscopeSettings.h"
#include "platform/FileFolders.h"
#include "platform/ProfileStore.h"
#include "generator/SweepSettings.h"
#include "tests/support/TestSupport.h"

#include <cmath>
#include "platform/audio/virtual/VirtualCard.h"
#include "platform/mixer/VirtualMixer.h"
#include "measure/samplemem.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <ostream>

using namespace korvanta;

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

// Everything a previous main window may have left in the process records.
// A flat curve at `level` on 100 points from 20 Hz to 20 kHz in `d`: something
// in view to save, print or store.
inline void ShowFlatCurve(TDiagramm& d, float level, const QString& comment = QStringLiteral("curve"))
{
    float ymin = -100, ymax = 0;
    d.SetupDiagram(comment, 99, 20, 20000, ymin, ymax);
    for (int i = 0; i < 100; ++i)
        d.AddPoint(level, level, i, 20.0 * std::pow(1000.0, i / 99.0));
}

inline void ResetProcessState()
{
    Analyzer() = AnalyzerState{};
    Sweep() = SweepSettings{};
    Oscilloscope() = OscilloscopeSettings{};
    Analysis() = AnalysisSettings{};
    ClearCorrection(InputCorrection());
    ClearCorrection(OutputCorrection());
    SetMessageLanguage('D');
    SetCurrentLanguage('D');
    ResetFileFolders();
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        VirtualCard& card = VirtualCard::instance();
        card.reset();
        card.setFastMode(true);
        VirtualMixer::instance().reset();
        settingsPath = dir.file("krv14f.ini");
        qputenv("KORVANTA_SETTINGS", settingsPath.toLocal8Bit());
        ResetProcessState();
    }

    void TearDown() override
    {
        closeMain();
        VirtualCard::instance().reset();
    }

    void writeSettings(const QByteArray& text) const { dir.write("krv14f.ini", text); }
    QString settingsText() const { return QString::fromUtf8(dir.read("krv14f.ini")); }
    QString setting(const char* section, const char* key) const
    {
        return GetProfileString(QLatin1String(section), QLatin1String(key), QStringLiteral("<missing>"), 4096,
                                settingsPath);
    }

    // Creates every window and shows the main window, as the program does.
    TMainForm* start()
    {
        main = CreateApplicationWindows();
        main->show();
        QApplication::processEvents();
        return main;
    }

    // Closes the main window (settings written) and destroys the windows.
    void closeMain()
    {
        if (!main)
            return;
        main->close();
        QApplication::processEvents();
        DestroyApplicationWindows();
        main = nullptr;
    }

    // Closes and starts again on the same settings file.
    TMainForm* restart()
    {
        closeMain();
        ResetProcessState();
        return start();
    }

    ScratchDir dir;
    ModalRecorder modals;
    QString settingsPath;
    TMainForm* main = nullptr;
};
