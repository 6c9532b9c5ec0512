#include "measure/FFtuli.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <numbers>

namespace korvanta {

namespace {

struct WindowCoefficients {
    double a[5];
    double gainDb;
};

// Cosine-sum coefficients a0..a4 and gain in dB of windows 1..8. The gains
// are the program's rounded values (users compare readings across windows),
// not 20*log10(0.5/a0).
constexpr WindowCoefficients kWindows[kWindowTypeCount] = {
    {{0.5, 0, 0, 0, 0}, 0},                                        // 0 None
    {{0.54, -0.46, 0, 0, 0}, -0.8},                                // 1 Hamming
    {{0.5, -0.5, 0, 0, 0}, 0},                                     // 2 van Hann
    {{0.42, -0.5, 0.08, 0, 0}, 1.5},                               // 3 Blackman
    {{0.35875, -0.48829, 0.14128, -0.01168, 0}, 2.7},              // 4 Blackman/Harris
    {{0.1881, -0.36923, 0.28702, -0.13077, 0.02488}, 8.3},         // 5 Flat-Top
    {{0.375, -0.5, 0.125, 0, 0}, 2.2},                             // 6 Rife-Vincent 1
    {{0.3125, -0.46875, 0.1875, -0.03125, 0}, 4},                  // 7 Rife-Vincent 2
    {{0.2734375, -0.4375, 0.21875, -0.0625, 0.0078125}, 5},        // 8 Rife-Vincent 3
};

[[noreturn]] void outOfMemory()
{
    std::fputs("korvanta: out of memory for the FFT work arrays\n", stderr);
    std::exit(1);
}

template <typename T>
std::unique_ptr<T[]> allocateZeroed(int n)
{
    std::unique_ptr<T[]> p(new (std::nothrow) T[n]());
    if (!p)
        outOfMemory();
    return p;
}

// The classic bit-reversal counter: j runs through the bit-reversed values
// of i = 1, 2, 3 ...
void fillBitReverse(int* table, int n)
{
    table[0] = 0;
    int j = 0;
    for (int i = 1; i < n; ++i) {
        int k = n / 2;
        while (j + k > n - 1)
            k /= 2;
        j = k + (j % k);
        table[i] = j;
    }
}

// The transform's constant tables, built once for the largest size: the
// bit reversal of 0 .. kMaxFftPoints-1 (smaller sizes shift it down) and the
// twiddles of every stage, stage m at offset m - 2. Each stage's twiddles
// come from the same recurrence as the classic loop (identical values), so
// the butterflies run through memory in order.
struct TransformTables {
    std::unique_ptr<int[]> bitReverse = allocateZeroed<int>(kMaxFftPoints);
    std::unique_ptr<double[]> twiddleRe = allocateZeroed<double>(kMaxFftPoints);
    std::unique_ptr<double[]> twiddleIm = allocateZeroed<double>(kMaxFftPoints);
    TransformTables();
};

const TransformTables& tables()
{
    static const TransformTables t;
    return t;
}

int log2Of(int n)
{
    int bits = 0;
    while ((1 << bits) < n)
        ++bits;
    return bits;
}

void bitReversePermute(float* re, float* im, int N)
{
    const int* table = tables().bitReverse.get();
    const int shift = log2Of(kMaxFftPoints) - log2Of(N);
    for (int i = 1; i < N; ++i) {
        const int j = table[i] >> shift;
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
}

// Twiddles of the stage with half-span m: w_0 = 1 and w_{j+1} = w_j * e^{i pi/m},
// advanced by the recurrence (one cosine/sine pair per stage).
void stageTwiddles(int m, double* wr, double* wi)
{
    const double c = std::cos(std::numbers::pi / m);
    const double s = std::sin(std::numbers::pi / m);
    double r = 1.0, i = 0.0;
    for (int j = 0; j < m; ++j) {
        wr[j] = r;
        wi[j] = i;
        const double next = r * c - i * s;
        i = i * c + r * s;
        r = next;
    }
}

// The first stage's only twiddle is exactly 1, so its butterflies are plain
// sums and differences (the same values the general loop would produce).
void firstStage(float* __restrict re, float* __restrict im, int N)
{
    for (int p = 0; p < N; p += 2) {
        const float r = re[p + 1], i = im[p + 1];
        re[p + 1] = re[p] - r;
        im[p + 1] = im[p] - i;
        re[p] = re[p] + r;
        im[p] = im[p] + i;
    }
}

void butterflies(float* __restrict re, float* __restrict im, int N, int m, const double* wr, const double* wi)
{
    for (int block = 0; block < N; block += 2 * m) {
        float* rp = re + block;
        float* ip = im + block;
        float* rq = rp + m;
        float* iq = ip + m;
        for (int j = 0; j < m; ++j) {
            const double tr = wr[j] * rq[j] - wi[j] * iq[j];
            const double ti = wr[j] * iq[j] + wi[j] * rq[j];
            rq[j] = static_cast<float>(rp[j] - tr);
            iq[j] = static_cast<float>(ip[j] - ti);
            rp[j] = static_cast<float>(rp[j] + tr);
            ip[j] = static_cast<float>(ip[j] + ti);
        }
    }
}

TransformTables::TransformTables()
{
    fillBitReverse(bitReverse.get(), kMaxFftPoints);
    for (int m = 2; m < kMaxFftPoints; m *= 2)
        stageTwiddles(m, twiddleRe.get() + m - 2, twiddleIm.get() + m - 2);
}

} // namespace

FftWorkspace::FftWorkspace()
    : window_(allocateZeroed<float>(kMaxFftPoints)), imag_(allocateZeroed<float>(kMaxFftPoints))
{
}

FftWorkspace::~FftWorkspace() = default;

void FftWorkspace::MakeWindow(int type, int N)
{
    if (type < 0 || type >= kWindowTypeCount || N <= 0 || N > kMaxFftPoints)
        return;
    float* w = window_.get();
    if (type == 0) {
        for (int i = 0; i < N; ++i)
            w[i] = 0.5f;
        return;
    }
    const double* a = kWindows[type].a;
    const double G = WindowGain(type);
    for (int i = 0; i < N; ++i) {
        const double x = 2 * std::numbers::pi * i / N;
        const double sum = a[0] + a[1] * std::cos(x) + a[2] * std::cos(2 * x) + a[3] * std::cos(3 * x) +
                           a[4] * std::cos(4 * x);
        w[i] = static_cast<float>(G * sum);
    }
}

float WindowGain(int type)
{
    if (type <= 0 || type >= kWindowTypeCount)
        return 1.0f;
    return static_cast<float>(std::pow(10.0, kWindows[type].gainDb / 20.0));
}

int BitReversedIndex(int i, int N)
{
    return tables().bitReverse[i] >> (log2Of(kMaxFftPoints) - log2Of(N));
}

void Fft(float* re, float* im, int N)
{
    const TransformTables& t = tables();
    bitReversePermute(re, im, N);
    firstStage(re, im, N);
    for (int m = 2; m < N; m *= 2)
        butterflies(re, im, N, m, t.twiddleRe.get() + m - 2, t.twiddleIm.get() + m - 2);
    const float scale = static_cast<float>(N);
    for (int i = 0; i < N; ++i) {
        re[i] /= scale;
        im[i] /= scale;
    }
}

void FftWorkspace::Magnitude(float* x, int N)
{
    float* im = imag_.get();
    const float* w = window_.get();
    std::memset(im, 0, sizeof(float) * N);
    for (int i = 0; i < N; ++i)
        x[i] *= w[i];
    Fft(x, im, N);
    for (int i = 0; i < N / 2; ++i)
        x[i] = static_cast<float>(std::sqrt(static_cast<double>(x[i]) * x[i] + static_cast<double>(im[i]) * im[i]));
}

namespace {

// In-place bit reversal by the counter of fillBitReverse, for any size.
void bitReversePermuteLong(double* re, double* im, int N)
{
    int j = 0;
    for (int i = 1; i < N; ++i) {
        int k = N / 2;
        while (j + k > N - 1)
            k /= 2;
        j = k + (j % k);
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
}

void butterfliesLong(double* __restrict re, double* __restrict im, int N, int m, const double* wr, const double* wi)
{
    for (int block = 0; block < N; block += 2 * m) {
        double* rp = re + block;
        double* ip = im + block;
        double* rq = rp + m;
        double* iq = ip + m;
        for (int j = 0; j < m; ++j) {
            const double tr = wr[j] * rq[j] - wi[j] * iq[j];
            const double ti = wr[j] * iq[j] + wi[j] * rq[j];
            rq[j] = rp[j] - tr;
            iq[j] = ip[j] - ti;
            rp[j] += tr;
            ip[j] += ti;
        }
    }
}

} // namespace

void FftLong(double* re, double* im, int N, std::vector<double>& scratch)
{
    if (N < 2 || N > kMaxLongFftPoints || (N & (N - 1)) != 0)
        return;
    scratch.resize(static_cast<size_t>(N));
    double* wr = scratch.data();
    double* wi = wr + N / 2;
    bitReversePermuteLong(re, im, N);
    for (int m = 1; m < N; m *= 2) {
        // The recurrence drifts by about m rounding steps; a fresh cosine
        // every 64 twiddles keeps the longest stage as exact as a short one.
        const double c = std::cos(std::numbers::pi / m), s = std::sin(std::numbers::pi / m);
        for (int j0 = 0; j0 < m; j0 += 64) {
            const int n = std::min(64, m - j0);
            wr[j0] = std::cos(std::numbers::pi * j0 / m);
            wi[j0] = std::sin(std::numbers::pi * j0 / m);
            for (int j = j0 + 1; j < j0 + n; ++j) {
                wr[j] = wr[j - 1] * c - wi[j - 1] * s;
                wi[j] = wi[j - 1] * c + wr[j - 1] * s;
            }
        }
        butterfliesLong(re, im, N, m, wr, wi);
    }
    const double scale = 1.0 / N;
    for (int i = 0; i < N; ++i) {
        re[i] *= scale;
        im[i] *= scale;
    }
}

} // namespace korvanta
