#pragma once
// The virtual card's mixer: the classic tree in memory, acting on the
// loopback signal so that every level the program sets is measurable.
//
// Speakers: "Master Volume" and "Master Mute" and the source "Wave Out"
// scale what the virtual output plays (value / 65535, linear amplitude);
// "Line", "Microphone" and "CD" play sources exist but carry nothing.
// Wave input: the MUX "Recording Source" with "Microphone", "Line In", "CD"
// and "Stereo Mix". Only "Line In" is wired to the device under test; the
// others hear a noise floor. The selected source's volume is the card's
// input volume (65535 = unity), multiplied with the DUT's own `volume=`.
//
// One per process, like the card. A fresh one is at unity with "Line In"
// selected. Tests change controls "from outside" with changeFromOutside().
// GUI thread only.

#include "platform/mixer/MixerTree.h"

namespace korvanta {

class VirtualMixer : public TreeMixer {
public:
    static VirtualMixer& instance();

    // Back to a fresh mixer (no callback, unity, "Line In").
    void reset();

    // IDs of the controls, for tests and scripts.
    struct Ids {
        uint32_t masterVolume = 0, masterMute = 0;
        uint32_t waveOutVolume = 0, waveOutMute = 0;
        uint32_t recordingSource = 0;       // the MUX
        uint32_t sourceVolume[4] = {};      // Microphone, Line In, CD, Stereo Mix
    };
    const Ids& ids() const { return ids_; }

    // Index of "Line In" among the recording sources.
    static constexpr int kLineInSource = 1;

protected:
    void valuesChanged(const TreeControl&) override;

private:
    VirtualMixer();
    void build();
    // Pushes the gains of the current values to the virtual card.
    void applyToCard();

    Ids ids_;
};

} // namespace korvanta
