#pragma once
// Level text for the alarm value displays: levels above -100 dB with one
// decimal ("-99.9"), lower levels as whole numbers ("-100"); at most 15
// characters. The displays' text-convertor interface wraps it.
//
// Threads: UI thread; no shared state.

#include <string>

class QVXSpecDbConvertor
{
public:
    std::string Convert(float level) const;
};

// A linear level in dB for the meters and traces: -1000.0 when x is below the
// floor, else 20 log10(x). Real-time safe.
double QVXLinearToDb(double x, double floor) noexcept;
