#pragma once
// Shared by the fuzz targets: a scratch directory on a RAM disk (the
// settings store flushes every save to the disk, which a real disk would
// throttle to a few dozen runs a second), a way to hand the input to code
// that reads files, and answers for the program's message boxes.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace fuzz {

// A directory of this process under /dev/shm (or $TMPDIR when there is no
// RAM disk), removed when the process ends.
const QString& ScratchDir();

// Writes the bytes to a file of that directory and returns its path.
QString WriteScratchFile(const QString& name, const QByteArray& bytes);

// Every message box is answered with OK and counted, never shown.
void AnswerMessageBoxes();
int MessageBoxCount();

// Ends the run with a message that libFuzzer reports as a crash.
[[noreturn]] void Fail(const char* what);

inline QByteArray Bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

} // namespace fuzz
