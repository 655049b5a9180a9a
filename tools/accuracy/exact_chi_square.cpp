#include "exact_chi_square.hpp"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace quiquadrado::accuracy {
namespace {

constexpr long double epsilon = std::numeric_limits<long double>::epsilon();
// Stands in for a zero denominator in Lentz's method.
constexpr long double tiny = std::numeric_limits<long double>::min() / epsilon;
// No tail needs anywhere near this many terms for a <= 500 (a few hundred at most).
constexpr int max_terms = 100000;

// log(y^a e^-y / Gamma(a)), the common factor of both expansions.
long double log_gamma_factor(long double a, long double y) { return a * std::log(y) - y - std::lgamma(a); }

// P(a, y) by the power series; for y < a + 1, where every term is smaller than the last after
// at most a few, and the sum converges geometrically.
long double lower_by_series(long double a, long double y) {
  long double term = 1.0L / a;
  long double sum = term;
  long double denominator = a;
  for (int k = 1; k <= max_terms; ++k) {
    denominator += 1.0L;
    term *= y / denominator;
    sum += term;
    if (std::fabs(term) < std::fabs(sum) * epsilon) return sum * std::exp(log_gamma_factor(a, y));
  }
  throw std::runtime_error("incomplete gamma series did not converge");
}

// Q(a, y) by the continued fraction 1/(y+1-a- 1(1-a)/(y+3-a- 2(2-a)/(y+5-a- ...))), evaluated by
// the modified Lentz method; for y >= a + 1.
long double upper_by_continued_fraction(long double a, long double y) {
  long double b = y + 1.0L - a;
  long double c = 1.0L / tiny;
  long double d = 1.0L / b;
  long double fraction = d;
  for (int i = 1; i <= max_terms; ++i) {
    const long double an = -static_cast<long double>(i) * (static_cast<long double>(i) - a);
    b += 2.0L;
    d = an * d + b;
    if (std::fabs(d) < tiny) d = tiny;
    c = b + an / c;
    if (std::fabs(c) < tiny) c = tiny;
    d = 1.0L / d;
    const long double delta = d * c;
    fraction *= delta;
    if (std::fabs(delta - 1.0L) < epsilon) return fraction * std::exp(log_gamma_factor(a, y));
  }
  throw std::runtime_error("incomplete gamma continued fraction did not converge");
}

void check_arguments(long double probability, int degrees_of_freedom) {
  if (!(probability > 0.0L && probability < 1.0L)) throw std::domain_error("probability outside (0, 1)");
  if (degrees_of_freedom < 1) throw std::domain_error("degrees of freedom below 1");
}

// Solves tail_residual(x) = 0 for x > 0, where the residual increases with x from below zero at
// x = 0 and its slope is the chi-square density. Newton steps inside a bracket [low, high] that
// every evaluation narrows; a step that would leave the bracket is replaced by bisection.
template <typename Residual>
long double solve(Residual tail_residual, int degrees_of_freedom) {
  const long double n = static_cast<long double>(degrees_of_freedom);
  long double low = 0.0L;
  long double high = n + 10.0L + 20.0L * std::sqrt(2.0L * n);
  while (tail_residual(high) < 0.0L) {
    low = high;
    high *= 2.0L;
  }

  long double x = n > low && n < high ? n : low + (high - low) / 2.0L;
  long double previous_step = std::numeric_limits<long double>::infinity();
  for (int iteration = 0; iteration < 2000; ++iteration) {
    const long double residual = tail_residual(x);
    if (residual == 0.0L) return x;
    if (residual < 0.0L) {
      low = x;
    } else {
      high = x;
    }
    long double next = x - residual / chi_square_density(x, degrees_of_freedom);
    const bool newton = std::isfinite(next) && next > low && next < high;
    if (!newton) next = low + (high - low) / 2.0L;
    const long double step = std::fabs(next - x);
    if (newton) {
      // Converged to the last bits, or the steps stopped shrinking because the residual is down
      // to the rounding noise of the tail itself.
      if (step <= 1e-18L * next) return next;
      if (step <= 1e-16L * next && step >= previous_step / 2.0L) return next;
    }
    if (high - low <= 4.0L * epsilon * high) return next;
    previous_step = newton ? step : std::numeric_limits<long double>::infinity();
    x = next;
  }
  throw std::runtime_error("chi-square quantile did not converge");
}

}  // namespace

GammaTails regularized_gamma(long double a, long double y) {
  if (!(a > 0.0L) || !(y >= 0.0L)) throw std::domain_error("incomplete gamma outside a > 0, y >= 0");
  if (y == 0.0L) return {0.0L, 1.0L};
  if (y < a + 1.0L) {
    const long double lower = lower_by_series(a, y);
    return {lower, 1.0L - lower};
  }
  const long double upper = upper_by_continued_fraction(a, y);
  return {1.0L - upper, upper};
}

long double chi_square_density(long double x, int degrees_of_freedom) {
  const long double a = static_cast<long double>(degrees_of_freedom) / 2.0L;
  const long double y = x / 2.0L;
  return std::exp((a - 1.0L) * std::log(y) - y - std::lgamma(a)) / 2.0L;
}

long double chi_square_lower_quantile(long double lower_tail_probability, int degrees_of_freedom) {
  check_arguments(lower_tail_probability, degrees_of_freedom);
  const long double a = static_cast<long double>(degrees_of_freedom) / 2.0L;
  return solve([&](long double x) { return regularized_gamma(a, x / 2.0L).lower - lower_tail_probability; },
               degrees_of_freedom);
}

long double chi_square_upper_quantile(long double upper_tail_probability, int degrees_of_freedom) {
  check_arguments(upper_tail_probability, degrees_of_freedom);
  const long double a = static_cast<long double>(degrees_of_freedom) / 2.0L;
  return solve([&](long double x) { return upper_tail_probability - regularized_gamma(a, x / 2.0L).upper; },
               degrees_of_freedom);
}

}  // namespace quiquadrado::accuracy
