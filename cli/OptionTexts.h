#pragma once
// The German words of the command's help: each option's description and
// each command's summary, by name, beside the English ones the option
// table holds. The manual page stays English; --help follows the
// command's language.

namespace korvanta {

// The German description of `option` ("--fft"), with the same {range} and
// {highest} places as the English one; nullptr for an option without one.
const char* GermanOptionHelp(const char* option);

// The German summary of the command named `command` ("thdn"); nullptr for
// none.
const char* GermanCommandSummary(const char* command);

} // namespace korvanta
