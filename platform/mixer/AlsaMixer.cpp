#include "platform/mixer/AlsaMixer.h"

#include "platform/audio/WaveTypes.h"

#include "platform/DeviceLog.h"
#include "platform/audio/DeviceThread.h"

#include <QSocketNotifier>
#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <vector>

namespace korvanta {

namespace {
using Aspect = AlsaBinding::Aspect;

// A sound server's control device (the ALSA plugin of PulseAudio, which
// PipeWire's pulse layer serves too): its volumes are the server's cubic
// scale and its master is the whole desktop's.
bool isSoundServer(const char* device)
{
    snd_ctl_t* ctl = nullptr;
    if (snd_ctl_open(&ctl, device, 0) < 0)
        return false;
    bool server = false;
    snd_ctl_card_info_t* info = nullptr;
    snd_ctl_card_info_alloca(&info);
    if (snd_ctl_type(ctl) == SND_CTL_TYPE_EXT && snd_ctl_card_info(ctl, info) >= 0) {
        const QString text = QString::fromLocal8Bit(snd_ctl_card_info_get_driver(info)) + QLatin1Char(' ')
            + QString::fromLocal8Bit(snd_ctl_card_info_get_mixername(info));
        server = text.contains(QLatin1String("Pulse"), Qt::CaseInsensitive)
            || text.contains(QLatin1String("PipeWire"), Qt::CaseInsensitive);
    }
    snd_ctl_close(ctl);
    return server;
}

snd_mixer_t* attach(const char* device)
{
    snd_mixer_t* m = nullptr;
    if (snd_mixer_open(&m, 0) < 0)
        return nullptr;
    if (snd_mixer_attach(m, device) < 0 || snd_mixer_selem_register(m, nullptr, nullptr) < 0 || snd_mixer_load(m) < 0
        || !snd_mixer_first_elem(m)) {
        snd_mixer_close(m);
        return nullptr;
    }
    return m;
}

AlsaElement describe(snd_mixer_elem_t* e)
{
    AlsaElement a;
    a.name = QString::fromLocal8Bit(snd_mixer_selem_get_name(e));
    a.index = snd_mixer_selem_get_index(e);
    a.playbackVolume = snd_mixer_selem_has_playback_volume(e);
    a.playbackSwitch = snd_mixer_selem_has_playback_switch(e);
    a.captureVolume = snd_mixer_selem_has_capture_volume(e);
    a.captureSwitch = snd_mixer_selem_has_capture_switch(e);
    a.captureEnum = snd_mixer_selem_is_enum_capture(e);
    if (a.captureEnum) {
        const int n = snd_mixer_selem_get_enum_items(e);
        for (int i = 0; i < n; ++i) {
            char name[kMixerNameChars + 1] = {};
            if (snd_mixer_selem_get_enum_item_name(e, static_cast<unsigned>(i), sizeof name - 1, name) < 0)
                break;
            a.enumItems << QString::fromLocal8Bit(name);
        }
    }
    return a;
}

void silenceAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

// What an open found: the attached mixer (null: none) and its device.
struct Attached {
    snd_mixer_t* handle = nullptr;
    const char* device = "";
    bool soundServer = false;
};

// Everything of an open that may wait for a sound server: the attach (the
// plugin connects to the server), loading the elements and asking the
// control device what it is.
Attached attachFirstMixer()
{
    Attached a;
    for (const char* device : {"default", "hw:0"}) {
        a.handle = attach(device);
        if (a.handle) {
            a.device = device;
            a.soundServer = isSoundServer(device);
            break;
        }
    }
    return a;
}

// An open on a thread of its own that the GUI thread may give up on; the
// mixer it attaches late is then closed on that thread.
struct Opening {
    std::mutex mutex;
    bool givenUp = false;
    bool done = false;
    Attached result;
};

// An open started ahead of its use, and when its time is up.
struct PendingOpen {
    std::shared_ptr<Opening> state = std::make_shared<Opening>();
    std::chrono::steady_clock::time_point deadline;
    DeviceThread thread;
};

std::unique_ptr<PendingOpen>& pendingOpen()
{
    static std::unique_ptr<PendingOpen> pending;
    return pending;
}

// Waits for the open until its deadline. True: it answered, and `found` is
// the caller's. False: it is left to close whatever it still finds.
bool finishOpening(PendingOpen& p, Attached& found)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(p.deadline - std::chrono::steady_clock::now()).count();
    p.thread.finish(static_cast<int>(std::clamp<long long>(left, 0, DeviceThread::kAbandonMs)));
    std::lock_guard lock(p.state->mutex);
    p.state->givenUp = true;
    found = p.state->result;
    return p.state->done;
}
} // namespace

