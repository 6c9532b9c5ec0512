#include "analysis/PC_IIR_2.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using namespace korvanta;

namespace {
double dB(double v) { return 20 * std::log10(v); }

double cascadeMagnitude(const PinkCascade& c, double f, int fs)
{
    double m = 1;
    for (int i = 0; i < c.count; ++i)
        m *= SectionMagnitude(c.sections[i], f, fs);
    return m;
}
} // namespace

TEST(FilterDesign, PeakingWithoutGainIsFlat)
{
    int fs = 48000;
    Biquad s;
    DesignSection(static_cast<int>(FilterKind::Peaking), s, 0.0, 1.0, 1000.0, fs);
    EXPECT_NEAR(s.b0, 1.0, 1e-12);
    EXPECT_NEAR(s.b1, -s.a1, 1e-12);
    EXPECT_NEAR(s.b2, -s.a2, 1e-12);
    for (double f : {20.0, 1000.0, 15000.0})
        EXPECT_NEAR(SectionMagnitude(s, f, 48000), 1.0, 1e-9);
}

TEST(FilterDesign, PeakingReachesItsGainAtTheCentre)
{
    int fs = 44100;
    Biquad s;
    for (double g : {6.0, -10.0}) {
        DesignSection(static_cast<int>(FilterKind::Peaking), s, g, 1.0, 2000.0, fs);
        EXPECT_NEAR(dB(SectionMagnitude(s, 2000.0, 44100)), g, 0.01);
        EXPECT_NEAR(dB(SectionMagnitude(s, 20.0, 44100)), 0.0, 0.1);
    }
}

TEST(FilterDesign, BandPassIsUnityAtItsCentreAndNarrowWithHighQ)
{
    int fs = 44100;
    Biquad s;
    DesignSection(static_cast<int>(FilterKind::BandPass), s, 0.0, 16.0, 1000.0, fs);
    EXPECT_NEAR(dB(SectionMagnitude(s, 1000.0, 44100)), 0.0, 0.01);
    // The -3 dB points lie about f/16 apart around the centre.
    const double lo = 1000.0 - 1000.0 / 32, hi = 1000.0 + 1000.0 / 32;
    EXPECT_NEAR(dB(SectionMagnitude(s, lo, 44100)), -3.0, 0.3);
    EXPECT_NEAR(dB(SectionMagnitude(s, hi, 44100)), -3.0, 0.3);
    EXPECT_LT(dB(SectionMagnitude(s, 500.0, 44100)), -25.0);
}

TEST(FilterDesign, ButterworthCornersAndUnchangedOnUnknownKind)
{
    int fs = 48000;
    Biquad lp, hp;
    DesignSection(static_cast<int>(FilterKind::LowPass), lp, 0, 0.707, 5000, fs);
    DesignSection(static_cast<int>(FilterKind::HighPass), hp, 0, 0.707, 100, fs);
    EXPECT_NEAR(dB(SectionMagnitude(lp, 5000, 48000)), -3.01, 0.05);
    EXPECT_NEAR(dB(SectionMagnitude(lp, 50, 48000)), 0.0, 0.01);
    EXPECT_NEAR(dB(SectionMagnitude(hp, 100, 48000)), -3.01, 0.05);
    EXPECT_NEAR(dB(SectionMagnitude(hp, 10000, 48000)), 0.0, 0.01);

    const Biquad before = lp;
    EXPECT_EQ(DesignSection(9, lp, 3, 1, 1000, fs), 0);
    EXPECT_EQ(lp.b0, before.b0);
    EXPECT_EQ(lp.a2, before.a2);
}

