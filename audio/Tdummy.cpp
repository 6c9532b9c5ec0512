#include "audio/Tdummy.h"

#include "audio/Soundd3.h"
#include "platform/UserMessages.h"
#include "platform/audio/WaveTypes.h"

namespace korvanta {

Tdummy::Tdummy(QObject* parent) : QObject(parent) { SetNotifyWindow(this); }

Tdummy::~Tdummy()
{
    if (NotifyWindow() == this)
        SetNotifyWindow(nullptr);
}

bool Tdummy::event(QEvent* e)
{
    if (e->type() == MM_WIM_DATA) {
        const auto* data = static_cast<WaveDataEvent*>(e);
        WaveInDataArrived(data->header(), data->generation());
        return true;
    }
    if (e->type() == MM_WOM_FAULT) {
        const auto* fault = static_cast<WaveOutFaultEvent*>(e);
        WaveOutFaultArrived(fault->serial(), fault->code());
        return true;
    }
    return QObject::event(e);
}

} // namespace korvanta
