// Designs the coefficient sets of the third-octave filter bank and of the
// pre-decimation lowpass filters, compares the 48000 Hz set and the 96000 Hz
// pre-decimation filter with the reference rows the bank was first built
// with, and compares every set with the tables stored in the analysis library.
//
// Method. Every filter is an analogue prototype mapped by the bilinear
// transform s = (z - 1) / (z + 1), with the design frequencies pre-warped to
// tan(pi f / fs), so each digital band edge falls exactly on its design value.
// The work is done in long double.
//   Band-pass (the three bands below the top one): third-order Butterworth
//     low-pass prototype, low-pass to band-pass transform, so 0 dB at the
//     (warped) centre and -3 dB at f1, f2 with f1 f2 = fm^2 and
//     f2 - f1 = fm / Qd, Qd = Qr (pi/6) / sin(pi/6), Qr = 1 / (2^(1/6) - 2^(-1/6)).
//   Top band: third-order Butterworth high-pass, -3 dB at fm(top) 2^(-1/6).
//   Half-rate decimator: seventh-order elliptic low-pass (zeros on the unit
//     circle, one at half the rate), passband ripple 0.0499969392652 dB and
//     stopband attenuation 137.193579937 dB, the figures of the 48000 Hz
//     reference decimator. Passband edge 8400 Hz at 44100 and 48000 Hz (the
//     8 kHz band is the highest one run at the halved rate); at 32000 Hz the
//     edge that puts the half-power point at 7073 Hz, just below the upper
//     edge of the 6.3 kHz band. (The passband is equiripple, not monotonic:
//     the reference decimator is elliptic.)
//   Pre-decimation: sixth-order Chebyshev type II low-pass, 60 dB stopband
//     from the stated edge, double precision.
// The bank's tables are 32-bit floats: a designed value matches a reference
// row when both round to the same float. The pre-decimation reference is
// printed to 14 decimals: a value matches when it lies within one unit of
// that last decimal.
//
// Usage: quarvix-design-third-octave           print the tables and every comparison
//        quarvix-design-third-octave --check   print only the comparisons
// Exit status 1 when any comparison fails.

