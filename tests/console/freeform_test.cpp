#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iomanip>
#include <limits>
#include <random>
#include <span>
#include <sstream>
#include <string>
#include <string_view>

#include "console/freeform.hpp"

namespace quiquadrado::console {
namespace {

using namespace std::literals;

// ----- Expected outcomes, written once for both reads ---------------------------------------

struct Expected {
  LineResult result = LineResult::next_line;
  double value = 0.0;  // rounded to single precision for the real read, exact for the integer read
  Fault fault{};
};

constexpr Expected value(double v) { return {LineResult::value, v, {}}; }
constexpr Expected fails(Fault f) { return {LineResult::error, 0.0, f}; }
constexpr Expected null_value{LineResult::null_value, 0.0, {}};
constexpr Expected next_line{LineResult::next_line, 0.0, {}};

constexpr Fault F6100 = Fault::read_integer_out_of_range;
constexpr Fault F6101 = Fault::read_not_an_integer;
constexpr Fault F6102 = Fault::read_real_beyond_double;
constexpr Fault F6103 = Fault::read_not_a_real;
constexpr Fault F6104 = Fault::read_real_beyond_single;
constexpr Fault F6302 = Fault::read_second_base_mark;
constexpr Fault F6303 = Fault::read_base_out_of_range;
constexpr Fault F6501 = Fault::read_end_of_file_character;
constexpr Fault F6502 = Fault::read_zero_repeat_count;
constexpr Fault F6503 = Fault::read_second_repeat_count;
constexpr Fault F6504 = Fault::read_quoted_value;

constexpr double flt_max = static_cast<double>(std::numeric_limits<float>::max());
constexpr double int_min = std::numeric_limits<std::int32_t>::min();
constexpr double int_max = std::numeric_limits<std::int32_t>::max();

std::string value_text(float v) {
  std::ostringstream out;
  out << std::hexfloat << v << " (" << std::defaultfloat << std::setprecision(9) << v << ")";
  return out.str();
}
std::string value_text(std::int32_t v) { return std::to_string(v); }

// One outcome as text, so that a failed comparison shows both sides in full; a float is shown in
// hexadecimal, which tells every bit (and the sign of a zero).
template <typename T>
std::string outcome_text(const ReadOutcome<T>& outcome) {
  switch (outcome.result) {
    case LineResult::next_line: return "next line";
    case LineResult::null_value: return "null value";
    case LineResult::value: return "value " + value_text(outcome.value);
    case LineResult::error: {
      const FaultInfo& info = describe(outcome.fault);
      return "error " + std::string(1, info.letter) + std::to_string(info.number);
    }
  }
  return "unknown result";
}

template <typename T>
std::string expected_text(const Expected& expected) {
  return outcome_text(
      ReadOutcome<T>{expected.result, static_cast<T>(expected.value), expected.fault});
}

// The line with every byte outside printable ASCII as \xNN.
std::string shown(std::string_view line) {
  if (line.size() > 60) {
    std::string text = std::to_string(line.size());
    text.insert(text.begin(), '(');
    text.append(" bytes) ").append(shown(line.substr(0, 60)));
    return text;
  }
  std::ostringstream out;
  for (const char c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f) {
      out << c;
    } else {
      out << "\\x" << std::hex << std::setw(2) << std::setfill('0') << static_cast<int>(byte);
    }
  }
  return out.str();
}

struct Case {
  std::string_view line;
  Expected real;     // what read_real makes of the line
  Expected integer;  // what read_integer makes of it
};

void check(std::span<const Case> cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(outcome_text(parse_real(c.line)), expected_text<float>(c.real))
        << "real read of \"" << shown(c.line) << "\"";
    EXPECT_EQ(outcome_text(parse_integer(c.line)), expected_text<std::int32_t>(c.integer))
        << "integer read of \"" << shown(c.line) << "\"";
  }
}

// ----- The line: blanks, separators, null values, end-of-file character ----------------------

