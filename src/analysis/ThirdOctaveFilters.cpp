#include "analysis/ThirdOctaveFilters.h"

#include "base/TargetClones.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <type_traits>

// The filters run on the real-time thread and dominate the third-octave
// analysis, so they are built for the wider vector units too. With AVX-512
// the two channels' band lanes fill one vector (see kWideLanes).
#define QVX_FILTER_CLONES QVX_TARGET_CLONES
#define QVX_FILTER_WIDE_LANES QVX_TARGET_CLONES_ACTIVE

// The vector helpers below are internal and inlined: the ABI of passing wide
// vectors to them without AVX does not matter.
#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

namespace
{
// Adds y^2 to the window in progress; at the end of a window publishes its RMS
// if it is the first window of this block or larger than the earlier ones.
struct RmsWindow
{
    RmsWindow() noexcept = default;
    explicit RmsWindow(const BandFilter& f) noexcept
        : mSum(f.mAccumulator), mCount(f.mAccumulated), mLength(f.mLength), mInvLength(f.mInvLength)
    {
    }

    void Add(float y, float& rms) noexcept
    {
        mSum += static_cast<double>(y) * y;
        if (++mCount >= mLength)
        {
            const float value = std::sqrt(static_cast<float>(mSum) * mInvLength);
            if (!mCompleted || value > rms)
                rms = value;
            mCompleted = true;
            mSum = 0.0;
            mCount = 0;
        }
    }

    void Store(BandFilter& f) const noexcept
    {
        f.mAccumulator = static_cast<float>(mSum);
        f.mAccumulated = mCount;
    }

    double mSum = 0.0;
    std::int32_t mCount = 0;
    std::int32_t mLength = 1;
    float mInvLength = 1.0f;
    bool mCompleted = false;
};

using V4d = double __attribute__((vector_size(32)));
using V4f = float __attribute__((vector_size(16)));
using V4i = std::int32_t __attribute__((vector_size(16)));
using V8d = double __attribute__((vector_size(64)));
using V8f = float __attribute__((vector_size(32)));
using V8i = std::int32_t __attribute__((vector_size(32)));

// The peak between samples (see the header). A band's outputs are filtered in
// chunks written to a buffer behind its last kPeakTaps outputs. The sample
// looked around needs kPeakHalf outputs on either side, so a chunk's
// candidates are the buffer positions [kPeakHalf, kPeakHalf + chunk): the
// newer half of the history, then the chunk less its last kPeakHalf outputs.
// The block's peak is that of its candidates and of the crest around the
// largest of them.
constexpr std::size_t kPeakTaps = BandFilter::kPeakTaps;
constexpr std::size_t kPeakHalf = kPeakTaps / 2;
constexpr std::size_t kPeakChunk = 256;
// Interpolated positions: -4/8 .. -1/8 and 1/8 .. 4/8 of a sample from the
// centre. The crest of a sine lies within half a sample of its largest
// sample; a grid of eighths comes within 1/16 of a sample of it, 0.17 dB low
// at most (at half the rate).
constexpr int kPeakSteps = 8;

// Kaiser-windowed sinc (beta 6) over the kPeakTaps samples nearest each
// position, each row scaled to unit gain at DC; mTaps[t] holds the weights of
// the sample at centre - kPeakHalf + t for the eight positions. Within
// 0.015 dB of the exact value up to 0.38 of the rate and below it above that
// (0.2 dB low at 0.40, 0.8 dB at 0.42, nothing at half the rate); never more
// than 0.015 dB above it. So it can miss a crest close to half the rate, where
// the samples themselves, drifting through the tone's phase, catch it within
// a few dozen samples, but it does not make one up.
struct PeakKernel
{
    alignas(32) float mTaps[kPeakTaps + 1][kPeakSteps];
};

double BesselI0(double x) noexcept
{
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 40; ++k)
    {
        const double half = x / (2.0 * k);
        term *= half * half;
        sum += term;
    }
    return sum;
}

