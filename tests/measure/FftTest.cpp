#include "tests/support/DirectDft.h"
#include "tests/support/TestFft.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <vector>

using namespace korvanta;
using korvanta::testing_support::directDft;
using korvanta::testing_support::fft;

namespace {
std::vector<float> sine(int N, double cyclesPerBlock, double amplitude, double phase = 0)
{
    std::vector<float> x(N);
    for (int i = 0; i < N; ++i)
        x[i] = static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * cyclesPerBlock * i / N + phase));
    return x;
}

} // namespace

TEST(Window, MeanOfEveryWindowIsCloseToOneHalf)
{
    const int N = 4096;
    for (int type = 0; type < kWindowTypeCount; ++type) {
        fft().MakeWindow(type, N);
        double sum = 0;
        for (int i = 0; i < N; ++i)
            sum += fft().Window()[i];
        const double mean = sum / N;
        EXPECT_GE(mean, 0.48) << "window " << type;
        EXPECT_LE(mean, 0.50 + 1e-6) << "window " << type;
    }
}

TEST(Window, PeriodicShapeAndSinglePrecisionGain)
{
    const int N = 2048;
    fft().MakeWindow(2, N); // van Hann: zero at 0, peak 1 exactly in the middle (periodic)
    EXPECT_FLOAT_EQ(fft().Window()[0], 0.0f);
    EXPECT_FLOAT_EQ(fft().Window()[N / 2], 1.0f);
    EXPECT_FLOAT_EQ(fft().Window()[N / 4], 0.5f);

    fft().MakeWindow(3, N); // Blackman with +1.5 dB, the gain rounded to float first
    const float G = static_cast<float>(std::pow(10.0, 1.5 / 20));
    EXPECT_EQ(WindowGain(3), G);
    EXPECT_FLOAT_EQ(fft().Window()[N / 2], static_cast<float>(static_cast<double>(G) * (0.42 + 0.5 + 0.08)));
}

TEST(Window, SmallerSizeRewritesOnlyItsPartAndBadTypeChangesNothing)
{
    fft().MakeWindow(8, 16384);
    std::vector<float> big(fft().Window(), fft().Window() + 16384);
    fft().MakeWindow(0, 2048);
    for (int i = 0; i < 2048; ++i)
        ASSERT_EQ(fft().Window()[i], 0.5f);
    for (int i = 2048; i < 16384; ++i)
        ASSERT_EQ(fft().Window()[i], big[i]) << i;

    std::vector<float> before(fft().Window(), fft().Window() + 16384);
    fft().MakeWindow(9, 2048);
    fft().MakeWindow(-1, 2048);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), fft().Window()));
}

TEST(FftMagnitudeTest, FullScaleSineOnABinUnderWindowNoneGivesAQuarter)
{
    const int N = 2048;
    fft().MakeWindow(0, N);
    auto x = sine(N, 100, 1.0);
    fft().Magnitude(x.data(), N);
    EXPECT_NEAR(x[100], 0.25, 1e-5);
    EXPECT_NEAR(x[99], 0.0, 1e-5);
    EXPECT_NEAR(x[0], 0.0, 1e-5);
}

TEST(FftMagnitudeTest, EveryWindowReadsTheSineAtItsMeanTimesAHalf)
{
    // A sine of peak A on a bin reads A * mean(w) / 2 under a cosine-sum window.
    const int N = 16384;
    for (int type = 0; type < kWindowTypeCount; ++type) {
        fft().MakeWindow(type, N);
        double mean = 0;
        for (int i = 0; i < N; ++i)
            mean += fft().Window()[i];
        mean /= N;
        auto x = sine(N, 1000, 0.5, 0.3);
        fft().Magnitude(x.data(), N);
        EXPECT_NEAR(x[1000], 0.5 * mean / 2, 2e-6) << "window " << type;
    }
}

TEST(FftMagnitudeTest, DcAndNyquist)
{
    const int N = 4096;
    fft().MakeWindow(0, N);
    std::vector<float> dc(N, 0.8f);
    fft().Magnitude(dc.data(), N);
    EXPECT_NEAR(dc[0], 0.4, 1e-6); // 0.8 * 0.5 window, no 1/2 for DC
    EXPECT_NEAR(dc[1], 0.0, 1e-6);
}

TEST(FftTest, BitReversalOfTheFirstIndices)
{
    for (int N : {8, 2048, 16384}) {
        EXPECT_EQ(BitReversedIndex(1, N), N / 2);
        EXPECT_EQ(BitReversedIndex(2, N), N / 4);
        EXPECT_EQ(BitReversedIndex(3, N), 3 * N / 4);
        EXPECT_EQ(BitReversedIndex(N - 1, N), N - 1);
    }
    EXPECT_EQ(BitReversedIndex(1, 2), 1);
}

TEST(FftTest, MatchesTheDirectDftWithTheSameSignAndScaling)
{
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    for (int N = 2; N <= 16384; N *= 2) {
        std::vector<float> re(N), im(N);
        double norm = 0;
        for (int i = 0; i < N; ++i) {
            re[i] = u(rng);
            im[i] = u(rng);
            norm += double(re[i]) * re[i] + double(im[i]) * im[i];
        }
        std::vector<std::complex<double>> ref;
        // The direct DFT is O(N^2): check every bin up to 1024, sampled bins above.
        if (N <= 1024) {
            directDft(re, im, ref);
        } else {
            ref.assign(N, {});
            for (int k = 0; k < N; k += N / 64 + 1) {
                long double sr = 0, si = 0;
                for (int n = 0; n < N; ++n) {
                    const long double a = 2.0L * std::numbers::pi_v<long double> * ((static_cast<long long>(n) * k) % N) / N;
                    sr += re[n] * std::cos(a) - im[n] * std::sin(a);
                    si += re[n] * std::sin(a) + im[n] * std::cos(a);
                }
                ref[k] = {static_cast<double>(sr / N), static_cast<double>(si / N)};
            }
        }
        std::vector<float> r2 = re, i2 = im;
        Fft(r2.data(), i2.data(), N);
        // Parseval with 1/N scaling: sum |X|^2 = norm / N.
        const double scale = std::sqrt(norm / N);
        double err = 0;
        for (int k = 0; k < N; k += (N <= 1024 ? 1 : N / 64 + 1))
            err = std::max(err, std::abs(std::complex<double>(r2[k], i2[k]) - ref[k]));
        EXPECT_LT(err, 1e-5 * scale) << "N = " << N;
    }
}

TEST(FftTest, PositiveExponent)
{
    // x[n] = e^{+2 pi i n / N} lands in bin N-1 with the positive sign
    // convention ((1/N) sum x[n] e^{+2 pi i nk/N} peaks where k = -1 mod N).
    const int N = 64;
    std::vector<float> re(N), im(N);
    for (int n = 0; n < N; ++n) {
        re[n] = static_cast<float>(std::cos(2 * std::numbers::pi * n / N));
        im[n] = static_cast<float>(std::sin(2 * std::numbers::pi * n / N));
    }
    Fft(re.data(), im.data(), N);
    EXPECT_NEAR(re[N - 1], 1.0, 1e-6);
    EXPECT_NEAR(re[1], 0.0, 1e-6);
}

