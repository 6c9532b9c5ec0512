#pragma once
// Which ALSA PCMs become the program's sound devices, and under which names.
//
// Rules: "default" comes first when it exists; `null` is no sound device;
// aliases of a sound server or of the default device (pipewire, pulse, jack,
// sysdefault, dmix, dsnoop, the front/surround/... channel maps, the
// per-card "default:" entries, plughw which repeats hw) take no slot; any
// other PCM with a description does, test PCMs included. A PCM that cannot
// be opened is left out, except when it is busy: a busy device exists. At
// most three devices per direction.
//
// Three slots are few, so the candidates are offered in an order that keeps
// the devices people measure with: first one device of every card (and
// every card-less PCM) in the order ALSA lists them, then the further
// devices of a card, and last the digital links (HDMI, DisplayPort,
// S/PDIF), which no one measures through. A machine with an onboard codec,
// four HDMI outputs and a USB interface thus lists default, the codec and
// the USB interface.

#include <QString>
#include <QVector>
#include <functional>

namespace korvanta {

struct PcmHint {
    QString name;  // PCM name as ALSA knows it ("hw:CARD=PCH,DEV=0")
    QString desc;  // description, lines separated by '\n'
    QString ioid;  // "Input", "Output" or empty for both
};

struct AlsaDevice {
    QString pcm;    // name given to snd_pcm_open
    QString label;  // product name shown to the user
};

inline constexpr int kMaxAlsaSlots = 3;

// Result of trying to open a PCM: 0 works, -EBUSY busy, other negative: missing.
using PcmProbe = std::function<int(const QString& pcm, bool capture)>;

// The card of a PCM ("PCH" for "hw:CARD=PCH,DEV=3"); a PCM of no card is
// its own ("my_test").
QString PcmCard(const QString& pcm);

// Whether a PCM is a digital link (HDMI, DisplayPort, S/PDIF, IEC958), by
// its name and description.
bool IsDigitalLink(const PcmHint& hint);

// The hints that may take a slot in this direction beside "default", in
// the order they are offered (see above); nothing is opened.
QVector<PcmHint> RankPcmCandidates(const QVector<PcmHint>& hints, bool capture);

QVector<AlsaDevice> SelectAlsaDevices(const QVector<PcmHint>& hints, bool capture, const PcmProbe& probe);

// The name hints of every PCM alsa-lib knows (GUI thread).
QVector<PcmHint> ReadPcmHints();

// Opens and closes the PCM without blocking; the probe used for real.
int ProbePcm(const QString& pcm, bool capture);

// The name to open for a listed PCM: hardware devices go through the plug
// layer for sample-format conversion (never for rate conversion, which the
// stream setup forbids).
QString OpenablePcmName(const QString& pcm);

} // namespace korvanta
