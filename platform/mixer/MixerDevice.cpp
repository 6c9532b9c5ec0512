#include "MixerDevice.h"

#include "AlsaMixer.h"
#include "AudioBackend.h"
#include "VirtualCard.h"
#include "VirtualMixer.h"

namespace {
MixerDevice*& testMixer()
{
    static MixerDevice* m = nullptr;
    return m;
}
} // namespace

void SetMixerForTests(MixerDevice* mixer) { testMixer() = mixer; }

MixerDevice* OpenMixer(QObject* callbackWindow)
{
    MixerDevice* mixer = nullptr;
    if (testMixer())
        mixer = testMixer();
    else if (&CurrentAudioBackend() == &VirtualCard::instance())
        mixer = &VirtualMixer::instance();
    else
        mixer = AlsaMixer::open().release();
    if (mixer)
        mixer->setCallback(callbackWindow);
    return mixer;
}

void CloseMixer(MixerDevice* mixer)
{
    if (!mixer)
        return;
    mixer->setCallback(nullptr);
    if (mixer != &VirtualMixer::instance() && mixer != testMixer())
        delete mixer;
}
