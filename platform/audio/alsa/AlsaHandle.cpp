#include "platform/audio/alsa/AlsaHandle.h"

#include "platform/audio/alsa/AlsaPcm.h"

namespace korvanta {

AlsaHandle::~AlsaHandle()
{
    if (pcm_)
        snd_pcm_close(pcm_);
}

int AlsaHandle::check(int alsaResult, const QString& what) const
{
    if (alsaResult >= 0)
        return 0;
    LogAlsaError(what, name_, alsaResult);
    return WaveCodeForAlsaError(alsaResult);
}

int AlsaHandle::close()
{
    const int rc = pcm_ ? snd_pcm_close(pcm_) : 0;
    pcm_ = nullptr;
    return check(rc, QStringLiteral("close"));
}

} // namespace korvanta
