#pragma once
// The four analysis windows the spectrum service multiplies each captured
// block by before the transform: 0 "Boxcar", 1 "Hanning",
// 2 "Blackman-Harris (4-term)", 3 "Flat Top". Every window is scaled to a mean
// value of 1.0 (unity coherent gain), so a sinusoid reads the same level
// through any of them.
//
// Threads: BuildWindows allocates and runs on the UI thread when the FFT size
// changes (under the owner's guard). GetWindow is real-time safe.

#include <array>
#include <span>
#include <string_view>
#include <vector>

class QVXWindowSet
{
public:
    static constexpr int kWindowCount = 4;

    // Recomputes the four windows for N points and normalises them. N below 2
    // gives windows of 1.0 (the cosine terms need N - 1 > 0).
    void BuildWindows(int n);

    // The window of a type. A type outside 0 .. 3 reads the Boxcar window,
    // which leaves the samples as they are.
    std::span<const float> GetWindow(int type) const noexcept;

    // The name shown for a type; "N/A" for any other value.
    static std::string_view GetWindowName(int type) noexcept;

private:
    std::array<std::vector<float>, kWindowCount> mWindows;
};
