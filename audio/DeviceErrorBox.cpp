#include "audio/DeviceErrorBox.h"

#include "audio/DeviceAdvice.h"
#include "platform/DeviceLog.h"

namespace korvanta {

namespace {
// GUI thread only, like every box.
int openBoxes = 0;

struct OpenBox {
    OpenBox() { ++openBoxes; }
    ~OpenBox() { --openBoxes; }
    OpenBox(const OpenBox&) = delete;
    OpenBox& operator=(const OpenBox&) = delete;
};
} // namespace

bool DeviceErrorBoxOpen() { return openBoxes > 0; }

int DeviceErrorBox(const QString& text, int code, char letter, int buttons, int helpContext)
{
    if (DeviceErrorBoxOpen()) {
        devlog::Append(QStringLiteral("error box folded into the open one: ") + text);
        return modal::EscapeButton(buttons);
    }
    const OpenBox open;
    return modal::MessageBox(modal::Kind::Error, WithDeviceAdvice(text, code, letter), buttons, helpContext);
}

} // namespace korvanta