#include "analysis/ThirdOctaveCoefficients.h"

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace
{
using Real = long double;
using Complex = std::complex<Real>;

constexpr Real kPi = 3.141592653589793238462643383279502884L;

// Decimator figures (see the header comment).
constexpr int kDecimatorOrder = 7;
constexpr Real kDecimatorRippleDb = 0.0499969392652L;
constexpr Real kDecimatorStopDb = 137.193579937L;
// Passband edge at 44100 and 48000 Hz (half-power at 8941.5 and 8966.2 Hz).
constexpr Real kDecimatorPassEdge = 8400.0L;
constexpr Real kDecimatorHalfPower32k = 7073.0L;

constexpr int kPreDecimationOrder = 6;
constexpr Real kPreDecimationStopDb = 60.0L;

struct Zpk
{
    std::vector<Complex> z;
    std::vector<Complex> p;
    Real k = 1.0L;
};

struct Design
{
    std::vector<Real> b;
    std::vector<Real> a;
};

Real Warp(Real f, Real fs)
{
    return std::tan(kPi * f / fs);
}

Real MidBand(int k)
{
    return 1000.0L * std::pow(2.0L, (k - 17) / 3.0L);
}

std::vector<Real> PolyFromRoots(const std::vector<Complex>& roots)
{
    std::vector<Complex> c{Complex(1.0L)};
    for (const Complex& r : roots)
    {
        c.push_back(Complex(0.0L));
        for (std::size_t i = c.size() - 1; i > 0; --i)
            c[i] -= r * c[i - 1];
    }
    std::vector<Real> out;
    for (const Complex& v : c)
        out.push_back(v.real());
    return out;
}

// Bilinear transform in the warped frequency scale; analogue zeros at infinity
// land at z = -1.
Design Bilinear(const Zpk& analogue)
{
    std::vector<Complex> zd;
    std::vector<Complex> pd;
    Complex gain(analogue.k);
    for (const Complex& z : analogue.z)
    {
        zd.push_back((1.0L + z) / (1.0L - z));
        gain *= (1.0L - z);
    }
    for (const Complex& p : analogue.p)
    {
        pd.push_back((1.0L + p) / (1.0L - p));
        gain /= (1.0L - p);
    }
    while (zd.size() < pd.size())
        zd.push_back(Complex(-1.0L));
    Design d{PolyFromRoots(zd), PolyFromRoots(pd)};
    for (Real& v : d.b)
        v *= gain.real();
    return d;
}

std::vector<Complex> ButterworthPoles(int n)
{
    std::vector<Complex> p;
    for (int k = 0; k < n; ++k)
        p.push_back(std::polar(1.0L, kPi * (2 * k + n + 1) / (2.0L * n)));
    return p;
}

Design ButterworthBandPass(Real fm, Real fs)
{
    const Real qr = 1.0L / (std::pow(2.0L, 1.0L / 6.0L) - std::pow(2.0L, -1.0L / 6.0L));
    const Real qd = qr * (kPi / 6.0L) / std::sin(kPi / 6.0L);
    const Real width = fm / qd;
    const Real f1 = (-width + std::sqrt(width * width + 4.0L * fm * fm)) / 2.0L;
    const Real f2 = f1 + width;
    const Real w1 = Warp(f1, fs);
    const Real w2 = Warp(f2, fs);
    const Real w0sq = w1 * w2;
    const Real bw = w2 - w1;
    Zpk a;
    for (const Complex& q : ButterworthPoles(3))
    {
        // s^2 - q bw s + w0^2 = 0
        const Complex r = std::sqrt(q * bw * q * bw - 4.0L * w0sq);
        a.p.push_back((q * bw + r) / 2.0L);
        a.p.push_back((q * bw - r) / 2.0L);
        a.z.push_back(Complex(0.0L));
    }
    a.k = bw * bw * bw;
    return Bilinear(a);
}

Design ButterworthHighPass(Real fc, Real fs)
{
    const Real wc = Warp(fc, fs);
    Zpk a;
    for (const Complex& q : ButterworthPoles(3))
    {
        a.p.push_back(wc / q);
        a.z.push_back(Complex(0.0L));
    }
    a.k = 1.0L;
    return Bilinear(a);
}

// --- Elliptic functions (parameter m = k^2) ---------------------------------

Real Agm(Real a, Real b)
{
    for (int i = 0; i < 64 && std::fabs(a - b) > 1e-19L * a; ++i)
    {
        const Real an = (a + b) / 2.0L;
        b = std::sqrt(a * b);
        a = an;
    }
    return a;
}

// K(m) from the complementary parameter m' = 1 - m, exact for m near 1.
Real EllipKFromComplement(Real mc)
{
    return kPi / (2.0L * Agm(1.0L, std::sqrt(mc)));
}

Real EllipK(Real m)
{
    return EllipKFromComplement(1.0L - m);
}

// Carlson's symmetric integral R_F.
Real CarlsonRF(Real x, Real y, Real z)
{
    for (int i = 0; i < 200; ++i)
    {
        const Real mu = (x + y + z) / 3.0L;
        const Real dx = 1.0L - x / mu;
        const Real dy = 1.0L - y / mu;
        const Real dz = 1.0L - z / mu;
        if (std::fmax(std::fabs(dx), std::fmax(std::fabs(dy), std::fabs(dz))) < 1e-7L)
        {
            const Real e2 = dx * dy - dz * dz;
            const Real e3 = dx * dy * dz;
            return (1.0L - e2 / 10.0L + e3 / 14.0L + e2 * e2 / 24.0L - 3.0L * e2 * e3 / 44.0L) / std::sqrt(mu);
        }
        const Real sx = std::sqrt(x);
        const Real sy = std::sqrt(y);
        const Real sz = std::sqrt(z);
        const Real l = sx * sy + sx * sz + sy * sz;
        x = (x + l) / 4.0L;
        y = (y + l) / 4.0L;
        z = (z + l) / 4.0L;
    }
    return 1.0L / std::sqrt((x + y + z) / 3.0L);
}

// u with sc(u | 1 - m1) = w, i.e. F(atan w | 1 - m1), accurate for tiny m1.
Real ArcJacSc1(Real w, Real m1)
{
    const Real phi = std::atan(w);
    const Real s = std::sin(phi);
    const Real c = std::cos(phi);
    return s * CarlsonRF(c * c, c * c + m1 * s * s, 1.0L);
}

struct JacobiValues
{
    Real sn, cn, dn;
};

// Jacobi sn, cn, dn by the arithmetic-geometric mean (descending Landen).
JacobiValues Jacobi(Real u, Real m)
{
    Real a[40];
    Real c[40];
    a[0] = 1.0L;
    Real b = std::sqrt(1.0L - m);
    c[0] = std::sqrt(m);
    int n = 0;
    while (n < 38 && std::fabs(c[n]) > 1e-20L)
    {
        a[n + 1] = (a[n] + b) / 2.0L;
        c[n + 1] = (a[n] - b) / 2.0L;
        b = std::sqrt(a[n] * b);
        ++n;
    }
    Real phi = std::ldexp(a[n] * u, n);
    Real previous = phi;
    for (int i = n; i > 0; --i)
    {
        previous = phi;
        phi = (phi + std::asin(c[i] / a[i] * std::sin(phi))) / 2.0L;
    }
    const Real sn = std::sin(phi);
    const Real cn = std::cos(phi);
    const Real dn = n > 0 ? cn / std::cos(previous - phi) : 1.0L;
    return {sn, cn, dn};
}

// Parameter m of the elliptic filter of order n whose discrimination
// parameter is m1 (the degree equation, by the nome).
Real EllipDegree(int n, Real m1)
{
    const Real k1 = EllipK(m1);
    const Real k1p = EllipKFromComplement(m1);
    const Real q1 = std::exp(-kPi * k1p / k1);
    const Real q = std::pow(q1, 1.0L / n);
    Real num = 0.0L;
    Real den = 1.0L;
    for (int k = 0; k < 20; ++k)
        num += std::pow(q, static_cast<Real>(k * (k + 1)));
    for (int k = 1; k < 20; ++k)
        den += 2.0L * std::pow(q, static_cast<Real>(k * k));
    return 16.0L * q * std::pow(num / den, 4.0L);
}

// Elliptic low-pass prototype with its passband edge at 1 rad/s.
Zpk EllipticPrototype(int n, Real rippleDb, Real stopDb)
{
    const Real eps = std::sqrt(std::pow(10.0L, rippleDb / 10.0L) - 1.0L);
    const Real ck1 = eps / std::sqrt(std::pow(10.0L, stopDb / 10.0L) - 1.0L);
    const Real m1 = ck1 * ck1;
    const Real m = EllipDegree(n, m1);
    const Real capk = EllipK(m);
    const Real v0 = capk * ArcJacSc1(1.0L / eps, m1) / (n * EllipK(m1));
    const JacobiValues v = Jacobi(v0, 1.0L - m);
    Zpk proto;
    for (int j = 1 - n % 2; j < n; j += 2)
    {
        const JacobiValues e = Jacobi(j * capk / n, m);
        if (std::fabs(e.sn) > 1e-30L)
        {
            const Complex zero(0.0L, 1.0L / (std::sqrt(m) * e.sn));
            proto.z.push_back(zero);
            proto.z.push_back(std::conj(zero));
        }
        const Complex pole = -Complex(e.cn * e.dn * v.sn * v.cn, e.sn * v.dn) /
                             (1.0L - (e.dn * v.sn) * (e.dn * v.sn));
        proto.p.push_back(pole);
        if (std::fabs(pole.imag()) > 1e-30L)
            proto.p.push_back(std::conj(pole));
    }
    Complex num(1.0L);
    Complex den(1.0L);
    for (const Complex& p : proto.p)
        num *= -p;
    for (const Complex& z : proto.z)
        den *= -z;
    proto.k = (num / den).real();
    if (n % 2 == 0)
        proto.k /= std::sqrt(1.0L + eps * eps);
    return proto;
}

// Chebyshev type II low-pass prototype with its stopband edge at 1 rad/s.
Zpk ChebyshevIIPrototype(int n, Real stopDb)
{
    const Real de = 1.0L / std::sqrt(std::pow(10.0L, stopDb / 10.0L) - 1.0L);
    const Real mu = std::asinh(1.0L / de) / n;
    Zpk proto;
    for (int m = -n + 1; m < n; m += 2)
    {
        if (n % 2 == 1 && m == 0)
            continue; // that zero lies at infinity
        proto.z.push_back(Complex(0.0L, -1.0L / std::sin(m * kPi / (2.0L * n))));
    }
    for (int m = -n + 1; m < n; m += 2)
    {
        const Complex base = -std::polar(1.0L, kPi * m / (2.0L * n));
        proto.p.push_back(1.0L / Complex(std::sinh(mu) * base.real(), std::cosh(mu) * base.imag()));
    }
    Complex num(1.0L);
    Complex den(1.0L);
    for (const Complex& p : proto.p)
        num *= -p;
    for (const Complex& z : proto.z)
        den *= -z;
    proto.k = (num / den).real();
    return proto;
}

Design ScaledLowPass(Zpk proto, Real edge, Real fs)
{
    const Real w = Warp(edge, fs);
    for (Complex& z : proto.z)
        z *= w;
    for (Complex& p : proto.p)
        p *= w;
    proto.k *= std::pow(w, static_cast<Real>(proto.p.size() - proto.z.size()));
    return Bilinear(proto);
}

// --- Response -----------------------------------------------------------------

template <class T>
Real Magnitude(std::span<const T> b, std::span<const T> a, Real f, Real fs)
{
    const Complex zinv = std::polar(1.0L, -2.0L * kPi * f / fs);
    Complex num(0.0L);
    Complex den(0.0L);
    Complex zk(1.0L);
    for (std::size_t i = 0; i < b.size(); ++i, zk *= zinv)
    {
        num += static_cast<Real>(b[i]) * zk;
        den += static_cast<Real>(a[i]) * zk;
    }
    return std::abs(num / den);
}

Real MagnitudeOf(const Design& d, Real f, Real fs)
{
    return Magnitude<Real>(d.b, d.a, f, fs);
}

// Half-power frequency of a low-pass between lo and hi.
Real HalfPowerLowPass(const Design& d, Real fs, Real lo, Real hi)
{
    const Real target = std::sqrt(0.5L);
    for (int i = 0; i < 200; ++i)
    {
        const Real mid = (lo + hi) / 2.0L;
        (MagnitudeOf(d, mid, fs) > target ? lo : hi) = mid;
    }
    return (lo + hi) / 2.0L;
}

Design DesignDecimatorWithEdge(Real edge, Real fs)
{
    return ScaledLowPass(EllipticPrototype(kDecimatorOrder, kDecimatorRippleDb, kDecimatorStopDb), edge, fs);
}

// Passband edge whose design has its half-power point at halfPower.
Design DesignDecimatorForHalfPower(Real halfPower, Real fs, Real& edge)
{
    Real lo = halfPower * 0.5L;
    Real hi = halfPower;
    for (int i = 0; i < 100; ++i)
    {
        edge = (lo + hi) / 2.0L;
        const Design d = DesignDecimatorWithEdge(edge, fs);
        (HalfPowerLowPass(d, fs, halfPower * 0.5L, fs / 2.0L) < halfPower ? lo : hi) = edge;
    }
    edge = (lo + hi) / 2.0L;
    return DesignDecimatorWithEdge(edge, fs);
}

Design DesignPreDecimation(Real stopEdge, Real fs)
{
    return ScaledLowPass(ChebyshevIIPrototype(kPreDecimationOrder, kPreDecimationStopDb), stopEdge, fs);
}

// --- The sets -----------------------------------------------------------------

struct BankDesign
{
    int rate;
    int top;
    Design highPass;
    Design bandPass[3];
    Design decimator;
    Real decimatorEdge;
};

BankDesign DesignBank(int rate)
{
    const Real fs = rate;
    BankDesign bank{};
    bank.rate = rate;
    bank.top = rate == 32000 ? 29 : 30;
    bank.highPass = ButterworthHighPass(MidBand(bank.top) * std::pow(2.0L, -1.0L / 6.0L), fs);
    for (int i = 0; i < 3; ++i)
        bank.bandPass[i] = ButterworthBandPass(MidBand(bank.top - 1 - i), fs);
    if (rate == 32000)
    {
        // Half-power just below the upper edge of band 25 (6.3 kHz), the
        // highest band run at 16000 Hz.
        bank.decimator = DesignDecimatorForHalfPower(kDecimatorHalfPower32k, fs, bank.decimatorEdge);
    }
    else
    {
        bank.decimatorEdge = kDecimatorPassEdge;
        bank.decimator = DesignDecimatorWithEdge(kDecimatorPassEdge, fs);
    }
    return bank;
}

struct PreDesign
{
    const char* name;
    int rate;
    Real stopFraction;
    Design design;
};

std::vector<PreDesign> DesignPreDecimations()
{
    std::vector<PreDesign> out;
    out.push_back({"88200", 88200, 0.325L, {}});
    out.push_back({"96000", 96000, 0.33L, {}});
    out.push_back({"176400/192000", 192000, 0.2L, {}});
    for (PreDesign& p : out)
        p.design = DesignPreDecimation(p.stopFraction * p.rate, p.rate);
    return out;
}

// --- Printing and comparing ------------------------------------------------------

void PrintFloats(const char* name, const std::vector<Real>& v)
{
    std::printf("    %s {", name);
    for (std::size_t i = 0; i < v.size(); ++i)
        std::printf("%s%.9gf", i ? ", " : "", static_cast<double>(static_cast<float>(v[i])));
    std::printf("},\n");
}

void PrintDoubles(const char* name, const std::vector<Real>& v)
{
    std::printf("    %s {", name);
    for (std::size_t i = 0; i < v.size(); ++i)
        std::printf("%s%.17g", i ? ", " : "", static_cast<double>(v[i]));
    std::printf("},\n");
}

void PrintBank(const BankDesign& bank)
{
    std::printf("// %d Hz: top band %d, decimator passband edge %.4f Hz\n", bank.rate, bank.top,
                static_cast<double>(bank.decimatorEdge));
    PrintFloats("high-pass b", bank.highPass.b);
    PrintFloats("high-pass a", bank.highPass.a);
    for (int i = 0; i < 3; ++i)
    {
        std::printf("    // band %d\n", bank.top - 1 - i);
        PrintFloats("b", bank.bandPass[i].b);
        PrintFloats("a", bank.bandPass[i].a);
    }
    PrintFloats("decimator b", bank.decimator.b);
    PrintFloats("decimator a", bank.decimator.a);
}

int gFailures = 0;

void Report(bool ok, const std::string& what)
{
    std::printf("  %-4s %s\n", ok ? "ok" : "FAIL", what.c_str());
    if (!ok)
        ++gFailures;
}

// Reference rows (b then a) of the 48000 Hz set, as first printed.
struct ReferenceRow
{
    const char* name;
    std::vector<double> b;
    std::vector<double> a;
};

const ReferenceRow kReference48k[] = {
    {"top band (k 30)",
     {0.0322228856, -0.0966686606, 0.0966686606, -0.0322228856},
     {1, 1.44891322, 0.90219605, 0.195499748}},
    {"band k 29",
     {0.00821465161, 0, -0.0246439539, 0, 0.0246439539, 0, -0.00821465161},
     {1, 2.66765475, 4.47953033, 4.52697611, 3.2861793, 1.42649615, 0.392570943}},
    {"band k 28",
     {0.00443816977, 0, -0.0133145088, 0, 0.0133145088, 0, -0.00443816977},
     {1, 0.543821812, 2.36790085, 0.842176378, 1.85888398, 0.331706047, 0.477372289}},
    {"band k 27",
     {0.00236632209, 0, -0.00709896628, 0, 0.00709896628, 0, -0.00236632209},
     {1, -1.31972682, 3.0016458, -2.23572326, 2.47328472, -0.892513275, 0.556761205}},
    {"decimator",
     {0.00126475678, 0.00756855635, 0.0205171052, 0.0325323418, 0.0325323418, 0.0205171052, 0.00756855635,
      0.00126475678},
     {1, -3.23778868, 5.7366972, -6.47743177, 4.95994711, -2.5393014, 0.803217411, -0.121574298}},
};

const ReferenceRow kReferencePre96k = {
    "pre-decimation at 96000",
    {0.04347912906055, 0.1882168319737, 0.39332026773381, 0.49483224944053, 0.39332026773381, 0.1882168319737,
     0.04347912906055},
    {1, -0.22849670683033, 0.88090267847301, -0.0666692975757, 0.15475064821886, 0.00115825750035,
     0.00321912719045}};

void CompareAsFloats(const ReferenceRow& ref, const Design& d)
{
    auto same = [](const std::vector<double>& r, const std::vector<Real>& v, std::string& detail) {
        bool ok = r.size() == v.size();
        for (std::size_t i = 0; ok && i < r.size(); ++i)
        {
            if (static_cast<float>(r[i]) != static_cast<float>(v[i]))
            {
                char text[160];
                std::snprintf(text, sizeof text, " [%zu: designed %.9g, reference %.9g]", i,
                              static_cast<double>(static_cast<float>(v[i])), r[i]);
                detail += text;
                ok = false;
            }
        }
        return ok;
    };
    std::string detail;
    const bool okB = same(ref.b, d.b, detail);
    const bool okA = same(ref.a, d.a, detail);
    Report(okB && okA, std::string("48000 ") + ref.name + ": every coefficient rounds to the reference float" + detail);
}

void CompareToDecimals(const ReferenceRow& ref, const Design& d)
{
    std::string detail;
    bool ok = ref.b.size() == d.b.size() && ref.a.size() == d.a.size();
    Real worst = 0.0L;
    auto check = [&](const std::vector<double>& r, const std::vector<Real>& v) {
        for (std::size_t i = 0; ok && i < r.size(); ++i)
        {
            const Real diff = std::fabs(static_cast<Real>(r[i]) - v[i]);
            worst = std::fmax(worst, diff);
            if (diff > 1e-14L)
                ok = false;
        }
    };
    check(ref.b, d.b);
    check(ref.a, d.a);
    char text[120];
    std::snprintf(text, sizeof text, " (largest difference %.2g)", static_cast<double>(worst));
    Report(ok, std::string(ref.name) + ": every coefficient within 1e-14 of the reference" + text);
}

template <std::size_t N>
std::vector<Real> Widen(const std::array<float, N>& v)
{
    return std::vector<Real>(v.begin(), v.end());
}

void CompareStored(const BankDesign& bank)
{
    const ThirdOctaveCoefficientSet* set = FindThirdOctaveCoefficients(bank.rate);
    if (!set)
    {
        Report(false, "no stored set for " + std::to_string(bank.rate));
        return;
    }
    auto sameFloats = [](const auto& stored, const std::vector<Real>& designed) {
        if (stored.size() != designed.size())
            return false;
        for (std::size_t i = 0; i < stored.size(); ++i)
            if (stored[i] != static_cast<float>(designed[i]))
                return false;
        return true;
    };
    bool ok = set->mTopBand == bank.top && sameFloats(set->mHighPassB, bank.highPass.b) &&
              sameFloats(set->mHighPassA, bank.highPass.a) && sameFloats(set->mDecimatorB, bank.decimator.b) &&
              sameFloats(set->mDecimatorA, bank.decimator.a);
    for (int i = 0; i < 3; ++i)
        ok = ok && sameFloats(set->mBandPassB[i], bank.bandPass[i].b) && sameFloats(set->mBandPassA[i], bank.bandPass[i].a);
    Report(ok, "stored " + std::to_string(bank.rate) + " Hz set equals the design");
}

void CompareStoredPre(const PreDesign& pre)
{
    const ThirdOctavePreDecimationSet* set = FindThirdOctavePreDecimation(pre.rate);
    bool ok = set != nullptr;
    Real worst = 0.0L;
    for (std::size_t i = 0; ok && i < set->mB.size(); ++i)
    {
        worst = std::fmax(worst, std::fabs(set->mB[i] - pre.design.b[i]));
        worst = std::fmax(worst, std::fabs(set->mA[i] - pre.design.a[i]));
    }
    ok = ok && worst <= 1e-14L;
    char text[160];
    std::snprintf(text, sizeof text, "stored pre-decimation %s within 1e-14 of the design (largest difference %.2g)",
                  pre.name, static_cast<double>(worst));
    Report(ok, text);
}

void Characterise(const BankDesign& bank)
{
    const Real fs = bank.rate;
    const Real hp = MidBand(bank.top) * std::pow(2.0L, -1.0L / 6.0L);
    std::printf("  %d Hz: high-pass %.2f dB at %.1f Hz, %.3f dB at fs/2; decimator half-power %.1f Hz, "
                "stopband from %.0f Hz below %.2f dB\n",
                bank.rate, static_cast<double>(20.0L * std::log10(MagnitudeOf(bank.highPass, hp, fs))),
                static_cast<double>(hp),
                static_cast<double>(20.0L * std::log10(MagnitudeOf(bank.highPass, fs / 2.0L - 1e-6L, fs))),
                static_cast<double>(HalfPowerLowPass(bank.decimator, fs, 1000.0L, fs / 2.0L)),
                static_cast<double>(fs * 0.4L),
                static_cast<double>(
                    [&] {
                        Real worst = -1000.0L;
                        for (Real f = fs * 0.4L; f < fs / 2.0L; f += fs / 20000.0L)
                            worst = std::fmax(worst, 20.0L * std::log10(MagnitudeOf(bank.decimator, f, fs)));
                        return worst;
                    }()));
}

} // namespace

