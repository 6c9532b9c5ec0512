#pragma once
// The mixer of a real sound card through ALSA's simple-mixer API: the
// control device behind "default" (with PipeWire or PulseAudio that is the
// server's own controls), else the first card. The element list becomes the
// classic tree (AlsaMixerMap); values are read from and written to the
// elements with the volume law of VolumeLaw.h.
//
// Change notifications: the mixer's poll descriptors are watched with
// QSocketNotifier on the GUI thread; handling the events runs the element
// callbacks, which post MM_MIXM_CONTROL_CHANGE for every control of that
// element. GUI thread only.

#include "AlsaMixerMap.h"
#include "VolumeLaw.h"

#include <memory>

class QSocketNotifier;
typedef struct _snd_mixer snd_mixer_t;
typedef struct _snd_mixer_elem snd_mixer_elem_t;

class AlsaMixer : public TreeMixer {
public:
    // Null when no mixer can be opened or it has no elements.
    static std::unique_ptr<AlsaMixer> open();
    ~AlsaMixer() override;

    // The ALSA device the mixer is attached to.
    const QString& deviceName() const { return device_; }

protected:
    int readValues(TreeControl& control) override;
    int writeValues(TreeControl& control, const int32_t* values) override;

private:
    AlsaMixer(snd_mixer_t* handle, QString device, std::vector<snd_mixer_elem_t*> elems, AlsaMixerMap map,
              bool soundServer);
    void watchDescriptors();
    void handleEvents();
    static int elementEvent(snd_mixer_elem_t* elem, unsigned int mask);
    int readVolume(snd_mixer_elem_t* elem, bool playback) const;
    int writeVolume(snd_mixer_elem_t* elem, bool playback, int32_t value) const;

    snd_mixer_t* handle_;
    QString device_;
    std::vector<snd_mixer_elem_t*> elems_;
    std::vector<AlsaBinding> bindings_;
    VolumeScale rawScale_;
    std::vector<QSocketNotifier*> notifiers_;
};
