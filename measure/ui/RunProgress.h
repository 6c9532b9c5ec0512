#pragma once
// The progress of a run of many steps (a sweep, a distortion run): a bar
// with the steps done over the steps planned, the time the plan still needs,
// and a Stop beside it that ends the run as the page's own stop does. It
// sits in its page or window and never blocks it. The time left comes from
// the plan (settle wait and block of every step are known in advance);
// a plan that may take more or fewer steps says so ("ca." / "approx.").

#include "audio/RunEstimate.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace korvanta {

class TRunProgress : public QWidget {
    Q_OBJECT
public:
    explicit TRunProgress(QWidget* parent = nullptr);

    // A run with this plan begins: 0 steps done, the whole plan ahead.
    void Begin(const RunEstimate& estimate);
    // `done` steps of `total` (0: the plan's own count) are measured.
    void ShowProgress(int done, int total);
    // The run has ended: the bar keeps what was done, Stop is off.
    void Finish();
    // 'D' or 'E'; other letters change nothing.
    void SetLanguage(char letter);

    bool RunShown() const { return running_; }

    QProgressBar* Bar;
    QLabel* TimeLeft;
    QPushButton* StopBut;

signals:
    void stopClicked();

private:
    void showTexts();

    RunEstimate estimate_;
    char language_ = 'D';
    int done_ = 0;
    int total_ = 0;
    bool approximate_ = false;
    bool running_ = false;
};

} // namespace korvanta
