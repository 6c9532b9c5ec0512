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
//
// Writes go through the sound server where there is one, so each runs on a
// thread of its own for at most two seconds; one that gets no answer (a
// stopped server) leaves the mixer to it, and every later call fails at once
// (answering() is false) until the mixer is opened again.

#include "platform/mixer/AlsaMixerMap.h"
#include "platform/mixer/VolumeLaw.h"

#include <memory>

class QSocketNotifier;
typedef struct _snd_mixer snd_mixer_t;
typedef struct _snd_mixer_elem snd_mixer_elem_t;

namespace korvanta {

class AlsaMixer : public TreeMixer {
public:
    // Null when no mixer can be opened, it has no elements, or it does not
    // answer within DeviceThread::kOpenAnswerMs (a stopped sound server holds
    // the attach half a minute; the open is then left to its thread, which
    // closes what it gets, and a device-log line says so).
    static std::unique_ptr<AlsaMixer> open();
    // Starts an open ahead of open(), so that the wait for a sound server
    // overlaps the rest of the start-up; open() then takes it, waiting at
    // most what is left of its bound.
    static void startOpening();
    // Gives up an open started ahead when the program chose no ALSA device
    // after all; whatever it still attaches is closed on its thread.
    static void dropOpening();
    ~AlsaMixer() override;

    // The ALSA device the mixer is attached to.
    const QString& deviceName() const { return device_; }

    int getChannelValues(uint32_t controlId, std::vector<int32_t>& values) override;
    int setChannelValues(uint32_t controlId, const std::vector<int32_t>& values) override;
    bool answering() const override { return !abandoned_; }

protected:
    int readValues(TreeControl& control) override;
    int writeValues(TreeControl& control, const int32_t* values) override;

private:
    AlsaMixer(snd_mixer_t* handle, QString device, std::vector<snd_mixer_elem_t*> elems, AlsaMixerMap map,
              bool soundServer);
    void watchDescriptors();
    void handleEvents();
    static int elementEvent(snd_mixer_elem_t* elem, unsigned int mask);
    // ALSA's channel IDs; kAllChannels writes every channel alike.
    static constexpr int kAllChannels = -1;
    int readVolume(snd_mixer_elem_t* elem, bool playback, int channel) const;
    using Aspect = AlsaBinding::Aspect;
    struct ElementWrite {
        Aspect aspect;
        snd_mixer_elem_t* element;
        std::vector<snd_mixer_elem_t*> switches;   // CaptureSwitches: one element an item
        std::vector<int32_t> values;               // per item, per channel, or one for all
        VolumeScale scale;
        std::vector<int> channels;                 // the channel of each value; empty: all alike
    };
    // Volumes and switches whose channels can be set apart.
    static bool perChannel(const AlsaBinding& b);
    static std::vector<int> channelsOf(snd_mixer_elem_t* elem, Aspect aspect);
    int runWrite(const ElementWrite& w);
    static int applyWrite(const ElementWrite& w);
    static int applyChannel(const ElementWrite& w, int channel, int32_t value);
    static int writeVolume(snd_mixer_elem_t* elem, bool playback, int channel, int32_t value, VolumeScale rawScale);
    // A write got no answer: the mixer is left to it and does nothing more.
    void abandon();

    snd_mixer_t* handle_;
    QString device_;
    std::vector<snd_mixer_elem_t*> elems_;
    std::vector<AlsaBinding> bindings_;
    VolumeScale rawScale_;
    std::vector<QSocketNotifier*> notifiers_;
    bool abandoned_ = false;
};

} // namespace korvanta
