// Fuzz target for the free-form reader: any bytes as one typed line, read both as a real and as
// an integer.
//
// Every outcome is checked twice over:
// - properties that hold for any line: a line of blanks and tabs asks for the next line and no
//   other line does; an error is one of the reader's F faults for that read; only a value
//   carries a value, and a real value is finite and within the single-precision range; the
//   same line gives the same outcome again, with blanks in front, and with anything after a
//   blank behind it;
// - a second reading of the line, written apart from the reader from its rules: the line's
//   structure (end-of-file character, blanks, null values, repeat prefixes, quoted texts), a
//   real by strtod of the text rewritten in C syntax (D and d as e, an exponent of a bare sign
//   given its e) and then rounded to single precision, an integer by std::from_chars in its
//   base. Any difference stops the run.
#include <array>
#include <bit>
#include <cfloat>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

#include "check.hpp"
#include "console/freeform.hpp"
#include "errors/run_time_error.hpp"

namespace quiquadrado::fuzz {
namespace {

using console::LineResult;
using console::ReadOutcome;

// The error numbers each read may give for a line; F6500 (no line at all) is the console's.
constexpr std::array<int, 9> real_fault_numbers = {6100, 6101, 6102, 6103, 6104,
                                                   6501, 6502, 6503, 6504};
constexpr std::array<int, 8> integer_fault_numbers = {6100, 6101, 6302, 6303,
                                                      6501, 6502, 6503, 6504};

template <std::size_t N>
bool among(int number, const std::array<int, N>& numbers) {
  for (const int n : numbers) {
    if (n == number) return true;
  }
  return false;
}

std::uint32_t bits_of(float v) { return std::bit_cast<std::uint32_t>(v); }
std::uint32_t bits_of(std::int32_t v) { return std::bit_cast<std::uint32_t>(v); }

template <typename T>
std::string outcome_text(const ReadOutcome<T>& outcome) {
  const FaultInfo& info = describe(outcome.fault);
  const std::string fault = std::string(1, info.letter) + std::to_string(info.number);
  const std::string value = "value bits " + std::to_string(bits_of(outcome.value));
  switch (outcome.result) {
    case LineResult::next_line: return "next line (" + value + ", fault " + fault + ")";
    case LineResult::null_value: return "null value (" + value + ", fault " + fault + ")";
    case LineResult::error: return "error " + fault + " (" + value + ")";
    case LineResult::value: return "value, " + value + " (fault " + fault + ")";
  }
  return "result " + std::to_string(static_cast<int>(outcome.result));
}

template <typename T>
bool same(const ReadOutcome<T>& a, const ReadOutcome<T>& b) {
  return a.result == b.result && a.fault == b.fault && bits_of(a.value) == bits_of(b.value);
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_sign(char c) { return c == '+' || c == '-'; }

// ----- Properties that hold for every line ---------------------------------------------------

template <typename T, std::size_t N>
void check_properties(ReadOutcome<T> (*parse)(std::string_view), std::string_view line,
                      std::string_view tail, const std::array<int, N>& fault_numbers,
                      const char* read) {
  const ReadOutcome<T> outcome = parse(line);
  const auto detail = [&] { return std::string(read) + " read: " + outcome_text(outcome); };

  const bool known_result =
      outcome.result == LineResult::next_line || outcome.result == LineResult::value ||
      outcome.result == LineResult::null_value || outcome.result == LineResult::error;
  require(known_result, "the outcome is one of next line, value, null value, error", line, detail);

  bool only_blanks = true;
  for (const char c : line) only_blanks = only_blanks && is_blank(c);
  require((outcome.result == LineResult::next_line) == only_blanks,
          "the next line is asked for exactly when the line is blanks and tabs only", line, detail);

  if (outcome.result == LineResult::error) {
    const FaultInfo& info = describe(outcome.fault);
    require(info.letter == 'F' && among(info.number, fault_numbers),
            "an error is one of the reader's F faults for this read", line, detail);
  } else {
    require(outcome.fault == Fault{}, "only an error carries a fault", line, detail);
  }
  if (outcome.result != LineResult::value) {
    require(bits_of(outcome.value) == 0, "only a value carries a value", line, detail);
  }
  if constexpr (std::is_same_v<T, float>) {
    if (outcome.result == LineResult::value) {
      require(std::isfinite(outcome.value) && std::fabs(outcome.value) <= FLT_MAX,
              "a real value is finite and within the single-precision range", line, detail);
    }
  }

  require(same(parse(line), outcome), "the same line gives the same outcome again", line, detail);

  const bool ends_with_eof = !line.empty() && line.back() == console::end_of_file_character;
  if (!ends_with_eof) {
    const std::string indented = " \t " + std::string(line);
    require(same(parse(indented), outcome), "blanks and tabs in front change nothing", line,
            [&] { return detail() + "; indented: " + outcome_text(parse(indented)); });
  }
  const bool tail_ends_with_eof = !tail.empty() && tail.back() == console::end_of_file_character;
  if (!ends_with_eof && outcome.result != LineResult::next_line && !tail_ends_with_eof) {
    const std::string longer = std::string(line) + " " + std::string(tail);
    require(same(parse(longer), outcome), "what follows the value after a blank is ignored", line, [&] {
      return detail() + "; with \"" + shown(tail) + "\" behind: " + outcome_text(parse(longer));
    });
  }
}

// ----- A second reading of the line -----------------------------------------------------------

// What the line gives before the value text is converted: a result, or the text to convert.
struct LineReading {
  LineResult result = LineResult::next_line;
  Fault fault{};               // when result is error
  std::string_view value_text; // when result is value: the text to convert
};

LineReading fails(Fault fault) { return {LineResult::error, fault, {}}; }

struct IntegerReading {
  bool valid = false;
  Fault fault{};           // when not valid
  std::int64_t value = 0;  // when valid
};

IntegerReading integer_fails(Fault fault) { return {false, fault, 0}; }

// An optional sign and decimal digits; a sign alone is 0.
IntegerReading decimal_reading(std::string_view text) {
  bool negative = false;
  if (!text.empty() && is_sign(text.front())) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return {true, {}, 0};
  std::uint64_t magnitude = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
  if (end != text.data() + text.size()) return integer_fails(Fault::read_not_an_integer);
  const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
  if (error == std::errc::result_out_of_range || magnitude > limit) {
    return integer_fails(Fault::read_integer_out_of_range);
  }
  const auto value = static_cast<std::int64_t>(magnitude);
  return {true, {}, negative ? -value : value};
}

// [sign] [base] # digits, the digits filling up to 32 bits of a two's-complement value.
IntegerReading based_reading(bool negative, std::string_view base_text, std::string_view digits) {
  std::uint64_t base = 16;
  if (!base_text.empty()) {
    const auto [end, error] =
        std::from_chars(base_text.data(), base_text.data() + base_text.size(), base);
    if (end != base_text.data() + base_text.size()) return integer_fails(Fault::read_not_an_integer);
    if (error == std::errc::result_out_of_range) base = 0;  // as far out of range as 0 is
  }
  if (base < 2 || base > 36) return integer_fails(Fault::read_base_out_of_range);
  if (digits.find('#') != std::string_view::npos) return integer_fails(Fault::read_second_base_mark);
  if (digits.empty()) return {true, {}, 0};
  std::uint64_t bits = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), bits, static_cast<int>(base));
  if (end != digits.data() + digits.size()) return integer_fails(Fault::read_not_an_integer);
  if (error == std::errc::result_out_of_range || bits > 0xFFFF'FFFFu) {
    return integer_fails(Fault::read_integer_out_of_range);
  }
  auto pattern = static_cast<std::uint32_t>(bits);
  if (negative) pattern = ~pattern + 1u;
  return {true, {}, std::bit_cast<std::int32_t>(pattern)};
}

IntegerReading integer_reading(std::string_view text) {
  std::string_view unsigned_part = text;
  bool negative = false;
  if (!unsigned_part.empty() && is_sign(unsigned_part.front())) {
    negative = unsigned_part.front() == '-';
    unsigned_part.remove_prefix(1);
  }
  const std::size_t mark = unsigned_part.find('#');
  if (mark == std::string_view::npos) return decimal_reading(text);
  return based_reading(negative, unsigned_part.substr(0, mark), unsigned_part.substr(mark + 1));
}

bool begins_quoted(std::string_view text) {
  return !text.empty() && (text.front() == '\'' || text.front() == '"' || text.front() == '(');
}

LineReading line_reading(std::string_view line) {
  if (!line.empty() && line.back() == console::end_of_file_character) {
    return fails(Fault::read_end_of_file_character);
  }
  const std::size_t begin = line.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  if (line[begin] == ',' || line[begin] == '/') return {LineResult::null_value, {}, {}};
  const std::size_t end = line.find_first_of(" \t,/", begin);
  std::string_view item = line.substr(begin, end == std::string_view::npos ? end : end - begin);
  for (;;) {
    if (begins_quoted(item)) return fails(Fault::read_quoted_value);
    const std::size_t star = item.find('*');
    if (star == std::string_view::npos || star == 0) return {LineResult::value, {}, item};
    const IntegerReading count = decimal_reading(item.substr(0, star));
    if (!count.valid) return fails(count.fault);
    if (count.value <= 0) return fails(Fault::read_zero_repeat_count);
    item.remove_prefix(star + 1);
    if (item.empty()) return {LineResult::null_value, {}, {}};
    if (count.value == 1) continue;
    if (begins_quoted(item)) return fails(Fault::read_quoted_value);
    if (item.find('*') != std::string_view::npos) return fails(Fault::read_second_repeat_count);
    return {LineResult::value, {}, item};
  }
}

// The text in C syntax when it is a real by the reader's rules (sign, digits with one optional
// point, at least one digit, an optional exponent: E, e, D or d with an optional sign, or a bare
// sign, then digits); an empty string otherwise.
std::string c_syntax(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && is_sign(text[i])) ++i;
  std::size_t digits = 0;
  for (; i < text.size() && is_digit(text[i]); ++i) ++digits;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && is_digit(text[i]); ++i) ++digits;
  }
  if (digits == 0) return {};
  std::string converted(text.substr(0, i));
  if (i < text.size()) {
    const char c = text[i];
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      ++i;
      converted += 'e';
      if (i < text.size() && is_sign(text[i])) converted += text[i++];
    } else if (is_sign(c)) {
      converted += 'e';
      converted += text[i++];
    } else {
      return {};
    }
    const std::size_t exponent_begin = i;
    for (; i < text.size() && is_digit(text[i]); ++i) converted += text[i];
    if (i == exponent_begin || i != text.size()) return {};
  }
  return converted;
}

