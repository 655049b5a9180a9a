// Every single-precision p in (0, 1), about 1.07e9 values, split across the cores. For each, the
// result must be finite, carry the sign of p - 0.5, and lie within 1e-6 x max(1, |z|) of the true
// quantile. The true quantile is not inverted here: one Newton step from z against the
// independently computed distribution function, delta = (Phi(z) - p) / phi(z), measures how far z
// is from it (the step's own error is of the order of delta squared). The rational approximations
// reach about 3e-7, so a mistyped coefficient in any region fails. Monotonicity is not asserted:
// the single-precision roundings make neighbouring values step back by up to 2.4e-6.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <thread>
#include <vector>

#include "quantiles/quantiles.hpp"

namespace quiquadrado {
namespace {

struct SliceResult {
  std::uint64_t checked = 0;         // values examined
  std::uint64_t failures = 0;        // values that broke a property
  std::uint32_t first_failure = 0;   // bit pattern of the first of them
  double worst_error = 0.0;          // largest |delta| / max(1, |z|)
  std::uint32_t worst_pattern = 0;   // where it was found
};

constexpr double inverse_sqrt_2 = 0.70710678118654752440;
constexpr double inverse_sqrt_2pi = 0.39894228040143267794;

// How far z lies from the true quantile of p, to first order.
double distance_to_true_quantile(float p, double z) {
  const double density = inverse_sqrt_2pi * std::exp(-0.5 * z * z);
  // Compare the smaller tail, so that neither side loses digits to cancellation.
  if (z < 0.0) return (0.5 * std::erfc(-z * inverse_sqrt_2) - static_cast<double>(p)) / density;
  return ((1.0 - static_cast<double>(p)) - 0.5 * std::erfc(z * inverse_sqrt_2)) / density;
}

void sweep(std::uint32_t first, std::uint32_t last, SliceResult& result) {
  for (std::uint32_t pattern = first; pattern < last; ++pattern) {
    const float p = std::bit_cast<float>(pattern);
    const double z = normal_quantile(p);
    const bool sign_ok = p < 0.5f ? z < 0.0 : (p > 0.5f ? z > 0.0 : z == 0.0);
    const double error = std::fabs(distance_to_true_quantile(p, z)) / std::max(1.0, std::fabs(z));
    if (!std::isfinite(z) || !sign_ok || !(error <= 1e-6)) {
      if (result.failures++ == 0) result.first_failure = pattern;
    }
    if (error > result.worst_error) {
      result.worst_error = error;
      result.worst_pattern = pattern;
    }
    ++result.checked;
  }
}

TEST(NormalQuantileSweep, EverySinglePrecisionProbability) {
  const std::uint32_t first = 1;  // smallest positive subnormal
  const std::uint32_t end = std::bit_cast<std::uint32_t>(1.0f);
  const unsigned workers = std::max(1u, std::thread::hardware_concurrency());

  std::vector<SliceResult> results(workers);
  std::vector<std::thread> threads;
  const std::uint32_t span = (end - first) / workers + 1;
  for (unsigned w = 0; w < workers; ++w) {
    const std::uint32_t from = first + w * span;
    const std::uint32_t to = std::min(end, from + span);
    threads.emplace_back(sweep, from, to, std::ref(results[w]));
  }
  for (std::thread& t : threads) t.join();

  SliceResult total;
  for (const SliceResult& r : results) {
    total.checked += r.checked;
    if (r.failures != 0 && total.failures == 0) total.first_failure = r.first_failure;
    total.failures += r.failures;
    if (r.worst_error > total.worst_error) {
      total.worst_error = r.worst_error;
      total.worst_pattern = r.worst_pattern;
    }
  }
  std::cout << "checked " << total.checked << " values; largest error " << total.worst_error
            << " (relative to max(1, |z|)) at p = " << std::bit_cast<float>(total.worst_pattern) << "\n";
  EXPECT_EQ(total.checked, static_cast<std::uint64_t>(end - first));
  EXPECT_EQ(total.failures, 0u) << "first at p = " << std::hexfloat
                                << std::bit_cast<float>(total.first_failure);
}

}  // namespace
}  // namespace quiquadrado