PeakKernel DesignPeakKernel() noexcept
{
    constexpr double kBeta = 6.0;
    constexpr int kHalf = static_cast<int>(kPeakHalf);
    PeakKernel kernel{};
    for (int j = 0; j < kPeakSteps; ++j)
    {
        const int step = j < kPeakSteps / 2 ? j - kPeakSteps / 2 : j - kPeakSteps / 2 + 1;
        const double position = static_cast<double>(step) / kPeakSteps;
        // Left of the centre the taps run from -kHalf to kHalf - 1, right of
        // it from -kHalf + 1 to kHalf.
        const int first = step < 0 ? -kHalf : -kHalf + 1;
        double row[kPeakTaps];
        double sum = 0.0;
        for (int i = 0; i < static_cast<int>(kPeakTaps); ++i)
        {
            const double t = static_cast<double>(first + i) - position;
            const double u = t / kHalf;
            const double sinc = std::sin(std::numbers::pi * t) / (std::numbers::pi * t);
            row[i] = sinc * BesselI0(kBeta * std::sqrt(std::max(0.0, 1.0 - u * u))) / BesselI0(kBeta);
            sum += row[i];
        }
        for (int i = 0; i < static_cast<int>(kPeakTaps); ++i)
            kernel.mTaps[first + i + kHalf][j] = static_cast<float>(row[i] / sum);
    }
    return kernel;
}

const PeakKernel kPeakKernel = DesignPeakKernel();

// The largest |value| at the centre around[kPeakHalf] and at the positions
// interpolated around it; around holds kPeakTaps + 1 consecutive outputs.
QVX_FILTER_CLONES float PeakAround(const float* around) noexcept
{
    V8f weights[kPeakTaps + 1];
    std::memcpy(weights, kPeakKernel.mTaps, sizeof weights);
    // Two sums, so that the adds do not wait on each other.
    V8f even = {}, odd = {};
    for (std::size_t t = 0; t < kPeakTaps; t += 2)
    {
        even += weights[t] * around[t];
        odd += weights[t + 1] * around[t + 1];
    }
    const V8f value = even + odd + weights[kPeakTaps] * around[kPeakTaps];
    float peak = std::fabs(around[kPeakHalf]);
    for (int j = 0; j < kPeakSteps; ++j)
        peak = std::max(peak, std::fabs(value[j]));
    return peak;
}

// The general recursion for an order known when compiled (Order 0 .. 7), so
// that the history loops unroll, over Sets filters of the same order, each on
// its own signal (two channels); the signals have the same length. The sets
// share nothing but the loop: each one's latency hides in the other's.
template <int Order, int Sets>
QVX_FILTER_CLONES void ProcessBandOrder(BandFilter* const* filters, const std::span<const float>* x,
                                        float* peaks) noexcept
{
    double b[Sets][Order + 1], a[Sets][Order + 1];
    float xs[Sets][Order + 1], ys[Sets][Order + 1]; // [1] .. [Order]: most recent first
    float recent[Sets][kPeakTaps + kPeakChunk];
    float peak[Sets];
    RmsWindow window[Sets];
    for (int s = 0; s < Sets; ++s)
    {
        const BandFilter& f = *filters[s];
        window[s] = RmsWindow(f);
        for (int j = 0; j <= Order; ++j)
        {
            b[s][j] = f.mB[j];
            a[s][j] = f.mA[j];
        }
        for (int j = 1; j <= Order; ++j)
        {
            xs[s][j] = f.mInput[static_cast<std::size_t>(j - 1)];
            ys[s][j] = f.mOutput[static_cast<std::size_t>(j - 1)];
        }
        std::copy(f.mRecent.begin(), f.mRecent.end(), recent[s]);
        peak[s] = 0.0f;
    }
    const std::size_t size = x[0].size();
    for (std::size_t done = 0; done < size;)
    {
        const std::size_t n = std::min(kPeakChunk, size - done);
        float largest[Sets];
        std::size_t centre[Sets];
        for (int s = 0; s < Sets; ++s)
        {
            largest[s] = -1.0f;
            centre[s] = kPeakHalf;
        }
        for (std::size_t i = 0; i < n; ++i)
        {
            for (int s = 0; s < Sets; ++s)
            {
                // The candidate was written kPeakHalf samples ago, off the
                // recursion's path.
                const float candidate = std::fabs(recent[s][kPeakHalf + i]);
                centre[s] = candidate > largest[s] ? kPeakHalf + i : centre[s];
                largest[s] = std::max(candidate, largest[s]);
                const float in = x[s][done + i];
                double older = b[s][0] * in;
                for (int j = 2; j <= Order; ++j)
                    older += b[s][j - 1] * xs[s][j - 1] - a[s][j] * ys[s][j];
                if constexpr (Order >= 1)
                    older += b[s][Order] * xs[s][Order];
                double acc = older;
                if constexpr (Order >= 1)
                    acc -= a[s][1] * ys[s][1];
                const float y = static_cast<float>(acc);
                for (int j = Order; j > 1; --j)
                {
                    xs[s][j] = xs[s][j - 1];
                    ys[s][j] = ys[s][j - 1];
                }
                if constexpr (Order >= 1)
                {
                    xs[s][1] = in;
                    ys[s][1] = y;
                }
                recent[s][kPeakTaps + i] = y;
                window[s].Add(y, filters[s]->mRms);
            }
        }
        for (int s = 0; s < Sets; ++s)
        {
            peak[s] = std::max(peak[s], PeakAround(recent[s] + centre[s] - kPeakHalf));
            std::copy(recent[s] + n, recent[s] + n + kPeakTaps, recent[s]);
        }
        done += n;
    }
    for (int s = 0; s < Sets; ++s)
    {
        BandFilter& f = *filters[s];
        for (int j = 1; j <= Order; ++j)
        {
            f.mInput[static_cast<std::size_t>(j - 1)] = xs[s][j];
            f.mOutput[static_cast<std::size_t>(j - 1)] = ys[s][j];
        }
        std::copy(recent[s], recent[s] + kPeakTaps, f.mRecent.begin());
        window[s].Store(f);
        peaks[s] = peak[s];
    }
}

