#pragma once
// The mixer model: the first mixer device of the sound system read once into
// a tree. Tumixer finds the playback destination ("speakers") and the
// recording destination ("wave input"); Tumixerline holds one line with its
// source lines and controls; TsrcCtr holds one control and its value(s).
// Reading the tree writes a trace of it into the device log.
//
// The user's mixer is left as it was: every control the program writes
// remembers the value(s) read when the model was built and gets them back
// when the model is destroyed (at exit, also after SIGTERM/SIGINT, which
// close the program normally) or when WriteBack is called (mixer support
// switched off), channel by channel, and only where it still reads what it
// read right after the program's last write (MixerGiveBack.h). Controls the
// program never wrote are not touched, nor channels the user changed in a
// desktop mixer since.
//
// GUI thread only. Failing mixer calls are skipped silently.

#include "platform/mixer/MixerDevice.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace korvanta {

// At most this many controls per line, source lines per destination and
// items per list control.
inline constexpr int kMixerSlots = 19;
// Control traces written to the device log over a whole run.
inline constexpr int kMaxControlTraces = 150;
// Item names as menu captions.
inline constexpr int kItemNameChars = 15;
// Longest trace line.
inline constexpr int kTraceLineChars = 255;

class TsrcCtr {
public:
    // Reads the current value(s) and traces them.
    TsrcCtr(MixerDevice* mixer, const MixerControl& control);
    // Writes back what the program changed.
    ~TsrcCtr();
    TsrcCtr(const TsrcCtr&) = delete;
    TsrcCtr& operator=(const TsrcCtr&) = delete;

    // Reads the value(s) again and traces them.
    void Refresh();
    // Every item 0, item `index` 1, all written.
    void SelectItem(int index);
    // One value written; SingleValue stays as read.
    void SetValue(uint16_t value);
    void SetOnOff(bool on);
    // One value read now; 0 when the read fails.
    uint16_t GetValue();
    // The value(s) read at creation back on the mixer, if the program wrote
    // to this control since and nobody changed it after that write.
    void WriteBack();

    const MixerControl& Control() const { return control_; }
    uint32_t Id() const { return control_.controlId; }
    bool IsMux() const { return control_.controlType == MIXERCONTROL_CONTROLTYPE_MUX; }
    bool IsMixer() const { return control_.controlType == MIXERCONTROL_CONTROLTYPE_MIXER; }
    bool IsSelector() const { return IsMux() || IsMixer(); }
    bool IsVolume() const { return control_.controlType == MIXERCONTROL_CONTROLTYPE_VOLUME; }
    bool IsFader() const { return control_.controlType == MIXERCONTROL_CONTROLTYPE_FADER; }
    bool IsBass() const { return control_.controlType == MIXERCONTROL_CONTROLTYPE_BASS; }
    bool IsTreble() const { return control_.controlType == MIXERCONTROL_CONTROLTYPE_TREBLE; }
    bool IsEqualizer() const { return control_.controlType == MIXERCONTROL_CONTROLTYPE_EQUALIZER; }
    bool IsMute() const { return control_.controlType == MIXERCONTROL_CONTROLTYPE_MUTE; }

    int32_t SingleValue = -1;                              // -1 until read
    int32_t ItemCount = 0;                                 // at most kMixerSlots
    std::array<int32_t, kMixerSlots> ItemValues{};         // 1 = selected
    std::array<MixerListText, kMixerSlots> ItemTexts{};
    std::array<QString, kMixerSlots> ItemNames{};          // first 15 characters

private:
    void write(const int32_t* values, uint32_t count);
    void trace(const QString& line);
    // The control as it reads now: its items, or its value per channel.
    // Empty when the read fails.
    std::vector<int32_t> readNow() const;

    MixerDevice* mixer_;
    MixerControl control_;
    bool changed_ = false;             // the program wrote since
    std::vector<int32_t> found_;       // read at creation
    std::vector<int32_t> afterWrite_;  // read right after the program's last write that changed it
};

class Tumixerline {
public:
    // Reads the line's controls and source lines.
    Tumixerline(MixerDevice* mixer, const MixerLine& line);
    ~Tumixerline();
    Tumixerline(const Tumixerline&) = delete;
    Tumixerline& operator=(const Tumixerline&) = delete;

    const MixerLine& Line() const { return line_; }
    // Slot i, or null.
    Tumixerline* Source(int i) const;
    TsrcCtr* Control(int i) const;
    // Controls in slots (no gaps are left, but callers need not know).
    int ControlCount() const;
    int SourceCount() const;
    void WriteBack();

private:
    MixerLine line_;
    std::array<std::unique_ptr<Tumixerline>, kMixerSlots> sources_;
    std::array<std::unique_ptr<TsrcCtr>, kMixerSlots> controls_;
};

class Tumixer {
public:
    // Opens mixer device 0 with change events to callbackWindow and reads
    // the tree. ok is false when the mixer cannot be opened, has no
    // destinations, or lacks the (active) speakers or the wave-input line.
    Tumixer(QObject* callbackWindow, bool& ok);
    // Destroys both lines (writing back) and closes the mixer.
    ~Tumixer();
    Tumixer(const Tumixer&) = delete;
    Tumixer& operator=(const Tumixer&) = delete;

    Tumixerline* PlayLine() const { return play_.get(); }
    Tumixerline* RecordLine() const { return record_.get(); }
    MixerDevice* Handle() const { return mixer_; }
    // The master is a sound server's desktop-wide volume.
    bool SharedMaster() const { return caps_.sharedMaster; }
    void WriteBack();

private:
    MixerDevice* mixer_ = nullptr;
    MixerCaps caps_;
    std::unique_ptr<Tumixerline> play_;
    std::unique_ptr<Tumixerline> record_;
};

// Fixed-width name of a component type, from the destination or the source
// table as the line's source flag says.
QString ComponentName(uint32_t componentType, bool source);

// Control traces written so far in this run; tests start over.
int MixerTraceCount();
void ResetMixerTraceCount();

} // namespace korvanta
