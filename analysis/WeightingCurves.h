#pragma once
// Weighting curves of the THD+N and level analysis: named frequency
// responses given as short tables of (Hz, dB) points. The selected curve
// lives in one correction table and is interpolated like a correction
// file; its active flag says whether the analysis applies it. No time-domain
// filter is run for weighting: the curve's dB value is added to each bin.

#include "correction/CorrectionTable.h"

#include <QString>
#include <QStringList>
#include <span>

namespace korvanta {

// The curve names in the order of the analysis dialog's list: "none", the
// twelve built-in curves, then "USER" (a correction file of the user's).
QStringList WeightingNames();

inline const QString kWeightingNone = QStringLiteral("none");
inline const QString kWeightingUser = QStringLiteral("USER");

// The built-in table of a name; empty for "USER" and unknown names.
std::span<const CorrectionPair> WeightingTable(const QString& name);

// Loads the named curve into `curve`: a built-in name replaces the table and
// activates it ("none" loads its flat table and deactivates it); "USER" keeps
// the table already there (the user's file, or whatever was loaded last) and
// activates it. Returns false, leaving `curve` unchanged, for an unknown name.
bool SelectWeighting(CorrectionTable& curve, const QString& name);

} // namespace korvanta