template <int Sets>
void ProcessBandOrders(BandFilter* const* filters, const std::span<const float>* x, float* peaks) noexcept
{
    switch (std::clamp(filters[0]->mOrder, 0, static_cast<int>(BandFilter::kHistory) - 1))
    {
    case 0:
        return ProcessBandOrder<0, Sets>(filters, x, peaks);
    case 1:
        return ProcessBandOrder<1, Sets>(filters, x, peaks);
    case 2:
        return ProcessBandOrder<2, Sets>(filters, x, peaks);
    case 3:
        return ProcessBandOrder<3, Sets>(filters, x, peaks);
    case 4:
        return ProcessBandOrder<4, Sets>(filters, x, peaks);
    case 5:
        return ProcessBandOrder<5, Sets>(filters, x, peaks);
    case 6:
        return ProcessBandOrder<6, Sets>(filters, x, peaks);
    default:
        return ProcessBandOrder<7, Sets>(filters, x, peaks);
    }
}
} // namespace

float ProcessBandGeneral(BandFilter& f, std::span<const float> x) noexcept
{
    BandFilter* filters[] = {&f};
    float peak = 0.0f;
    ProcessBandOrders<1>(filters, &x, &peak);
    return peak;
}

void ProcessBandGeneralPair(BandFilter& first, BandFilter& second, std::span<const float> x0,
                            std::span<const float> x1, float* peaks) noexcept
{
    if (first.mOrder != second.mOrder || x0.size() != x1.size())
    {
        peaks[0] = ProcessBandGeneral(first, x0);
        peaks[1] = ProcessBandGeneral(second, x1);
        return;
    }
    BandFilter* filters[] = {&first, &second};
    const std::span<const float> x[] = {x0, x1};
    ProcessBandOrders<2>(filters, x, peaks);
}

namespace
{
// Band filters of one octave, one per vector lane: up to four of one channel
// (Width 4), or up to four of each of two channels (Width 8, lanes 0 to 3 and
// 4 to 7). Within a channel the lanes' input, integration length and window
// position are the same (they run on the same signal from the same start),
// and the two channels' windows are in step, so one window counter serves all
// lanes. Members are named, not indexed, so that the recursion's state stays
// in registers; the inputs are kept widened, one channel's value in each of
// its lanes.
template <int Width>
struct Lanes
{
    using D = std::conditional_t<Width == 4, V4d, V8d>;
    using F = std::conditional_t<Width == 4, V4f, V8f>;
    using I = std::conditional_t<Width == 4, V4i, V8i>;
    static constexpr std::size_t kSets = Width / 4;

