#include "platform/mixer/AlsaMixerMap.h"

namespace korvanta {

namespace {
using Aspect = AlsaBinding::Aspect;

const QString kMaster = QStringLiteral("Master");
const QString kCapture = QStringLiteral("Capture");

QString displayName(const AlsaElement& e)
{
    return e.index ? e.name + QLatin1Char(' ') + QString::number(e.index) : e.name;
}

// Playback elements after the master: routing to outputs, not sources.
bool isOutputStage(const QString& name)
{
    static const char* const outputs[] = {"Headphone", "Speaker", "Front", "Surround", "Center", "LFE",
                                          "Side", "IEC958", "S/PDIF", "Line Out", "Master", "PC Speaker",
                                          "Beep"};
    for (const char* o : outputs)
        if (name.startsWith(QLatin1String(o), Qt::CaseInsensitive))
            return true;
    return false;
}

int findByName(const std::vector<AlsaElement>& elements, const QString& name, bool (*has)(const AlsaElement&))
{
    for (size_t i = 0; i < elements.size(); ++i)
        if (elements[i].index == 0 && elements[i].name.compare(name, Qt::CaseInsensitive) == 0 && has(elements[i]))
            return static_cast<int>(i);
    return -1;
}

bool hasCaptureVolume(const AlsaElement& e) { return e.captureVolume; }
bool hasPlaybackVolume(const AlsaElement& e) { return e.playbackVolume; }

class Builder {
public:
    explicit Builder(const std::vector<AlsaElement>& elements) : e_(elements) {}

    AlsaMixerMap build()
    {
        buildPlayback();
        buildRecording();
        map_.tree.finish();
        linkSelectorItems();
        return std::move(map_);
    }

private:
    uint32_t add(uint32_t type, const QString& name, AlsaBinding binding)
    {
        map_.bindings.push_back(std::move(binding));
        return map_.tree.addControl(type, name, 0);
    }

    uint32_t addList(uint32_t type, const QString& name, const QStringList& items, AlsaBinding binding)
    {
        map_.bindings.push_back(std::move(binding));
        return map_.tree.addListControl(type, name, items, std::vector<int32_t>(items.size(), 0));
    }

    // VOLUME and MUTE of a playback element.
    std::vector<uint32_t> playbackControls(int element)
    {
        std::vector<uint32_t> ids;
        const QString name = displayName(e_[element]);
        if (e_[element].playbackVolume)
            ids.push_back(add(MIXERCONTROL_CONTROLTYPE_VOLUME, name + QStringLiteral(" Volume"),
                              {Aspect::PlaybackVolume, element, {}}));
        if (e_[element].playbackSwitch)
            ids.push_back(add(MIXERCONTROL_CONTROLTYPE_MUTE, name + QStringLiteral(" Mute"),
                              {Aspect::PlaybackMute, element, {}}));
        return ids;
    }

    void buildPlayback()
    {
        int master = findByName(e_, kMaster, hasPlaybackVolume);
        for (size_t i = 0; master < 0 && i < e_.size(); ++i)
            if (e_[i].playbackVolume)
                master = static_cast<int>(i);
        if (master < 0)
            return;
        TreeLine speakers = MakeLine(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, QStringLiteral("Speakers"),
                                     playbackControls(master));
        for (size_t i = 0; i < e_.size(); ++i) {
            const AlsaElement& el = e_[i];
            if (static_cast<int>(i) == master || !(el.playbackVolume || el.playbackSwitch) || isOutputStage(el.name))
                continue;
            speakers.sources.push_back(
                MakeLine(SourceTypeForName(el.name), displayName(el), playbackControls(static_cast<int>(i))));
        }
        map_.tree.destinations.push_back(std::move(speakers));
    }

