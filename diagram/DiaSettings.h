#pragma once
// The diagram's section of the settings file: colours, the logarithmic axis,
// the y spin stepping and the export separator.

#include "DiagramOptions.h"

#include <QString>

inline const QString DiaSettingsSection = QStringLiteral("DIAGPRIV");

class ProfileStore;

// Reads the section into `opt` (the other fields stay). Missing or unusable
// values give the defaults: a colour that is not an integer, or is 1, gives
// the default colour; every text but exactly "FALSE" means on; a step that is
// not a number or is 0 gives 5.
void LoadDiaSettings(const ProfileStore& store, DiagramOptions& opt);

// Writes every key of the section into `store` (the caller saves it).
void SaveDiaSettings(ProfileStore& store, const DiagramOptions& opt);

// The same against the settings file on disk. Saving returns false when the
// file could not be written (it then stays as it was).
void LoadDiaSettings(const QString& path, DiagramOptions& opt);
bool SaveDiaSettings(const QString& path, const DiagramOptions& opt);