    // filters[s] holds channel s's count filters.
    Lanes(BandFilter* const* const* filters, std::size_t count) noexcept : mCount(count)
    {
        for (std::size_t t = 0; t < kPeakTaps; ++t)
            recent[t] = F{};
        for (std::size_t s = 0; s < kSets; ++s)
        {
            mFilters[s] = filters[s];
            for (std::size_t k = 0; k < count; ++k)
            {
                const BandFilter& f = *filters[s][k];
                const std::size_t l = s * 4 + k;
                b0[l] = f.mB[0];
                b1[l] = f.mB[1];
                b2[l] = f.mB[2];
                b3[l] = f.mB[3];
                b4[l] = f.mB[4];
                b5[l] = f.mB[5];
                b6[l] = f.mB[6];
                a1[l] = f.mA[1];
                a2[l] = f.mA[2];
                a3[l] = f.mA[3];
                a4[l] = f.mA[4];
                a5[l] = f.mA[5];
                a6[l] = f.mA[6];
                y1[l] = f.mOutput[0];
                y2[l] = f.mOutput[1];
                y3[l] = f.mOutput[2];
                y4[l] = f.mOutput[3];
                y5[l] = f.mOutput[4];
                y6[l] = f.mOutput[5];
                rms[l] = f.mRms;
                sum[l] = f.mAccumulator;
                for (std::size_t t = 0; t < kPeakTaps; ++t)
                    recent[t][l] = f.mRecent[t];
            }
            const BandFilter& first = *filters[s][0];
            for (std::size_t k = 0; k < 4; ++k)
            {
                const std::size_t l = s * 4 + k;
                x1[l] = first.mInput[0];
                x2[l] = first.mInput[1];
                x3[l] = first.mInput[2];
                x4[l] = first.mInput[3];
                x5[l] = first.mInput[4];
                x6[l] = first.mInput[5];
            }
        }
        const BandFilter& first = *filters[0][0];
        counter = first.mAccumulated;
        length = first.mLength;
        invLength = first.mInvLength;
    }

    // One sample of every channel (x[s][index]); the outputs go to
    // recent[kPeakTaps + i].
    void Step(const float* const* x, std::size_t index, std::size_t i) noexcept
    {
        D in;
        for (std::size_t s = 0; s < kSets; ++s)
            for (std::size_t k = 0; k < 4; ++k)
                in[s * 4 + k] = x[s][index];
        const D older = ((b0 * in + b1 * x1) + (b2 * x2 + b3 * x3)) + ((b4 * x4 + b5 * x5) + b6 * x6) -
                        ((a2 * __builtin_convertvector(y2, D) + a3 * __builtin_convertvector(y3, D)) +
                         (a4 * __builtin_convertvector(y4, D) + a5 * __builtin_convertvector(y5, D)) +
                         a6 * __builtin_convertvector(y6, D));
        const D outD = older - a1 * __builtin_convertvector(y1, D);
        const F out = __builtin_convertvector(outD, F);
        y6 = y5;
        y5 = y4;
        y4 = y3;
        y3 = y2;
        y2 = y1;
        y1 = out;
        recent[kPeakTaps + i] = out;
        const D outRounded = __builtin_convertvector(out, D);
        sum += outRounded * outRounded;
        x6 = x5;
        x5 = x4;
        x4 = x3;
        x3 = x2;
        x2 = x1;
        x1 = in;
        if (++counter >= length)
        {
            for (std::size_t s = 0; s < kSets; ++s)
            {
                for (std::size_t k = 0; k < mCount; ++k)
                {
                    const std::size_t l = s * 4 + k;
                    const float value = std::sqrt(static_cast<float>(sum[l]) * invLength);
                    if (!completed || value > rms[l])
                        rms[l] = value;
                }
            }
            completed = true;
            sum = D{};
            counter = 0;
        }
    }