void AlsaMixer::dropOpening()
{
    if (std::unique_ptr<PendingOpen> stale = std::move(pendingOpen())) {
        stale->deadline = std::chrono::steady_clock::now();
        Attached unused;
        if (finishOpening(*stale, unused) && unused.handle)
            snd_mixer_close(unused.handle);
    }
}

void AlsaMixer::startOpening()
{
    // A machine without cards makes alsa-lib complain on stderr about every
    // name it tries; not finding a mixer is an ordinary answer here. The
    // handler stays: an open given up on may still complain much later.
    snd_lib_error_set_handler(silenceAlsaErrors);
    dropOpening();
    auto p = std::make_unique<PendingOpen>();
    p->deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(DeviceThread::kOpenAnswerMs);
    p->thread.start([state = p->state] {
        const Attached a = attachFirstMixer();
        std::unique_lock lock(state->mutex);
        if (!state->givenUp) {
            state->result = a;
            state->done = true;
            return;
        }
        lock.unlock();
        if (a.handle)
            snd_mixer_close(a.handle);
    });
    pendingOpen() = std::move(p);
}

std::unique_ptr<AlsaMixer> AlsaMixer::open()
{
    if (!pendingOpen())
        startOpening();
    const std::unique_ptr<PendingOpen> p = std::move(pendingOpen());
    Attached a;
    if (!finishOpening(*p, a)) {
        devlog::Append(QStringLiteral("mixer did not answer within %1 ms: not available until the sound system is reset")
                           .arg(DeviceThread::kOpenAnswerMs));
        return nullptr;
    }
    if (!a.handle)
        return nullptr;
    snd_mixer_t* m = a.handle;
    std::vector<snd_mixer_elem_t*> elems;
    std::vector<AlsaElement> list;
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(m); e; e = snd_mixer_elem_next(e)) {
        if (!snd_mixer_selem_is_active(e))
            continue;
        elems.push_back(e);
        list.push_back(describe(e));
    }
    AlsaMixerMap map = MapAlsaElements(list);
    return std::unique_ptr<AlsaMixer>(
        new AlsaMixer(m, QString::fromLatin1(a.device), std::move(elems), std::move(map), a.soundServer));
}

AlsaMixer::AlsaMixer(snd_mixer_t* handle, QString device, std::vector<snd_mixer_elem_t*> elems, AlsaMixerMap map,
                     bool soundServer)
    : TreeMixer(std::move(map.tree)), handle_(handle), device_(std::move(device)), elems_(std::move(elems)),
      bindings_(std::move(map.bindings)), rawScale_(soundServer ? VolumeScale::Cubic : VolumeScale::Linear)
{
    notifyOwnWrites_ = false;
    tree_.caps.name = QStringLiteral("ALSA mixer (%1)").arg(device_);
    tree_.caps.sharedMaster = soundServer;
    for (snd_mixer_elem_t* e : elems_) {
        snd_mixer_elem_set_callback_private(e, this);
        snd_mixer_elem_set_callback(e, &AlsaMixer::elementEvent);
    }
    watchDescriptors();
}

AlsaMixer::~AlsaMixer()
{
    for (QSocketNotifier* n : notifiers_)
        delete n;
    // A mixer given up on still belongs to the write that hangs in it.
    if (!abandoned_)
        snd_mixer_close(handle_);
}

void AlsaMixer::abandon()
{
    abandoned_ = true;
    for (QSocketNotifier* n : notifiers_)
        delete n;
    notifiers_.clear();
    devlog::Append(QStringLiteral("mixer %1 did not answer within %2 ms: volume control is off until the sound "
                                  "system is reset")
                       .arg(device_)
                       .arg(DeviceThread::kAbandonMs));
}

void AlsaMixer::watchDescriptors()
{
    const int count = snd_mixer_poll_descriptors_count(handle_);
    if (count <= 0)
        return;
    std::vector<pollfd> fds(static_cast<size_t>(count));
    const int filled = snd_mixer_poll_descriptors(handle_, fds.data(), static_cast<unsigned>(count));
    for (int i = 0; i < filled; ++i) {
        auto* n = new QSocketNotifier(fds[i].fd, QSocketNotifier::Read);
        QObject::connect(n, &QSocketNotifier::activated, n, [this] { handleEvents(); });
        notifiers_.push_back(n);
    }
}

