#include "console/freeform.hpp"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>

namespace quiquadrado::console {

// How one line is read
// --------------------
// 1. A line whose last character is the end-of-file character is F6501, whatever else it holds.
// 2. Blanks and tabs are skipped; a line of nothing else asks for the next line.
// 3. A comma or a slash before any value text gives a null value.
// 4. The value text runs up to the next blank, tab, comma or slash, or the end of the line. Any
//    other byte (letters, '%', NUL, control characters, bytes 0x80 and above) belongs to it, so
//    it makes the value invalid instead of ending it.
// 5. A value text that begins with an apostrophe, a double quotation mark or '(' is a character
//    or complex constant: F6504. This is checked on the whole value text before any repeat
//    prefix ('2*5' is F6504, not a bad count) and again on the text after a prefix (2*'a').
// 6. Repeat prefix: when the value text holds '*' after its first character, the part before the
//    first '*' is the count: an optional sign and decimal digits (a bad character is F6101, a
//    count outside the 32-bit range F6100; a sign alone counts as 0). A count of 0, and a
//    negative count, is F6502.
//    - Nothing after the '*' ("2*", "1*"): a null value.
//    - Count 1: the rest is read again as a value text, prefix rules included, so 1*2*5 gives
//      5 and 1*1*1* gives a null value.
//    - Count above 1: a second '*' in the rest is F6503 (checked after the quote test, so a
//      quoted constant holding '*' is still F6504); otherwise the rest is the value.
//    A '*' as the first character is no prefix: "*5" (and the "*5" left over from "1**5") is a
//    value text that is not a number, F6103 for a real and F6101 for an integer.
// 7. Everything after the value text on its line is ignored.

namespace {

template <typename T>
ReadOutcome<T> value_outcome(T value) {
  return {LineResult::value, value, Fault{}};
}

template <typename T>
ReadOutcome<T> fault_outcome(Fault fault) {
  return {LineResult::error, T{}, fault};
}

template <typename T>
ReadOutcome<T> null_outcome() {
  return {LineResult::null_value, T{}, Fault{}};
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool ends_value_text(char c) { return is_blank(c) || c == ',' || c == '/'; }
bool is_decimal_digit(char c) { return c >= '0' && c <= '9'; }
bool is_sign(char c) { return c == '+' || c == '-'; }
bool begins_quoted(std::string_view text) {
  return !text.empty() && (text.front() == '\'' || text.front() == '"' || text.front() == '(');
}

int decimal_digit(char c) { return c - '0'; }

// The value of c as a digit of any base up to 36 (letters of either case), or 36 for a character
// that is no digit at all.
int base36_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  return 36;
}

// ----- Integers -------------------------------------------------------------------------------

constexpr std::uint64_t int32_min_magnitude = 2147483648u;  // |INT32_MIN|

// An optional sign and decimal digits; a sign alone (or nothing) is 0. Every character is checked
// before the magnitude, so a bad character is F6101 even where the digits before it already lie
// outside the 32-bit range (F6100).
ReadOutcome<std::int32_t> decimal_integer(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && is_sign(text[i])) {
    negative = text[i] == '-';
    ++i;
  }
  std::uint64_t magnitude = 0;  // stops growing once it is past every 32-bit magnitude
  for (; i < text.size(); ++i) {
    if (!is_decimal_digit(text[i])) return fault_outcome<std::int32_t>(Fault::read_not_an_integer);
    if (magnitude <= int32_min_magnitude) {
      magnitude = magnitude * 10 + static_cast<std::uint64_t>(decimal_digit(text[i]));
    }
  }
  if (magnitude > int32_min_magnitude || (!negative && magnitude == int32_min_magnitude)) {
    return fault_outcome<std::int32_t>(Fault::read_integer_out_of_range);
  }
  const auto value = static_cast<std::int64_t>(magnitude);
  return value_outcome(static_cast<std::int32_t>(negative ? -value : value));
}

// base#digits after an optional sign (negative tells which). An empty base means 16. The digits
// fill up to 32 bits and are read as a two's-complement value, which the sign then negates with
// wrap-around (-16#80000000 is -2147483648). No digits give 0.
//
// Checks, in this order: a base that is not decimal digits (F6101), a base outside 2..36 (F6303),
// a second '#' (F6302), a character that is no digit of the base (F6101), more than 32 bits
// (F6100).
ReadOutcome<std::int32_t> based_integer(bool negative, std::string_view base_text,
                                        std::string_view digits) {
  int base = 16;
  if (!base_text.empty()) {
    base = 0;  // saturates at 37: every larger base is as far out of range
    for (const char c : base_text) {
      if (!is_decimal_digit(c)) return fault_outcome<std::int32_t>(Fault::read_not_an_integer);
      if (base <= 36) base = base * 10 + decimal_digit(c);
    }
  }
  if (base < 2 || base > 36) return fault_outcome<std::int32_t>(Fault::read_base_out_of_range);
  if (digits.find('#') != std::string_view::npos) {
    return fault_outcome<std::int32_t>(Fault::read_second_base_mark);
  }
  std::uint64_t bits = 0;  // stops growing once it is past 32 bits
  for (const char c : digits) {
    const int digit = base36_digit(c);
    if (digit >= base) return fault_outcome<std::int32_t>(Fault::read_not_an_integer);
    if (bits <= 0xFFFF'FFFFu) {
      bits = bits * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    }
  }
  if (bits > 0xFFFF'FFFFu) return fault_outcome<std::int32_t>(Fault::read_integer_out_of_range);
  auto pattern = static_cast<std::uint32_t>(bits);
  if (negative) pattern = 0u - pattern;  // unsigned arithmetic: wraps, never overflows
  return value_outcome(static_cast<std::int32_t>(pattern));  // two's complement (C++20)
}

ReadOutcome<std::int32_t> integer_value(std::string_view text) {
  std::string_view unsigned_part = text;
  bool negative = false;
  if (!unsigned_part.empty() && is_sign(unsigned_part.front())) {
    negative = unsigned_part.front() == '-';
    unsigned_part.remove_prefix(1);
  }
  const std::size_t mark = unsigned_part.find('#');
  if (mark == std::string_view::npos) return decimal_integer(text);
  return based_integer(negative, unsigned_part.substr(0, mark), unsigned_part.substr(mark + 1));
}

// ----- Reals ----------------------------------------------------------------------------------

// The double just above the largest single-precision number (FLT_MAX + 2^75),
// 3.402823466385289E38. Magnitudes above it are too large for single precision; FLT_MAX itself and
// this one double above it round to FLT_MAX.
constexpr double single_precision_limit = 0x1.fffffe0000001p+127;

// Significant digits handed to the conversion. Every double and every midpoint between two
// doubles has at most 767 significant digits, so cutting the digits after the 800th and putting
// one nonzero digit in their place (when any of them was nonzero) cannot change the rounding.
constexpr std::size_t kept_significant_digits = 800;

// Decimal exponents of the leading significant digit beyond which the result is known without
// converting: 10^400 is past the largest double, 10^-400 rounds to zero. Between them the
// conversion decides.
constexpr std::int64_t exponent_overflow = 400;
constexpr std::int64_t exponent_underflow = -400;

// Exponent digits are accumulated up to this bound; a larger exponent acts the same.
constexpr std::int64_t exponent_saturation = 1'000'000'000;

ReadOutcome<float> signed_zero(bool negative) { return value_outcome(negative ? -0.0f : 0.0f); }

// Optional sign; digits with an optional '.', at least one digit in all; an optional exponent:
// E, e, D or d followed by an optional sign and digits, or a sign followed directly by digits.
// The whole text must match, else F6103.
//
// The digits are normalised to d.ddd...e<exponent> and converted by std::from_chars to the
// nearest double, which is then rounded to single precision. A double magnitude above
// single_precision_limit is F6104; a value past the double range is F6102. A value too small for
// double is no error: it gives a zero of its sign.
ReadOutcome<float> real_value(std::string_view text) {
  const std::size_t size = text.size();
  std::size_t i = 0;
  bool negative = false;
  if (i < size && is_sign(text[i])) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t integer_begin = i;
  while (i < size && is_decimal_digit(text[i])) ++i;
  const std::string_view integer_digits = text.substr(integer_begin, i - integer_begin);
  std::string_view fraction_digits;
  if (i < size && text[i] == '.') {
    const std::size_t fraction_begin = ++i;
    while (i < size && is_decimal_digit(text[i])) ++i;
    fraction_digits = text.substr(fraction_begin, i - fraction_begin);
  }
  if (integer_digits.empty() && fraction_digits.empty()) {
    return fault_outcome<float>(Fault::read_not_a_real);
  }

  std::int64_t exponent = 0;
  if (i < size) {
    const char c = text[i];
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      ++i;
      if (i < size && is_sign(text[i])) ++i;
    } else if (is_sign(c)) {
      ++i;
    } else {
      return fault_outcome<float>(Fault::read_not_a_real);
    }
    const bool exponent_negative = text[i - 1] == '-';
    const std::size_t exponent_begin = i;
    for (; i < size && is_decimal_digit(text[i]); ++i) {
      if (exponent < exponent_saturation) exponent = exponent * 10 + decimal_digit(text[i]);
    }
    if (i == exponent_begin || i != size) return fault_outcome<float>(Fault::read_not_a_real);
    if (exponent_negative) exponent = -exponent;
  }

  // The leading significant digit and its decimal exponent.
  const auto digit_at = [&](std::size_t k) {
    return k < integer_digits.size() ? integer_digits[k]
                                     : fraction_digits[k - integer_digits.size()];
  };
  const std::size_t digit_count = integer_digits.size() + fraction_digits.size();
  std::size_t lead = 0;
  while (lead < digit_count && digit_at(lead) == '0') ++lead;
  if (lead == digit_count) return signed_zero(negative);
  // Text lengths are far below 2^62, so these differences cannot overflow.
  const std::int64_t lead_exponent = static_cast<std::int64_t>(integer_digits.size()) -
                                     static_cast<std::int64_t>(lead) - 1 + exponent;
  if (lead_exponent > exponent_overflow) {
    return fault_outcome<float>(Fault::read_real_beyond_double);
  }
  if (lead_exponent < exponent_underflow) return signed_zero(negative);

  std::string normalised;
  if (negative) normalised += '-';
  normalised += digit_at(lead);
  const std::size_t kept_end =
      digit_count - lead > kept_significant_digits ? lead + kept_significant_digits : digit_count;
  if (kept_end > lead + 1) {
    normalised += '.';
    for (std::size_t k = lead + 1; k < kept_end; ++k) normalised += digit_at(k);
    for (std::size_t k = kept_end; k < digit_count; ++k) {
      if (digit_at(k) != '0') {
        normalised += '1';  // stands for every nonzero digit cut off
        break;
      }
    }
  }
  normalised += 'e';
  normalised += std::to_string(lead_exponent);

  double converted = 0.0;
  const char* const first = normalised.data();
  const char* const last = first + normalised.size();
  const std::from_chars_result result = std::from_chars(first, last, converted);
  if (result.ec == std::errc::result_out_of_range) {
    if (lead_exponent >= 0) return fault_outcome<float>(Fault::read_real_beyond_double);
    return signed_zero(negative);
  }
  if (result.ec != std::errc{} || result.ptr != last) {
    return fault_outcome<float>(Fault::read_not_a_real);  // the normalised text is always valid
  }
  if (!std::isfinite(converted)) return fault_outcome<float>(Fault::read_real_beyond_double);
  if (std::fabs(converted) > single_precision_limit) {
    return fault_outcome<float>(Fault::read_real_beyond_single);
  }
  // Round to nearest single precision; a magnitude up to single_precision_limit becomes at most
  // FLT_MAX.
  return value_outcome(static_cast<float>(converted));
}

// ----- One line -------------------------------------------------------------------------------

template <typename T>
ReadOutcome<T> read_line(std::string_view line, ReadOutcome<T> (*value_of)(std::string_view)) {
  if (!line.empty() && line.back() == end_of_file_character) {
    return fault_outcome<T>(Fault::read_end_of_file_character);
  }
  std::size_t begin = 0;
  while (begin < line.size() && is_blank(line[begin])) ++begin;
  if (begin == line.size()) return {};  // LineResult::next_line
  if (line[begin] == ',' || line[begin] == '/') return null_outcome<T>();

  std::size_t end = begin;
  while (end < line.size() && !ends_value_text(line[end])) ++end;
  std::string_view item = line.substr(begin, end - begin);

  // Each pass strips one repeat prefix of count 1; a loop, not recursion, for any number of them.
  for (;;) {
    if (begins_quoted(item)) return fault_outcome<T>(Fault::read_quoted_value);
    const std::size_t star = item.find('*');
    if (star == std::string_view::npos || star == 0) return value_of(item);

    const ReadOutcome<std::int32_t> count = decimal_integer(item.substr(0, star));
    if (count.result == LineResult::error) return fault_outcome<T>(count.fault);
    if (count.value <= 0) return fault_outcome<T>(Fault::read_zero_repeat_count);
    item.remove_prefix(star + 1);
    if (item.empty()) return null_outcome<T>();
    if (count.value == 1) continue;

    if (begins_quoted(item)) return fault_outcome<T>(Fault::read_quoted_value);
    if (item.find('*') != std::string_view::npos) {
      return fault_outcome<T>(Fault::read_second_repeat_count);
    }
    return value_of(item);
  }
}

}  // namespace

ReadOutcome<float> parse_real(std::string_view line) { return read_line(line, real_value); }

ReadOutcome<std::int32_t> parse_integer(std::string_view line) {
  return read_line(line, integer_value);
}

}  // namespace quiquadrado::console
