// Chi-square quantile for an upper-tail probability p and n degrees of freedom.
//
//   n < 2   exact: the square of the normal deviate of p/2 (n below 1 is treated as 1)
//   n = 2   exact: -2 ln p
//   n > 2   Goldstein, "Chi-square quantiles", Comm. ACM 16 (1973), Algorithm 451:
//           n * x^3, where x is a polynomial in r = 1/n and u = t / sqrt(n), t the normal deviate
//           of 1 - p. With only b12, b18 and b19 kept, the high-degrees set is the Wilson-Hilferty
//           cube root 1 - 0.2222222/n + 0.4714045 t/sqrt(n); the other coefficients correct it.
//           The low-degrees set serves when n < trunc(4 |t|) + 2, the far tail of small n.
//
// Every coefficient is a single-precision number widened exactly to double precision; the
// arithmetic is in double precision in exactly the order written below, with 1 - p rounded to
// single precision before the normal quantile takes it.
#include <array>
#include <cmath>
#include <cstdint>

#include "errors/run_time_error.hpp"
#include "quantiles/quantiles.hpp"

namespace quiquadrado {
namespace {

// Goldstein's a1 .. a21 at indices 0 .. 20: single-precision values, with their decimals.
constexpr std::array<float, 21> low_dof_coefficients{
    0x1.9a574p-10f,    // a1   1.565326E-3
    0x1.15fccap-10f,   // a2   1.060438E-3
    -0x1.c77fap-8f,    // a3  -6.950356E-3
    -0x1.b19ddcp-7f,   // a4  -1.323293E-2
    0x1.752cc8p-6f,    // a5   2.277679E-2
    -0x1.267418p-7f,   // a6  -8.986007E-3
    -0x1.f01378p-7f,   // a7  -1.513904E-2
    0x1.4b9d0cp-9f,    // a8   2.530010E-3
    -0x1.7c23b4p-10f,  // a9  -1.450117E-3
    0x1.52cc66p-8f,    // a10  5.169654E-3
    -0x1.7a107cp-7f,   // a11 -1.153761E-2
    0x1.71af1ap-7f,    // a12  1.128186E-2
    0x1.ab24fcp-6f,    // a13  2.607083E-2
    -0x1.ca3684p-3f,   // a14 -0.2237368
    0x1.9a394ep-14f,   // a15  9.780499E-5
    -0x1.b9cec2p-11f,  // a16 -8.426812E-4
    0x1.99ad1p-9f,     // a17  3.125580E-3
    -0x1.184458p-7f,   // a18 -8.553069E-3
    0x1.1ab3b4p-13f,   // a19  1.348028E-4
    0x1.e2b522p-2f,    // a20  0.4713941
    0x1.0005cep+0f,    // a21  1.0000886
};

// Goldstein's b1 .. b19 at indices 0 .. 18.
constexpr std::array<float, 19> high_dof_coefficients{
    0x1.9e63aep-7f,    // b1   1.264616E-2
    -0x1.d30a7ep-7f,   // b2  -1.425296E-2
    0x1.cae908p-7f,    // b3   1.400483E-2
    -0x1.81c034p-8f,   // b4  -5.886090E-3
    -0x1.6591aap-7f,   // b5  -1.091214E-2
    -0x1.7992dep-6f,   // b6  -2.304527E-2
    0x1.9af6fp-9f,     // b7   3.135411E-3
    -0x1.1e1a3p-12f,   // b8  -2.728484E-4
    -0x1.3dd6d2p-7f,   // b9  -9.699681E-3
    0x1.af833ap-7f,    // b10  1.316872E-2
    0x1.ad1536p-6f,    // b11  2.618914E-2
    -0x1.c71c6ep-3f,   // b12 -0.2222222
    0x1.c58b7p-15f,    // b13  5.406674E-5
    0x1.243dccp-15f,   // b14  3.483789E-5
    -0x1.7d683p-11f,   // b15 -7.274761E-4
    0x1.af8344p-9f,    // b16  3.292181E-3
    -0x1.1e0e24p-7f,   // b17 -8.729713E-3
    0x1.e2b7dcp-2f,    // b18  0.4714045
    0x1p+0f,           // b19  1.0
};

// Coefficient a_k or b_k by Goldstein's 1-based index, widened to double.
constexpr double a(int k) { return static_cast<double>(low_dof_coefficients[static_cast<std::size_t>(k - 1)]); }
constexpr double b(int k) { return static_cast<double>(high_dof_coefficients[static_cast<std::size_t>(k - 1)]); }

// Horner's rule in double precision over coefficients given highest power first: start with the
// first, then for each following one multiply by u and add it (two separately rounded operations).
template <typename... Rest>
double horner(double u, double first, Rest... rest) {
  double value = first;
  ((value = value * u + rest), ...);
  return value;
}

double low_dof_estimate(double u, double r) {
  const double g1 = horner(u, a(9), a(8), a(10), a(11), a(12), a(13), a(14));
  const double g2 = horner(u, a(1), a(2), a(3), a(4), a(5), a(6), a(7));
  const double s = (g1 + g2 * r) * r;
  const double g3 = horner(u, a(15), a(16), a(17), a(18), a(19), a(20)) * u;
  return (s + g3) + a(21);
}

double high_dof_estimate(double u, double r) {
  const double e1 = horner(u, b(4), b(3), b(5), b(6));
  const double e2 = b(2) * u + b(1);
  const double s1 = (e1 + e2 * r) * r;
  const double e3 = horner(u, b(8), b(7), b(9), b(10), b(11), b(12));
  const double s2 = (s1 + e3) * r;
  const double e4 = ((horner(u, b(13), b(14), b(15), b(16), b(17)) * u) * u + b(18)) * u;  // no u^2 term
  return (s2 + e4) + b(19);
}

// 2^31: every double d with 0 <= d < this truncates to a 32-bit integer.
constexpr double integer_limit = 2147483648.0;

}  // namespace

double chi_square_quantile(float upper_tail_probability, int degrees_of_freedom) {
  const float p = upper_tail_probability;
  const int n = degrees_of_freedom;

  if (n < 2) {
    const float half_probability = static_cast<float>(static_cast<double>(p) * 0.5);
    const double z = normal_quantile(half_probability);
    return z * z;
  }

  if (n == 2) {
    const double x = static_cast<double>(p);
    if (x < 0.0) throw RunTimeError(Fault::math_log_domain);
    if (x == 0.0) throw RunTimeError(Fault::math_log_singularity);
    return -(std::log(x) * 2.0);
  }

  const double n_real = static_cast<double>(n);
  const double inverse_n = 1.0 / n_real;
  const float lower_tail_probability = static_cast<float>(1.0 - static_cast<double>(p));
  const double deviate = normal_quantile(lower_tail_probability);
  const double scaled_deviate = std::sqrt(inverse_n) * deviate;

  // trunc(4 |t|) + 2. For a real deviate 4 |t| < 22; a sentinel (or NaN) cannot be converted.
  const double four_deviates = 4.0 * std::fabs(deviate);
  if (!(four_deviates < integer_limit)) throw RunTimeError(Fault::math_invalid_conversion);
  const std::int64_t switch_point = static_cast<std::int64_t>(four_deviates) + 2;

  const double cube_root_estimate = n < switch_point
                                        ? low_dof_estimate(scaled_deviate, inverse_n)
                                        : high_dof_estimate(scaled_deviate, inverse_n);
  const double x = cube_root_estimate;
  return ((n_real * x) * x) * x;
}

}  // namespace quiquadrado
