#pragma once
// The generator's section "GEN" of the settings file. The generator window
// reads it into its program's record when it is created and writes it when
// it is closed or destroyed; the sweep and the playback engine play from the
// same record.

#include "audio/GeneratorSettings.h"

#include <QString>

namespace korvanta {

// The record a new generator window starts from: 1000 Hz, 0 dB, phases 0,
// sine, no user file, nothing playing, loop mode on.
GeneratorSettings InitialGeneratorSettings();

// Reads section "GEN" into `settings` (keys FGEN, PHASEL, PHASER, VOLL,
// VOLR, MODE, UFNAME, BELOOP). A missing or unreadable value keeps the
// default of InitialGeneratorSettings(). Values that would make the
// generator misbehave are brought into range: levels to 0 .. -100, the mode
// to 0 .. 4 (else sine), frequencies above 48000 Hz to 48000, a negative or
// non-finite frequency to 1000 Hz; with loop mode on a frequency below 1 Hz
// becomes 1 Hz.
void ReadGeneratorSection(GeneratorSettings& settings, const QString& path);

// Writes section "GEN" in one atomic step. False when the file could not be
// written (it then stays as it was); an existing file that cannot be read is
// never replaced.
bool WriteGeneratorSection(const GeneratorSettings& settings, const QString& path);

} // namespace korvanta
