#pragma once
// A fixed-coefficient IIR filter of order 0 to 14 in direct form I:
//   y = b0 x + sum(i = 1..M) bi x[n - i] - sum(i = 1..M) ai y[n - i]
// accumulated in double precision, with the input history kept as floats and
// the output history as doubles; a0 is 1.0 and never divided by. Orders 1 to 6
// (every weighting set) run through unrolled routines, other orders through a
// general one.
//
// The coefficients are not copied: they are constant tables that must outlive
// the filter.
//
// Threads: Create on the UI thread (allocates). Process and Reset are
// real-time safe; one filter is used by one thread at a time.

#include <array>
#include <cstddef>
#include <memory>
#include <span>

class QVXIIRFilter
{
public:
    static constexpr int kMaxOrder = 14;

    // A filter over b0 .. bM and a0 .. aM, M = order; no filter (nullptr) when
    // the order is outside 0 .. 14 or a table is missing or shorter than M + 1.
    // The new filter's history is all 0.0.
    static std::unique_ptr<QVXIIRFilter> Create(std::span<const double> b, std::span<const double> a, int order);

    QVXIIRFilter(const QVXIIRFilter&) = delete;
    QVXIIRFilter& operator=(const QVXIIRFilter&) = delete;

    // Sets every input and output history entry to value.
    void Reset(double value) noexcept;

    // Filters min(in.size(), out.size()) samples. `in` and `out` may be the
    // same buffer.
    void Process(std::span<const float> in, std::span<float> out) noexcept;

    int GetOrder() const noexcept { return mOrder; }

    // Input and output history, most recent first (for tests).
    std::span<const float> GetInputHistory() const noexcept { return std::span(mInput).first(Size()); }
    std::span<const double> GetOutputHistory() const noexcept { return std::span(mOutput).first(Size()); }

private:
    using Routine = void (*)(QVXIIRFilter&, const float*, float*, std::size_t) noexcept;

    QVXIIRFilter(const double* b, const double* a, int order) noexcept;
    std::size_t Size() const noexcept { return static_cast<std::size_t>(mOrder); }

    template <int M>
    static void ProcessFixed(QVXIIRFilter& f, const float* in, float* out, std::size_t frames) noexcept;
    static void ProcessGeneral(QVXIIRFilter& f, const float* in, float* out, std::size_t frames) noexcept;
    void FlushTinyOutputs() noexcept;

    const double* mB;
    const double* mA;
    int mOrder;
    Routine mRoutine;
    std::array<float, kMaxOrder> mInput{};
    std::array<double, kMaxOrder> mOutput{};
};
