// Designs the A, B and C weighting filters for every supported sample rate and
// compares them with the sets stored in the analysis library.
//
// Method (the one every stored set was made with): the analogue curve
//   A: K s^4 / ((s + w1)^2 (s + w2) (s + w3) (s + w4)^2)
//   B: K s^3 / ((s + w1)^2 (s + w5) (s + w4)^2)
//   C: K s^2 / ((s + w1)^2 (s + w4)^2)
// with w = 2 pi f for f1 = 20.598997, f2 = 107.65265, f3 = 737.86223,
// f4 = 12194.217 and f5 = 158.5 Hz, and K = w4^2 10^(G / 20) where G is the
// curve's 1 kHz correction (A 1.9997, B 0.17, C 0.0619 dB), is mapped by the
// bilinear transform s = 2 fs (1 - 1/z) / (1 + 1/z) without pre-warping. Each
// pole becomes 1 - p/z with p = (2 fs - w) / (2 fs + w); the zeros at s = 0 and
// at infinity become the numerator (1 - 1/z)^Z (1 + 1/z)^(P - Z). The work is
// done in long double; b is the rounded gain times the integer numerator
// pattern, so the numerator's zeros at DC stay exact in double.
//
// Usage: quarvix-weighting-design            print every set as C++ tables and the comparison
//        quarvix-weighting-design --check    exit 1 when a stored set differs by more than 1e-12

#include "analysis/QVXWeightingCoefficients.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

namespace
{
using Real = long double;

constexpr Real kPi = 3.141592653589793238462643383279502884L;
constexpr Real kF1 = 20.598997L;
constexpr Real kF2 = 107.65265L;
constexpr Real kF3 = 737.86223L;
constexpr Real kF4 = 12194.217L;
constexpr Real kF5 = 158.5L;
constexpr int kRates[] = {32000, 44100, 48000, 88200, 96000, 176400, 192000};

struct Curve
{
    int id;
    char letter;
    int zeros;              // order of the zero at s = 0
    std::vector<Real> poles; // pole frequencies in Hz
    Real gainAt1k;          // dB
};

const Curve kCurves[] = {
    {1, 'A', 4, {kF1, kF1, kF2, kF3, kF4, kF4}, 1.9997L},
    {2, 'B', 3, {kF1, kF1, kF5, kF4, kF4}, 0.17L},
    {3, 'C', 2, {kF1, kF1, kF4, kF4}, 0.0619L},
};

// p(u) * (c0 + c1 u)
std::vector<Real> Times(const std::vector<Real>& p, Real c0, Real c1)
{
    std::vector<Real> r(p.size() + 1, 0.0L);
    for (std::size_t i = 0; i < p.size(); ++i)
    {
        r[i] += p[i] * c0;
        r[i + 1] += p[i] * c1;
    }
    return r;
}

struct Design
{
    std::vector<double> b;
    std::vector<double> a;
};

Design DesignSet(const Curve& curve, int rate)
{
    const Real c = 2.0L * rate;
    const Real w4 = 2.0L * kPi * kF4;
    Real gain = w4 * w4 * std::pow(10.0L, curve.gainAt1k / 20.0L) * std::pow(c, static_cast<Real>(curve.zeros));
    std::vector<Real> pattern{1.0L};
    std::vector<Real> a{1.0L};
    for (int i = 0; i < curve.zeros; ++i)
        pattern = Times(pattern, 1.0L, -1.0L);
    for (std::size_t i = curve.zeros; i < curve.poles.size(); ++i)
        pattern = Times(pattern, 1.0L, 1.0L);
    for (Real f : curve.poles)
    {
        const Real w = 2.0L * kPi * f;
        a = Times(a, 1.0L, -(c - w) / (c + w));
        gain /= c + w;
    }
    Design d;
    const double g = static_cast<double>(gain);
    for (Real p : pattern)
        d.b.push_back(g * static_cast<double>(p)); // small integers: exact
    for (Real v : a)
        d.a.push_back(static_cast<double>(v));
    return d;
}

void PrintArray(char letter, int rate, char which, const std::vector<double>& v)
{
    std::printf("constexpr double k%c%d%c[] = {", letter, rate, which);
    for (std::size_t i = 0; i < v.size(); ++i)
        std::printf("%s%.17g", i ? ", " : "", v[i] == 0.0 ? 0.0 : v[i]);
    std::printf("};\n");
}

// Significant digits of the shortest decimal text that reads back as v: the
// digits the stored set was written with.
int PrintedDigits(double v)
{
    char text[40];
    for (int p = 1; p < 17; ++p)
    {
        std::snprintf(text, sizeof text, "%.*g", p, v);
        if (std::strtod(text, nullptr) == v)
            return p;
    }
    return 17;
}

// How many of the printed digits of each stored coefficient the design
// reproduces, at worst over the set: "digits / printed".
void PrintedAgreement(const std::vector<double>& designed, std::span<const double> stored, int& worstSame,
                      int& worstPrinted)
{
    worstSame = 17;
    worstPrinted = 17;
    for (std::size_t i = 0; i < designed.size() && i < stored.size(); ++i)
    {
        const int printed = PrintedDigits(stored[i]);
        int same = 0;
        for (int q = printed; q >= 1 && same == 0; --q)
        {
            char x[40];
            char y[40];
            std::snprintf(x, sizeof x, "%.*g", q, designed[i]);
            std::snprintf(y, sizeof y, "%.*g", q, stored[i]);
            if (std::strcmp(x, y) == 0)
                same = q;
        }
        if (same - printed < worstSame - worstPrinted)
        {
            worstSame = same;
            worstPrinted = printed;
        }
    }
}

// Worst relative difference between a designed and a stored coefficient list.
double WorstRelative(const std::vector<double>& designed, std::span<const double> stored)
{
    double worst = 0.0;
    for (std::size_t i = 0; i < designed.size() && i < stored.size(); ++i)
    {
        const double scale = std::fabs(stored[i]) > 0.0 ? std::fabs(stored[i]) : 1.0;
        worst = std::fmax(worst, std::fabs(designed[i] - stored[i]) / scale);
    }
    return worst;
}
} // namespace

