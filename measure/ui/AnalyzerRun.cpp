// The analyzer's measuring run as the page shows it: START and STOP, and
// the engine's results turned into labels, the diagram and message boxes.
// Part of TAnalyzerPage (see its header); the block loop itself is
// TAnalyzerEngine.

#include "app/ui/ProgramRecords.h"
#include "audio/DeviceErrorBox.h"
#include "measure/ui/AnalyzerPage.h"

#include "measure/AnalyzerEngine.h"
#include "measure/AnalyzerLogic.h"
#include "app/Audconst.h"
#include "diagram/ui/Diagr3.h"
#include "platform/ModalQuestions.h"
#include "audio/Soundd3.h"
#include "measure/samplemem.h"

#include <QLabel>
#include <QSpinBox>

namespace korvanta {

namespace {
constexpr int kCommentLength = 120;
constexpr int kDeviceErrorHelpContext = 17;

int inputSampleRate()
{
    int in = 0, out = 0;
    GetSampleRates(in, out);
    return in;
}
} // namespace

void TAnalyzerPage::connectEngine()
{
    TAnalyzerEngine* e = engine_;
    connect(e, &TAnalyzerEngine::overRangeCounted, this,
            [this](int count) { Label2->setText(OverRangeText(count)); });
    connect(e, &TAnalyzerEngine::averagesLeft, AverVal, &QSpinBox::setValue);
    connect(e, &TAnalyzerEngine::spectrumReady, this, &TAnalyzerPage::showSpectrum);
    connect(e, &TAnalyzerEngine::runningChanged, this, &TAnalyzerPage::showRunning);
    connect(e, &MeasuringEngine::failed, this, [](const EngineFailure& f) {
        const bool atStart = f.kind == static_cast<int>(TAnalyzerEngine::Failure::StartSample);
        const QString& prefix = atStart ? Messages().startSampleError : Messages().nextBlockError;
        DeviceErrorBox(prefix + f.text + QStringLiteral(")"), f.code, CurrentLanguage(), modal::Ok | modal::Help,
                       kDeviceErrorHelpContext);
    });
    // A next-block event still queued when the page was left comes after
    // another page has put its own comment into the shared diagram.
    connect(e, &TAnalyzerEngine::nextBlockHandled, this, [this] {
        if (Analyzer().AnalyzerActive)
            Analyzer().Comment = diagramComment();
    });
}

QString TAnalyzerPage::diagramComment() const
{
    return diagram_ ? diagram_->GetComment().left(kCommentLength) : Analyzer().Comment;
}

void TAnalyzerPage::StartButtonClick()
{
    AnalyzerState& a = Analyzer();
    a.Comment = diagramComment();
    const int fs = inputSampleRate();
    a.AverCount = std::max(1, AverVal->value());
    if (a.InFormats == 0 || a.Running || !a.AnalyzerActive)
        return;

    const int N = a.FFTpoints;
    const RunRange range = RunFrequencyRange(fs, N);
    if (!diagram_ || diagram_->SetupDiagram(a.Comment, N / 2 - 1, range.xmin, range.xmax, a.DiaYMin, a.DiaYMax)) {
        SetRunning(false);
        modal::MessageBox(modal::Kind::Warning, QStringLiteral("Diagram Error"), modal::Ok);
        return;
    }
    // A start that fails has shown its message through the engine's failure.
    if (engine_->Start() != 0)
        return;
    emit runStarted();
}

void TAnalyzerPage::StopButtonClick()
{
    Analyzer().Comment = diagramComment();
    SetRunning(false);
}

void TAnalyzerPage::StopRun()
{
    // An idle analyzer is left alone: its controls and menus may belong to
    // another page by now.
    if (!Analyzer().Running)
        return;
    Analyzer().Comment = diagramComment();
    SetRunning(false);
}

void TAnalyzerPage::SetRunning(bool flag) { engine_->SetRunning(flag); }

void TAnalyzerPage::showRunning(bool flag)
{
    // During a run the box counts the averages still to come down to 0.
    AverVal->setMinimum(flag ? 0 : 1);
    AverVal->setValue(Analyzer().AverCount);
    updateEnabledStates();
}

void TAnalyzerPage::OnBlock() { engine_->OnBlock(); }

TAnalyzerPage::BlockOutcome TAnalyzerPage::ProcessBlock(const float* data, int count, int overRange)
{
    return engine_->ProcessBlock(data, count, overRange);
}

void TAnalyzerPage::showSpectrum(const AnalyzerSpectrum& s)
{
    if (diagram_) {
        for (const QString* line : {&s.levelLine, &s.thdLine, &s.triggerLine})
            if (!line->isEmpty())
                diagram_->SetInfoLine(*line);
        diagram_->ShowCurves(s.leftOn, s.rightOn);
        diagram_->ShowScales(true, false);
    }
    const bool refused = !storePoints(s);
    if (diagram_)
        diagram_->update();
    emit spectrumShown();
    if (refused) {
        SetRunning(false);
        modal::MessageBox(modal::Kind::Warning, QStringLiteral("Diagram error"), modal::Ok);
    }
}

bool TAnalyzerPage::storePoints(const AnalyzerSpectrum& s)
{
    if (!diagram_)
        return true;
    for (size_t i = 0; i < s.frequency.size(); ++i)
        if (diagram_->AddPoint(s.left[i], s.right[i], static_cast<int>(i), s.frequency[i]) != 0)
            return false;
    return true;
}

} // namespace korvanta
