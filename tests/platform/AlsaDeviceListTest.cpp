// Which ALSA PCMs become the program's devices, on the name hints of typical
// machines (in the order and shape alsa-lib lists them). The probe says
// which PCMs open as the machine's driver would.

#include "platform/audio/alsa/AlsaDeviceList.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace korvanta;

namespace {
const QString kHwLine = QStringLiteral("\nDirect hardware device without any conversions");

PcmHint hw(const QString& card, int dev, const QString& what)
{
    return {QStringLiteral("hw:CARD=%1,DEV=%2").arg(card).arg(dev), what + kHwLine, ""};
}

// The PCMs every card adds that are aliases of its hardware devices.
QVector<PcmHint> aliasesOf(const QString& card, const QString& product)
{
    return {{"plughw:CARD=" + card + ",DEV=0", product + "\nHardware device with all software conversions", ""},
            {"sysdefault:CARD=" + card, product + "\nDefault Audio Device", ""},
            {"front:CARD=" + card + ",DEV=0", product + "\nFront output / input", ""},
            {"surround51:CARD=" + card + ",DEV=0", product + "\n5.1 Surround output to Front, Center, Rear and Subwoofer speakers", "Output"},
            {"iec958:CARD=" + card + ",DEV=0", product + "\nIEC958 (S/PDIF) Digital Audio Output", "Output"},
            {"dmix:CARD=" + card + ",DEV=0", product + "\nDirect sample mixing device", "Output"},
            {"dsnoop:CARD=" + card + ",DEV=0", product + "\nDirect sample snooping device", "Input"}};
}

struct Machine {
    const char* name = "";
    QVector<PcmHint> hints;
    QStringList opens;     // PCMs that open (capture and playback alike unless listed below)
    QStringList noCapture; // PCMs with no capture side
    QStringList expectIn;  // the PCMs of the slots, in order
    QStringList expectOut;
};

QStringList pcms(const QVector<AlsaDevice>& devices)
{
    QStringList l;
    for (const AlsaDevice& d : devices)
        l << d.pcm;
    return l;
}

Machine machine(const char* name, const QVector<PcmHint>& hints)
{
    Machine m;
    m.name = name;
    m.hints = hints;
    return m;
}

QVector<Machine> machines()
{
    const PcmHint null{"null", "Discard all samples (playback) or generate zero samples (capture)", ""};
    const PcmHint pulseDefault{"default", "Playback/recording through the PulseAudio sound server", ""};
    Machine onboardHdmi = machine("onboard codec + HDMI card", {null, {"pulse", "PulseAudio Sound Server", ""}, pulseDefault});
    onboardHdmi.hints << hw("PCH", 0, "HDA Intel PCH, ALC887-VD Analog") << hw("PCH", 1, "HDA Intel PCH, ALC887-VD Digital")
                      << aliasesOf("PCH", "HDA Intel PCH");
    for (int dev : {3, 7, 8, 9})
        onboardHdmi.hints << hw("NVidia", dev, QStringLiteral("HDA NVidia, HDMI %1").arg(dev == 3 ? 0 : dev - 6));
    onboardHdmi.hints << PcmHint{"hdmi:CARD=NVidia,DEV=0", "HDA NVidia, HDMI 0\nHDMI Audio Output", "Output"};
    onboardHdmi.opens = {"default", "plughw:CARD=PCH,DEV=0", "plughw:CARD=PCH,DEV=1", "plughw:CARD=NVidia,DEV=3",
                         "plughw:CARD=NVidia,DEV=7", "plughw:CARD=NVidia,DEV=8", "plughw:CARD=NVidia,DEV=9"};
    onboardHdmi.noCapture = {"plughw:CARD=PCH,DEV=1", "plughw:CARD=NVidia,DEV=3", "plughw:CARD=NVidia,DEV=7",
                             "plughw:CARD=NVidia,DEV=8", "plughw:CARD=NVidia,DEV=9"};
    onboardHdmi.expectIn = {"default", "hw:CARD=PCH,DEV=0"};
    // With nothing better, a digital output may take the last slot.
    onboardHdmi.expectOut = {"default", "hw:CARD=PCH,DEV=0", "hw:CARD=PCH,DEV=1"};

    // Card 0 has a second analog device and three HDMI outputs before the
    // USB interface (card 1, two PCMs) is listed.
    Machine usbOnboard = machine("USB interface + onboard codec", {null, pulseDefault});
    usbOnboard.hints << hw("PCH", 0, "HDA Intel PCH, ALC892 Analog") << hw("PCH", 1, "HDA Intel PCH, ALC892 Digital")
                     << hw("PCH", 2, "HDA Intel PCH, ALC892 Alt Analog");
    for (int dev : {3, 7, 8})
        usbOnboard.hints << hw("PCH", dev, QStringLiteral("HDA Intel PCH, HDMI %1").arg(dev == 3 ? 0 : dev - 6));
    usbOnboard.hints << aliasesOf("PCH", "HDA Intel PCH") << hw("Interface", 0, "USB Interface, USB Audio")
                     << hw("Interface", 1, "USB Interface, USB Audio #1") << aliasesOf("Interface", "USB Interface");
    usbOnboard.opens = {"default", "plughw:CARD=PCH,DEV=0", "plughw:CARD=PCH,DEV=1", "plughw:CARD=PCH,DEV=2",
                        "plughw:CARD=PCH,DEV=3", "plughw:CARD=Interface,DEV=0", "plughw:CARD=Interface,DEV=1"};
    usbOnboard.noCapture = {"plughw:CARD=PCH,DEV=1", "plughw:CARD=PCH,DEV=3"};
    usbOnboard.expectIn = {"default", "hw:CARD=PCH,DEV=0", "hw:CARD=Interface,DEV=0"};
    usbOnboard.expectOut = {"default", "hw:CARD=PCH,DEV=0", "hw:CARD=Interface,DEV=0"};

    // A sandbox that sees the sound server but no card.
    Machine pipewire = machine("PipeWire only", {null, {"pipewire", "PipeWire Sound Server", ""},
                                                 {"default", "Default ALSA Output (currently PipeWire Media Server)", ""}});
    pipewire.opens = {"default", "pipewire"};
    pipewire.expectIn = pipewire.expectOut = {"default"};

    Machine noCard = machine("no card", {null, {"default", "Default Audio Device", ""}});
    noCard.opens = {"null"};
    return {onboardHdmi, usbOnboard, pipewire, noCard};
}
} // namespace

