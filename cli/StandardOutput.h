#pragma once
// Standard output: the one way every command's report, list and help
// leaves the program. Each write's result is checked, byte count and all:
// a report that reaches no reader (a full disk, a closed output) is a lost
// result, never a success. The C library's buffered writes cannot be
// trusted for this: once a large write has failed it drops its buffer, and
// the flush that follows reports success.

#include <QByteArray>
#include <QString>

namespace korvanta {

// First thing in main, before anything opens a file. A standard stream the
// caller closed (`>&-`) is opened on /dev/null, so no file the program opens
// later takes its number and receives the report or the messages meant for
// the terminal. Remembers that standard output was closed.
void GuardStandardStreams();

// Empty when standard output can take a report; otherwise why not (it was
// closed when the program started). Asked before a measurement whose report
// goes there, so that nothing is measured for a report that would be lost.
QString StandardOutputRefusal();

// Writes all of `bytes` to standard output. False, with the system's reason
// in `error`, when any of it could not be written.
bool WriteStandardOutput(const QByteArray& bytes, QString& error);

} // namespace korvanta