const Case line_cases[] = {
    {"", next_line, next_line},
    {"   ", next_line, next_line},
    {"\t \t ", next_line, next_line},
    {",", null_value, null_value},
    {"  , 5", null_value, null_value},
    {"\t,", null_value, null_value},
    {"/", null_value, null_value},
    {" /5", null_value, null_value},
    {"7", value(7), value(7)},
    {" \t 7", value(7), value(7)},
    {"7 20", value(7), value(7)},
    {"7\t20", value(7), value(7)},
    {"7,20", value(7), value(7)},
    {"7/20", value(7), value(7)},
    {"7 xyz'", value(7), value(7)},
    {"7   ", value(7), value(7)},
    // Control characters, NUL and bytes of 0x80 and above belong to the value text.
    {"7\r", fails(F6103), fails(F6101)},
    {"7\0"sv, fails(F6103), fails(F6101)},
    {"\0"sv, fails(F6103), fails(F6101)},
    {"7\x80", fails(F6103), fails(F6101)},
    {"\xe7", fails(F6103), fails(F6101)},
    {"7\n", fails(F6103), fails(F6101)},
    // The end-of-file character as the last character wins over everything else on the line.
    {"\x1a", fails(F6501), fails(F6501)},
    {"7\x1a", fails(F6501), fails(F6501)},
    {"   \x1a", fails(F6501), fails(F6501)},
    {"7 20 \x1a", fails(F6501), fails(F6501)},
    {",\x1a", fails(F6501), fails(F6501)},
    {"'\x1a", fails(F6501), fails(F6501)},
    {"0*5 \x1a", fails(F6501), fails(F6501)},
    // Anywhere else it is only a character of the value text.
    {"\x1a" "7", fails(F6103), fails(F6101)},
    {"7\x1a ", fails(F6103), fails(F6101)},
    {"7 \x1a ", value(7), value(7)},
};

TEST(FreeformLine, BlanksSeparatorsNullValuesAndEndOfFileCharacter) { check(line_cases); }

// ----- Character, quoted and parenthesised values ---------------------------------------------

const Case quoted_cases[] = {
    {"'0.05'", fails(F6504), fails(F6504)},
    {"\"10\"", fails(F6504), fails(F6504)},
    {"(1,2)", fails(F6504), fails(F6504)},
    {"'", fails(F6504), fails(F6504)},
    {"  (", fails(F6504), fails(F6504)},
    {"'2*5'", fails(F6504), fails(F6504)},   // no repeat count is looked for in a quoted text
    {"2*'a'", fails(F6504), fails(F6504)},   // after a repeat prefix
    {"2*'a*b'", fails(F6504), fails(F6504)}, // before the second-asterisk check
    {"1*(1", fails(F6504), fails(F6504)},
    {"5'", fails(F6103), fails(F6101)},      // a quote later in the text is just a bad character
    {"5(", fails(F6103), fails(F6101)},
};

TEST(FreeformQuoted, QuoteOrParenthesisStartingAValueIsACharacterValue) { check(quoted_cases); }

// ----- Repeat prefix --------------------------------------------------------------------------

