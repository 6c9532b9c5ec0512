#pragma once
// The distortion window's section "VERZERR" of the settings file: its plan,
// load, divider and placement. Values out of range or unreadable take their
// defaults, so a damaged file never starts a run at a harmful level.

#include "DistortionEngine.h"

#include <QRect>
#include <QString>

struct DistortionWindowState {
    DistortionSettings run;
    QRect placement; // empty: the window's default place
};

void ReadDistortionSection(DistortionWindowState& state, const QString& path);
bool WriteDistortionSection(const DistortionWindowState& state, const QString& path);