void AlsaMixer::handleEvents()
{
    // A mixer whose server or card went away keeps failing: stop watching
    // instead of spinning on a descriptor that is always readable.
    if (snd_mixer_handle_events(handle_) < 0)
        for (QSocketNotifier* n : notifiers_)
            n->setEnabled(false);
}

int AlsaMixer::elementEvent(snd_mixer_elem_t* elem, unsigned int mask)
{
    auto* self = static_cast<AlsaMixer*>(snd_mixer_elem_get_callback_private(elem));
    if (!self)
        return 0;
    const auto it = std::find(self->elems_.begin(), self->elems_.end(), elem);
    if (it == self->elems_.end())
        return 0;
    const int element = static_cast<int>(it - self->elems_.begin());
    if (mask == SND_CTL_EVENT_MASK_REMOVE) {
        // The element is freed after this call: never touch it again.
        *it = nullptr;
        return 0;
    }
    if (!(mask & SND_CTL_EVENT_MASK_VALUE))
        return 0;
    for (size_t i = 0; i < self->bindings_.size(); ++i) {
        const AlsaBinding& b = self->bindings_[i];
        const bool mine = b.element == element || std::find(b.items.begin(), b.items.end(), element) != b.items.end();
        if (mine)
            self->notifyControlChange(static_cast<uint32_t>(i + 1));
    }
    return 0;
}

int AlsaMixer::readVolume(snd_mixer_elem_t* e, bool playback, int channel) const
{
    const auto ch = static_cast<snd_mixer_selem_channel_id_t>(channel);
    long min = 0, max = 0, value = 0;
    if (rawScale_ != VolumeScale::Cubic) {
        const int rangeOk = playback ? snd_mixer_selem_get_playback_dB_range(e, &min, &max)
                                     : snd_mixer_selem_get_capture_dB_range(e, &min, &max);
        if (rangeOk >= 0 && min < max) {
            const int ok = playback ? snd_mixer_selem_get_playback_dB(e, ch, &value)
                                    : snd_mixer_selem_get_capture_dB(e, ch, &value);
            return ok < 0 ? -1 : CentiDbToVolume(value, min, max);
        }
    }
    const int rangeOk = playback ? snd_mixer_selem_get_playback_volume_range(e, &min, &max)
                                 : snd_mixer_selem_get_capture_volume_range(e, &min, &max);
    const int ok = playback ? snd_mixer_selem_get_playback_volume(e, ch, &value)
                            : snd_mixer_selem_get_capture_volume(e, ch, &value);
    if (rangeOk < 0 || ok < 0)
        return -1;
    return RawToVolume(value, min, max, rawScale_);
}

int AlsaMixer::writeVolume(snd_mixer_elem_t* e, bool playback, int channel, int32_t value, VolumeScale rawScale)
{
    const auto ch = static_cast<snd_mixer_selem_channel_id_t>(channel);
    const bool all = channel == kAllChannels;
    long min = 0, max = 0;
    if (rawScale != VolumeScale::Cubic && value > 0) {
        const int rangeOk = playback ? snd_mixer_selem_get_playback_dB_range(e, &min, &max)
                                     : snd_mixer_selem_get_capture_dB_range(e, &min, &max);
        if (rangeOk >= 0 && min < max) {
            const long target = VolumeToCentiDb(value, min, max);
            if (playback)
                return all ? snd_mixer_selem_set_playback_dB_all(e, target, 1)
                           : snd_mixer_selem_set_playback_dB(e, ch, target, 1);
            return all ? snd_mixer_selem_set_capture_dB_all(e, target, 1)
                       : snd_mixer_selem_set_capture_dB(e, ch, target, 1);
        }
    }
    const int rangeOk = playback ? snd_mixer_selem_get_playback_volume_range(e, &min, &max)
                                 : snd_mixer_selem_get_capture_volume_range(e, &min, &max);
    if (rangeOk < 0)
        return rangeOk;
    const long raw = VolumeToRaw(value, min, max, rawScale);
    if (playback)
        return all ? snd_mixer_selem_set_playback_volume_all(e, raw) : snd_mixer_selem_set_playback_volume(e, ch, raw);
    return all ? snd_mixer_selem_set_capture_volume_all(e, raw) : snd_mixer_selem_set_capture_volume(e, ch, raw);
}