const Case repeat_cases[] = {
    {"2*5", value(5), value(5)},
    {"2*0.05", value(0.05), fails(F6101)},
    {"+2*5", value(5), value(5)},
    {"002*5", value(5), value(5)},
    {"2147483647*5", value(5), value(5)},
    {"1*5", value(5), value(5)},
    {"1*2*5", value(5), value(5)},           // after a count of 1 the rest is a value item again
    {"1*1*1*7", value(7), value(7)},
    {"2*", null_value, null_value},          // nothing after the asterisk
    {"1*", null_value, null_value},
    {"1*1*", null_value, null_value},
    {"2* 5", null_value, null_value},
    {"2*,5", null_value, null_value},
    {"2*/", null_value, null_value},
    {"0*5", fails(F6502), fails(F6502)},
    {"00*5", fails(F6502), fails(F6502)},
    {"-0*5", fails(F6502), fails(F6502)},
    {"0*", fails(F6502), fails(F6502)},
    {"+*5", fails(F6502), fails(F6502)},     // a sign alone counts as 0
    {"-1*5", fails(F6502), fails(F6502)},    // a negative count is refused like 0
    {"-2147483648*5", fails(F6502), fails(F6502)},
    {"0*1*5", fails(F6502), fails(F6502)},   // the count is judged before the rest
    {"2*1*5", fails(F6503), fails(F6503)},
    {"2**5", fails(F6503), fails(F6503)},
    {"3*x*", fails(F6503), fails(F6503)},
    {"2*5*", fails(F6503), fails(F6503)},
    {"1**5", fails(F6103), fails(F6101)},    // "*5" is a value text, and no number
    {"*5", fails(F6103), fails(F6101)},
    {"*", fails(F6103), fails(F6101)},
    {"2.0*5", fails(F6101), fails(F6101)},   // the count is an integer for both reads
    {"a*5", fails(F6101), fails(F6101)},
    {"16#2*5", fails(F6101), fails(F6101)},  // decimal digits only
    {"2e0*5", fails(F6101), fails(F6101)},
    {"2147483648*5", fails(F6100), fails(F6100)},
    {"99999999999999999999*5", fails(F6100), fails(F6100)},
    {"99999999999x*5", fails(F6101), fails(F6101)},  // a bad character before the range
    {"x*0*5", fails(F6101), fails(F6101)},
    {"2*x", fails(F6103), fails(F6101)},
    {"2*16#A", fails(F6103), value(10)},
};

TEST(FreeformRepeat, CountsNullValuesAndTheirFaults) { check(repeat_cases); }

// ----- Reals ----------------------------------------------------------------------------------

const Case real_spelling_cases[] = {
    {"0.05", value(0.05), fails(F6101)},   {".05", value(0.05), fails(F6101)},
    {"+0.05", value(0.05), fails(F6101)},  {"000.05", value(0.05), fails(F6101)},
    {"0.0500", value(0.05), fails(F6101)}, {"5E-2", value(0.05), fails(F6101)},
    {"5e-2", value(0.05), fails(F6101)},   {"5D-2", value(0.05), fails(F6101)},
    {"5d-2", value(0.05), fails(F6101)},   {"5-2", value(0.05), fails(F6101)},
    {"5.e-2", value(0.05), fails(F6101)},  {"5.0E-0002", value(0.05), fails(F6101)},
    {"0.5-1", value(0.05), fails(F6101)},  {"50-3", value(0.05), fails(F6101)},
    {"0.005+1", value(0.05), fails(F6101)}, {"0.005E+1", value(0.05), fails(F6101)},
    {"0.005d1", value(0.05), fails(F6101)}, {"  0.05 10", value(0.05), fails(F6101)},
};

TEST(FreeformReal, EverySpellingOfTheSameNumberGivesTheSameValue) { check(real_spelling_cases); }

const Case real_value_cases[] = {
    {"5", value(5), value(5)},
    {"-5", value(-5), value(-5)},
    {"5.", value(5), fails(F6101)},
    {"1.5", value(1.5), fails(F6101)},
    {"-2.5e1", value(-25), fails(F6101)},
    {"5+2", value(500), fails(F6101)},
    {"1E3", value(1000), fails(F6101)},
    {"1d+3", value(1000), fails(F6101)},
    {"0", value(0.0), value(0)},
    {"-0", value(-0.0), value(0)},          // a negative zero keeps its sign
    {"-0.0", value(-0.0), fails(F6101)},
    {"-.0e5", value(-0.0), fails(F6101)},
    {"0.1", value(0.1), fails(F6101)},
    {"3.14159265358979323846264338327950288", value(3.14159265358979323846), fails(F6101)},
    {"1e-45", value(1e-45), fails(F6101)},  // the smallest single-precision subnormal
    {"1e-46", value(0.0), fails(F6101)},
    // Too small even for double precision: a zero of the value's sign, no error.
    {"1E-400", value(0.0), fails(F6101)},
    {"-1e-400", value(-0.0), fails(F6101)},
    {"2e-324", value(0.0), fails(F6101)},
    {"1e-99999999999999999999", value(0.0), fails(F6101)},
    // Digits all zero: zero whatever the exponent.
    {"0e999999999999", value(0.0), fails(F6101)},
    {"-0.000e99999999999999999999", value(-0.0), fails(F6101)},
    {"0.000000000000000000000000000000000000000000000000001e50", value(1e-1), fails(F6101)},
};

