#include "measure/ui/RunProgress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace korvanta {

namespace {
struct ProgressTexts {
    const char* steps;        // done / planned
    const char* stepsApprox;  // done / about planned
    const char* left;         // time left
    const char* leftApprox;
    const char* done;         // the run has ended
    const char* stop;
    const char* stopTip;
};

constexpr ProgressTexts kGerman{"%1 / %2", "%1 / ca. %2", "noch %1", "noch ca. %1", "fertig", "Stop",
                                "Beendet den Lauf nach dem laufenden Schritt"};
constexpr ProgressTexts kEnglish{"%1 / %2", "%1 / approx. %2", "%1 left", "approx. %1 left", "done", "Stop",
                                 "Ends the run after the step in progress"};

const ProgressTexts& textsFor(char letter) { return letter == 'E' ? kEnglish : kGerman; }
} // namespace

TRunProgress::TRunProgress(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("RunProgress"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    Bar = new QProgressBar(this);
    Bar->setRange(0, 1);
    Bar->setValue(0);
    Bar->setTextVisible(true);
    Bar->setAlignment(Qt::AlignCenter);
    auto* row = new QHBoxLayout;
    row->setSpacing(3);
    TimeLeft = new QLabel(this);
    StopBut = new QPushButton(this);
    StopBut->setEnabled(false);
    row->addWidget(TimeLeft, 1);
    row->addWidget(StopBut);
    column->addWidget(Bar);
    column->addLayout(row);
    connect(StopBut, &QPushButton::clicked, this, &TRunProgress::stopClicked);
    showTexts();
}

void TRunProgress::Begin(const RunEstimate& estimate)
{
    estimate_ = estimate;
    running_ = true;
    done_ = 0;
    total_ = estimate.Steps();
    approximate_ = estimate.approximate;
    StopBut->setEnabled(true);
    showTexts();
}

void TRunProgress::ShowProgress(int done, int total)
{
    done_ = std::max(done, 0);
    approximate_ = total <= 0 && estimate_.approximate;
    total_ = total > 0 ? total : estimate_.Steps();
    // An approximate plan may take more steps than it planned.
    total_ = std::max(total_, done_);
    showTexts();
}

void TRunProgress::Finish()
{
    running_ = false;
    StopBut->setEnabled(false);
    showTexts();
}

void TRunProgress::SetLanguage(char letter)
{
    if (letter != 'D' && letter != 'E')
        return;
    language_ = letter;
    showTexts();
}

void TRunProgress::showTexts()
{
    const ProgressTexts& t = textsFor(language_);
    StopBut->setText(QString::fromUtf8(t.stop));
    StopBut->setToolTip(QString::fromUtf8(t.stopTip));
    Bar->setRange(0, std::max(total_, 1));
    Bar->setValue(std::min(done_, std::max(total_, 1)));
    if (estimate_.percent)
        Bar->setFormat(QStringLiteral("%1 %").arg(done_ * 100 / std::max(total_, 1)));
    else
        Bar->setFormat(total_ > 0 ? QString::fromUtf8(approximate_ ? t.stepsApprox : t.steps).arg(done_).arg(total_)
                                  : QString());
    if (!running_) {
        TimeLeft->setText(total_ > 0 ? QString::fromUtf8(t.done) : QString());
        return;
    }
    const QString left = DurationText(TimeLeftMs(estimate_, done_));
    TimeLeft->setText(QString::fromUtf8(estimate_.approximate ? t.leftApprox : t.left).arg(left));
}

} // namespace korvanta
