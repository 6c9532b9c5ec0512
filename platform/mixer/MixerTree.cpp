#include "platform/mixer/MixerTree.h"

#include "platform/audio/WaveTypes.h"

#include <QCoreApplication>

namespace korvanta {

namespace {
// Line IDs: destination index in the high word, source index (or 0xFFFF for
// the destination itself) in the low word.
constexpr uint32_t kDestinationLow = 0xFFFF;

uint32_t lineIdOf(uint32_t destination, uint32_t source) { return (destination << 16) | source; }

MixerControl describe(uint32_t id, uint32_t type, const QString& name, uint32_t items)
{
    MixerControl c;
    c.controlId = id;
    c.controlType = type;
    c.items = items;
    c.flags = MIXERCONTROL_CONTROLF_UNIFORM | (items ? MIXERCONTROL_CONTROLF_MULTIPLE : 0u);
    c.name = name.left(kMixerNameChars);
    c.shortName = name.left(16);
    const bool switchLike = type == MIXERCONTROL_CONTROLTYPE_MUTE || items > 0;
    c.maximum = switchLike ? 1 : kMixerVolumeMax;
    c.steps = switchLike ? 0 : kMixerVolumeMax + 1u;
    return c;
}
} // namespace

void MixerDevice::notifyControlChange(uint32_t controlId) const
{
    if (callback_)
        QCoreApplication::postEvent(callback_, new MixerChangeEvent(MM_MIXM_CONTROL_CHANGE, controlId));
}

uint32_t MixerTree::addControl(uint32_t type, const QString& name, int32_t value)
{
    const auto id = static_cast<uint32_t>(controls.size() + 1);
    controls.push_back(TreeControl{describe(id, type, name, 0), {}, {}, {value}});
    return id;
}

uint32_t MixerTree::addListControl(uint32_t type, const QString& name, const QStringList& items,
                                   const std::vector<int32_t>& values)
{
    const auto id = static_cast<uint32_t>(controls.size() + 1);
    TreeControl c{describe(id, type, name, static_cast<uint32_t>(items.size())), items,
                  std::vector<uint32_t>(items.size(), 0), values};
    c.values.resize(items.size(), 0);
    controls.push_back(std::move(c));
    return id;
}

TreeControl* MixerTree::control(uint32_t id)
{
    return id >= 1 && id <= controls.size() ? &controls[id - 1] : nullptr;
}

const TreeControl* MixerTree::control(uint32_t id) const
{
    return id >= 1 && id <= controls.size() ? &controls[id - 1] : nullptr;
}

void MixerTree::finish()
{
    caps.destinations = static_cast<uint32_t>(destinations.size());
    for (uint32_t d = 0; d < destinations.size(); ++d) {
        TreeLine& dst = destinations[d];
        dst.desc.destination = d;
        dst.desc.source = 0;
        dst.desc.lineId = lineIdOf(d, kDestinationLow);
        dst.desc.flags &= ~MIXERLINE_LINEF_SOURCE;
        dst.desc.connections = static_cast<uint32_t>(dst.sources.size());
        dst.desc.controls = static_cast<uint32_t>(dst.controlIds.size());
        for (uint32_t s = 0; s < dst.sources.size(); ++s) {
            MixerLine& src = dst.sources[s].desc;
            src.destination = d;
            src.source = s;
            src.lineId = lineIdOf(d, s);
            src.flags |= MIXERLINE_LINEF_SOURCE;
            src.connections = 0;
            src.controls = static_cast<uint32_t>(dst.sources[s].controlIds.size());
        }
    }
}

TreeLine MakeLine(uint32_t componentType, const QString& name, std::vector<uint32_t> controlIds, bool active)
{
    TreeLine line;
    line.desc.componentType = componentType;
    line.desc.name = name.left(kMixerNameChars);
    line.desc.shortName = name.left(16);
    line.desc.flags = active ? MIXERLINE_LINEF_ACTIVE : 0u;
    line.controlIds = std::move(controlIds);
    return line;
}

// --- TreeMixer ------------------------------------------------------------------

int TreeMixer::getDevCaps(MixerCaps& caps)
{
    caps = tree_.caps;
    return MMSYSERR_NOERROR;
}

int TreeMixer::getLineInfoDestination(uint32_t destination, MixerLine& line)
{
    if (destination >= tree_.destinations.size())
        return MMSYSERR_INVALPARAM;
    line = tree_.destinations[destination].desc;
    return MMSYSERR_NOERROR;
}

int TreeMixer::getLineInfoSource(uint32_t destination, uint32_t source, MixerLine& line)
{
    if (destination >= tree_.destinations.size() || source >= tree_.destinations[destination].sources.size())
        return MMSYSERR_INVALPARAM;
    line = tree_.destinations[destination].sources[source].desc;
    return MMSYSERR_NOERROR;
}

const TreeLine* TreeMixer::findLine(uint32_t lineId) const
{
    for (const TreeLine& d : tree_.destinations) {
        if (d.desc.lineId == lineId)
            return &d;
        for (const TreeLine& s : d.sources)
            if (s.desc.lineId == lineId)
                return &s;
    }
    return nullptr;
}

int TreeMixer::getLineControls(uint32_t lineId, uint32_t count, std::vector<MixerControl>& controls)
{
    const TreeLine* line = findLine(lineId);
    if (!line)
        return MMSYSERR_INVALPARAM;
    controls.clear();
    for (uint32_t id : line->controlIds) {
        if (controls.size() >= count)
            break;
        controls.push_back(tree_.control(id)->desc);
    }
    return MMSYSERR_NOERROR;
}

int TreeMixer::readValues(TreeControl&) { return MMSYSERR_NOERROR; }

int TreeMixer::writeValues(TreeControl& control, const int32_t* values)
{
    std::copy(values, values + control.values.size(), control.values.begin());
    return MMSYSERR_NOERROR;
}

int TreeMixer::getControlValues(uint32_t controlId, uint32_t count, int32_t* values)
{
    TreeControl* c = tree_.control(controlId);
    if (!c || count == 0)
        return MMSYSERR_INVALPARAM;
    if (const int rc = readValues(*c))
        return rc;
    for (uint32_t i = 0; i < count; ++i)
        values[i] = i < c->values.size() ? c->values[i] : 0;
    return MMSYSERR_NOERROR;
}

int TreeMixer::getListTexts(uint32_t controlId, uint32_t count, std::vector<MixerListText>& texts)
{
    const TreeControl* c = tree_.control(controlId);
    if (!c || c->desc.items == 0)
        return MMSYSERR_INVALPARAM;
    texts.clear();
    for (uint32_t i = 0; i < count && i < c->desc.items; ++i)
        texts.push_back(MixerListText{c->itemLines[i], 0, c->itemNames[i]});
    return MMSYSERR_NOERROR;
}

int TreeMixer::setControlValues(uint32_t controlId, uint32_t count, const int32_t* values)
{
    TreeControl* c = tree_.control(controlId);
    if (!c || count == 0 || count > c->values.size())
        return MMSYSERR_INVALPARAM;
    // Items beyond those given (a caller that keeps fewer) are off.
    std::vector<int32_t> all(c->values.size(), 0);
    std::copy(values, values + count, all.begin());
    // Like a driver, only a change is announced.
    const bool changed = all != c->values;
    if (const int rc = writeValues(*c, all.data()))
        return rc;
    writes_.resize(tree_.controls.size(), 0);
    ++writes_[controlId - 1];
    valuesChanged(*c);
    if (notifyOwnWrites_ && changed)
        notifyControlChange(controlId);
    return MMSYSERR_NOERROR;
}

int TreeMixer::changeFromOutside(uint32_t controlId, const std::vector<int32_t>& values)
{
    TreeControl* c = tree_.control(controlId);
    if (!c || values.size() != c->values.size())
        return MMSYSERR_INVALPARAM;
    if (const int rc = writeValues(*c, values.data()))
        return rc;
    valuesChanged(*c);
    notifyControlChange(controlId);
    return MMSYSERR_NOERROR;
}

int TreeMixer::writeCount(uint32_t controlId) const
{
    return controlId >= 1 && controlId <= writes_.size() ? writes_[controlId - 1] : 0;
}

} // namespace korvanta
