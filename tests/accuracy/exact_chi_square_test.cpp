// The reference quantiles of the accuracy report, checked against what is known about the
// chi-square distribution without any incomplete gamma function: published table values, the
// closed form for 2 degrees of freedom, the finite sums that give the distribution for every
// other whole number of degrees of freedom, and the normal distribution for 1.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <stdexcept>

#include "exact_chi_square.hpp"

namespace quiquadrado::accuracy {
namespace {

constexpr long double pi = 3.141592653589793238462643383279502884L;

// EXPECT_NEAR works in double; these keep the comparison in long double.
::testing::AssertionResult AbsolutelyNear(const char* actual_text, const char* expected_text, const char*,
                                          long double actual, long double expected, long double tolerance) {
  if (std::fabs(actual - expected) <= tolerance) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << actual_text << " = " << static_cast<double>(actual) << " is not within "
                                       << static_cast<double>(tolerance) << " of " << expected_text;
}

::testing::AssertionResult RelativelyNear(const char* actual_text, const char* expected_text, const char*,
                                          long double actual, long double expected, long double tolerance) {
  const long double relative = std::fabs(actual / expected - 1.0L);
  if (relative <= tolerance) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << actual_text << " differs from " << expected_text << " by "
                                       << static_cast<double>(relative) << " relative, more than "
                                       << static_cast<double>(tolerance);
}

// P(X > x) for even n = 2k: the Poisson sum e^-y (1 + y + y^2/2! + ... + y^(k-1)/(k-1)!), y = x/2.
long double upper_tail_even(long double x, int degrees_of_freedom) {
  const long double y = x / 2.0L;
  long double term = std::exp(-y);
  long double sum = term;
  for (int j = 1; j < degrees_of_freedom / 2; ++j) {
    term *= y / static_cast<long double>(j);
    sum += term;
  }
  return sum;
}

// P(X > x) for odd n = 2k + 1: erfc(sqrt(y)) + e^-y (y^(1/2)/Gamma(3/2) + ... + y^(k-1/2)/Gamma(k+1/2)).
long double upper_tail_odd(long double x, int degrees_of_freedom) {
  const long double y = x / 2.0L;
  long double term = std::exp(-y) * 2.0L * std::sqrt(y / pi);  // e^-y y^(1/2) / Gamma(3/2)
  long double sum = std::erfc(std::sqrt(y));
  for (int j = 1; j <= degrees_of_freedom / 2; ++j) {
    sum += term;
    term *= y / (static_cast<long double>(j) + 0.5L);
  }
  return sum;
}

long double upper_tail_by_sums(long double x, int degrees_of_freedom) {
  return degrees_of_freedom % 2 == 0 ? upper_tail_even(x, degrees_of_freedom) : upper_tail_odd(x, degrees_of_freedom);
}

// Tail probabilities of the report's significance levels (alpha/2) and a few more.
constexpr long double tails[] = {0.0005L, 0.005L, 0.01L, 0.025L, 0.05L, 0.1L, 0.3L};

TEST(ExactChiSquare, PublishedCriticalValues) {
  // Three-decimal tables of the chi-square distribution.
  EXPECT_PRED_FORMAT3(AbsolutelyNear, chi_square_lower_quantile(0.025L, 10), 3.247L, 0.0005L);
  EXPECT_PRED_FORMAT3(AbsolutelyNear, chi_square_upper_quantile(0.025L, 10), 20.483L, 0.0005L);
  EXPECT_PRED_FORMAT3(AbsolutelyNear, chi_square_lower_quantile(0.025L, 1), 0.000982L, 0.0000005L);
  EXPECT_PRED_FORMAT3(AbsolutelyNear, chi_square_upper_quantile(0.025L, 1), 5.024L, 0.0005L);
  EXPECT_PRED_FORMAT3(AbsolutelyNear, chi_square_lower_quantile(0.025L, 100), 74.222L, 0.0005L);
  EXPECT_PRED_FORMAT3(AbsolutelyNear, chi_square_upper_quantile(0.025L, 100), 129.561L, 0.0005L);
  EXPECT_PRED_FORMAT3(AbsolutelyNear, chi_square_lower_quantile(0.05L, 10), 3.940L, 0.0005L);
  EXPECT_PRED_FORMAT3(AbsolutelyNear, chi_square_upper_quantile(0.05L, 10), 18.307L, 0.0005L);
  EXPECT_PRED_FORMAT3(AbsolutelyNear, chi_square_upper_quantile(0.05L, 1), 3.841L, 0.0005L);
  EXPECT_PRED_FORMAT3(AbsolutelyNear, chi_square_upper_quantile(0.05L, 2), 5.991L, 0.0005L);
  EXPECT_PRED_FORMAT3(AbsolutelyNear, chi_square_lower_quantile(0.05L, 30), 18.493L, 0.0005L);
  EXPECT_PRED_FORMAT3(AbsolutelyNear, chi_square_upper_quantile(0.05L, 30), 43.773L, 0.0005L);
}

TEST(ExactChiSquare, TwoDegreesOfFreedomIsMinusTwiceTheLogarithm) {
  for (long double p : tails) {
    const long double upper = -2.0L * std::log(p);
    EXPECT_PRED_FORMAT3(RelativelyNear, chi_square_upper_quantile(p, 2), upper, 1e-16L) << p;
    const long double lower = -2.0L * std::log1p(-p);
    EXPECT_PRED_FORMAT3(RelativelyNear, chi_square_lower_quantile(p, 2), lower, 1e-16L) << p;
  }
}

TEST(ExactChiSquare, OneDegreeOfFreedomIsTheSquareOfANormalDeviate) {
  // P(X <= x) = erf(sqrt(x/2)) for one degree of freedom; the 97.5 % point is the square of the
  // normal 98.75 % point, 2.2414027276049464 to double precision.
  for (long double p : tails) {
    const long double lower = chi_square_lower_quantile(p, 1);
    EXPECT_PRED_FORMAT3(RelativelyNear, std::erf(std::sqrt(lower / 2.0L)), p, 1e-16L) << p;
    const long double upper = chi_square_upper_quantile(p, 1);
    EXPECT_PRED_FORMAT3(RelativelyNear, std::erfc(std::sqrt(upper / 2.0L)), p, 1e-16L) << p;
  }
  const long double z = 2.2414027276049464L;
  EXPECT_PRED_FORMAT3(RelativelyNear, chi_square_upper_quantile(0.025L, 1), z * z, 1e-15L);
}

TEST(ExactChiSquare, QuantilesAgreeWithTheFiniteSums) {
  // The finite sums are a different road to the same distribution function; at the quantile they
  // must give back its probability. A relative error of 1e-16 in a tail probability moves the
  // quantile by far less than 1e-15 relative here.
  for (int n : {3, 4, 5, 9, 10, 11, 30, 99, 100, 101, 500, 999, 1000}) {
    for (long double p : tails) {
      const long double upper = chi_square_upper_quantile(p, n);
      EXPECT_PRED_FORMAT3(RelativelyNear, upper_tail_by_sums(upper, n), p, 1e-15L) << "n = " << n << ", upper tail " << p;
      const long double lower = chi_square_lower_quantile(p, n);
      EXPECT_PRED_FORMAT3(RelativelyNear, 1.0L - upper_tail_by_sums(lower, n), p, 1e-14L) << "n = " << n << ", lower tail " << p;
    }
  }
}

TEST(ExactChiSquare, LowerTailsAreFoundToTheLastBitsThroughTheSums) {
  // 1 - Q loses digits for a small lower tail; check the quantile itself instead, by moving it
  // one part in 1e15 either way: the probability must fall on either side of the target.
  for (int n : {3, 10, 100, 1000}) {
    for (long double p : tails) {
      const long double x = chi_square_lower_quantile(p, n);
      const long double below = 1.0L - upper_tail_by_sums(x * (1.0L - 1e-15L), n);
      const long double above = 1.0L - upper_tail_by_sums(x * (1.0L + 1e-15L), n);
      EXPECT_LT(below, p) << "n = " << n << ", lower tail " << p;
      EXPECT_GT(above, p) << "n = " << n << ", lower tail " << p;
    }
  }
}

TEST(ExactChiSquare, LowerAndUpperQuantilesMeet) {
  for (int n : {1, 2, 3, 7, 50, 1000}) {
    for (long double p : {0.2L, 0.5L, 0.8L}) {
      EXPECT_PRED_FORMAT3(RelativelyNear, chi_square_lower_quantile(p, n), chi_square_upper_quantile(1.0L - p, n), 1e-16L) << n;
    }
  }
}

TEST(ExactChiSquare, TailsOfTheIncompleteGammaFunction) {
  // P(1, y) = 1 - e^-y, and the two tails add up to 1 on both sides of the switch at y = a + 1.
  for (long double y : {0.001L, 0.5L, 1.999L, 2.0L, 2.001L, 10.0L, 40.0L}) {
    const GammaTails tails_at = regularized_gamma(1.0L, y);
    EXPECT_PRED_FORMAT3(RelativelyNear, tails_at.lower, -std::expm1(-y), 1e-17L) << y;
    EXPECT_PRED_FORMAT3(RelativelyNear, tails_at.upper, std::exp(-y), 1e-17L) << y;
  }
  const GammaTails at_zero = regularized_gamma(2.5L, 0.0L);
  EXPECT_EQ(at_zero.lower, 0.0L);
  EXPECT_EQ(at_zero.upper, 1.0L);
}

TEST(ExactChiSquare, DensityIsTheDerivativeOfTheDistributionFunction) {
  for (int n : {1, 2, 5, 100}) {
    const long double a = static_cast<long double>(n) / 2.0L;
    const long double mean = static_cast<long double>(n);
    for (long double x : {0.5L * mean + 0.1L, mean, 1.5L * mean}) {
      const long double h = x * 1e-6L;
      const long double slope =
          (regularized_gamma(a, (x + h) / 2.0L).lower - regularized_gamma(a, (x - h) / 2.0L).lower) / (2.0L * h);
      EXPECT_PRED_FORMAT3(RelativelyNear, chi_square_density(x, n), slope, 1e-9L) << "n = " << n << ", x = " << x;
    }
  }
}

TEST(ExactChiSquare, RefusesWhatHasNoQuantile) {
  EXPECT_THROW(chi_square_lower_quantile(0.0L, 10), std::domain_error);
  EXPECT_THROW(chi_square_upper_quantile(1.0L, 10), std::domain_error);
  EXPECT_THROW(chi_square_upper_quantile(-0.5L, 10), std::domain_error);
  EXPECT_THROW(chi_square_upper_quantile(0.025L, 0), std::domain_error);
  EXPECT_THROW(regularized_gamma(0.0L, 1.0L), std::domain_error);
}

}  // namespace
}  // namespace quiquadrado::accuracy