int AlsaMixer::readValues(TreeControl& c)
{
    if (abandoned_)
        return MMSYSERR_NODRIVER;
    const AlsaBinding& b = bindings_[c.desc.controlId - 1];
    snd_mixer_elem_t* e = b.element >= 0 ? elems_[static_cast<size_t>(b.element)] : nullptr;
    const auto ch = SND_MIXER_SCHN_FRONT_LEFT;
    if (b.element >= 0 && !e)
        return MMSYSERR_NODRIVER;
    int on = 0;
    unsigned item = 0;
    switch (b.aspect) {
    case Aspect::PlaybackVolume:
    case Aspect::CaptureVolume: {
        const int v = readVolume(e, b.aspect == Aspect::PlaybackVolume, ch);
        if (v < 0)
            return MMSYSERR_ERROR;
        c.values[0] = v;
        return MMSYSERR_NOERROR;
    }
    case Aspect::PlaybackMute:
        if (snd_mixer_selem_get_playback_switch(e, ch, &on) < 0)
            return MMSYSERR_ERROR;
        c.values[0] = on ? 0 : 1;
        return MMSYSERR_NOERROR;
    case Aspect::CaptureEnum:
        if (snd_mixer_selem_get_enum_item(e, ch, &item) < 0)
            return MMSYSERR_ERROR;
        for (size_t i = 0; i < c.values.size(); ++i)
            c.values[i] = i == item ? 1 : 0;
        return MMSYSERR_NOERROR;
    case Aspect::CaptureSwitches:
        for (size_t i = 0; i < c.values.size() && i < b.items.size(); ++i) {
            snd_mixer_elem_t* s = elems_[static_cast<size_t>(b.items[i])];
            if (!s || snd_mixer_selem_get_capture_switch(s, ch, &on) < 0)
                return MMSYSERR_ERROR;
            c.values[i] = on ? 1 : 0;
        }
        return MMSYSERR_NOERROR;
    case Aspect::Fixed: std::fill(c.values.begin(), c.values.end(), 1); return MMSYSERR_NOERROR;
    }
    return MMSYSERR_ERROR;
}

// One write to the card with everything it needs copied: a write that a
// stopped sound server holds up finishes on its own thread, after the
// caller's values are long gone.
int AlsaMixer::applyWrite(const ElementWrite& w)
{
    int rc = 0;
    switch (w.aspect) {
    case Aspect::PlaybackVolume:
    case Aspect::CaptureVolume:
    case Aspect::PlaybackMute:
        if (w.channels.empty())
            return applyChannel(w, kAllChannels, w.values[0]);
        for (size_t i = 0; i < w.channels.size() && i < w.values.size(); ++i)
            if (w.values[i] >= 0)
                rc = std::min(rc, applyChannel(w, w.channels[i], w.values[i]));
        return rc;
    case Aspect::CaptureEnum: {
        const auto item = static_cast<unsigned>(std::find(w.values.begin(), w.values.end(), 1) - w.values.begin());
        for (int ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch)
            if (snd_mixer_selem_has_capture_channel(w.element, static_cast<snd_mixer_selem_channel_id_t>(ch)) || ch == 0)
                rc = std::min(rc, snd_mixer_selem_set_enum_item(w.element, static_cast<snd_mixer_selem_channel_id_t>(ch), item));
        return rc;
    }
    case Aspect::CaptureSwitches:
        for (size_t i = 0; i < w.values.size() && i < w.switches.size(); ++i)
            if (w.switches[i])
                rc = std::min(rc, snd_mixer_selem_set_capture_switch_all(w.switches[i], w.values[i] ? 1 : 0));
        return rc;
    case Aspect::Fixed: return 0;
    }
    return rc;
}

int AlsaMixer::applyChannel(const ElementWrite& w, int channel, int32_t value)
{
    if (w.aspect == Aspect::PlaybackMute) {
        const int on = value ? 0 : 1;
        return channel == kAllChannels
            ? snd_mixer_selem_set_playback_switch_all(w.element, on)
            : snd_mixer_selem_set_playback_switch(w.element, static_cast<snd_mixer_selem_channel_id_t>(channel), on);
    }
    return writeVolume(w.element, w.aspect == Aspect::PlaybackVolume, channel, value, w.scale);
}

