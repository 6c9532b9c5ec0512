#pragma once
// In-memory mixers for the model and window tests: a card with a speakers
// destination (master, tone and mute controls, play sources) and a wave
// input with a source selector and one volume per source.

#include "platform/mixer/MixerTree.h"

#include <QStringList>

using namespace korvanta;

struct TestCard {
    bool speakersActive = true;
    bool withRecording = true;
    uint32_t selectorType = MIXERCONTROL_CONTROLTYPE_MUX;
    QStringList sources = {QStringLiteral("Microphone"), QStringLiteral("Line"), QStringLiteral("CD")};
    std::vector<uint32_t> sourceTypes = {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, MIXERLINE_COMPONENTTYPE_SRC_LINE,
                                         MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC};
    int selected = 0;
    // All recording sources share one volume control (a common "Capture").
    bool sharedVolume = false;
};

// IDs of the controls a test card has.
struct TestIds {
    uint32_t master = 0, masterMute = 0, bass = 0, treble = 0, equalizer = 0;
    std::vector<uint32_t> playVolume, playMute;     // Wave Out, Line, CD
    uint32_t selector = 0;
    std::vector<uint32_t> sourceVolume;             // per recording source
};

inline MixerTree BuildTestTree(const TestCard& card, TestIds& ids)
{
    MixerTree t;
    t.caps.name = QStringLiteral("test card");
    ids.master = t.addControl(MIXERCONTROL_CONTROLTYPE_VOLUME, QStringLiteral("Master Volume"), 40000);
    ids.masterMute = t.addControl(MIXERCONTROL_CONTROLTYPE_MUTE, QStringLiteral("Master Mute"), 1);
    ids.bass = t.addControl(MIXERCONTROL_CONTROLTYPE_BASS, QStringLiteral("Bass"), 100);
    ids.treble = t.addControl(MIXERCONTROL_CONTROLTYPE_TREBLE, QStringLiteral("Treble"), 200);
    ids.equalizer = t.addControl(MIXERCONTROL_CONTROLTYPE_EQUALIZER, QStringLiteral("Equalizer"), 300);
    TreeLine speakers = MakeLine(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, QStringLiteral("Speakers"),
                                 {ids.master, ids.masterMute, ids.bass, ids.treble, ids.equalizer},
                                 card.speakersActive);
    const std::pair<uint32_t, const char*> plays[] = {{MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, "Wave Out"},
                                                      {MIXERLINE_COMPONENTTYPE_SRC_LINE, "Line"},
                                                      {MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, "CD"}};
    for (const auto& [type, name] : plays) {
        ids.playVolume.push_back(t.addControl(MIXERCONTROL_CONTROLTYPE_VOLUME, QLatin1String(name), 20000));
        ids.playMute.push_back(t.addControl(MIXERCONTROL_CONTROLTYPE_MUTE, QLatin1String(name), 0));
        speakers.sources.push_back(MakeLine(type, QLatin1String(name), {ids.playVolume.back(), ids.playMute.back()}));
    }
    t.destinations.push_back(std::move(speakers));
    if (card.withRecording) {
        std::vector<int32_t> values(card.sources.size(), 0);
        if (card.selected >= 0 && card.selected < card.sources.size())
            values[card.selected] = 1;
        ids.selector = t.addListControl(card.selectorType, QStringLiteral("Recording Source"), card.sources, values);
        TreeLine recording = MakeLine(MIXERLINE_COMPONENTTYPE_DST_WAVEIN, QStringLiteral("Recording"), {ids.selector});
        uint32_t shared = 0;
        for (int i = 0; i < card.sources.size(); ++i) {
            uint32_t vol = shared;
            if (!vol)
                vol = t.addControl(MIXERCONTROL_CONTROLTYPE_VOLUME, card.sources[i] + QStringLiteral(" Volume"), 50000);
            if (card.sharedVolume)
                shared = vol;
            ids.sourceVolume.push_back(vol);
            const uint32_t type = i < int(card.sourceTypes.size()) ? card.sourceTypes[i] : MIXERLINE_COMPONENTTYPE_SRC_ANALOG;
            recording.sources.push_back(MakeLine(type, card.sources[i], {vol}));
        }
        t.destinations.push_back(std::move(recording));
    }
    t.finish();
    return t;
}

inline int32_t ValueOf(const TreeMixer& m, uint32_t id) { return m.tree().control(id)->values[0]; }
inline std::vector<int32_t> ValuesOf(const TreeMixer& m, uint32_t id) { return m.tree().control(id)->values; }
