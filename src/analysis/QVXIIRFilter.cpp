#include "analysis/QVXIIRFilter.h"

#include <cmath>
#include <utility>

namespace
{
// Calls f(std::integral_constant<int, I>) for I = 0 .. N - 1, written out by
// the compiler: no loop over the coefficients remains.
template <int N, class F>
inline void Unrolled(F&& f)
{
    [&]<int... I>(std::integer_sequence<int, I...>) { (f(std::integral_constant<int, I>{}), ...); }(
        std::make_integer_sequence<int, N>{});
}

// Output history below this is set to zero at the end of a block. After the
// input falls silent, the recursion would otherwise decay into subnormal
// doubles, which are many times slower on the real-time thread; at this size
// an entry can no longer change any float output.
constexpr double kTinyOutput = 1e-200;
} // namespace

std::unique_ptr<QVXIIRFilter> QVXIIRFilter::Create(std::span<const double> b, std::span<const double> a, int order)
{
    if (order < 0 || order > kMaxOrder)
        return nullptr;
    const auto count = static_cast<std::size_t>(order) + 1;
    if (b.data() == nullptr || a.data() == nullptr || b.size() < count || a.size() < count)
        return nullptr;
    return std::unique_ptr<QVXIIRFilter>(new QVXIIRFilter(b.data(), a.data(), order));
}

QVXIIRFilter::QVXIIRFilter(const double* b, const double* a, int order) noexcept
    : mB(b), mA(a), mOrder(order)
{
    switch (order)
    {
    case 1: mRoutine = &ProcessFixed<1>; break;
    case 2: mRoutine = &ProcessFixed<2>; break;
    case 3: mRoutine = &ProcessFixed<3>; break;
    case 4: mRoutine = &ProcessFixed<4>; break;
    case 5: mRoutine = &ProcessFixed<5>; break;
    case 6: mRoutine = &ProcessFixed<6>; break;
    default: mRoutine = &ProcessGeneral; break;
    }
}

void QVXIIRFilter::Reset(double value) noexcept
{
    mInput.fill(static_cast<float>(value));
    mOutput.fill(value);
}

void QVXIIRFilter::Process(std::span<const float> in, std::span<float> out) noexcept
{
    const std::size_t frames = in.size() < out.size() ? in.size() : out.size();
    if (frames == 0)
        return;
    mRoutine(*this, in.data(), out.data(), frames);
    FlushTinyOutputs();
}

template <int M>
void QVXIIRFilter::ProcessFixed(QVXIIRFilter& f, const float* in, float* out, std::size_t frames) noexcept
{
    double b[M + 1];
    double a[M + 1];
    double x[M];
    double y[M];
    Unrolled<M + 1>([&](auto i) {
        b[i] = f.mB[i];
        a[i] = f.mA[i];
    });
    Unrolled<M>([&](auto i) {
        x[i] = f.mInput[i];
        y[i] = f.mOutput[i];
    });
    for (std::size_t n = 0; n < frames; ++n)
    {
        const float xn = in[n];
        double acc = b[0] * static_cast<double>(xn);
        Unrolled<M>([&](auto i) { acc += b[i + 1] * x[i]; });
        Unrolled<M>([&](auto i) { acc -= a[i + 1] * y[i]; });
        Unrolled<M - 1>([&](auto i) {
            x[M - 1 - i] = x[M - 2 - i];
            y[M - 1 - i] = y[M - 2 - i];
        });
        x[0] = xn;
        y[0] = acc;
        out[n] = static_cast<float>(acc);
    }
    Unrolled<M>([&](auto i) {
        f.mInput[i] = static_cast<float>(x[i]);
        f.mOutput[i] = y[i];
    });
}

void QVXIIRFilter::ProcessGeneral(QVXIIRFilter& f, const float* in, float* out, std::size_t frames) noexcept
{
    const int m = f.mOrder;
    for (std::size_t n = 0; n < frames; ++n)
    {
        const float xn = in[n];
        double acc = f.mB[0] * static_cast<double>(xn);
        for (int i = 0; i < m; ++i)
            acc += f.mB[i + 1] * static_cast<double>(f.mInput[static_cast<std::size_t>(i)]);
        for (int i = 0; i < m; ++i)
            acc -= f.mA[i + 1] * f.mOutput[static_cast<std::size_t>(i)];
        for (int i = m - 1; i > 0; --i)
        {
            f.mInput[static_cast<std::size_t>(i)] = f.mInput[static_cast<std::size_t>(i - 1)];
            f.mOutput[static_cast<std::size_t>(i)] = f.mOutput[static_cast<std::size_t>(i - 1)];
        }
        if (m > 0)
        {
            f.mInput[0] = xn;
            f.mOutput[0] = acc;
        }
        out[n] = static_cast<float>(acc);
    }
}

void QVXIIRFilter::FlushTinyOutputs() noexcept
{
    for (std::size_t i = 0; i < Size(); ++i)
        if (std::fabs(mOutput[i]) < kTinyOutput)
            mOutput[i] = 0.0;
}
