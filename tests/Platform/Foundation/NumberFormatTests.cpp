#include "Platform/Foundation/NumberFormat.h"

#include <limits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(NumberFormatTest, ShortestTextKeepingOneZeroForWholeNumbers) {
    const std::vector<std::pair<double, std::string>> cases = {
        {960, "960.0"},     {80, "80.0"},           {0.1, "0.1"},
        {1e16, "1e+16"},    {1000000, "1000000.0"}, {0, "0.0"},
        {-0.5, "-0.5"},     {-960, "-960.0"},       {1.0 / 3, "0.3333333333333333"},
        {0.0001, "0.0001"}, {0.00001, "1e-05"},     {9999999999999998, "9999999999999998.0"},
        {-1e16, "-1e+16"},  {2.5e20, "2.5e+20"},
    };
    for (const auto& [value, expected] : cases) EXPECT_EQ(formatDouble(value), expected) << expected;
}

TEST(NumberFormatTest, NonFiniteValues) {
    EXPECT_EQ(formatDouble(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(formatDouble(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(formatDouble(std::numeric_limits<double>::quiet_NaN()), "nan");
}

}  // namespace
}  // namespace platform
