#pragma once
// One open mixer device, queried the classic way: capabilities, line
// information by destination or by source, the controls of a line, and
// control details by value or as list texts. Values travel as one uniform
// channel: `count` values for a list control (one per item), one otherwise.
//
// Change notifications: once a callback object is set, every change of a
// control, whether the program or another program made it, reaches that
// object as a posted MixerChangeEvent (MM_MIXM_CONTROL_CHANGE) with the
// control's ID.
//
// Threads: GUI thread only; the events are delivered by the GUI event loop.

#include "platform/mixer/MixerTypes.h"
#include "platform/UserMessages.h"

#include <QPointer>
#include <vector>

class QObject;

namespace korvanta {

// MM_MIXM_CONTROL_CHANGE (or MM_MIXM_LINE_CHANGE) with the ID it concerns.
class MixerChangeEvent : public QEvent {
public:
    MixerChangeEvent(QEvent::Type type, uint32_t id) : QEvent(type), id_(id) {}
    uint32_t id() const { return id_; }

private:
    uint32_t id_;
};

class MixerDevice {
public:
    virtual ~MixerDevice() = default;

    // Results are 0 or an MMSYSERR_* code.
    virtual int getDevCaps(MixerCaps& caps) = 0;
    virtual int getLineInfoDestination(uint32_t destination, MixerLine& line) = 0;
    virtual int getLineInfoSource(uint32_t destination, uint32_t source, MixerLine& line) = 0;
    // Up to `count` controls of the line, in the device's order.
    virtual int getLineControls(uint32_t lineId, uint32_t count, std::vector<MixerControl>& controls) = 0;
    // Values of a control: `count` list items, or 1 for a single value.
    virtual int getControlValues(uint32_t controlId, uint32_t count, int32_t* values) = 0;
    virtual int getListTexts(uint32_t controlId, uint32_t count, std::vector<MixerListText>& texts) = 0;
    virtual int setControlValues(uint32_t controlId, uint32_t count, const int32_t* values) = 0;
    // A single-value control channel by channel (a stereo volume whose left
    // and right a desktop mixer may set apart): one value per channel. A
    // device whose controls are uniform answers with the one value.
    virtual int getChannelValues(uint32_t controlId, std::vector<int32_t>& values);
    // Writes each channel whose value is not negative and leaves the others
    // as they are.
    virtual int setChannelValues(uint32_t controlId, const std::vector<int32_t>& values);
    // False once the device stopped answering and was given up on.
    virtual bool answering() const { return true; }

    // The object that receives the change events (none: no events).
    void setCallback(QObject* window) { callback_ = window; }
    QObject* callback() const { return callback_; }

protected:
    // Posts MM_MIXM_CONTROL_CHANGE for the control to the callback object.
    void notifyControlChange(uint32_t controlId) const;

private:
    QPointer<QObject> callback_;
};

// Opens mixer device 0 of the sound backend in use (the mixer handle): the
// virtual card's mixer with the virtual card, ALSA's mixer otherwise. Null
// when there is none. Change events go to callbackWindow.
MixerDevice* OpenMixer(QObject* callbackWindow);
// Closes a handle of OpenMixer (null is fine).
void CloseMixer(MixerDevice* mixer);
// Starts opening mixer device 0 ahead of OpenMixer where that may wait for
// a sound server (ALSA), so the wait overlaps the rest of the start-up.
void StartOpeningMixer();

// Tests: OpenMixer hands out this device (not owned) from now on; null
// chooses by the sound backend again.
void SetMixerForTests(MixerDevice* mixer);

} // namespace korvanta