TEST(FreeformReal, ValuesZerosAndUnderflow) { check(real_value_cases); }

const Case real_range_cases[] = {
    {"3.4028234663852886E38", value(flt_max), fails(F6101)},   // FLT_MAX
    {"3.402823466385289E38", value(flt_max), fails(F6101)},    // the double just above it
    {"-3.402823466385289E38", value(-flt_max), fails(F6101)},
    {"3.4028234663852894E38", fails(F6104), fails(F6101)},     // the double after that
    {"-3.4028234663852894E38", fails(F6104), fails(F6101)},
    {"1e39", fails(F6104), fails(F6101)},
    {"1.7976931348623157E308", fails(F6104), fails(F6101)},    // DBL_MAX
    {"1.7976931348623158e308", fails(F6104), fails(F6101)},    // rounds to DBL_MAX
    {"1.8e308", fails(F6102), fails(F6101)},
    {"2e308", fails(F6102), fails(F6101)},
    {"-2e308", fails(F6102), fails(F6101)},
    {"1E400", fails(F6102), fails(F6101)},
    {"1e99999999999999999999", fails(F6102), fails(F6101)},
    {"0.0001e99999999999999999999", fails(F6102), fails(F6101)},
};

TEST(FreeformReal, SingleAndDoublePrecisionRangeLimits) { check(real_range_cases); }

const Case real_syntax_cases[] = {
    {"5%", fails(F6103), fails(F6101)},       {"0.05abc", fails(F6103), fails(F6101)},
    {"1e", fails(F6103), fails(F6101)},       {".", fails(F6103), fails(F6101)},
    {"+", fails(F6103), value(0)},            {"-", fails(F6103), value(0)},
    {"inf", fails(F6103), fails(F6101)},      {"nan", fails(F6103), fails(F6101)},
    {"infinity", fails(F6103), fails(F6101)}, {"0x10", fails(F6103), fails(F6101)},
    {"1e+", fails(F6103), fails(F6101)},      {"1d-", fails(F6103), fails(F6101)},
    {"5-", fails(F6103), fails(F6101)},       {"5+", fails(F6103), fails(F6101)},
    {"1.2.3", fails(F6103), fails(F6101)},    {"e3", fails(F6103), fails(F6101)},
    {".e3", fails(F6103), fails(F6101)},      {"-.", fails(F6103), fails(F6101)},
    {"1e3.5", fails(F6103), fails(F6101)},    {"--1", fails(F6103), fails(F6101)},
    {"+-1", fails(F6103), fails(F6101)},      {"1e--2", fails(F6103), fails(F6101)},
    {"5-+2", fails(F6103), fails(F6101)},     {"1E5E5", fails(F6103), fails(F6101)},
    {"1.5f", fails(F6103), fails(F6101)},     {"1_000", fails(F6103), fails(F6101)},
    {"5e-2x", fails(F6103), fails(F6101)},    {"1e2-3", fails(F6103), fails(F6101)},
};

TEST(FreeformReal, TextsThatAreNotARealNumber) { check(real_syntax_cases); }

// The threshold of F6104, 3.402823466385289E38, is the double right after FLT_MAX.
TEST(FreeformReal, SingleRangeLimitIsTheDoubleAfterFltMax) {
  const double just_above = std::nextafter(flt_max, std::numeric_limits<double>::infinity());
  EXPECT_EQ(just_above, 3.402823466385289E38);
  const double next = std::nextafter(just_above, std::numeric_limits<double>::infinity());

  for (const double accepted : {flt_max, just_above}) {
    std::array<char, 64> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), accepted);
    const std::string_view line(text.data(), static_cast<std::size_t>(written.ptr - text.data()));
    EXPECT_EQ(outcome_text(parse_real(line)), expected_text<float>(value(flt_max))) << line;
  }
  std::array<char, 64> text{};
  const auto written = std::to_chars(text.data(), text.data() + text.size(), next);
  const std::string_view line(text.data(), static_cast<std::size_t>(written.ptr - text.data()));
  EXPECT_EQ(outcome_text(parse_real(line)), expected_text<float>(fails(F6104))) << line;
}

