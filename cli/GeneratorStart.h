#pragma once
// What the generator plays for the command, and why it could not start:
// shared by `generate` and the tone that thdn, level and spectrum play with
// --play, so both follow the generator window's rules and say the same.

#include "audio/GeneratorSettings.h"
#include "audio/MeasuringEngine.h"
#include "cli/Commands.h"

namespace korvanta {

inline constexpr int kGeneratorSine = 0;
inline constexpr int kGeneratorFile = 4;

// The settings file's generator record with the options over it (signal,
// frequency, levels, phases, wave file).
GeneratorSettings GeneratorRecordFor(const MeasureOptions& o, const GeneratorSettings& stored);

// Why GeneratorEngine::Start() failed with `failure`, with its status: a
// tone at or above half the rate is bad usage, the rest the device's. The
// device log's lines since `loggedBefore` tell why a wave file would not play.
CommandResult GeneratorStartFailed(const GeneratorSettings& g, const EngineFailure& failure, qsizetype loggedBefore);

// "the output failed while playing: <why>"
QString GeneratorPlayFailed(const EngineFailure& failure);

} // namespace korvanta
