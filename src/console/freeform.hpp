// Free-form (list-directed) input of one value from one typed line. Pure functions: the console
// feeds them one line at a time until a line yields a value, a null value or an error.
//
// A value runs from its first character to the next blank, tab, comma or slash, or the end of the
// line; blanks and tabs before it are skipped, and a line holding nothing else asks for the next
// line. A comma or slash before any value gives a null value. A repeat prefix (2*0.05) is
// accepted. Everything after the value on its line is discarded.
#pragma once

#include <cstdint>
#include <string_view>

#include "errors/run_time_error.hpp"

namespace quiquadrado::console {

// Windows-1252 code of the end-of-file character (Ctrl-Z).
inline constexpr char end_of_file_character = '\x1a';

enum class LineResult : std::uint8_t {
  next_line,   // nothing but blanks: the read goes on with the next line
  value,       // a value was read
  null_value,  // the variable keeps what it holds
  error,       // the line breaks the rules; see fault
};

template <typename T>
struct ReadOutcome {
  LineResult result = LineResult::next_line;  // what the line gave
  T value{};                                  // the value, when result is value
  Fault fault{};                              // the F error, when result is error
};

// One real value: converted to the nearest double, then rounded to single precision.
ReadOutcome<float> parse_real(std::string_view line);
// One 32-bit integer value: decimal, or base#digits (two's complement over 32 bits).
ReadOutcome<std::int32_t> parse_integer(std::string_view line);

}  // namespace quiquadrado::console