// The text is first rounded to the nearest double, then to single precision. For a decimal just
// above the midpoint of two floats, nearer to that midpoint than to any other double, the double
// is the midpoint itself and the tie goes to the even float; rounding straight to single
// precision would give the float above.
TEST(FreeformReal, RoundsToTheNearestDoubleBeforeSinglePrecision) {
  // 1 + 2^-24 + 1e-20
  constexpr std::string_view above_midpoint = "1.00000005960464477539062500001";
  float direct = 0.0f;
  const auto result = std::from_chars(above_midpoint.data(),
                                      above_midpoint.data() + above_midpoint.size(), direct);
  ASSERT_EQ(result.ec, std::errc{});
  EXPECT_EQ(std::bit_cast<std::uint32_t>(direct),
            std::bit_cast<std::uint32_t>(std::nextafter(1.0f, 2.0f)));

  const Case cases[] = {
      {above_midpoint, value(1.0), fails(F6101)},
      {"1.000000059604644775390625", value(1.0), fails(F6101)},  // the midpoint: even
      // 1 + 3 * 2^-24, a midpoint whose even neighbour is the float above
      {"1.000000178813934326171875", value(1.0000002384185791015625), fails(F6101)},
      {"1.0000000596046448", value(1.0), fails(F6101)},  // shortest text of the midpoint double
      {"1.000000059604645", value(1.0000001192092896), fails(F6101)},  // nearest double above it
  };
  check(cases);
}

// Digits far behind the first significant one still decide a tie between two doubles.
// 1 + 2^-24 + 2^-53 lies halfway between the double 1 + 2^-24 (even, itself halfway between two
// floats, so rounding on to 1) and the double above it (which rounds on to the float above 1).
TEST(FreeformReal, EveryDigitCountsWhenTheDecimalIsHalfwayBetweenDoubles) {
  const std::string halfway = "1.00000005960464488641292746251565404236316680908203125";
  const std::string far_behind = halfway + std::string(2000, '0') + "1";
  const std::string zeros_behind = halfway + std::string(2000, '0');
  const std::string negative_far_behind = "-" + far_behind;
  const Case cases[] = {
      {halfway, value(1.0), fails(F6101)},
      {zeros_behind, value(1.0), fails(F6101)},
      {far_behind, value(1.0000001192092896), fails(F6101)},
      {negative_far_behind, value(-1.0000001192092896), fails(F6101)},
  };
  check(cases);
}

// ----- Integers -------------------------------------------------------------------------------

const Case decimal_integer_cases[] = {
    {"10", value(10), value(10)},
    {"+10", value(10), value(10)},
    {"-10", value(-10), value(-10)},
    {"010", value(10), value(10)},
    {"0000000000000000000000000010", value(10), value(10)},
    {"2147483647", value(2147483648.0), value(int_max)},
    {"-2147483648", value(-2147483648.0), value(int_min)},
    {"2147483648", value(2147483648.0), fails(F6100)},
    {"-2147483649", value(-2147483649.0), fails(F6100)},
    {"99999999999999999999", value(1e20), fails(F6100)},
    {"3.5", value(3.5), fails(F6101)},
    {"10.0", value(10), fails(F6101)},
    {"1e1", value(10), fails(F6101)},
    {"5%", fails(F6103), fails(F6101)},
    {"1-", fails(F6103), fails(F6101)},
    {"-x", fails(F6103), fails(F6101)},
    {"99999999999x", fails(F6103), fails(F6101)},  // a bad character is reported before the range
};

TEST(FreeformInteger, DecimalValuesRangeAndBadCharacters) { check(decimal_integer_cases); }

