// ALSA's simple-mixer elements as the classic mixer tree, and the volume law
// that turns the program's mixer values into a control's own scale.

#include "platform/mixer/AlsaMixerMap.h"
#include "platform/mixer/VolumeLaw.h"

#include <QStringList>
#include <cmath>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {
// Elements described as "name:caps" with caps from p (playback volume),
// P (playback switch), c (capture volume), C (capture switch) and
// e=item|item (an enumerated capture element).
std::vector<AlsaElement> elements(const QStringList& specs)
{
    std::vector<AlsaElement> list;
    for (const QString& spec : specs) {
        AlsaElement e;
        e.name = spec.section(':', 0, 0);
        const QString caps = spec.section(':', 1);
        if (caps.startsWith("e=")) {
            e.captureEnum = true;
            e.enumItems = caps.mid(2).split('|');
        } else {
            e.playbackVolume = caps.contains('p');
            e.playbackSwitch = caps.contains('P');
            e.captureVolume = caps.contains('c');
            e.captureSwitch = caps.contains('C');
        }
        list.push_back(e);
    }
    return list;
}

QString typeText(const MixerControl& c)
{
    switch (c.controlType) {
    case MIXERCONTROL_CONTROLTYPE_VOLUME: return "VOLUME";
    case MIXERCONTROL_CONTROLTYPE_MUTE: return "MUTE";
    case MIXERCONTROL_CONTROLTYPE_MUX: return "MUX";
    case MIXERCONTROL_CONTROLTYPE_MIXER: return "MIXER";
    default: return "?";
    }
}

// One line per tree line: "name type: control#id TYPE[items], ...".
QString lineText(const MixerTree& t, const TreeLine& line, int indent)
{
    QStringList controls;
    for (uint32_t id : line.controlIds) {
        const TreeControl& c = *t.control(id);
        QString s = QStringLiteral("#%1 %2").arg(id).arg(typeText(c.desc));
        if (c.desc.items)
            s += "[" + c.itemNames.join('|') + "]";
        controls << s;
    }
    return QString(indent, ' ') + line.desc.name + " " + QString::number(line.desc.componentType, 16) + ": "
        + controls.join(", ");
}

QStringList treeText(const MixerTree& t)
{
    QStringList out;
    for (const TreeLine& d : t.destinations) {
        out << lineText(t, d, 0);
        for (const TreeLine& s : d.sources)
            out << lineText(t, s, 2);
    }
    return out;
}
} // namespace

TEST(AlsaMixerMapping, CardsBecomeTheClassicTree)
{
    const struct {
        const char* card;
        QStringList elements;
        QStringList tree;
    } cases[] = {
        {"onboard codec",
         {"Master:pP", "Headphone:pP", "PCM:pP", "Line:pPc", "Mic:pPc", "CD:pP", "Capture:cC",
          "Capture Source:e=Mic|Line|CD|Mix"},
         {"Speakers 4: #1 VOLUME, #2 MUTE",
          "  PCM 1008: #3 VOLUME, #4 MUTE",
          "  Line 1002: #5 VOLUME, #6 MUTE",
          "  Mic 1003: #7 VOLUME, #8 MUTE",
          "  CD 1005: #9 VOLUME, #10 MUTE",
          "Wave Input 7: #11 MUX[Mic|Line|CD|Mix]",
          "  Mic 1003: #12 VOLUME",
          "  Line 1002: #13 VOLUME",
          "  CD 1005: #14 VOLUME",
          "  Mix 100a: #14 VOLUME"}},
        {"USB interface with capture switches only",
         {"PCM:pP", "Mic:C", "Line:C", "Capture:c"},
         {"Speakers 4: #1 VOLUME, #2 MUTE",
          "Wave Input 7: #3 MIXER[Mic|Line]",
          "  Mic 1003: #4 VOLUME",
          "  Line 1002: #4 VOLUME"}},
        {"sound server", {"Master:pP", "Capture:cC"},
         {"Speakers 4: #1 VOLUME, #2 MUTE",
          "Wave Input 7: #3 MUX[Capture]",
          "  Capture 100a: #4 VOLUME"}},
        {"playback only", {"Master:p"}, {"Speakers 4: #1 VOLUME"}},
    };
    for (const auto& c : cases) {
        const AlsaMixerMap map = MapAlsaElements(elements(c.elements));
        EXPECT_EQ(treeText(map.tree), c.tree) << c.card;
        EXPECT_EQ(map.bindings.size(), map.tree.controls.size()) << c.card;
    }
}