    // After a chunk of n samples: each lane's largest candidate, the crest
    // around it, and the history moved up for the next chunk.
    void EndChunk(std::size_t n) noexcept
    {
        // Two searches, over even and odd positions, so that neither waits
        // on the other's last comparison.
        F largest[2] = {F{} - 1.0f, F{} - 1.0f};
        I centre[2] = {};
        I position = I{} + static_cast<std::int32_t>(kPeakHalf);
        std::size_t p = kPeakHalf;
        for (; p + 1 < kPeakHalf + n; p += 2, position += 2)
        {
            for (int h = 0; h < 2; ++h)
            {
                const F candidate =
                    reinterpret_cast<F>(reinterpret_cast<I>(recent[p + static_cast<std::size_t>(h)]) & 0x7fffffff);
                const I above = candidate > largest[h];
                largest[h] = above ? candidate : largest[h];
                centre[h] = above ? position + h : centre[h];
            }
        }
        if (p < kPeakHalf + n)
        {
            const F candidate = reinterpret_cast<F>(reinterpret_cast<I>(recent[p]) & 0x7fffffff);
            const I above = candidate > largest[0];
            largest[0] = above ? candidate : largest[0];
            centre[0] = above ? position : centre[0];
        }
        const I best = largest[1] > largest[0] ? centre[1] : centre[0];
        for (std::size_t s = 0; s < kSets; ++s)
        {
            for (std::size_t k = 0; k < mCount; ++k)
            {
                const std::size_t l = s * 4 + k;
                float around[kPeakTaps + 1];
                const auto from = static_cast<std::size_t>(best[l]) - kPeakHalf;
                for (std::size_t t = 0; t <= kPeakTaps; ++t)
                    around[t] = recent[from + t][l];
                peak[l] = std::max(peak[l], PeakAround(around));
            }
        }
        std::copy(recent + n, recent + n + kPeakTaps, recent);
    }

    void Store(float* const* peaks) const noexcept
    {
        for (std::size_t s = 0; s < kSets; ++s)
        {
            for (std::size_t k = 0; k < mCount; ++k)
            {
                const std::size_t l = s * 4 + k;
                BandFilter& f = *mFilters[s][k];
                const auto narrow = [](double v) noexcept { return static_cast<float>(v); };
                f.mInput = {narrow(x1[l]), narrow(x2[l]), narrow(x3[l]), narrow(x4[l]),
                            narrow(x5[l]), narrow(x6[l]), f.mInput[6],   f.mInput[7]};
                f.mOutput = {y1[l], y2[l], y3[l], y4[l], y5[l], y6[l], f.mOutput[6], f.mOutput[7]};
                for (std::size_t t = 0; t < kPeakTaps; ++t)
                    f.mRecent[t] = recent[t][l];
                f.mRms = rms[l];
                f.mAccumulator = static_cast<float>(sum[l]);
                f.mAccumulated = counter;
                peaks[s][k] = peak[l];
            }
        }
    }

