#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "errors/run_time_error.hpp"
#include "quantiles/quantiles.hpp"

namespace quiquadrado {
namespace {

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

constexpr int most_negative = std::numeric_limits<int>::min();

struct ChiSquareCase {
  float p;
  int n;
  double expected;
  const char* what;
};

// Values quoted to four decimals: checked to 1e-4 (relative for the large ones).
const ChiSquareCase rounded_cases[] = {
    {0.05f, 1, 3.8415, "case 1"},
    {0.05f, 0, 3.8415, "n below 1 behaves as n = 1"},
    {0.05f, -5, 3.8415, "n below 1 behaves as n = 1"},
    {0.05f, most_negative, 3.8415, "n below 1 behaves as n = 1"},
    {0.05f, 2, 5.9915, "case 2"},
    {2.0f, 2, -1.3863, "p above 1 is not rejected"},
    {0.05f, 3, 7.8152, "m = 8, low set"},
    {0.05f, 7, 14.0671, "m = 8, last n of the low set"},
    {0.05f, 8, 15.5071, "m = 8, first n of the high set"},
    {0.025f, 8, 17.5344, "m = 9, low set"},
    {0.025f, 9, 19.0226, "m = 9, high set"},
    {0.005f, 11, 26.7578, "m = 12, low set"},
    {0.005f, 12, 28.2996, "m = 12, high set"},
    {0.975f, 10, 3.2470, "negative deviate, high set"},
    {0.025f, 10, 20.4831, "m = 9, high set"},
    {0.95f, 100, 77.9295, "high set"},
    {0.05f, 100, 124.3421, "high set"},
    {0.5f, 1, 0.4549, "case 1"},
    {1.5f, 1, 0.4549, "case 1 mirrors p about 1"},
    {3e-8f, 3, 34.9575, "largest deviate, m = 23, low set"},
    {3e-8f, 22, 76.5445, "m = 23, low set"},
    {3e-8f, 23, 78.3136, "high set from n = 23 on"},
};

TEST(ChiSquareQuantile, ReferenceValuesToFourDecimals) {
  for (const ChiSquareCase& c : rounded_cases) {
    EXPECT_NEAR(chi_square_quantile(c.p, c.n), c.expected, 0.5e-4 + 1e-12 * std::fabs(c.expected))
        << c.what << ": p = " << c.p << ", n = " << c.n;
  }
}

// Values given in full: exact under the arithmetic's fixed order, compared bit for bit.
const ChiSquareCase exact_cases[] = {
    {0.9750000238418579f, 10, 3.24700703409124, "lower critical value of the typical run"},
    {0.02499997615814209f, 10, 20.48306077291025, "upper critical value of the typical run"},
    {0.5f, 3, 2.365389655738268, "t = 0, high set from r alone"},
    {0.5f, 10, 9.341792866757025, "t = 0, high set from r alone"},
    {1.0f, 1, 0.0, "case 1, h = 0.5"},
    {0.0f, 1, 1.0000000300949327e60, "sentinel squared"},
    {-1.0f, 1, 1.0000000300949327e60, "sentinel squared"},
    {1e-45f, 1, 1.0000000300949327e60, "half of the smallest float rounds to 0"},
    {2.0f, 1, 1.0000000300949327e60, "h = 1, upper sentinel squared"},
    {1.0f, 2, -0.0, "case 2 at p = 1: negative zero"},
};

TEST(ChiSquareQuantile, ReferenceValuesBitForBit) {
  for (const ChiSquareCase& c : exact_cases) {
    const double x = chi_square_quantile(c.p, c.n);
    EXPECT_EQ(bits(x), bits(c.expected)) << c.what << ": p = " << c.p << ", n = " << c.n << " gave "
                                         << std::hexfloat << x;
  }
}

TEST(ChiSquareQuantile, DialogueFormsItsProbabilitiesAsDocumented) {
  // alpha = 0.05 typed; 1 - alpha/2 and 1 - (1 - alpha/2), each rounded to single precision.
  const float alpha = 0.05f;
  const float lower_p = static_cast<float>(1.0 - static_cast<double>(alpha) / 2.0);
  const float upper_p = static_cast<float>(1.0 - static_cast<double>(lower_p));
  EXPECT_EQ(bits(static_cast<double>(lower_p)), bits(0.9750000238418579));
  EXPECT_EQ(bits(static_cast<double>(upper_p)), bits(0.02499997615814209));
}

struct FatalCase {
  float p;
  int n;
  Fault fault;
  const char* what;
};

const FatalCase fatal_cases[] = {
    {0x1p-25f, 3, Fault::math_invalid_conversion, "q rounds to 1"},
    {1.0f, 3, Fault::math_invalid_conversion, "q = 0"},
    {0.0f, 10, Fault::math_invalid_conversion, "alpha = 0 with more than 2 degrees of freedom"},
    {-1.5f, 1000, Fault::math_invalid_conversion, "alpha = 5: p = 1 - 5/2"},
    {std::numeric_limits<float>::quiet_NaN(), 3, Fault::math_invalid_conversion, "not a number"},
    {0.0f, 2, Fault::math_log_singularity, "log of zero"},
    {-0.0f, 2, Fault::math_log_singularity, "log of negative zero"},
    {-0.5f, 2, Fault::math_log_domain, "log of a negative number"},
};

TEST(ChiSquareQuantile, FatalFaultsCarryTheirNumbers) {
  for (const FatalCase& c : fatal_cases) {
    try {
      const double x = chi_square_quantile(c.p, c.n);
      ADD_FAILURE() << c.what << ": returned " << x;
    } catch (const RunTimeError& error) {
      EXPECT_EQ(error.fault(), c.fault) << c.what;
    }
  }
  EXPECT_EQ(report_text(Fault::math_invalid_conversion).substr(0, 6), "M6101:");
  EXPECT_EQ(report_text(Fault::math_log_domain).substr(0, 6), "M6201:");
  EXPECT_EQ(report_text(Fault::math_log_singularity).substr(0, 6), "M6202:");
}

TEST(ChiSquareQuantile, SmallestProbabilitiesThatStillWork) {
  // Just above 2^-25, 1 - p stays below 1 in single precision and the deviate is real.
  const float p = std::nextafter(0x1p-25f, 1.0f);
  EXPECT_TRUE(std::isfinite(chi_square_quantile(p, 3)));
  EXPECT_TRUE(std::isfinite(chi_square_quantile(std::nextafter(1.0f, 0.0f), 3)));
}

}  // namespace
}  // namespace quiquadrado
