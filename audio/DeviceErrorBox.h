#pragma once
// The one way a device error reaches the user: the device's text, then the
// cause and what to do, in an error box.
//
// One cause, one box. When the sound server dies while the generator plays
// and the analyzer runs, both streams fail within moments: the first box is
// still open (its event loop runs on) when the second failure arrives, and a
// second box would stack on top of it with the same advice. So while a
// device error box is open, another one is not shown: the first already
// names the cause and the remedy, and the other window shows that it has
// stopped. The folded text is written to the device log.

#include <QString>

#include "platform/ModalQuestions.h"

namespace korvanta {

// Shows `text` with the advice for `code` ('D' German, 'E' English) and
// returns the button pressed; a box folded into an open one answers as a
// box closed with Escape.
int DeviceErrorBox(const QString& text, int code, char letter, int buttons = modal::Ok, int helpContext = 0);

// Whether a device error box is open now.
bool DeviceErrorBoxOpen();

} // namespace korvanta
