#pragma once
// The stored A, B and C weighting filters, one set per curve and sample rate.
// Each is the bilinear transform (without pre-warping) of the analogue
// weighting curve, normalised by the curve's 1 kHz correction; the design
// program tools/WeightingDesign.cpp regenerates every set. Orders: A 6, B 5, C 4.
//
// Constant data; safe to read from any thread.

#include <span>

struct QVXWeightingSet
{
    int curve;      // 1 A, 2 B, 3 C
    int sampleRate; // Hz
    int order;
    std::span<const double> b; // b0 .. bM
    std::span<const double> a; // a0 .. aM, a0 = 1.0
};

// Every stored set.
std::span<const QVXWeightingSet> QVXGetWeightingSets() noexcept;

// The set for (curve, rate), or nullptr when there is none.
const QVXWeightingSet* QVXFindWeightingSet(int curve, int sampleRate) noexcept;
