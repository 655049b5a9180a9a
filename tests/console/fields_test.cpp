#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "console/fields.hpp"

namespace quiquadrado::console {
namespace {

struct IntegerFieldCase {
  std::int32_t value;
  int width;
  std::string_view expected;
};

const IntegerFieldCase integer_field_cases[] = {
    {0, 3, "  0"},
    {10, 3, " 10"},
    {-5, 3, " -5"},
    {999, 3, "999"},
    {-99, 3, "-99"},
    {1000, 3, "***"},
    {-100, 3, "***"},
    {std::numeric_limits<std::int32_t>::max(), 3, "***"},
    {std::numeric_limits<std::int32_t>::min(), 3, "***"},
    {std::numeric_limits<std::int32_t>::min(), 11, "-2147483648"},
    {std::numeric_limits<std::int32_t>::min(), 12, " -2147483648"},
    {std::numeric_limits<std::int32_t>::max(), 10, "2147483647"},
    {7, 1, "7"},
    {-7, 1, "*"},
    {7, 0, ""},
    {7, -3, ""},  // a negative width is an empty field
};

TEST(IntegerField, DigitsRightJustifiedOrAsterisks) {
  for (const IntegerFieldCase& c : integer_field_cases) {
    EXPECT_EQ(integer_field(c.value, c.width), c.expected) << c.value << " in width " << c.width;
  }
}

struct FixedFieldCase {
  double value;
  std::string_view width_4;
  std::string_view width_8;
};

const FixedFieldCase fixed_field_cases[] = {
    {0.025, ".025", "    .025"},
    {0.975, ".975", "    .975"},
    {0.9995, "****", "   1.000"},
    {-0.025, "****", "   -.025"},
    {3.24700703409124, "****", "   3.247"},
    {20.48306077291025, "****", "  20.483"},
    {1089.5309293002374, "****", "1089.531"},
    {10279.070229978815, "****", "********"},
    {1.0000000300949327e60, "****", "********"},
    // The single-precision probabilities of a run, widened exactly.
    {static_cast<double>(0.02499997615814209f), ".025", "    .025"},
    {static_cast<double>(0.9750000238418579f), ".975", "    .975"},
    // Zeros: no digit before the point, no minus sign on a value that rounds to zero.
    {0.0, ".000", "    .000"},
    {-0.0, ".000", "    .000"},
    {-0.0004, ".000", "    .000"},
    {1e-300, ".000", "    .000"},
    {-5e-324, ".000", "    .000"},
    {0.0004999, ".000", "    .000"},
    // Halfway cases round away from zero.
    {0.0625, ".063", "    .063"},
    {-0.0625, "****", "   -.063"},
    {0.0005, ".001", "    .001"},
    {-0.0005, "****", "   -.001"},
    // Rounding starts from the 17 significant digits: 0.0115 is stored as
    // 0.01149999999999999980..., whose 17-digit form 1.1500000000000000e-02 rounds up.
    {0.0115, ".012", "    .012"},
    {1.0005, "****", "   1.000"},  // 1.0004999999999999
    {9.9995, "****", "   9.999"},  // 9.9994999999999994
    // Carrying through nines, into a new leading digit.
    {0.0995, ".100", "    .100"},
    {999.9995, "****", "1000.000"},
    {9999.9995, "****", "9999.999"},  // 9999.9994999999999: rounds down
    {9999.9996, "****", "********"},
    {-999.9995, "****", "********"},
    {-999.9994, "****", "-999.999"},
    {12345.678, "****", "********"},
    {1.5, "****", "   1.500"},
    {0.75, ".750", "    .750"},
};

TEST(FixedField, ThreeDecimalsRoundedFromSeventeenDigits) {
  for (const FixedFieldCase& c : fixed_field_cases) {
    EXPECT_EQ(fixed_field(c.value, 4), c.width_4) << std::hexfloat << c.value << " in width 4";
    EXPECT_EQ(fixed_field(c.value, 8), c.width_8) << std::hexfloat << c.value << " in width 8";
  }
}

TEST(FixedField, OtherWidthsAndValuesBeyondEveryWidth) {
  struct Case {
    double value;
    int width;
    std::string_view expected;
  };
  const Case cases[] = {
      {0.025, 3, "***"},
      {0.025, 5, " .025"},
      {-0.025, 5, "-.025"},
      {1.0, 0, ""},
      {1.0, -1, ""},
      {1.7976931348623157e308, 8, "********"},
      {-1.7976931348623157e308, 4, "****"},
      {1e20, 28, "   100000000000000000000.000"},
      {123456789.0123, 14, " 123456789.012"},
      {std::numeric_limits<double>::infinity(), 8, "********"},
      {-std::numeric_limits<double>::infinity(), 4, "****"},
      {std::numeric_limits<double>::quiet_NaN(), 8, "********"},
      {-std::numeric_limits<double>::quiet_NaN(), 4, "****"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fixed_field(c.value, c.width), c.expected) << c.value << " in width " << c.width;
  }
}

}  // namespace
}  // namespace quiquadrado::console
