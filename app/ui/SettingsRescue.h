#pragma once
// Settings that the close could not write are never lost without a word:
// the user is told where they belong and why they are not there, and
// chooses another place for them or to discard them. Each failure is also
// written to standard error, for a program started from a script; where no
// one can see a question (no display), that is all, and they are discarded.

#include "platform/ProfileStore.h"

#include <vector>

namespace korvanta {

// Asks about each file in `unsaved` (texts in `language`, 'D' or 'E').
// Returns true when every one of them was written somewhere.
bool KeepUnsavedSettings(const std::vector<UnsavedSettings>& unsaved, char language);

// Ends the questions (a termination signal while they are open): the open
// dialog closes and the settings not yet kept are discarded.
void AbandonUnsavedSettings();

} // namespace korvanta
