#pragma once
// The mixer's vocabulary, shaped like the classic multimedia mixer so the
// mixer model reads the way its design does: one device with destination
// lines (speakers, wave input), each with its own controls and its source
// lines; controls of a type (MUX, MIXER, VOLUME, MUTE ...) whose values are
// 0 .. 65535 (volumes) or 0/1 (switches, list items).

#include <QString>
#include <cstdint>

namespace korvanta {

// Component types of destination lines.
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_SPEAKERS = 4;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_WAVEIN = 7;
// Component types of source lines.
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_FIRST = 0x1000;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_LINE = 0x1002;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE = 0x1003;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC = 0x1005;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT = 0x1008;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY = 0x1009;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_ANALOG = 0x100A;

// Line flags.
inline constexpr uint32_t MIXERLINE_LINEF_ACTIVE = 0x1;
inline constexpr uint32_t MIXERLINE_LINEF_SOURCE = 0x80000000u;

// Control types.
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MUX = 0x70010001;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MIXER = 0x71010001;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_FADER = 0x50030000;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_BASS = 0x50030002;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_TREBLE = 0x50030003;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_EQUALIZER = 0x50030004;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MUTE = 0x20010002;

// Control flags: one value for all channels; a list of items.
inline constexpr uint32_t MIXERCONTROL_CONTROLF_UNIFORM = 0x1;
inline constexpr uint32_t MIXERCONTROL_CONTROLF_MULTIPLE = 0x2;

// Full scale of a volume-like control.
inline constexpr int32_t kMixerVolumeMax = 65535;

// Longest name a line, control or list item carries.
inline constexpr int kMixerNameChars = 64;

struct MixerCaps {
    QString name;
    uint32_t destinations = 0;
    // The playback master is a sound server's volume that every program on
    // the desktop shares (PulseAudio/PipeWire), not a card of our own.
    bool sharedMaster = false;
};

struct MixerLine {
    uint32_t destination = 0;    // index of the destination
    uint32_t source = 0;         // index of the source within it
    uint32_t lineId = 0;
    uint32_t flags = 0;          // MIXERLINE_LINEF_*
    uint32_t user = 0;
    uint32_t componentType = 0;  // MIXERLINE_COMPONENTTYPE_*
    uint32_t channels = 2;
    uint32_t connections = 0;    // source lines of a destination
    uint32_t controls = 0;
    QString shortName;
    QString name;
};

struct MixerControl {
    uint32_t controlId = 0;
    uint32_t controlType = 0;
    uint32_t flags = MIXERCONTROL_CONTROLF_UNIFORM;
    uint32_t items = 0;          // list items of a MUX or MIXER, else 0
    QString shortName;
    QString name;
    int32_t minimum = 0;
    int32_t maximum = kMixerVolumeMax;
    uint32_t steps = 0;
};

struct MixerListText {
    uint32_t param1 = 0;         // line ID of the source the item stands for
    uint32_t param2 = 0;
    QString name;
};

inline bool IsSelectorType(uint32_t type)
{
    return type == MIXERCONTROL_CONTROLTYPE_MUX || type == MIXERCONTROL_CONTROLTYPE_MIXER;
}

} // namespace korvanta
