#include "analysis/QVXWindowSet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <numeric>
#include <vector>

namespace
{
// The window formulas, before normalisation.
double Formula(int type, double x)
{
    const double t = 2.0 * std::numbers::pi * x;
    switch (type)
    {
    case 1: return 0.5 * (1.0 - std::cos(t));
    case 2: return 0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) - 0.01168 * std::cos(3 * t);
    case 3: return 0.2810638602 - 0.5208971735 * std::cos(t) + 0.1980389663 * std::cos(2 * t);
    default: return 1.0;
    }
}
} // namespace

TEST(QVXWindowSet, EveryWindowFollowsItsFormulaScaledToMeanOneAndUnknownTypesReadBoxcar)
{
    QVXWindowSet set;
    for (int n : {16, 2048, 65536})
    {
        set.BuildWindows(n);
        for (int type = 0; type < QVXWindowSet::kWindowCount; ++type)
        {
            const auto w = set.GetWindow(type);
            ASSERT_EQ(w.size(), static_cast<std::size_t>(n));
            EXPECT_NEAR(std::accumulate(w.begin(), w.end(), 0.0), n, 1e-5 * n) << type;
            double formulaSum = 0.0;
            for (int i = 0; i < n; ++i)
                formulaSum += Formula(type, static_cast<double>(i) / (n - 1));
            const double scale = n / formulaSum;
            for (int i = 0; i < n; i += std::max(1, n / 512))
                ASSERT_NEAR(w[static_cast<std::size_t>(i)], Formula(type, static_cast<double>(i) / (n - 1)) * scale,
                            2e-6 * scale)
                    << "type " << type << " N " << n << " i " << i;
        }
    }
    set.BuildWindows(2048); // a size change replaces the old windows
    const auto hann = set.GetWindow(1);
    ASSERT_EQ(hann.size(), 2048u);
    EXPECT_EQ(std::pair(hann.front(), hann.back()), std::pair(0.0f, 0.0f));
    EXPECT_EQ(std::pair(set.GetWindow(4).data(), set.GetWindow(-1).data()), std::pair(set.GetWindow(0).data(), set.GetWindow(0).data()));
    EXPECT_EQ(std::pair(QVXWindowSet::GetWindowName(2), QVXWindowSet::GetWindowName(4)),
              std::pair(std::string_view("Blackman-Harris (4-term)"), std::string_view("N/A")));
}
