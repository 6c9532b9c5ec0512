#include "Tdummy.h"

#include "Soundd3.h"
#include "UserMessages.h"
#include "WaveTypes.h"

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
    return QObject::event(e);
}