    // The selector: an enumerated capture element, else the elements with a
    // capture switch, else one fixed item for the capture element itself.
    void buildRecording()
    {
        const int common = findByName(e_, kCapture, hasCaptureVolume);
        QStringList items;
        uint32_t selector = 0;
        for (size_t i = 0; i < e_.size() && !selector; ++i)
            if (e_[i].captureEnum && !e_[i].enumItems.isEmpty()) {
                items = e_[i].enumItems;
                selector = addList(MIXERCONTROL_CONTROLTYPE_MUX, displayName(e_[i]), items,
                                   {Aspect::CaptureEnum, static_cast<int>(i), {}});
            }
        if (!selector) {
            std::vector<int> switches;
            for (size_t i = 0; i < e_.size(); ++i)
                if (e_[i].captureSwitch && static_cast<int>(i) != common && !e_[i].captureEnum) {
                    switches.push_back(static_cast<int>(i));
                    items << displayName(e_[i]);
                }
            if (!switches.empty())
                selector = addList(MIXERCONTROL_CONTROLTYPE_MIXER, QStringLiteral("Capture Switches"), items,
                                   {Aspect::CaptureSwitches, -1, switches});
        }
        if (!selector) {
            int capture = common;
            for (size_t i = 0; capture < 0 && i < e_.size(); ++i)
                if (e_[i].captureVolume || e_[i].captureSwitch)
                    capture = static_cast<int>(i);
            if (capture < 0)
                return;
            items = QStringList{displayName(e_[capture])};
            selector = addList(MIXERCONTROL_CONTROLTYPE_MUX, QStringLiteral("Capture Source"), items,
                               {Aspect::Fixed, capture, {}});
        }
        TreeLine recording = MakeLine(MIXERLINE_COMPONENTTYPE_DST_WAVEIN, QStringLiteral("Wave Input"), {selector});
        uint32_t commonVolume = 0;
        for (const QString& item : items) {
            std::vector<uint32_t> ids;
            int own = findByName(e_, item, hasCaptureVolume);
            if (own >= 0 && own == common) {
                own = -1;
            }
            if (own >= 0) {
                ids.push_back(add(MIXERCONTROL_CONTROLTYPE_VOLUME, item + QStringLiteral(" Capture Volume"),
                                  {Aspect::CaptureVolume, own, {}}));
            } else if (common >= 0) {
                if (!commonVolume)
                    commonVolume = add(MIXERCONTROL_CONTROLTYPE_VOLUME, QStringLiteral("Capture Volume"),
                                       {Aspect::CaptureVolume, common, {}});
                ids.push_back(commonVolume);
            }
            recording.sources.push_back(MakeLine(SourceTypeForName(item), item, std::move(ids)));
        }
        selector_ = selector;
        map_.tree.destinations.push_back(std::move(recording));
    }

    void linkSelectorItems()
    {
        if (!selector_)
            return;
        const TreeLine& recording = map_.tree.destinations.back();
        TreeControl* c = map_.tree.control(selector_);
        for (size_t i = 0; i < c->itemLines.size() && i < recording.sources.size(); ++i)
            c->itemLines[i] = recording.sources[i].desc.lineId;
    }

    const std::vector<AlsaElement>& e_;
    AlsaMixerMap map_;
    uint32_t selector_ = 0;
};
} // namespace

uint32_t SourceTypeForName(const QString& name)
{
    const struct {
        const char* word;
        uint32_t type;
    } words[] = {{"PCM", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT},    {"Wave", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT},
                 {"Line", MIXERLINE_COMPONENTTYPE_SRC_LINE},      {"Mic", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE},
                 {"CD", MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC}, {"Aux", MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY}};
    for (const auto& w : words)
        if (name.contains(QLatin1String(w.word), Qt::CaseInsensitive))
            return w.type;
    return MIXERLINE_COMPONENTTYPE_SRC_ANALOG;
}

AlsaMixerMap MapAlsaElements(const std::vector<AlsaElement>& elements) { return Builder(elements).build(); }

} // namespace korvanta
