#pragma once
// The discrete Fourier transform by its definition, with the program's sign
// and scaling (1/N on the forward transform), summed in long double: the
// reference the fast transforms are checked against at small sizes.

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace korvanta::testing_support {

inline void directDft(const std::vector<float>& re, const std::vector<float>& im,
                      std::vector<std::complex<double>>& out)
{
    const int N = static_cast<int>(re.size());
    out.assign(N, {});
    for (int k = 0; k < N; ++k) {
        long double sr = 0, si = 0;
        for (int n = 0; n < N; ++n) {
            const long double a = 2.0L * std::numbers::pi_v<long double> * ((static_cast<long long>(n) * k) % N) / N;
            const long double c = std::cos(a), s = std::sin(a);
            sr += re[n] * c - im[n] * s;
            si += re[n] * s + im[n] * c;
        }
        out[k] = {static_cast<double>(sr / N), static_cast<double>(si / N)};
    }
}

} // namespace korvanta::testing_support
