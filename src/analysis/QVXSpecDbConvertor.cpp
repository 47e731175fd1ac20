#include "analysis/QVXSpecDbConvertor.h"

#include <cmath>
#include <cstdio>

std::string QVXSpecDbConvertor::Convert(float level) const
{
    char text[16]; // 15 characters and the terminator; longer numbers are cut
    std::snprintf(text, sizeof text, level > -100.0f ? "%.1f" : "%.0f", static_cast<double>(level));
    return text;
}

double QVXLinearToDb(double x, double floor) noexcept
{
    return x < floor ? -1000.0 : 20.0 * std::log10(x);
}
