#include "analysis/QVXSpecDbConvertor.h"

#include <gtest/gtest.h>

TEST(QVXSpecDbConvertor, OneDecimalAboveMinus100WholeNumbersBelowAndFloorGivesMinus1000)
{
    const QVXSpecDbConvertor convertor;
    EXPECT_EQ(convertor.Convert(-99.9f), "-99.9");
    EXPECT_EQ(convertor.Convert(-100.0f), "-100");
    EXPECT_EQ(convertor.Convert(-100.4f), "-100");
    EXPECT_EQ(convertor.Convert(-150.6f), "-151");
    EXPECT_EQ(convertor.Convert(-99.96f), "-100.0"); // still above -100: one decimal
    EXPECT_EQ(convertor.Convert(12.34f), "12.3");
    EXPECT_EQ(convertor.Convert(0.0f), "0.0");
    EXPECT_EQ(convertor.Convert(-1.0e20f).size(), 15u);
    // Below the floor a level reads -1000 dB.
    EXPECT_EQ(QVXLinearToDb(0.0, 1e-6), -1000.0);
    EXPECT_EQ(QVXLinearToDb(0.9e-6, 1e-6), -1000.0);
    EXPECT_NEAR(QVXLinearToDb(1e-6, 1e-6), -120.0, 1e-9);
    EXPECT_NEAR(QVXLinearToDb(1.0, 1e-6), 0.0, 1e-12);
    EXPECT_NEAR(QVXLinearToDb(10.0, 1e-6), 20.0, 1e-12);
}