int main(int argc, char** argv)
{
    const bool checkOnly = argc > 1 && std::strcmp(argv[1], "--check") == 0;
    const int rates[] = {32000, 44100, 48000};
    std::vector<BankDesign> banks;
    for (int rate : rates)
        banks.push_back(DesignBank(rate));
    const std::vector<PreDesign> pres = DesignPreDecimations();

    if (!checkOnly)
    {
        for (const BankDesign& bank : banks)
            PrintBank(bank);
        for (const PreDesign& pre : pres)
        {
            std::printf("// pre-decimation %s: stopband edge %.0f Hz, half-power %.1f Hz\n", pre.name,
                        static_cast<double>(pre.stopFraction * pre.rate),
                        static_cast<double>(HalfPowerLowPass(pre.design, pre.rate, 1000.0L, pre.rate / 2.0L)));
            PrintDoubles("b", pre.design.b);
            PrintDoubles("a", pre.design.a);
        }
        for (const BankDesign& bank : banks)
            Characterise(bank);
    }

    std::printf("Reference rows:\n");
    const BankDesign& b48 = banks[2];
    CompareAsFloats(kReference48k[0], b48.highPass);
    for (int i = 0; i < 3; ++i)
        CompareAsFloats(kReference48k[1 + i], b48.bandPass[i]);
    CompareAsFloats(kReference48k[4], b48.decimator);
    CompareToDecimals(kReferencePre96k, pres[1].design);

    std::printf("Stored tables:\n");
    for (const BankDesign& bank : banks)
        CompareStored(bank);
    for (const PreDesign& pre : pres)
        CompareStoredPre(pre);
    // 176400 uses the 192000 set: the same edge as a fraction of the rate.
    Report(FindThirdOctavePreDecimation(176400) == FindThirdOctavePreDecimation(192000),
           "176400 and 192000 share one pre-decimation set");

    std::printf(gFailures ? "%d comparison(s) failed\n" : "all comparisons passed\n", gFailures);
    return gFailures ? 1 : 0;
}
