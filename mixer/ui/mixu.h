#pragma once
// The mixer window: an invisible window that owns the mixer model, receives
// the mixer's change events and offers the operations the main window uses
// to choose the recording source, set the recording level of that source
// and the playback master, and prepare the playback path.
//
// With mixer support off (MixOn false) no operation touches the mixer; each
// returns its neutral value. Switching support off also gives the user's
// mixer back the values the program changed.
//
// Changes made elsewhere (a desktop mixer), and the program's own changes,
// come back as change events and reach the main window through three
// handlers: the recording source changed, the watched source's volume
// changed, the master volume changed.

#include "mixer/mixutil.h"

#include <QStringList>
#include <QWidget>
#include <functional>

namespace korvanta {

// Percent 0 .. 100 to a mixer value and back.
uint16_t PercentToMixerValue(int percent);
int MixerValueToPercent(int value);

class Tmixu : public QWidget {
    Q_OBJECT
public:
    // FormCreate: reads "MIX"/"MIXON" and builds the model.
    explicit Tmixu(QWidget* parent = nullptr);
    // Writes "MIXON" and destroys the model (which writes back).
    ~Tmixu() override;

    // The three change events, connected by the main window.
    std::function<void(Tmixu* sender)> InSelMixChange;
    std::function<void(TsrcCtr* sender)> InVolMixChange;
    std::function<void(Tmixu* sender)> OutMasterVolMixChange;

    bool MixOn() const { return mixOn_; }
    // On only with a model that has a record or a play line; off gives the
    // user's mixer back what the program changed.
    void SetMixOn(bool on);
    // The user's switch, whether or not a mixer is there to obey it.
    bool SupportWanted() const { return wantedOn_; }
    // A model with a record or a play line on a mixer that still answers.
    bool Available() const;
    // Tries the mixer again when it is not available (none at start, or it
    // stopped answering): the old model goes, a new one is read. True when
    // a new model was read.
    bool Reopen();

    struct SourceList {
        QStringList names;              // item names, 15 characters each
        std::vector<int32_t> values;
        int count = 0;
        int selected = 0;               // first selected item, 0 if none
    };
    // The record line's source selector (its last MUX or MIXER control).
    bool GetSourceList(SourceList& list) const;
    // Selects item index on every selector of the record line that has
    // it. Returns the index, -1 when no selector has it, the index
    // unchanged when off.
    int SelectSource(int index);
    // First recording source of component type line, or -1.
    int DefaultSource() const;
    // The source to use for a stored index: itself while the selector has
    // it; else the line source, else the source selected now, with a
    // device-log line. The stored index is the caller's to keep, so a card
    // with more sources gets it back. When off, or without a selector, the
    // index unchanged.
    int UsableSource(int stored);
    // Recording source `index` gets `value`, the others 0 (a control the
    // source shares with others keeps the value). An index the record line
    // does not have changes nothing.
    void SetInputVolume(uint16_t value, int index);
    void SetPlaySourceVolume(uint16_t value, int row);
    void SetPlaySourceMute(bool on, int row);
    void SetPlayVolumeByType(uint16_t value, uint32_t componentType);
    void SetPlayMuteByType(bool on, uint32_t componentType);
    void SetMasterVolume(uint16_t value);
    // The play line's last VOLUME control, 0 if none.
    uint16_t MasterVolume() const;
    uint16_t ControlValue(TsrcCtr* control) const;
    // Master set, tone controls centred, master unmuted, every play source
    // silenced except the wave output at full volume.
    void PreparePlayback(uint16_t master);
    void WatchClear() { watch_ = 0; }
    void Watch(int index);

    Tumixer* Mixer() const { return mixer_.get(); }
    // The master is a sound server's desktop-wide volume.
    bool SharedMaster() const { return mixer_ && mixer_->SharedMaster(); }
    int LineChanges() const { return lineChanges_; }

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    Tumixerline* record() const;
    Tumixerline* play() const;
    void controlChange(uint32_t id);
    void writeMixOn() const;
    void openModel();

    std::unique_ptr<Tumixer> mixer_;
    bool mixOn_ = true;
    bool wantedOn_ = true;       // the user's switch, stored in "MIXON"
    uint32_t watch_ = 0;
    int lineChanges_ = 0;
    int reportedMissing_ = -1;   // the stored source last reported missing
};

} // namespace korvanta
