#include "mixer/ui/mixu.h"

#include "platform/DeviceLog.h"
#include "platform/ProfileStore.h"
#include "platform/IniValues.h"

#include <QCloseEvent>
#include <algorithm>
#include <cmath>
#include <set>

namespace korvanta {

namespace {
constexpr uint16_t kToneCentre = 0x8000;

template <typename F>
void forControls(Tumixerline* line, F f)
{
    if (!line)
        return;
    for (int i = 0; i < kMixerSlots; ++i)
        if (TsrcCtr* c = line->Control(i))
            f(c);
}

template <typename F>
void forSources(Tumixerline* line, F f)
{
    if (!line)
        return;
    for (int i = 0; i < kMixerSlots; ++i)
        if (Tumixerline* s = line->Source(i))
            f(i, s);
}
} // namespace

uint16_t PercentToMixerValue(int percent)
{
    return static_cast<uint16_t>(std::clamp(percent, 0, 100) * kMixerVolumeMax / 100);
}

int MixerValueToPercent(int value)
{
    return static_cast<int>(std::lround(static_cast<double>(value) * 100.0 / kMixerVolumeMax));
}

Tmixu::Tmixu(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("mixu"));
    mixOn_ = true;
    const QString stored = GetProfileString(QStringLiteral("MIX"), QStringLiteral("MIXON"), QStringLiteral("1"),
                                            154, SettingsFilePath());
    if (const auto value = ini::ParseInt(stored))
        mixOn_ = *value == 1;
    wantedOn_ = mixOn_;
    openModel();
}

void Tmixu::openModel()
{
    bool ok = false;
    mixer_ = std::make_unique<Tumixer>(this, ok);
    mixOn_ = wantedOn_ && ok;
}

bool Tmixu::Available() const
{
    return mixer_ && (mixer_->RecordLine() || mixer_->PlayLine()) && mixer_->Handle()
        && mixer_->Handle()->answering();
}

bool Tmixu::Reopen()
{
    if (Available())
        return false;
    mixer_.reset();
    openModel();
    return true;
}

Tmixu::~Tmixu()
{
    writeMixOn();
    mixer_.reset();
}

void Tmixu::closeEvent(QCloseEvent* e)
{
    writeMixOn();
    QWidget::closeEvent(e);
}

void Tmixu::writeMixOn() const
{
    // The user's choice, not whether a mixer was there this time: a run
    // without a mixer must not switch support off for good.
    WriteProfileString(QStringLiteral("MIX"), QStringLiteral("MIXON"), wantedOn_ ? QStringLiteral("1") : QStringLiteral("0"),
                       SettingsFilePath());
}

void Tmixu::SetMixOn(bool on)
{
    wantedOn_ = on;
    mixOn_ = on && Available();
    if (!mixOn_ && mixer_)
        mixer_->WriteBack();
}

Tumixerline* Tmixu::record() const { return mixOn_ && mixer_ ? mixer_->RecordLine() : nullptr; }
Tumixerline* Tmixu::play() const { return mixOn_ && mixer_ ? mixer_->PlayLine() : nullptr; }

bool Tmixu::GetSourceList(SourceList& list) const
{
    list = SourceList{};
    TsrcCtr* selector = nullptr;
    forControls(record(), [&](TsrcCtr* c) {
        if (c->IsSelector())
            selector = c;
    });
    if (!selector)
        return false;
    list.count = selector->ItemCount;
    for (int i = 0; i < list.count; ++i) {
        list.names << selector->ItemNames[i];
        list.values.push_back(selector->ItemValues[i]);
    }
    for (int i = list.count - 1; i >= 0; --i)
        if (list.values[i])
            list.selected = i;
    return true;
}

int Tmixu::SelectSource(int index)
{
    Tumixerline* line = record();
    if (!line)
        return index;
    bool any = false;
    forControls(line, [&](TsrcCtr* c) {
        // An item the selector lacks would select nothing: no input at all.
        if (c->IsSelector() && index >= 0 && index < c->ItemCount) {
            c->SelectItem(index);
            any = true;
        }
    });
    return any ? index : -1;
}

int Tmixu::UsableSource(int stored)
{
    SourceList list;
    if (!GetSourceList(list) || list.count == 0 || (stored >= 0 && stored < list.count))
        return stored;
    int chosen = DefaultSource();
    if (chosen < 0 || chosen >= list.count)
        chosen = list.selected;
    // Once per stored index, not at every activation of the main window; an
    // index of -1 (none stored) is no missing source.
    if (stored >= 0 && stored != reportedMissing_)
        devlog::Append(QStringLiteral("mixer: recording source %1 is not on this mixer (%2 sources): using %3 (%4), "
                                      "the stored choice is kept")
                           .arg(stored)
                           .arg(list.count)
                           .arg(chosen)
                           .arg(list.names[chosen].trimmed()));
    reportedMissing_ = stored;
    return chosen;
}