TEST(AlsaDeviceList, TypicalMachinesKeepTheDevicesPeopleMeasureWith)
{
    for (const Machine& m : machines()) {
        SCOPED_TRACE(m.name);
        const PcmProbe probe = [&m](const QString& pcm, bool capture) {
            if (!m.opens.contains(pcm) || (capture && m.noCapture.contains(pcm)))
                return -ENOENT;
            return 0;
        };
        EXPECT_EQ(pcms(SelectAlsaDevices(m.hints, true, probe)), m.expectIn);
        EXPECT_EQ(pcms(SelectAlsaDevices(m.hints, false, probe)), m.expectOut);
    }
}

TEST(AlsaDeviceList, CardsFirstThenFurtherDevicesThenDigitalLinks)
{
    const QVector<PcmHint> hints = {
        {"hw:CARD=A,DEV=0", "A, Analog", ""}, {"hw:CARD=A,DEV=3", "A, HDMI 0", ""},
        {"hw:CARD=A,DEV=2", "A, Alt Analog", ""}, {"hw:CARD=A,DEV=2", "A, Alt Analog", ""}, // listed twice
        {"my_test", "Korvanta test capture", ""}, {"hw:CARD=B,DEV=0", "B, USB Audio", ""},
        {"hw:CARD=B,DEV=1", "B, S/PDIF Out", "Output"}, {"hw:CARD=C,DEV=0", "C, USB Audio", "Input"}};
    QStringList out, in;
    for (const PcmHint& h : RankPcmCandidates(hints, false))
        out << h.name;
    for (const PcmHint& h : RankPcmCandidates(hints, true))
        in << h.name;
    EXPECT_EQ(out, QStringList({"hw:CARD=A,DEV=0", "my_test", "hw:CARD=B,DEV=0", "hw:CARD=A,DEV=2", "hw:CARD=A,DEV=3",
                                "hw:CARD=B,DEV=1"}));
    EXPECT_EQ(in, QStringList({"hw:CARD=A,DEV=0", "my_test", "hw:CARD=B,DEV=0", "hw:CARD=C,DEV=0", "hw:CARD=A,DEV=2",
                               "hw:CARD=A,DEV=3"}));
}
