#pragma once
// A volume bar and its percent field as the pages show a mixer volume: the
// bar is set without announcing a move (so the bar being dragged is left
// alone and no write goes back to the mixer), the field reads "NN%" and the
// level beside it in dB.

#include "platform/ui/LevelField.h"

#include <QScrollBar>
#include <QSignalBlocker>

namespace korvanta {

inline void ShowVolume(QScrollBar* bar, int position, TLevelField* field, int percent)
{
    const QSignalBlocker quiet(bar);
    bar->setValue(position);
    field->ShowPercent(percent);
}

} // namespace korvanta
