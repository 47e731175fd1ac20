#pragma once
// |H(e^(j 2 pi f / fs))| in dB of a direct-form filter, straight from its
// first `taps` coefficients (all of them by default). Long double: near DC a
// numerator with several zeros there loses most digits of a double sum.

#include <cmath>
#include <complex>
#include <cstddef>
#include <iterator>
#include <numbers>

template <class B, class A>
double ResponseDb(const B& b, const A& a, double f, double fs, std::size_t taps = 0)
{
    using C = std::complex<long double>;
    const C u = std::polar(1.0L, -2.0L * std::numbers::pi_v<long double> * f / fs);
    C num = 0.0L, den = 0.0L, up = 1.0L;
    for (std::size_t i = 0; i < (taps ? taps : std::size(b)); ++i, up *= u)
    {
        num += static_cast<long double>(b[i]) * up;
        den += static_cast<long double>(a[i]) * up;
    }
    return static_cast<double>(20.0L * std::log10(std::abs(num / den)));
}