int Tmixu::DefaultSource() const
{
    int found = -1;
    forSources(record(), [&](int i, Tumixerline* s) {
        if (found < 0 && s->Line().componentType == MIXERLINE_COMPONENTTYPE_SRC_LINE)
            found = i;
    });
    return found;
}

void Tmixu::SetInputVolume(uint16_t value, int index)
{
    Tumixerline* line = record();
    Tumixerline* chosen = line ? line->Source(index) : nullptr;
    // Without the chosen source every other one would go to 0: silence.
    if (!chosen)
        return;
    std::set<uint32_t> selected;
    forControls(chosen, [&](TsrcCtr* c) {
        if (c->IsVolume())
            selected.insert(c->Id());
    });
    forSources(line, [&](int i, Tumixerline* s) {
        forControls(s, [&](TsrcCtr* c) {
            // A volume the chosen source shares with others (one "Capture"
            // for all) is the chosen source's level, never silenced.
            if (!c->IsVolume() || (i != index && selected.count(c->Id())))
                return;
            c->SetValue(i == index ? value : 0);
        });
    });
}

void Tmixu::SetPlaySourceVolume(uint16_t value, int row)
{
    if (Tumixerline* s = play() ? play()->Source(row) : nullptr)
        forControls(s, [&](TsrcCtr* c) {
            if (c->IsVolume())
                c->SetValue(value);
        });
}

void Tmixu::SetPlaySourceMute(bool on, int row)
{
    if (Tumixerline* s = play() ? play()->Source(row) : nullptr)
        forControls(s, [&](TsrcCtr* c) {
            if (c->IsMute())
                c->SetOnOff(on);
        });
}

void Tmixu::SetPlayVolumeByType(uint16_t value, uint32_t componentType)
{
    forSources(play(), [&](int i, Tumixerline* s) {
        if (s->Line().componentType == componentType)
            SetPlaySourceVolume(value, i);
    });
}

void Tmixu::SetPlayMuteByType(bool on, uint32_t componentType)
{
    forSources(play(), [&](int i, Tumixerline* s) {
        if (s->Line().componentType == componentType)
            SetPlaySourceMute(on, i);
    });
}

void Tmixu::SetMasterVolume(uint16_t value)
{
    forControls(play(), [&](TsrcCtr* c) {
        if (c->IsVolume())
            c->SetValue(value);
    });
}

uint16_t Tmixu::MasterVolume() const
{
    TsrcCtr* last = nullptr;
    forControls(play(), [&](TsrcCtr* c) {
        if (c->IsVolume())
            last = c;
    });
    return last ? last->GetValue() : 0;
}

uint16_t Tmixu::ControlValue(TsrcCtr* control) const { return mixOn_ && control ? control->GetValue() : 0; }

void Tmixu::PreparePlayback(uint16_t master)
{
    Tumixerline* line = play();
    if (!line)
        return;
    SetMasterVolume(master);
    forControls(line, [](TsrcCtr* c) {
        if (c->IsFader() || c->IsTreble() || c->IsBass())
            c->SetValue(kToneCentre);
        else if (c->IsMute())
            c->SetOnOff(false);
    });
    forSources(line, [this](int i, Tumixerline*) {
        SetPlaySourceVolume(0, i);
        SetPlaySourceMute(true, i);
    });
    SetPlayVolumeByType(kMixerVolumeMax, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT);
    SetPlayMuteByType(false, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT);
}

void Tmixu::Watch(int index)
{
    if (index >= 0 && index < 32)
        watch_ |= 1u << index;
}

bool Tmixu::event(QEvent* e)
{
    if (e->type() == MM_MIXM_LINE_CHANGE) {
        ++lineChanges_;
        return true;
    }
    if (e->type() == MM_MIXM_CONTROL_CHANGE) {
        controlChange(static_cast<MixerChangeEvent*>(e)->id());
        return true;
    }
    return QWidget::event(e);
}

void Tmixu::controlChange(uint32_t id)
{
    Tumixerline* rec = record();
    Tumixerline* pl = play();
    if (!rec || !pl || rec->ControlCount() == 0 || pl->ControlCount() == 0)
        return;
    forControls(rec, [&](TsrcCtr* c) {
        if (c->IsSelector() && c->Id() == id) {
            c->Refresh();
            if (InSelMixChange)
                InSelMixChange(this);
        }
    });
    forSources(rec, [&](int i, Tumixerline* s) {
        if (i >= 32 || !(watch_ & (1u << i)))
            return;
        forControls(s, [&](TsrcCtr* c) {
            if (c->IsVolume() && c->Id() == id) {
                c->Refresh();
                if (InVolMixChange)
                    InVolMixChange(c);
            }
        });
    });
    forControls(pl, [&](TsrcCtr* c) {
        if (c->IsVolume() && c->Id() == id && OutMasterVolMixChange)
            OutMasterVolMixChange(this);
    });
}

} // namespace korvanta
