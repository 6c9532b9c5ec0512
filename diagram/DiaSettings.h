#pragma once
// A diagram's section of the settings file: colours, the logarithmic axis,
// the y spin stepping and the export separator. The main diagram keeps them
// in DIAGPRIV; a further diagram (the distortion window's) in a section of its
// own, so that changing one never changes the other.

#include "diagram/DiagramOptions.h"

#include <QString>

namespace korvanta {

inline const QString DiaSettingsSection = QStringLiteral("DIAGPRIV");

class ProfileStore;

// Reads the section into `opt` (the other fields stay). Missing or unusable
// values give the defaults: a colour that is not an integer, or is 1, gives
// the default colour; every text but exactly "FALSE" means on; a step that is
// not a number or is 0 gives 5.
void LoadDiaSettings(const ProfileStore& store, DiagramOptions& opt,
                     const QString& section = DiaSettingsSection);

// Writes every key of the section into `store` (the caller saves it).
void SaveDiaSettings(ProfileStore& store, const DiagramOptions& opt,
                     const QString& section = DiaSettingsSection);

// The same against the settings file on disk. Saving returns false when the
// file could not be written (it then stays as it was).
void LoadDiaSettings(const QString& path, DiagramOptions& opt, const QString& section = DiaSettingsSection);
bool SaveDiaSettings(const QString& path, const DiagramOptions& opt, const QString& section = DiaSettingsSection);

} // namespace korvanta