TEST(AlsaMixerMapping, ControlsAreBoundToTheirElements)
{
    const std::vector<AlsaElement> list =
        elements({"Master:pP", "PCM:pP", "Mic:pPc", "Capture:cC", "Capture Source:e=Mic|Line"});
    const AlsaMixerMap map = MapAlsaElements(list);
    using A = AlsaBinding::Aspect;
    const struct {
        uint32_t id;
        A aspect;
        int element;
    } cases[] = {{1, A::PlaybackVolume, 0}, {2, A::PlaybackMute, 0}, {3, A::PlaybackVolume, 1},
                 {4, A::PlaybackMute, 1},   {5, A::PlaybackVolume, 2}, {6, A::PlaybackMute, 2},
                 {7, A::CaptureEnum, 4},    {8, A::CaptureVolume, 2},  {9, A::CaptureVolume, 3}};
    for (const auto& c : cases) {
        EXPECT_EQ(map.bindings[c.id - 1].aspect, c.aspect) << c.id;
        EXPECT_EQ(map.bindings[c.id - 1].element, c.element) << c.id;
    }
    // The selector's items stand for the recording source lines.
    const TreeControl& mux = *map.tree.control(7);
    EXPECT_EQ(mux.itemLines[1], map.tree.destinations[1].sources[1].desc.lineId);
    EXPECT_TRUE(map.tree.destinations[1].sources[1].desc.flags & MIXERLINE_LINEF_SOURCE);
    EXPECT_EQ(map.tree.destinations[0].desc.connections, 2u);
}

TEST(VolumeLaw, PercentMeansAmplitudeOnEveryScale)
{
    const struct {
        int32_t value;
        double db;          // below the top
        long linearRaw;     // on 0 .. 100
        long cubicRaw;      // on 0 .. 65536 (PulseAudio's 100 %)
    } cases[] = {
        {65535, 0.0, 100, 65536},
        {32767, -6.02, 50, 52016},
        {13107, -13.98, 20, 38326},   // a linear raw 13107 would be -42 dB on the server
        {655, -40.0, 1, 14117},
        {0, -INFINITY, 0, 0},
    };
    for (const auto& c : cases) {
        if (std::isfinite(c.db))
            EXPECT_NEAR(VolumeToDb(c.value), c.db, 0.01) << c.value;
        else
            EXPECT_TRUE(std::isinf(VolumeToDb(c.value)));
        EXPECT_EQ(VolumeToRaw(c.value, 0, 100, VolumeScale::Linear), c.linearRaw) << c.value;
        EXPECT_NEAR(VolumeToRaw(c.value, 0, 65536, VolumeScale::Cubic), c.cubicRaw, 1) << c.value;
        EXPECT_NEAR(RawToVolume(VolumeToRaw(c.value, 0, 65536, VolumeScale::Cubic), 0, 65536, VolumeScale::Cubic),
                    c.value, 3)
            << c.value;
    }
    EXPECT_NEAR(20 * std::log10(std::pow(13107.0 / 65535, 3)), -41.9, 0.1) << "why the cubic scale matters";
}

TEST(VolumeLaw, DecibelRangesCountFromTheirTop)
{
    // A playback range of -65.25 .. 0 dB and a capture range of -17.25 .. +30 dB.
    const struct {
        int32_t value;
        long minDb, maxDb, centiDb;
    } cases[] = {
        {65535, -6525, 0, 0},       {13107, -6525, 0, -1398}, {32767, -1725, 3000, 2398},
        {1, -6525, 0, -6525},       {0, -6525, 0, -6525},     {65535, -1725, 3000, 3000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VolumeToCentiDb(c.value, c.minDb, c.maxDb), c.centiDb) << c.value << " " << c.maxDb;
        if (c.value > 0 && c.centiDb > c.minDb) {
            EXPECT_NEAR(CentiDbToVolume(c.centiDb, c.minDb, c.maxDb), c.value, c.value * 0.0006 + 1) << "within 0.005 dB";
        }
    }
    EXPECT_EQ(CentiDbToVolume(-9999999, -9999999, 0), 0) << "a muting bottom is silence";
}