const Case based_integer_cases[] = {
    {"16#A", fails(F6103), value(10)},
    {"16#a", fails(F6103), value(10)},
    {"#A", fails(F6103), value(10)},           // no base: 16
    {"#a", fails(F6103), value(10)},
    {"-16#A", fails(F6103), value(-10)},
    {"+16#A", fails(F6103), value(10)},
    {"2#1010", fails(F6103), value(10)},
    {"8#12", fails(F6103), value(10)},
    {"10#99", fails(F6103), value(99)},
    {"016#A", fails(F6103), value(10)},
    {"36#Z", fails(F6103), value(35)},
    {"36#z", fails(F6103), value(35)},
    {"16#7FFFFFFF", fails(F6103), value(int_max)},
    {"16#FFFFFFFF", fails(F6103), value(-1)},  // all 32 bits: two's complement
    {"16#ffffffff", fails(F6103), value(-1)},
    {"16#80000000", fails(F6103), value(int_min)},
    {"-16#80000000", fails(F6103), value(int_min)},  // negating wraps around
    {"-16#FFFFFFFF", fails(F6103), value(1)},
    {"-16#7FFFFFFF", fails(F6103), value(-int_max)},
    {"2#11111111111111111111111111111111", fails(F6103), value(-1)},
    {"36#1Z141Z3", fails(F6103), value(-1)},
    {"16#000000000000000000FFFFFFFF", fails(F6103), value(-1)},  // leading zeros add no bits
    {"16#", fails(F6103), value(0)},
    {"#", fails(F6103), value(0)},
    {"-#", fails(F6103), value(0)},
    {"+16#", fails(F6103), value(0)},
    {"16 #1", value(16), value(16)},
    // More than 32 bits.
    {"16#100000000", fails(F6103), fails(F6100)},
    {"-16#100000000", fails(F6103), fails(F6100)},
    {"2#100000000000000000000000000000000", fails(F6103), fails(F6100)},
    {"36#1Z141Z4", fails(F6103), fails(F6100)},
    // Characters that are no digit of the base.
    {"2#2", fails(F6103), fails(F6101)},
    {"16#G", fails(F6103), fails(F6101)},
    {"16#-1", fails(F6103), fails(F6101)},
    {"16#1.0", fails(F6103), fails(F6101)},
    {"10#1e1", fails(F6103), fails(F6101)},
    {"x#1", fails(F6103), fails(F6101)},
    {"1x#1", fails(F6103), fails(F6101)},
    {"+-16#1", fails(F6103), fails(F6101)},
    // A second base mark.
    {"16#1#", fails(F6103), fails(F6302)},
    {"##", fails(F6103), fails(F6302)},
    {"#1#", fails(F6103), fails(F6302)},
    {"16##1", fails(F6103), fails(F6302)},
    // Bases outside 2..36.
    {"0#1", fails(F6103), fails(F6303)},
    {"00#1", fails(F6103), fails(F6303)},
    {"1#1", fails(F6103), fails(F6303)},
    {"37#1", fails(F6103), fails(F6303)},
    {"-37#1", fails(F6103), fails(F6303)},
    {"37#", fails(F6103), fails(F6303)},
    {"99999999999999999999#1", fails(F6103), fails(F6303)},
};

TEST(FreeformInteger, BasedValuesTwosComplementAndTheirFaults) { check(based_integer_cases); }

// Texts with several faults: the base text, then the base's range, then a second '#', then the
// digits, then the number of bits.
const Case fault_order_cases[] = {
    {"x#1#", fails(F6103), fails(F6101)},
    {"37#1#1", fails(F6103), fails(F6303)},
    {"37#G", fails(F6103), fails(F6303)},
    {"16#1#G", fails(F6103), fails(F6302)},
    {"16#G#1", fails(F6103), fails(F6302)},
    {"2#111111111111111111111111111111111#", fails(F6103), fails(F6302)},
    {"16#1FFFFFFFFG", fails(F6103), fails(F6101)},
    {"16#FFFFFFFFF", fails(F6103), fails(F6100)},
};

TEST(FreeformInteger, OrderOfChecksForTextsWithSeveralFaults) { check(fault_order_cases); }

// ----- Long lines -----------------------------------------------------------------------------

