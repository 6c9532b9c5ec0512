#include "audio/DeviceAdvice.h"

#include "platform/LanguageTexts.h"
#include "platform/audio/WaveTypes.h"

namespace korvanta {

QString DeviceErrorAdvice(int code, char letter)
{
    using namespace words;
    switch (code) {
    case WAVERR_DEVICE_NO_ANSWER:
    case WAVERR_DEVICE_STALLED:
    case WAVERR_OUTPUT_STALLED:
        return Pick(letter, kAdviceServer);
    case MMSYSERR_ALLOCATED:
        return Pick(letter, kAdviceBusy);
    case WAVERR_BADFORMAT:
        return Pick(letter, kAdviceFormat);
    case MMSYSERR_BADDEVICEID:
    case MMSYSERR_NODRIVER:
    case WAVERR_DEVICE_GONE:
    case WAVERR_OUTPUT_GONE:
        return Pick(letter, kAdviceGone);
    default:
        return Pick(letter, kAdviceOther);
    }
}

QString WithDeviceAdvice(const QString& text, int code, char letter)
{
    return text + QStringLiteral("\n\n") + DeviceErrorAdvice(code, letter);
}

} // namespace korvanta