    BandFilter* const* mFilters[kSets];
    std::size_t mCount;
    D b0{}, b1{}, b2{}, b3{}, b4{}, b5{}, b6{}, a1{}, a2{}, a3{}, a4{}, a5{}, a6{};
    D x1{}, x2{}, x3{}, x4{}, x5{}, x6{};
    F y1{}, y2{}, y3{}, y4{}, y5{}, y6{};
    D sum{};
    F rms{}, peak{};
    std::int32_t counter, length;
    float invLength;
    bool completed = false;
    F recent[kPeakTaps + kPeakChunk];
};

template <int Width>
QVX_FILTER_CLONES void ProcessLanes(BandFilter* const* const* filters, std::size_t count, const float* const* x,
                                    std::size_t size, float* const* peaks) noexcept
{
    Lanes<Width> lanes(filters, count);
    for (std::size_t done = 0; done < size;)
    {
        const std::size_t n = std::min(kPeakChunk, size - done);
        for (std::size_t i = 0; i < n; ++i)
            lanes.Step(x, done + i, i);
        lanes.EndChunk(n);
        done += n;
    }
    lanes.Store(peaks);
}

// Two channels' band lanes share one vector only where that vector is one
// register (the AVX-512 build): split over narrower ones its state no longer
// fits the registers, and it runs slower than one channel after the other.
bool HasWideLanes() noexcept
{
#if QVX_FILTER_WIDE_LANES
    __builtin_cpu_init();
    return __builtin_cpu_supports("x86-64-v4");
#else
    return false;
#endif
}

const bool kWideLanes = HasWideLanes();

// Whether a group can run as lanes: at most four, sharing input and window.
bool SharesLanes(BandFilter* const* filters, std::size_t count) noexcept
{
    bool shared = count <= 4;
    for (std::size_t k = 1; shared && k < count; ++k)
        shared = filters[k]->mInput == filters[0]->mInput && filters[k]->mLength == filters[0]->mLength &&
                 filters[k]->mAccumulated == filters[0]->mAccumulated;
    return shared;
}

// One decimator's coefficients and histories, named so that they stay in
// registers (an indexed history would live in memory). The histories hold the
// float values widened once, as they enter, rather than at every use.
struct DecimatorState
{
    explicit DecimatorState(const HalfRateDecimator& d) noexcept
        : b0(d.mB[0]), b1(d.mB[1]), b2(d.mB[2]), b3(d.mB[3]), b4(d.mB[4]), b5(d.mB[5]), b6(d.mB[6]), b7(d.mB[7]),
          a1(d.mA[1]), a2(d.mA[2]), a3(d.mA[3]), a4(d.mA[4]), a5(d.mA[5]), a6(d.mA[6]), a7(d.mA[7]),
          x1(d.mInput[0]), x2(d.mInput[1]), x3(d.mInput[2]), x4(d.mInput[3]), x5(d.mInput[4]), x6(d.mInput[5]),
          x7(d.mInput[6]), y1(d.mOutput[0]), y2(d.mOutput[1]), y3(d.mOutput[2]), y4(d.mOutput[3]),
          y5(d.mOutput[4]), y6(d.mOutput[5]), y7(d.mOutput[6])
    {
    }

    float Step(float input) noexcept
    {
        const double in = input;
        const double older = ((b0 * in + b1 * x1) + (b2 * x2 + b3 * x3)) + ((b4 * x4 + b5 * x5) + (b6 * x6 + b7 * x7)) -
                             (((a2 * y2 + a3 * y3) + (a4 * y4 + a5 * y5)) + (a6 * y6 + a7 * y7));
        const double acc = older - a1 * y1;
        const float y = static_cast<float>(acc);
        x7 = x6;
        x6 = x5;
        x5 = x4;
        x4 = x3;
        x3 = x2;
        x2 = x1;
        x1 = in;
        y7 = y6;
        y6 = y5;
        y5 = y4;
        y4 = y3;
        y3 = y2;
        y2 = y1;
        y1 = y;
        return y;
    }

    void Store(HalfRateDecimator& d) const noexcept
    {
        const auto f = [](double v) noexcept { return static_cast<float>(v); };
        d.mInput = {f(x1), f(x2), f(x3), f(x4), f(x5), f(x6), f(x7), d.mInput[7]};
        d.mOutput = {f(y1), f(y2), f(y3), f(y4), f(y5), f(y6), f(y7), d.mOutput[7]};
    }

    double b0, b1, b2, b3, b4, b5, b6, b7, a1, a2, a3, a4, a5, a6, a7;
    double x1, x2, x3, x4, x5, x6, x7, y1, y2, y3, y4, y5, y6, y7;
};

QVX_FILTER_CLONES std::int32_t DecimateOne(HalfRateDecimator& decimator, std::int32_t& phase,
                                           std::span<const float> x, float* out) noexcept
{
    DecimatorState d(decimator);
    std::int32_t written = 0;
    std::int32_t count = phase;
    for (const float in : x)
    {
        const float y = d.Step(in);
        if (++count >= 2)
        {
            out[written++] = y;
            count = 0;
        }
    }
    phase = count;
    d.Store(decimator);
    return written;
}

// Two decimators side by side over signals of one length, each with its own
// phase.
QVX_FILTER_CLONES void DecimateTwo(HalfRateDecimator& first, HalfRateDecimator& second, std::int32_t& phase0,
                                   std::int32_t& phase1, const float* x0, const float* x1, std::size_t size,
                                   float* out0, float* out1, std::int32_t* written) noexcept
{
    DecimatorState d0(first), d1(second);
    std::int32_t written0 = 0, written1 = 0;
    std::int32_t count0 = phase0, count1 = phase1;
    for (std::size_t i = 0; i < size; ++i)
    {
        // Each output goes at or before its own channel's input (in place is
        // allowed, as for one channel); the two channels' buffers are apart.
        const float y0 = d0.Step(x0[i]);
        const float y1 = d1.Step(x1[i]);
        if (++count0 >= 2)
        {
            out0[written0++] = y0;
            count0 = 0;
        }
        if (++count1 >= 2)
        {
            out1[written1++] = y1;
            count1 = 0;
        }
    }
    phase0 = count0;
    phase1 = count1;
    d0.Store(first);
    d1.Store(second);
    written[0] = written0;
    written[1] = written1;
}
} // namespace

