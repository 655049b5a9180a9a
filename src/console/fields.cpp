#include "console/fields.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>
#include <system_error>
#include <utility>

namespace quiquadrado::console {

namespace {

// A negative width counts as 0: an empty field.
std::size_t field_width(int width) { return static_cast<std::size_t>(std::max(width, 0)); }

std::string asterisks(int width) { return std::string(field_width(width), '*'); }

// text right-justified with blanks, or asterisks when it is longer than the field.
std::string right_justified(std::string text, int width) {
  const std::size_t size = field_width(width);
  if (text.size() > size) return std::string(size, '*');
  text.insert(0, size - text.size(), ' ');
  return text;
}

constexpr int significant_digits = 17;
constexpr int decimals = 3;

// A finite value as a sign, its 17 significant digits and the decimal exponent of the first.
struct Decimal {
  bool negative = false;
  std::array<char, significant_digits> digits{};  // '0' to '9'
  int exponent = 0;  // value = d0.d1d2...d16 x 10^exponent

  // The digit in the 10^power position of the 17-digit expansion ('0' outside it).
  char digit_at(int power) const {
    const int index = exponent - power;
    return index >= 0 && index < significant_digits ? digits[static_cast<std::size_t>(index)] : '0';
  }
};

// std::to_chars in scientific format with 16 digits after the point gives the value correctly
// rounded to 17 significant digits: "-d.dddddddddddddddde-XX".
Decimal seventeen_digits(double value) {
  std::array<char, 40> text{};
  const std::to_chars_result written =
      std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::scientific,
                    significant_digits - 1);
  Decimal decimal;
  const char* p = text.data();
  if (*p == '-') {
    decimal.negative = true;
    ++p;
  }
  std::size_t count = 0;
  for (; p != written.ptr && *p != 'e'; ++p) {
    if (*p != '.' && count < decimal.digits.size()) decimal.digits[count++] = *p;
  }
  if (p != written.ptr) {
    ++p;  // 'e'
    if (*p == '+') ++p;  // from_chars takes '-' but not '+'
    std::from_chars(p, written.ptr, decimal.exponent);
  }
  return decimal;
}

}  // namespace

std::string integer_field(std::int32_t value, int width) {
  return right_justified(std::to_string(value), width);
}

// The kept digits run from the highest integer position (at least the units) down to the third
// decimal; the digit after them decides the rounding, away from zero at 5 and above.
std::string fixed_field(double value, int width) {
  if (!std::isfinite(value)) return asterisks(width);
  const Decimal decimal = seventeen_digits(value);

  std::string kept;
  for (int power = std::max(decimal.exponent, 0); power >= -decimals; --power) {
    kept += decimal.digit_at(power);
  }
  if (decimal.digit_at(-decimals - 1) >= '5') {
    std::size_t position = kept.size();
    while (position > 0 && kept[position - 1] == '9') kept[--position] = '0';
    if (position > 0) {
      ++kept[position - 1];
    } else {
      kept.insert(kept.begin(), '1');  // carried through all nines
    }
  }

  const std::size_t integer_length = kept.size() - decimals;
  const std::size_t first_integer_digit =
      std::min(kept.find_first_not_of('0'), integer_length);  // no leading zeros, none at all for 0
  const bool all_zero = kept.find_first_not_of('0') == std::string::npos;

  std::string text;
  if (decimal.negative && !all_zero) text += '-';
  text.append(kept, first_integer_digit, integer_length - first_integer_digit);
  text += '.';
  text.append(kept, integer_length, decimals);
  return right_justified(std::move(text), width);
}

}  // namespace quiquadrado::console