ReadOutcome<float> expected_real(const LineReading& reading) {
  if (reading.result != LineResult::value) return {reading.result, 0.0f, reading.fault};
  const std::string text = c_syntax(reading.value_text);
  if (text.empty()) return {LineResult::error, 0.0f, Fault::read_not_a_real};
  const double converted = std::strtod(text.c_str(), nullptr);
  if (std::isinf(converted)) return {LineResult::error, 0.0f, Fault::read_real_beyond_double};
  const double single_limit =
      std::nextafter(static_cast<double>(FLT_MAX), std::numeric_limits<double>::infinity());
  if (std::fabs(converted) > single_limit) {
    return {LineResult::error, 0.0f, Fault::read_real_beyond_single};
  }
  return {LineResult::value, static_cast<float>(converted), Fault{}};
}

ReadOutcome<std::int32_t> expected_integer(const LineReading& reading) {
  if (reading.result != LineResult::value) return {reading.result, 0, reading.fault};
  const IntegerReading integer = integer_reading(reading.value_text);
  if (!integer.valid) return {LineResult::error, 0, integer.fault};
  return {LineResult::value, static_cast<std::int32_t>(integer.value), Fault{}};
}

void check_line(std::string_view line) {
  std::string tail(line.rbegin(), line.rend());
  check_properties(console::parse_real, line, tail, real_fault_numbers, "real");
  check_properties(console::parse_integer, line, tail, integer_fault_numbers, "integer");

  const LineReading reading = line_reading(line);
  const ReadOutcome<float> real = console::parse_real(line);
  const ReadOutcome<float> real_expected = expected_real(reading);
  require(same(real, real_expected), "the real read agrees with strtod and the line's rules", line,
          [&] { return "read: " + outcome_text(real) + "\nexpected: " + outcome_text(real_expected); });
  const ReadOutcome<std::int32_t> integer = console::parse_integer(line);
  const ReadOutcome<std::int32_t> integer_expected = expected_integer(reading);
  require(same(integer, integer_expected),
          "the integer read agrees with from_chars and the line's rules", line, [&] {
            return "read: " + outcome_text(integer) + "\nexpected: " + outcome_text(integer_expected);
          });
}

}  // namespace
}  // namespace quiquadrado::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // strtod must read '.' as the decimal point whatever the environment says.
  static const bool c_numeric = std::setlocale(LC_NUMERIC, "C") != nullptr;
  quiquadrado::fuzz::require(c_numeric, "the C locale is available", {});
  quiquadrado::fuzz::check_line(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
