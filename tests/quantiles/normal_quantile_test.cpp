#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "quantiles/quantiles.hpp"

namespace quiquadrado {
namespace {

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

struct NormalCase {
  float p;
  double expected;
  const char* region;
};

// Every input is the single-precision value nearest to its decimal; every expected value is the
// shortest decimal of the exact double that the arithmetic must produce.
const NormalCase normal_cases[] = {
    {0.0f, -1.0000000150474662e30, "lower sentinel"},
    {-0.0f, -1.0000000150474662e30, "lower sentinel, negative zero"},
    {-0.5f, -1.0000000150474662e30, "lower sentinel, negative p"},
    {1.0f, 1.0000000150474662e30, "upper sentinel"},
    {1.5f, 1.0000000150474662e30, "upper sentinel, p above 1"},
    {0.5f, 0.0, "central, positive zero"},
    {0.3f, -0.5244003821129167, "central"},
    {0.7f, 0.5244003821129167, "central, mirror of 0.3"},
    {0.1f, -1.281551502482722, "central"},
    {0.9f, 1.2815513980448048, "central"},
    {0.075f, -1.4395315837022513, "central, q rounds to the negated split"},
    {0.925f, 1.4395315837022513, "central, d equals the split"},
    {0.07499998f, -1.4395315455712818, "near tail, |d| just above the split"},
    {0.9250001f, 1.4395319246359282, "near tail, first above the central region"},
    {0.05f, -1.6448535017711987, "near tail"},
    {0.95f, 1.6448534039861133, "near tail, not the mirror of 0.05"},
    {0.025f, -1.959963915754932, "near tail"},
    {0.975f, 1.9599644478580258, "near tail"},
    {0.005f, -2.575829299227124, "near tail"},
    {0.995f, 2.575829335896824, "near tail"},
    {1e-10f, -6.361341307105143, "near tail"},
    {1.388791e-11f, -6.657905421756405, "far tail, s rounds to 5.0000005"},
    {1.3887911e-11f, -6.6579048668734195, "near tail, s exactly 5"},
    {0.99999994f, 5.294704637609096, "near tail, largest p below 1"},
    {1e-45f, -14.121426069502716, "far tail, smallest positive float"},
};

TEST(NormalQuantile, ReproducesEveryReferenceValueBitForBit) {
  for (const NormalCase& c : normal_cases) {
    const double z = normal_quantile(c.p);
    EXPECT_EQ(bits(z), bits(c.expected))
        << c.region << ": p = " << c.p << " gave " << std::hexfloat << z << ", expected " << c.expected;
  }
}

TEST(NormalQuantile, NotANumberGivesNotANumber) {
  EXPECT_TRUE(std::isnan(normal_quantile(std::numeric_limits<float>::quiet_NaN())));
}

TEST(NormalQuantile, ResultIsNotMonotoneAcrossTheLowerSeam) {
  // The two approximations meet with a step: z(0.07499998) lies above z(0.075).
  EXPECT_GT(normal_quantile(0.07499998f), normal_quantile(0.075f));
}

// Horner with one rounding to single precision per step, the product never rounded by itself.
const float central_numerator[8] = {0x1.b18d92p+1f,  0x1.0a4888p+7f,  0x1.ece5d2p+10f, 0x1.ad1d8cp+13f,
                                    0x1.66c3e8p+15f, 0x1.06c1c6p+16f, 0x1.052d26p+15f, 0x1.39a296p+11f};

TEST(EvaluatePolynomial, SmallPolynomial) {
  const float a[3] = {1.0f, 2.0f, 3.0f};
  EXPECT_EQ(evaluate_polynomial(3, a, 2.0f), 17.0f);
}

TEST(EvaluatePolynomial, NoCoefficientsGiveZero) {
  const float a[1] = {5.0f};
  for (int n : {0, -1, -2147483647 - 1}) EXPECT_EQ(evaluate_polynomial(n, a, 3.0f), 0.0f) << n;
}

TEST(EvaluatePolynomial, RoundsOnlyTheSumToSinglePrecision) {
  const float r = 0.180625f;  // the r of p = 0.5
  const float value = evaluate_polynomial(8, central_numerator, r);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(value), 0x436BAB5Fu) << value;

  // The two wrong orders of evaluation give other values; the right one must differ from both.
  float rounded_products = 0.0f;
  double in_double = 0.0;
  for (int i = 7; i >= 0; --i) {
    rounded_products = static_cast<float>(
        static_cast<double>(static_cast<float>(static_cast<double>(r) * static_cast<double>(rounded_products))) +
        static_cast<double>(central_numerator[i]));
    in_double = in_double * static_cast<double>(r) + static_cast<double>(central_numerator[i]);
  }
  EXPECT_EQ(rounded_products, 235.66939f);
  EXPECT_EQ(static_cast<float>(in_double), 235.6694f);
  EXPECT_NE(value, rounded_products);
  EXPECT_NE(value, static_cast<float>(in_double));
}

}  // namespace
}  // namespace quiquadrado
