#include "platform/audio/alsa/AlsaDeviceList.h"

#include <alsa/asoundlib.h>

#include <QRegularExpression>
#include <QStringList>
#include <cerrno>

namespace korvanta {

namespace {
bool isAlias(const QString& name)
{
    static const QStringList aliases = {
        "pipewire", "pulse", "jack", "oss", "sysdefault", "dmix", "dsnoop", "plughw", "default",
        "front", "rear", "center_lfe", "side", "surround21", "surround40", "surround41",
        "surround50", "surround51", "surround71", "iec958", "spdif", "upmix", "vdownmix",
        "speexrate", "samplerate", "lavrate", "a52", "speex"};
    const QString base = name.section(QLatin1Char(':'), 0, 0);
    return aliases.contains(base, Qt::CaseInsensitive);
}

QString labelFor(const PcmHint& hint)
{
    QStringList lines = hint.desc.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString& l : lines)
        l = l.trimmed();
    QString label = lines.isEmpty() ? hint.name : lines.join(QStringLiteral(", "));
    return label.left(120);
}

bool wantsDirection(const PcmHint& hint, bool capture)
{
    if (hint.ioid.isEmpty())
        return true;
    return hint.ioid.compare(capture ? QLatin1String("Input") : QLatin1String("Output"), Qt::CaseInsensitive) == 0;
}

bool exists(const QString& pcm, bool capture, const PcmProbe& probe)
{
    const int rc = probe(pcm, capture);
    return rc == 0 || rc == -EBUSY || rc == -EAGAIN;
}
} // namespace

QString PcmCard(const QString& pcm)
{
    static const QRegularExpression card(QStringLiteral("CARD=([^,]+)"));
    const QRegularExpressionMatch m = card.match(pcm);
    return m.hasMatch() ? m.captured(1) : pcm;
}

bool IsDigitalLink(const PcmHint& hint)
{
    static const QRegularExpression digital(QStringLiteral("\\b(HDMI|DisplayPort|DP|S/?PDIF|IEC958|Digital)\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    return digital.match(hint.name.section(QLatin1Char(':'), 0, 0)).hasMatch()
        || digital.match(hint.desc).hasMatch();
}

QVector<PcmHint> RankPcmCandidates(const QVector<PcmHint>& hints, bool capture)
{
    QVector<PcmHint> first, further, digital;
    QStringList seenNames, seenCards;
    for (const PcmHint& h : hints) {
        if (h.name == QLatin1String("null") || h.desc.isEmpty() || isAlias(h.name) || !wantsDirection(h, capture)
            || seenNames.contains(h.name))
            continue;
        seenNames << h.name;
        if (IsDigitalLink(h)) {
            digital << h;
        } else if (seenCards.contains(PcmCard(h.name))) {
            further << h;
        } else {
            seenCards << PcmCard(h.name);
            first << h;
        }
    }
    return first + further + digital;
}

QVector<AlsaDevice> SelectAlsaDevices(const QVector<PcmHint>& hints, bool capture, const PcmProbe& probe)
{
    QVector<AlsaDevice> out;
    if (exists(QStringLiteral("default"), capture, probe)) {
        QString label = QStringLiteral("Default");
        for (const PcmHint& h : hints)
            if (h.name == QLatin1String("default") && !h.desc.isEmpty())
                label = labelFor(h);
        out.append({QStringLiteral("default"), label});
    }
    for (const PcmHint& h : RankPcmCandidates(hints, capture)) {
        if (out.size() >= kMaxAlsaSlots)
            break;
        if (exists(OpenablePcmName(h.name), capture, probe))
            out.append({h.name, labelFor(h)});
    }
    return out;
}

QVector<PcmHint> ReadPcmHints()
{
    QVector<PcmHint> result;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints)
        return result;
    auto take = [](void* hint, const char* id) {
        char* v = snd_device_name_get_hint(hint, id);
        QString s = v ? QString::fromUtf8(v) : QString();
        free(v);
        return s;
    };
    for (void** h = hints; *h; ++h)
        result.append({take(*h, "NAME"), take(*h, "DESC"), take(*h, "IOID")});
    snd_device_name_free_hint(hints);
    return result;
}

int ProbePcm(const QString& pcm, bool capture)
{
    snd_pcm_t* handle = nullptr;
    const int rc = snd_pcm_open(&handle, pcm.toUtf8().constData(),
                                capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (rc == 0)
        snd_pcm_close(handle);
    return rc;
}

QString OpenablePcmName(const QString& pcm)
{
    return pcm.startsWith(QLatin1String("hw:")) ? QStringLiteral("plug") + pcm : pcm;
}

} // namespace korvanta