float ProcessBandSixthOrder(BandFilter& f, std::span<const float> x) noexcept
{
    BandFilter* lane[] = {&f};
    BandFilter* const* filters[] = {lane};
    const float* signal[] = {x.data()};
    float peak = 0.0f;
    float* peaks[] = {&peak};
    ProcessLanes<4>(filters, 1, signal, x.size(), peaks);
    return peak;
}

void ProcessBandGroupSixthOrder(BandFilter* const* filters, std::size_t count, std::span<const float> x,
                                float* peaks) noexcept
{
    if (count == 0)
        return;
    // Bands that cannot share lanes are run one by one.
    if (!SharesLanes(filters, count))
    {
        for (std::size_t k = 0; k < count; ++k)
            peaks[k] = ProcessBandSixthOrder(*filters[k], x);
        return;
    }
    BandFilter* const* sets[] = {filters};
    const float* signal[] = {x.data()};
    ProcessLanes<4>(sets, count, signal, x.size(), &peaks);
}

void ProcessBandGroupSixthOrderPair(BandFilter* const* first, BandFilter* const* second, std::size_t count,
                                    std::span<const float> x0, std::span<const float> x1, float* peaks0,
                                    float* peaks1) noexcept
{
    if (count == 0)
        return;
    // The two channels' windows must be in step too.
    if (!kWideLanes || x0.size() != x1.size() || !SharesLanes(first, count) || !SharesLanes(second, count) ||
        first[0]->mLength != second[0]->mLength || first[0]->mAccumulated != second[0]->mAccumulated)
    {
        ProcessBandGroupSixthOrder(first, count, x0, peaks0);
        ProcessBandGroupSixthOrder(second, count, x1, peaks1);
        return;
    }
    BandFilter* const* sets[] = {first, second};
    const float* signal[] = {x0.data(), x1.data()};
    float* peaks[] = {peaks0, peaks1};
    ProcessLanes<8>(sets, count, signal, x0.size(), peaks);
}

std::int32_t ProcessHalfRateDecimator(HalfRateDecimator& d, std::int32_t& phase, std::span<const float> x,
                                      float* out) noexcept
{
    return DecimateOne(d, phase, x, out);
}

void ProcessHalfRateDecimatorPair(HalfRateDecimator& first, HalfRateDecimator& second, std::int32_t& phase0,
                                  std::int32_t& phase1, std::span<const float> x0, std::span<const float> x1,
                                  float* out0, float* out1, std::int32_t* written) noexcept
{
    if (x0.size() != x1.size())
    {
        written[0] = ProcessHalfRateDecimator(first, phase0, x0, out0);
        written[1] = ProcessHalfRateDecimator(second, phase1, x1, out1);
        return;
    }
    DecimateTwo(first, second, phase0, phase1, x0.data(), x1.data(), x0.size(), out0, out1, written);
}

std::int32_t CompactByFactor(float* samples, std::int32_t frames, std::int32_t factor, std::int32_t& phase) noexcept
{
    std::int32_t kept = 0;
    std::int32_t p = phase;
    for (std::int32_t i = 0; i < frames; ++i)
    {
        if (++p >= factor)
        {
            samples[kept++] = samples[i];
            p = 0;
        }
    }
    phase = p;
    return kept;
}
