#pragma once
// Small routines that every subsystem shares: the program directory, waiting
// while the user interface stays responsive, numeric helpers and rotated text.
// All of them are meant for the GUI thread.

#include <QString>
#include <cstdint>

class QPainter;

namespace korvanta {

// Directory of the running executable, with a trailing '/', at most 255
// characters (longer paths are cut, as the settings code expects a bounded
// string).
QString ProgramDir();

// Dispatch at most one pending event of the GUI thread.
void PumpOneMessage();

// Millisecond tick counter that wraps at 2^32 like the classic system tick.
uint32_t TickCount();

// Busy-wait for at least `ms` milliseconds while dispatching events. The
// elapsed time is computed in unsigned 32-bit arithmetic so that the wrap of
// TickCount() during the wait is harmless. Callers must tolerate re-entry of
// event handlers while they wait.
void DelayMs(uint32_t ms);

double Log10(double x);
double Pow10(double x);

// a * (b/a)^(d/c): the d-th of c logarithmic steps from a to b, in single
// precision. 333 flags the degenerate cases c == 0 or a == 0.
float LogStep(int a, int b, int c, int d);

// Draw `text` at (x, y) rotated by `angleDeg` degrees counter-clockwise, using
// a temporary font derived from the painter's font (same family, size,
// colour and italic flag; weight 700 when bold, else 500). (x, y) is the
// top-left corner of the unrotated text cell, as the classic API had it.
// Everything the call changes on the painter is restored afterwards.
void TextOutRotated(QPainter& canvas, int x, int y, int angleDeg, const QString& text);

namespace testing_hooks {
// Shift TickCount() by a constant so that tests can place the 32-bit wrap
// inside a wait. Production code never calls this.
void SetTickOffset(uint32_t offset);
}

} // namespace korvanta