int main(int argc, char** argv)
{
    const bool check = argc > 1 && std::strcmp(argv[1], "--check") == 0;
    if (!check)
    {
        for (const Curve& curve : kCurves)
            for (int rate : kRates)
            {
                const Design d = DesignSet(curve, rate);
                PrintArray(curve.letter, rate, 'b', d.b);
                PrintArray(curve.letter, rate, 'a', d.a);
            }
        std::printf("\n");
    }

    std::printf("Stored set      worst relative difference    printed digits reproduced (worst coefficient)\n");
    std::printf("                b            a               b          a\n");
    bool ok = true;
    for (const Curve& curve : kCurves)
        for (int rate : kRates)
        {
            const QVXWeightingSet* stored = QVXFindWeightingSet(curve.id, rate);
            if (!stored)
            {
                std::printf("%c %6d        (not stored)\n", curve.letter, rate);
                ok = false;
                continue;
            }
            const Design d = DesignSet(curve, rate);
            const double eb = WorstRelative(d.b, stored->b);
            const double ea = WorstRelative(d.a, stored->a);
            int sameB = 0;
            int printedB = 0;
            int sameA = 0;
            int printedA = 0;
            PrintedAgreement(d.b, stored->b, sameB, printedB);
            PrintedAgreement(d.a, stored->a, sameA, printedA);
            std::printf("%c %6d        %-12.3g %-12.3g    %2d of %2d   %2d of %2d\n", curve.letter, rate, eb, ea, sameB,
                        printedB, sameA, printedA);
            if (eb > 1e-12 || ea > 1e-12 || d.b.size() != stored->b.size() || d.a.size() != stored->a.size())
                ok = false;
        }
    std::printf("%s\n", ok ? "Every stored set is reproduced." : "Some stored sets differ from the design.");
    return ok ? 0 : 1;
}
