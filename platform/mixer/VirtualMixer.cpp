#include "platform/mixer/VirtualMixer.h"

#include "platform/audio/virtual/VirtualCard.h"

namespace korvanta {

namespace {
const QStringList kRecordingSources = {QStringLiteral("Microphone"), QStringLiteral("Line In"),
                                       QStringLiteral("CD"), QStringLiteral("Stereo Mix")};
const uint32_t kRecordingTypes[] = {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, MIXERLINE_COMPONENTTYPE_SRC_LINE,
                                    MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, MIXERLINE_COMPONENTTYPE_SRC_ANALOG};

double gainOf(int32_t value) { return static_cast<double>(value) / kMixerVolumeMax; }
} // namespace

VirtualMixer& VirtualMixer::instance()
{
    static VirtualMixer mixer;
    return mixer;
}

VirtualMixer::VirtualMixer() : TreeMixer(MixerTree{}) { build(); }

void VirtualMixer::reset()
{
    setCallback(nullptr);
    tree_ = MixerTree{};
    build();
}

void VirtualMixer::build()
{
    MixerTree& t = tree_;
    t.caps.name = QStringLiteral("Korvanta virtual card mixer");
    Ids& id = ids_;
    id.masterVolume = t.addControl(MIXERCONTROL_CONTROLTYPE_VOLUME, QStringLiteral("Master Volume"), kMixerVolumeMax);
    id.masterMute = t.addControl(MIXERCONTROL_CONTROLTYPE_MUTE, QStringLiteral("Master Mute"), 0);
    TreeLine speakers = MakeLine(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, QStringLiteral("Speakers"),
                                 {id.masterVolume, id.masterMute});
    const struct {
        uint32_t type;
        const char* name;
    } playSources[] = {{MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, "Wave Out"},
                       {MIXERLINE_COMPONENTTYPE_SRC_LINE, "Line"},
                       {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, "Microphone"},
                       {MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, "CD"}};
    for (const auto& p : playSources) {
        const QString name = QLatin1String(p.name);
        const uint32_t vol = t.addControl(MIXERCONTROL_CONTROLTYPE_VOLUME, name + QStringLiteral(" Volume"),
                                          kMixerVolumeMax);
        const uint32_t mute = t.addControl(MIXERCONTROL_CONTROLTYPE_MUTE, name + QStringLiteral(" Mute"), 0);
        if (p.type == MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT) {
            id.waveOutVolume = vol;
            id.waveOutMute = mute;
        }
        speakers.sources.push_back(MakeLine(p.type, name, {vol, mute}));
    }
    id.recordingSource = t.addListControl(MIXERCONTROL_CONTROLTYPE_MUX, QStringLiteral("Recording Source"),
                                          kRecordingSources, {0, 1, 0, 0});
    TreeLine recording = MakeLine(MIXERLINE_COMPONENTTYPE_DST_WAVEIN, QStringLiteral("Recording Control"),
                                  {id.recordingSource});
    for (int i = 0; i < kRecordingSources.size(); ++i) {
        id.sourceVolume[i] = t.addControl(MIXERCONTROL_CONTROLTYPE_VOLUME,
                                          kRecordingSources[i] + QStringLiteral(" Volume"), kMixerVolumeMax);
        recording.sources.push_back(MakeLine(kRecordingTypes[i], kRecordingSources[i], {id.sourceVolume[i]}));
    }
    t.destinations = {std::move(speakers), std::move(recording)};
    t.finish();
    // The selector's items stand for the source lines.
    TreeControl* mux = t.control(id.recordingSource);
    for (size_t i = 0; i < mux->itemLines.size(); ++i)
        mux->itemLines[i] = t.destinations[1].sources[i].desc.lineId;
    applyToCard();
}

void VirtualMixer::valuesChanged(const TreeControl&) { applyToCard(); }

void VirtualMixer::applyToCard()
{
    const MixerTree& t = tree_;
    auto value = [&t](uint32_t id) { return t.control(id)->values[0]; };
    const bool muted = value(ids_.masterMute) != 0 || value(ids_.waveOutMute) != 0;
    const double play = muted ? 0.0 : gainOf(value(ids_.masterVolume)) * gainOf(value(ids_.waveOutVolume));
    // The first selected item is the source the input hears.
    const std::vector<int32_t>& selected = t.control(ids_.recordingSource)->values;
    int source = -1;
    for (size_t i = 0; i < selected.size() && source < 0; ++i)
        if (selected[i])
            source = static_cast<int>(i);
    const double input = source >= 0 ? gainOf(value(ids_.sourceVolume[source])) : 0.0;
    VirtualCard::instance().setMixerPath(play, input, source == kLineInSource);
}

} // namespace korvanta
