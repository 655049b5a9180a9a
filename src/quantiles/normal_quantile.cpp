// Standard normal quantile after Wichura, "The percentage points of the normal distribution",
// Applied Statistics 37 (1988), algorithm AS 241, in its single-precision variant PPND7: rational
// approximations of degree 7 over three regions of p, relative error about 1e-7 in the
// coefficients' own precision.
//
//   central region  |p - 0.5| <= 0.425             z = q * A(r) / B(r),  r = 0.180625 - q^2
//   near tail       s = sqrt(-ln t) <= 5            z = +-C(r) / D(r),    r = s - 1.6
//   far tail        s > 5  (p <= 1.388791e-11)      z = +-E(r) / F(r),    r = s - 5
//
// with q = p - 0.5, t the smaller tail probability, and 0.180625 = 0.425^2. Every constant is a
// single-precision number; the working values q, s, r, the polynomial values and the central
// numerator are rounded to single precision where they are formed. The seams are not smoothed:
// the result steps back by up to a few units of 1e-6 where the regions meet.
#include "quantiles/quantiles.hpp"

#include <array>
#include <cmath>

namespace quiquadrado {
namespace {

using Coefficients = std::array<float, 8>;  // constant term first

// Region constants, with their single-precision bits.
constexpr float central_split = 0x1.b33334p-2f;     // 0.425     3ED9999A
constexpr float central_constant = 0x1.71eb86p-3f;  // 0.180625  3E38F5C3  (0.425 squared)
constexpr float tail_split = 0x1.4p+2f;             // 5         40A00000
constexpr float near_tail_shift = 0x1.99999ap+0f;   // 1.6       3FCCCCCD

// Central region, 0.075 <= p <= 0.925.
constexpr Coefficients central_numerator{
    0x1.b18d92p+1f,   // 3.387133   4058C6C9
    0x1.0a4888p+7f,   // 133.14166  43052444
    0x1.ece5d2p+10f,  // 1971.591   44F672E9
    0x1.ad1d8cp+13f,  // 13731.693  46568EC6
    0x1.66c3e8p+15f,  // 45921.953  473361F4
    0x1.06c1c6p+16f,  // 67265.77   478360E3
    0x1.052d26p+15f,  // 33430.574  47029693
    0x1.39a296p+11f,  // 2509.0808  451CD14B
};
constexpr Coefficients central_denominator{
    0x1p+0f,          // 1          3F800000
    0x1.5281b4p+5f,   // 42.31333   422940DA
    0x1.5797fp+9f,    // 687.187    442BCBF8
    0x1.512322p+12f,  // 5394.196   45A89191
    0x1.4b772ep+14f,  // 21213.795  46A5BB97
    0x1.3317cap+15f,  // 39307.895  47198BE5
    0x1.c0e458p+14f,  // 28729.086  46E0722C
    0x1.46a7ecp+12f,  // 5226.495   45A353F6
};

// Near tail, 1.3887911e-11 <= min(p, 1 - p) < 0.075.
constexpr Coefficients near_tail_numerator{
    0x1.6c666p+0f,    // 1.4234371    3FB63330
    0x1.285774p+2f,   // 4.6303377    40942BBA
    0x1.713f72p+2f,   // 5.7694974    40B89FB9
    0x1.d2ecb2p+1f,   // 3.6478484    40697659
    0x1.453ccp+0f,    // 1.2704582    3FA29E60
    0x1.ef2abcp-3f,   // 0.24178073   3E77955E
    0x1.744eb6p-6f,   // 0.022723844  3CBA275B
    0x1.9615acp-11f,  // 0.000774545  3A4B0AD6
};
constexpr Coefficients near_tail_denominator{
    0x1p+0f,          // 1             3F800000
    0x1.06cefcp+1f,   // 2.0531917     4003677E
    0x1.ad278ep+0f,   // 1.6763848     3FD693C7
    0x1.61293p-1f,    // 0.68976736    3F309498
    0x1.2f5124p-3f,   // 0.14810398    3E17A892
    0x1.f207a8p-7f,   // 0.015198667   3C7903D4
    0x1.1f18ccp-11f,  // 0.0005475938  3A0F8C66
    0x1.20d3f6p-30f,  // 1.05075e-9    309069FB
};

// Far tail, p <= 1.388791e-11 (only below 0.5: 1 - p never gets that small in single precision).
constexpr Coefficients far_tail_numerator{
    0x1.aa1b1cp+2f,   // 6.6579046     40D50D8E
    0x1.5daea6p+2f,   // 5.4637847     40AED753
    0x1.c8ea64p+0f,   // 1.7848265     3FE47532
    0x1.2fad94p-2f,   // 0.2965606     3E97D6CA
    0x1.b2b412p-6f,   // 0.02653219    3CD95A09
    0x1.45c19p-10f,   // 0.0012426609  3AA2E0C8
    0x1.c6ec6cp-16f,  // 2.7115555e-5  37E37636
    0x1.afb74ep-23f,  // 2.0103344e-7  3457DBA7
};
constexpr Coefficients far_tail_denominator{
    0x1p+0f,          // 1              3F800000
    0x1.331d34p-1f,   // 0.5998322      3F198E9A
    0x1.186eb2p-3f,   // 0.13692988     3E0C3759
    0x1.e76f94p-7f,   // 0.014875362    3C73B7CA
    0x1.9c8bcap-11f,  // 0.00078686915  3A4E45E5
    0x1.35c2c4p-16f,  // 1.8463183e-5   379AE162
    0x1.31447p-23f,   // 1.4215118e-7   3418A238
    0x1.269cp-49f,    // 2.0442632e-15  27134E00
};

constexpr int degree_plus_one = 8;

// The quotient of one region's two polynomials at r, in double precision.
double rational(const Coefficients& numerator, const Coefficients& denominator, float r) {
  const float top = evaluate_polynomial(degree_plus_one, numerator.data(), r);
  const float bottom = evaluate_polynomial(degree_plus_one, denominator.data(), r);
  return static_cast<double>(top) / static_cast<double>(bottom);
}

}  // namespace

float evaluate_polynomial(int n, const float* a, float x) {
  float accumulator = 0.0f;
  for (int i = n; i > 0; --i) {  // counts down from n: n - 1 would overflow for the smallest int
    const double product = static_cast<double>(x) * static_cast<double>(accumulator);  // exact
    accumulator = static_cast<float>(product + static_cast<double>(a[i - 1]));
  }
  return accumulator;
}

double normal_quantile(float p) {
  if (p <= 0.0f) return normal_quantile_lower_sentinel;
  if (p >= 1.0f) return normal_quantile_upper_sentinel;

  // The region test looks at d, not at its single-precision rounding q: below p = 0.25, d can
  // carry bits that q drops, and two inputs just below 0.075 fall on different sides of the seam.
  const double d = static_cast<double>(p) - 0.5;
  const float q = static_cast<float>(d);

  if (std::fabs(d) <= static_cast<double>(central_split)) {
    // 0.075 <= p <= 0.925; r may come out slightly negative next to the seam and is used as is.
    const float r = static_cast<float>(static_cast<double>(central_constant) -
                                       static_cast<double>(q) * static_cast<double>(q));
    const float numerator = static_cast<float>(
        static_cast<double>(evaluate_polynomial(degree_plus_one, central_numerator.data(), r)) *
        static_cast<double>(q));
    const float denominator = evaluate_polynomial(degree_plus_one, central_denominator.data(), r);
    return static_cast<double>(numerator) / static_cast<double>(denominator);  // sign of q
  }

  // Tails: t is the smaller tail probability, at least 2^-24 above 0.5, so ln t is finite.
  const float t = q < 0.0f ? p : static_cast<float>(1.0 - static_cast<double>(p));
  const float s = static_cast<float>(std::sqrt(-std::log(static_cast<double>(t))));

  double z = 0.0;
  if (s <= tail_split) {
    const float r = static_cast<float>(static_cast<double>(s) - static_cast<double>(near_tail_shift));
    z = rational(near_tail_numerator, near_tail_denominator, r);
  } else {
    const float r = static_cast<float>(static_cast<double>(s) - static_cast<double>(tail_split));
    z = rational(far_tail_numerator, far_tail_denominator, r);
  }
  return q < 0.0f ? -z : z;
}

}  // namespace quiquadrado
