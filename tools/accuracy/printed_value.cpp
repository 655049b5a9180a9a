#include "printed_value.hpp"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace quiquadrado::accuracy {

std::int64_t printed_thousandths(double value) {
  if (!std::isfinite(value) || std::fabs(value) >= 1e15) throw std::domain_error("value too large to print");
  if (value == 0.0) return 0;
  // d.dddddddddddddddde+XX: 17 significant digits and the decimal exponent.
  std::array<char, 40> text{};
  std::snprintf(text.data(), text.size(), "%.16e", std::fabs(value));
  std::array<int, 17> digits{};
  digits[0] = text[0] - '0';
  for (std::size_t i = 1; i < digits.size(); ++i) digits[i] = text[i + 1] - '0';
  const int exponent = std::atoi(text.data() + 19);

  // digits[k] has the weight 10^(exponent - k); the third decimal is k = exponent + 3.
  const int last_kept = exponent + 3;
  std::int64_t kept = 0;
  for (int k = 0; k <= last_kept && k < 17; ++k) kept = kept * 10 + digits[static_cast<std::size_t>(k)];
  for (int k = 17; k <= last_kept; ++k) kept *= 10;
  const int next = last_kept + 1;
  if (next >= 0 && next < 17 && digits[static_cast<std::size_t>(next)] >= 5) kept += 1;
  return value < 0.0 ? -kept : kept;
}

std::string thousandths_text(std::int64_t thousandths) {
  const std::int64_t magnitude = thousandths < 0 ? -thousandths : thousandths;
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%s%lld.%03lld", thousandths < 0 ? "-" : "",
                static_cast<long long>(magnitude / 1000), static_cast<long long>(magnitude % 1000));
  return text.data();
}

}  // namespace quiquadrado::accuracy
