// The three-decimal rounding the accuracy report applies to program and exact values alike: the
// result rows' rule, rounded from the 17-significant-digit decimal, halves away from zero.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "printed_value.hpp"

namespace quiquadrado::accuracy {
namespace {

TEST(PrintedValue, CriticalValuesOfATypicalRun) {
  EXPECT_EQ(printed_thousandths(3.24700703409124), 3247);
  EXPECT_EQ(printed_thousandths(20.48306077291025), 20483);
  EXPECT_EQ(printed_thousandths(1089.5309293002374), 1089531);
  EXPECT_EQ(printed_thousandths(10279.070229978815), 10279070);
}

TEST(PrintedValue, SmallValuesAndZero) {
  EXPECT_EQ(printed_thousandths(0.0), 0);
  EXPECT_EQ(printed_thousandths(0.0004), 0);
  EXPECT_EQ(printed_thousandths(0.00098206911717525), 1);
  EXPECT_EQ(printed_thousandths(0.025), 25);
  EXPECT_EQ(printed_thousandths(-0.025), -25);
  EXPECT_EQ(printed_thousandths(1e-300), 0);
}

TEST(PrintedValue, HalvesRoundAwayFromZeroAfterSeventeenDigits) {
  EXPECT_EQ(printed_thousandths(0.0625), 63);  // exactly half a unit
  EXPECT_EQ(printed_thousandths(-0.0625), -63);
  // The double nearest 0.0115 lies just below it, but its 17-digit decimal is 0.011500000000000000:
  // it prints as .012. The double nearest 1.0005 has the 17-digit decimal 1.0004999999999999.
  ASSERT_LT(0.0115, 0.0115L);
  EXPECT_EQ(printed_thousandths(0.0115), 12);
  EXPECT_EQ(printed_thousandths(1.0005), 1000);
  EXPECT_EQ(printed_thousandths(0.9995), 1000);  // carries into the integer part
  EXPECT_EQ(printed_thousandths(9.9996), 10000);
  EXPECT_EQ(printed_thousandths(std::nextafter(0.0115, 0.0)), 11);
}

TEST(PrintedValue, RefusesWhatCannotBePrinted) {
  EXPECT_THROW(printed_thousandths(std::numeric_limits<double>::quiet_NaN()), std::domain_error);
  EXPECT_THROW(printed_thousandths(std::numeric_limits<double>::infinity()), std::domain_error);
  EXPECT_THROW(printed_thousandths(1e300), std::domain_error);
}

TEST(PrintedValue, Text) {
  EXPECT_EQ(thousandths_text(20483), "20.483");
  EXPECT_EQ(thousandths_text(1), "0.001");
  EXPECT_EQ(thousandths_text(0), "0.000");
  EXPECT_EQ(thousandths_text(-25), "-0.025");
  EXPECT_EQ(thousandths_text(std::int64_t{1089531}), "1089.531");
}

}  // namespace
}  // namespace quiquadrado::accuracy
