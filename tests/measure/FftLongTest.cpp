// The long double-precision transform, on its own library: against the
// direct sum at small sizes, and one tone in one bin at the sizes an
// impulse response uses.
#include "measure/FFtuli.h"
#include "tests/support/DirectDft.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <vector>

using namespace korvanta;
using korvanta::testing_support::directDft;

TEST(FftLong, MatchesTheDirectSumAndKeepsOneToneInOneBin)
{
    struct Case {
        int N;
        bool direct; // compare every bin with the direct sum (small sizes only)
    };
    const Case cases[] = {{2, true}, {64, true}, {1024, true}, {1 << 20, false}, {1 << 21, false}};
    std::vector<double> scratch;
    for (const Case& c : cases) {
        std::mt19937 rng(c.N);
        std::uniform_real_distribution<float> u(-1.0f, 1.0f);
        std::vector<double> re(c.N), im(c.N);
        if (c.direct) {
            std::vector<float> fr(c.N), fi(c.N);
            for (int i = 0; i < c.N; ++i) {
                re[i] = fr[i] = u(rng);
                im[i] = fi[i] = u(rng);
            }
            std::vector<std::complex<double>> want;
            directDft(fr, fi, want);
            FftLong(re.data(), im.data(), c.N, scratch);
            for (int k = 0; k < c.N; ++k) {
                EXPECT_NEAR(re[k], want[k].real(), 1e-12) << "N " << c.N << " bin " << k;
                EXPECT_NEAR(im[k], want[k].imag(), 1e-12) << "N " << c.N << " bin " << k;
            }
            continue;
        }
        const int bin = c.N / 3 + 7;
        for (int i = 0; i < c.N; ++i) {
            const double a = 2 * std::numbers::pi * std::fmod(static_cast<double>(bin) * i / c.N, 1.0);
            re[i] = std::cos(a);
            im[i] = std::sin(a);
        }
        FftLong(re.data(), im.data(), c.N, scratch);
        double leak = 0;
        for (int k = 0; k < c.N; ++k)
            if (k != c.N - bin)
                leak = std::max(leak, std::hypot(re[k], im[k]));
        // Positive exponent: e^{+i a} lands in bin N - bin.
        EXPECT_NEAR(re[c.N - bin], 1.0, 1e-9) << "N " << c.N;
        EXPECT_LT(leak, 1e-9) << "N " << c.N;
    }
}