constexpr std::size_t ten_megabytes = 10'000'000;

TEST(FreeformLongLine, TenMegabyteLinesGiveDefinedOutcomes) {
  const std::string blanks(ten_megabytes, ' ');
  const std::string zeros(ten_megabytes, '0');
  const std::string threes(ten_megabytes, '3');
  std::string repeats;
  for (std::size_t i = 0; i < ten_megabytes / 2; ++i) repeats += "1*";
  const std::string text[] = {
      blanks,
      blanks + "5",
      "0." + zeros + "1",                         // 10^-10000001
      "1" + zeros + "e-10000000",                 // 1
      "0." + zeros.substr(1) + "1e10000000",      // 1
      "3." + threes + "e-0",                      // 3.333... beyond every digit kept
      "1" + zeros,                                // 10^10000000
      zeros + "7",
      repeats + "5",
      repeats,
      "16#" + zeros + "A",
      threes + "x",
      std::string(ten_megabytes, '\0'),
      std::string(ten_megabytes, '\x1a'),
  };
  const Case cases[] = {
      {text[0], next_line, next_line},
      {text[1], value(5), value(5)},
      {text[2], value(0.0), fails(F6101)},
      {text[3], value(1), fails(F6101)},
      {text[4], value(1), fails(F6101)},
      {text[5], value(10.0 / 3.0), fails(F6101)},
      {text[6], fails(F6102), fails(F6100)},
      {text[7], value(7), value(7)},
      {text[8], value(5), value(5)},
      {text[9], null_value, null_value},
      {text[10], fails(F6103), value(10)},
      {text[11], fails(F6103), fails(F6101)},
      {text[12], fails(F6103), fails(F6101)},
      {text[13], fails(F6501), fails(F6501)},
  };
  check(cases);
}

// ----- Properties over arbitrary bytes --------------------------------------------------------

// Lines drawn mostly from the characters that matter to the reader, with any byte now and then.
std::string random_line(std::mt19937& generator, std::size_t max_length) {
  static constexpr std::string_view alphabet = "0123456789.+-eEdD*#,/ \t'\"(%xZ\x1a\0\x80\xff"sv;
  std::uniform_int_distribution<std::size_t> length(0, max_length);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> any_byte(0, 255);
  std::uniform_int_distribution<int> percent(0, 99);
  std::string line(length(generator), ' ');
  for (char& c : line) {
    c = percent(generator) < 10 ? static_cast<char>(any_byte(generator))
                                : alphabet[pick(generator)];
  }
  return line;
}

// Whatever the bytes: blanks in front change nothing; after a value, a null value or an error,
// anything behind a blank changes nothing; and an end-of-file character at the end is F6501.
template <typename T>
void check_properties(ReadOutcome<T> (*parse)(std::string_view), const std::string& line,
                      const std::string& tail) {
  const std::string outcome = outcome_text(parse(line));
  EXPECT_EQ(outcome_text(parse(line + "\x1a")), "error F6501") << shown(line);
  if (!line.empty() && line.back() == '\x1a') {
    EXPECT_EQ(outcome, "error F6501") << shown(line);
    return;
  }
  EXPECT_EQ(outcome_text(parse(" \t " + line)), outcome) << shown(line);
  if (outcome != "next line" && (tail.empty() || tail.back() != '\x1a')) {
    EXPECT_EQ(outcome_text(parse(line + " " + tail)), outcome)
        << shown(line) << " + " << shown(tail);
  }
}

TEST(FreeformProperty, ArbitraryBytesFollowTheLineRules) {
  std::mt19937 generator(20240611);
  for (int i = 0; i < 20000; ++i) {
    const std::string line = random_line(generator, 24);
    const std::string tail = random_line(generator, 8);
    check_properties(parse_real, line, tail);
    check_properties(parse_integer, line, tail);
  }
  const std::string huge = random_line(generator, ten_megabytes) + "5";
  check_properties(parse_real, huge, "1");
  check_properties(parse_integer, huge, "1");
}

}  // namespace
}  // namespace quiquadrado::console
