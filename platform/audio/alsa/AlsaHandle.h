#pragma once
// An open ALSA PCM owned by one stream: closed exactly once, either by
// close() (whose failure is logged and returned as an error number) or when
// the owner goes away.

#include <alsa/asoundlib.h>

#include <QString>

namespace korvanta {

class AlsaHandle {
public:
    AlsaHandle(snd_pcm_t* pcm, QString name) : pcm_(pcm), name_(std::move(name)) {}
    ~AlsaHandle();
    AlsaHandle(const AlsaHandle&) = delete;
    AlsaHandle& operator=(const AlsaHandle&) = delete;

    snd_pcm_t* get() const { return pcm_; }
    const QString& name() const { return name_; }
    // Runs an ALSA call that starts the stream; logs and maps a failure.
    int check(int alsaResult, const QString& what) const;
    int close();

private:
    snd_pcm_t* pcm_;
    QString name_;
};

} // namespace korvanta
