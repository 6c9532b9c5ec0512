#pragma once
// How ALSA's simple-mixer elements become the classic mixer tree. A plain
// function of the element list, so the mapping is tested with the element
// lists of real cards without the cards.
//
// Playback destination ("Speakers"): its VOLUME and MUTE come from "Master"
// (else the first playback element with a volume). Every other playback
// element that feeds the output mix is a source line whose component type
// follows its name ("PCM"/"Wave" wave output, "Line", "Mic", "CD", "Aux",
// else analog); output stages after the master (headphone, speaker, front
// ...) are left out, so preparing the playback path never silences them.
// MUTE is the inverse of a playback switch.
//
// Recording destination ("Wave Input"): its selector is an enumerated
// capture element as a MUX with the enum's items; where elements carry
// capture switches instead, they are the items of a MIXER (the switch is the
// item value). A card with neither (a sound server offers only "Capture")
// gets a one-item selector named after its capture element, which nothing
// can switch off. Each item is a source line whose VOLUME is the capture
// volume of the element of that name, else the common "Capture" volume; a
// shared volume is one control with one ID.

#include "platform/mixer/MixerTree.h"

namespace korvanta {

struct AlsaElement {
    QString name;
    unsigned index = 0;
    bool playbackVolume = false;
    bool playbackSwitch = false;
    bool captureVolume = false;
    bool captureSwitch = false;
    bool captureEnum = false;    // an enumerated capture element
    QStringList enumItems;
};

// What a control of the tree does on the card.
struct AlsaBinding {
    enum class Aspect { PlaybackVolume, PlaybackMute, CaptureVolume, CaptureEnum, CaptureSwitches, Fixed };
    Aspect aspect = Aspect::Fixed;
    int element = -1;            // index into the element list
    std::vector<int> items;      // CaptureSwitches: the element of each item
};

struct AlsaMixerMap {
    MixerTree tree;
    std::vector<AlsaBinding> bindings;  // bindings[id - 1] for control ID id
};

// Builds the tree (with the speakers and wave-input destinations as far as
// the card has them) and the binding of every control. Values are left at
// zero; the mixer reads them from the card.
AlsaMixerMap MapAlsaElements(const std::vector<AlsaElement>& elements);

// Component type of a source line named after an element.
uint32_t SourceTypeForName(const QString& name);

} // namespace korvanta