TEST(FilterDesign, ShelvesAndAllPass)
{
    int fs = 44100;
    Biquad s;
    DesignSection(static_cast<int>(FilterKind::HighShelf), s, -30.0, 1.0, 18375.0, fs);
    EXPECT_NEAR(dB(SectionMagnitude(s, 100, 44100)), 0.0, 0.05);
    EXPECT_LT(dB(SectionMagnitude(s, 22000, 44100)), -20.0);
    DesignSection(static_cast<int>(FilterKind::LowShelf), s, 12.0, 1.0, 100.0, fs);
    EXPECT_NEAR(dB(SectionMagnitude(s, 10, 44100)), 12.0, 0.2);
    EXPECT_NEAR(dB(SectionMagnitude(s, 10000, 44100)), 0.0, 0.05);
    DesignSection(static_cast<int>(FilterKind::AllPass), s, 0.0, 1.0, 1000.0, fs);
    for (double f : {50.0, 1000.0, 12000.0})
        EXPECT_NEAR(SectionMagnitude(s, f, 44100), 1.0, 1e-9);
}

TEST(PinkCascade, SectionCountFollowsTheSampleRate)
{
    PinkCascade c;
    int fs = 44100;
    DesignPinkCascade(c, fs);
    EXPECT_EQ(c.count, 12) << "11 peaking sections (20 .. 20480 Hz) and the shelf";
    fs = 8000;
    DesignPinkCascade(c, fs);
    EXPECT_EQ(c.count, 9) << "8 peaking sections (20 .. 2560 Hz) and the shelf";
    // The shelf sits at round(8000 / 2.4) = 3333 Hz: compare with a fresh design.
    Biquad shelf;
    DesignSection(static_cast<int>(FilterKind::HighShelf), shelf, -30.0, 1.0, 3333.0, fs);
    EXPECT_DOUBLE_EQ(c.sections[8].b0, shelf.b0);
    EXPECT_DOUBLE_EQ(c.sections[8].a1, shelf.a1);
}

TEST(PinkCascade, SlopesAboutThreeDecibelsPerOctave)
{
    PinkCascade c;
    int fs = 48000;
    DesignPinkCascade(c, fs);
    const double at100 = dB(cascadeMagnitude(c, 100, 48000));
    const double at6400 = dB(cascadeMagnitude(c, 6400, 48000));
    // Six octaves: about -18 dB overall.
    EXPECT_NEAR(at6400 - at100, -18.0, 2.5);
}

TEST(PinkCascade, ProcessMatchesTheSectionsOneByOne)
{
    PinkCascade c;
    int fs = 44100;
    DesignPinkCascade(c, fs);
    std::vector<BiquadState> ref(c.count);
    for (int n = 0; n < 200; ++n) {
        const double in = (n % 7) / 3.5 - 1.0;
        double v = in;
        for (int i = 0; i < c.count; ++i) {
            BiquadState& h = ref[i];
            const Biquad& s = c.sections[i];
            const double y = s.b0 * v + s.b1 * h.x0 + s.b2 * h.x1 + s.a1 * h.y0 + s.a2 * h.y1;
            h.x1 = h.x0; h.x0 = v; h.y1 = h.y0; h.y0 = y;
            v = y;
        }
        ASSERT_NEAR(ProcessCascade(c, in), v, 1e-12) << "sample " << n;
    }
    ResetCascade(c);
    EXPECT_EQ(c.states[0].y0, 0.0);
}

TEST(StereoBlockFilter, EachChannelStartsSilentAndStaysSeparate)
{
    int fs = 44100;
    Biquad lp;
    DesignSection(static_cast<int>(FilterKind::LowPass), lp, 0, 0.707, 1000, fs);
    // Impulse on the first channel only.
    std::vector<float> block(2 * 64, 0.0f);
    block[0] = 1.0f;
    FilterStereoBlock(lp, 64, block.data());
    EXPECT_FLOAT_EQ(block[0], static_cast<float>(lp.b0));
    EXPECT_FLOAT_EQ(block[2], static_cast<float>(lp.b1 + lp.a1 * lp.b0));
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(block[2 * i + 1], 0.0f) << "second channel must stay silent";
}
