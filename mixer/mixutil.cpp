#include "mixer/mixutil.h"

#include "platform/DeviceLog.h"
#include "mixer/MixerGiveBack.h"

#include <algorithm>
#include <vector>

namespace korvanta {

namespace {
int& traceCount()
{
    static int count = 0;
    return count;
}
} // namespace

int MixerTraceCount() { return traceCount(); }
void ResetMixerTraceCount() { traceCount() = 0; }

QString ComponentName(uint32_t type, bool source)
{
    static const char* const destinations[] = {"Undefined  ", "Digital    ", "Line Level ", "Monitor    ",
                                               "Speakers   ", "Headphones ", "Telephone  ", "Wave Input ",
                                               "Voice Reco."};
    static const char* const sources[] = {"Undefined   ", "Digital     ", "Line        ", "Microphone  ",
                                          "Synthesizer ", "Compact Disc", "Telephone   ", "PC Speaker  ",
                                          "Wave Out    ", "Auxiliary   ", "Analog      "};
    if (source) {
        const uint32_t i = type - MIXERLINE_COMPONENTTYPE_SRC_FIRST;
        return QLatin1String(type >= MIXERLINE_COMPONENTTYPE_SRC_FIRST && i < std::size(sources) ? sources[i]
                                                                                                  : "INVALID     ");
    }
    return QLatin1String(type < std::size(destinations) ? destinations[type] : "INVALID    ");
}

// --- TsrcCtr --------------------------------------------------------------------

TsrcCtr::TsrcCtr(MixerDevice* mixer, const MixerControl& control) : mixer_(mixer), control_(control)
{
    ItemCount = static_cast<int32_t>(std::min<uint32_t>(control.items, kMixerSlots));
    Refresh();
    found_ = readNow();
}

TsrcCtr::~TsrcCtr() { WriteBack(); }

void TsrcCtr::trace(const QString& line)
{
    if (traceCount() < kMaxControlTraces)
        devlog::Append(line.left(kTraceLineChars));
    ++traceCount();
}

void TsrcCtr::Refresh()
{
    QString line = QStringLiteral("MixContr ") + control_.name;
    if (ItemCount > 0) {
        std::array<int32_t, kMixerSlots> values{};
        std::vector<MixerListText> texts;
        const auto n = static_cast<uint32_t>(ItemCount);
        if (mixer_->getControlValues(control_.controlId, n, values.data()) == 0)
            ItemValues = values;
        if (mixer_->getListTexts(control_.controlId, n, texts) == 0)
            for (size_t i = 0; i < texts.size() && i < n; ++i) {
                ItemTexts[i] = texts[i];
                ItemNames[i] = texts[i].name.left(kItemNameChars);
            }
        for (int i = 0; i < ItemCount; ++i)
            line += QStringLiteral("  ") + ItemTexts[i].name + QLatin1Char('-') + QString::number(ItemValues[i]);
    } else {
        int32_t value = 0;
        if (mixer_->getControlValues(control_.controlId, 1, &value) == 0)
            SingleValue = value;
        line += QStringLiteral("  v:") + QString::number(SingleValue);
    }
    trace(line);
}

std::vector<int32_t> TsrcCtr::readNow() const
{
    std::vector<int32_t> values;
    if (ItemCount > 0) {
        values.resize(static_cast<size_t>(ItemCount));
        if (mixer_->getControlValues(control_.controlId, static_cast<uint32_t>(ItemCount), values.data()) != 0)
            values.clear();
    } else if (mixer_->getChannelValues(control_.controlId, values) != 0) {
        values.clear();
    }
    return values;
}

void TsrcCtr::write(const int32_t* values, uint32_t count)
{
    changed_ = true;
    const std::vector<int32_t> before = readNow();
    mixer_->setControlValues(control_.controlId, count, values);
    // What the control made of the write is the mark by which the give-back
    // tells the program's value from one set elsewhere later. A write that
    // changes nothing (the level the user set elsewhere, written again at an
    // activation) leaves that value the user's.
    const std::vector<int32_t> after = readNow();
    if (after != before)
        afterWrite_ = after;
}

void TsrcCtr::SelectItem(int index)
{
    ItemValues.fill(0);
    if (index >= 0 && index < kMixerSlots)
        ItemValues[static_cast<size_t>(index)] = 1;
    write(ItemValues.data(), static_cast<uint32_t>(ItemCount));
}

void TsrcCtr::SetValue(uint16_t value)
{
    const int32_t v = value;
    write(&v, 1);
}

void TsrcCtr::SetOnOff(bool on)
{
    const int32_t v = on ? 1 : 0;
    write(&v, 1);
}

uint16_t TsrcCtr::GetValue()
{
    int32_t v = 0;
    if (mixer_->getControlValues(control_.controlId, 1, &v) != 0)
        return 0;
    return static_cast<uint16_t>(std::clamp(v, 0, 0xFFFF));
}

void TsrcCtr::WriteBack()
{
    if (!changed_)
        return;
    changed_ = false;
    const std::vector<int32_t> now = readNow();
    if (ItemCount > 0) {
        if (ItemsGoBack(found_, afterWrite_, now))
            mixer_->setControlValues(control_.controlId, static_cast<uint32_t>(ItemCount), found_.data());
        return;
    }
    const std::vector<int32_t> channels = ChannelsToGiveBack(found_, afterWrite_, now);
    if (!channels.empty())
        mixer_->setChannelValues(control_.controlId, channels);
}

// --- Tumixerline ----------------------------------------------------------------

Tumixerline::Tumixerline(MixerDevice* mixer, const MixerLine& line) : line_(line)
{
    devlog::Append(QStringLiteral("Mixline  ") + line.name);
    const uint32_t n = std::min<uint32_t>(line.controls, kMixerSlots);
    std::vector<MixerControl> controls;
    if (n > 0 && mixer->getLineControls(line.lineId, n, controls) == 0)
        for (size_t i = 0; i < controls.size() && i < n; ++i)
            controls_[i] = std::make_unique<TsrcCtr>(mixer, controls[i]);
    const uint32_t sources = std::min<uint32_t>(line.connections, kMixerSlots);
    for (uint32_t i = 0; i < sources; ++i) {
        MixerLine source;
        if (mixer->getLineInfoSource(line.destination, i, source) == 0)
            sources_[i] = std::make_unique<Tumixerline>(mixer, source);
    }
}

Tumixerline::~Tumixerline()
{
    for (auto& s : sources_)
        s.reset();
    for (auto& c : controls_)
        c.reset();
}

Tumixerline* Tumixerline::Source(int i) const { return i >= 0 && i < kMixerSlots ? sources_[i].get() : nullptr; }

TsrcCtr* Tumixerline::Control(int i) const { return i >= 0 && i < kMixerSlots ? controls_[i].get() : nullptr; }

int Tumixerline::ControlCount() const
{
    return static_cast<int>(std::count_if(controls_.begin(), controls_.end(), [](const auto& c) { return c != nullptr; }));
}

int Tumixerline::SourceCount() const
{
    return static_cast<int>(std::count_if(sources_.begin(), sources_.end(), [](const auto& s) { return s != nullptr; }));
}

void Tumixerline::WriteBack()
{
    for (auto& s : sources_)
        if (s)
            s->WriteBack();
    for (auto& c : controls_)
        if (c)
            c->WriteBack();
}

// --- Tumixer --------------------------------------------------------------------

Tumixer::Tumixer(QObject* callbackWindow, bool& ok)
{
    devlog::Append(QString());
    devlog::Append(QStringLiteral("------------------ Create Mixer --------------------"));
    devlog::Append(QString());
    ok = true;
    mixer_ = OpenMixer(callbackWindow);
    if (!mixer_) {
        ok = false;
        return;
    }
    if (mixer_->getDevCaps(caps_) != 0 || caps_.destinations == 0) {
        ok = false;
        return;
    }
    for (uint32_t d = 0; d < caps_.destinations; ++d) {
        MixerLine line;
        if (mixer_->getLineInfoDestination(d, line) != 0)
            continue;
        devlog::Append(QStringLiteral("--- Dest#") + QString::number(d) + QStringLiteral(" Componente: ")
                       + ComponentName(line.componentType, line.flags & MIXERLINE_LINEF_SOURCE) + QLatin1Char('=')
                       + QString::number(line.componentType));
        if ((line.flags & MIXERLINE_LINEF_ACTIVE) && line.componentType == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS) {
            devlog::Append(QStringLiteral("PlayControl -------------------"));
            play_ = std::make_unique<Tumixerline>(mixer_, line);
        }
        if (line.componentType == MIXERLINE_COMPONENTTYPE_DST_WAVEIN) {
            devlog::Append(QStringLiteral("RecordControl ------------------"));
            record_ = std::make_unique<Tumixerline>(mixer_, line);
        }
    }
    if (!play_ || !record_)
        ok = false;
}

Tumixer::~Tumixer()
{
    play_.reset();
    record_.reset();
    CloseMixer(mixer_);
}

void Tumixer::WriteBack()
{
    if (play_)
        play_->WriteBack();
    if (record_)
        record_->WriteBack();
}

} // namespace korvanta
