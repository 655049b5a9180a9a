// Distribution quantiles for the variance-factor test: the standard normal quantile
// (Wichura, AS 241, single-precision variant) and the chi-square quantile (Goldstein, CACM
// Algorithm 451). Pure functions: no state, no allocation, no I/O. Every operation is one
// double-precision operation rounded to nearest, and a value is rounded to single precision only
// where the comments say so; the results are the same bits on every conforming compiler.
#pragma once

#include <cfloat>

// Intermediates must not be kept in a wider format (x87): every operation rounds to its type.
static_assert(FLT_EVAL_METHOD == 0, "the quantiles need float and double evaluated in their own precision");

namespace quiquadrado {

// Horner's rule over n single-precision coefficients a[0] (constant term) .. a[n-1]:
// accumulator = x * accumulator + a[i] for i = n-1 .. 0, product and sum in double precision and
// the sum rounded once to single precision at every step. n <= 0 gives 0.
float evaluate_polynomial(int n, const float* a, float x);

// The z at which the standard normal distribution function equals p. Returns the single-precision
// value nearest to -1e30 (widened) for p <= 0 and +1e30 for p >= 1; a NaN p gives NaN.
// Relative error about 3e-7 over (0, 1). Never fails.
double normal_quantile(float p);

// The value that a chi-square variable with degrees_of_freedom degrees of freedom exceeds with
// probability upper_tail_probability. Degrees of freedom below 2 are treated as 1.
// Throws RunTimeError: M6101 when the normal deviate is a sentinel (more than 2 degrees of
// freedom with p <= 2^-25 or p >= 1), M6201 / M6202 for p < 0 / p = 0 with 2 degrees of freedom.
double chi_square_quantile(float upper_tail_probability, int degrees_of_freedom);

// The sentinels of normal_quantile: the single-precision value nearest to 1e30, widened exactly.
inline constexpr double normal_quantile_upper_sentinel = static_cast<double>(0x1.93e594p+99f);
inline constexpr double normal_quantile_lower_sentinel = -normal_quantile_upper_sentinel;

}  // namespace quiquadrado