std::vector<int> AlsaMixer::channelsOf(snd_mixer_elem_t* e, Aspect aspect)
{
    std::vector<int> channels;
    for (int ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch) {
        const auto id = static_cast<snd_mixer_selem_channel_id_t>(ch);
        if (aspect == Aspect::CaptureVolume ? snd_mixer_selem_has_capture_channel(e, id)
                                            : snd_mixer_selem_has_playback_channel(e, id))
            channels.push_back(ch);
    }
    return channels;
}

bool AlsaMixer::perChannel(const AlsaBinding& b)
{
    return b.aspect == Aspect::PlaybackVolume || b.aspect == Aspect::CaptureVolume || b.aspect == Aspect::PlaybackMute;
}

int AlsaMixer::getChannelValues(uint32_t controlId, std::vector<int32_t>& values)
{
    TreeControl* c = tree_.control(controlId);
    if (!c)
        return MMSYSERR_INVALPARAM;
    if (abandoned_)
        return MMSYSERR_NODRIVER;
    const AlsaBinding& b = bindings_[controlId - 1];
    if (!perChannel(b))
        return MixerDevice::getChannelValues(controlId, values);
    snd_mixer_elem_t* e = elems_[static_cast<size_t>(b.element)];
    if (!e)
        return MMSYSERR_NODRIVER;
    values.clear();
    for (int ch : channelsOf(e, b.aspect)) {
        const auto id = static_cast<snd_mixer_selem_channel_id_t>(ch);
        int on = 0;
        if (b.aspect == Aspect::PlaybackMute) {
            if (snd_mixer_selem_get_playback_switch(e, id, &on) < 0)
                return MMSYSERR_ERROR;
            values.push_back(on ? 0 : 1);
            continue;
        }
        const int v = readVolume(e, b.aspect == Aspect::PlaybackVolume, ch);
        if (v < 0)
            return MMSYSERR_ERROR;
        values.push_back(v);
    }
    return values.empty() ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
}

int AlsaMixer::setChannelValues(uint32_t controlId, const std::vector<int32_t>& values)
{
    TreeControl* c = tree_.control(controlId);
    if (!c)
        return MMSYSERR_INVALPARAM;
    if (abandoned_)
        return MMSYSERR_NODRIVER;
    const AlsaBinding& b = bindings_[controlId - 1];
    if (!perChannel(b))
        return MixerDevice::setChannelValues(controlId, values);
    snd_mixer_elem_t* e = elems_[static_cast<size_t>(b.element)];
    if (!e)
        return MMSYSERR_NODRIVER;
    ElementWrite w{b.aspect, e, {}, values, rawScale_, channelsOf(e, b.aspect)};
    if (w.channels.size() != values.size())
        return MMSYSERR_INVALPARAM;
    return runWrite(w);
}

int AlsaMixer::runWrite(const ElementWrite& w)
{
    // The write goes through the sound server when there is one; a stopped
    // server would hold it, and the window with it, indefinitely.
    int rc = 0;
    if (!RunBounded([w] { return applyWrite(w); }, rc)) {
        abandon();
        return MMSYSERR_NODRIVER;
    }
    return rc < 0 ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
}

int AlsaMixer::writeValues(TreeControl& c, const int32_t* values)
{
    if (abandoned_)
        return MMSYSERR_NODRIVER;
    const AlsaBinding& b = bindings_[c.desc.controlId - 1];
    snd_mixer_elem_t* e = b.element >= 0 ? elems_[static_cast<size_t>(b.element)] : nullptr;
    if (b.element >= 0 && !e)
        return MMSYSERR_NODRIVER;
    if (b.aspect == Aspect::Fixed) {
        // Nothing on the card to switch; the program still hears back.
        notifyControlChange(c.desc.controlId);
        return MMSYSERR_NOERROR;
    }
    ElementWrite w{b.aspect, e, {}, std::vector<int32_t>(values, values + c.values.size()), rawScale_, {}};
    if (b.aspect == Aspect::CaptureEnum && std::find(w.values.begin(), w.values.end(), 1) == w.values.end())
        return MMSYSERR_INVALPARAM;
    for (int item : b.items)
        w.switches.push_back(elems_[static_cast<size_t>(item)]);
    if (const int rc = runWrite(w))
        return rc;
    std::copy(values, values + c.values.size(), c.values.begin());
    return MMSYSERR_NOERROR;
}

} // namespace korvanta
