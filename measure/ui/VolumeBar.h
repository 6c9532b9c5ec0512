#pragma once
// A volume bar and its percent label as the pages show a mixer volume: the
// bar is set without announcing a move (so the bar being dragged is left
// alone and no write goes back to the mixer), the label reads "NN%".

#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>

namespace korvanta {

inline void ShowVolume(QScrollBar* bar, int position, QLabel* label, int percent)
{
    const QSignalBlocker quiet(bar);
    bar->setValue(position);
    label->setText(QString::number(percent) + QLatin1Char('%'));
}

} // namespace korvanta
