#include "platform/mixer/MixerDevice.h"

#include "platform/mixer/AlsaMixer.h"
#include "platform/audio/AudioBackend.h"
#include "platform/audio/virtual/VirtualCard.h"
#include "platform/mixer/VirtualMixer.h"
#include "platform/audio/WaveTypes.h"

#include <QByteArray>

namespace korvanta {

namespace {
MixerDevice*& testMixer()
{
    static MixerDevice* m = nullptr;
    return m;
}
} // namespace

int MixerDevice::getChannelValues(uint32_t controlId, std::vector<int32_t>& values)
{
    int32_t value = 0;
    if (const int rc = getControlValues(controlId, 1, &value))
        return rc;
    values = {value};
    return MMSYSERR_NOERROR;
}

int MixerDevice::setChannelValues(uint32_t controlId, const std::vector<int32_t>& values)
{
    if (values.size() != 1)
        return MMSYSERR_INVALPARAM;
    return values[0] < 0 ? MMSYSERR_NOERROR : setControlValues(controlId, 1, values.data());
}

void SetMixerForTests(MixerDevice* mixer) { testMixer() = mixer; }

MixerDevice* OpenMixer(QObject* callbackWindow)
{
    MixerDevice* mixer = nullptr;
    if (testMixer())
        mixer = testMixer();
    else if (&CurrentAudioBackend() == &VirtualCard::instance()) {
        AlsaMixer::dropOpening();
        mixer = &VirtualMixer::instance();
    }
    else
        mixer = AlsaMixer::open().release();
    if (mixer)
        mixer->setCallback(callbackWindow);
    return mixer;
}

void StartOpeningMixer()
{
    // Started before the backend is chosen: on a stopped sound server the
    // choice and the open then wait for it at the same time, not in turn.
    // When the choice falls on the virtual card, OpenMixer drops the open.
    if (testMixer() || qgetenv("KORVANTA_AUDIO").trimmed().toLower() == "virtual")
        return;
    AlsaMixer::startOpening();
}

void CloseMixer(MixerDevice* mixer)
{
    if (!mixer)
        return;
    mixer->setCallback(nullptr);
    if (mixer != &VirtualMixer::instance() && mixer != testMixer())
        delete mixer;
}

} // namespace korvanta
