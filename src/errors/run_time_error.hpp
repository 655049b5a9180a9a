// Fatal run-time errors: the closed set of faults that end a run with an error report.
//
// Each fault has a letter ('F' for the free-form reader, 'M' for the mathematics), a four-digit
// number and a short description. The reader and the numerics throw `RunTimeError`; it is caught
// once, in main, which shows the report and ends the run with exit status 1.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace quiquadrado {

enum class Fault : std::uint8_t {
  read_integer_out_of_range,   // F6100
  read_not_an_integer,         // F6101
  read_real_beyond_double,     // F6102
  read_not_a_real,             // F6103
  read_real_beyond_single,     // F6104
  read_second_base_mark,       // F6302
  read_base_out_of_range,      // F6303
  read_no_line,                // F6500
  read_end_of_file_character,  // F6501
  read_zero_repeat_count,      // F6502
  read_second_repeat_count,    // F6503
  read_quoted_value,           // F6504
  math_invalid_conversion,     // M6101
  math_log_domain,             // M6201
  math_log_singularity,        // M6202
};

struct FaultInfo {
  Fault fault;                   // the enumerator this row describes
  char letter;                   // 'F' (reader) or 'M' (mathematics)
  int number;                    // four-digit error number
  std::string_view description;  // short description shown after the number
};

inline constexpr std::array<FaultInfo, 15> fault_table{{
    {Fault::read_integer_out_of_range, 'F', 6100, "integer value out of range"},
    {Fault::read_not_an_integer, 'F', 6101, "invalid character in integer value"},
    {Fault::read_real_beyond_double, 'F', 6102, "real value out of double precision range"},
    {Fault::read_not_a_real, 'F', 6103, "invalid character in real value"},
    {Fault::read_real_beyond_single, 'F', 6104, "real value out of single precision range"},
    {Fault::read_second_base_mark, 'F', 6302, "second # in integer value"},
    {Fault::read_base_out_of_range, 'F', 6303, "integer base not in range 2 to 36"},
    {Fault::read_no_line, 'F', 6500, "no more input lines"},
    {Fault::read_end_of_file_character, 'F', 6501, "end of file character in input line"},
    {Fault::read_zero_repeat_count, 'F', 6502, "repeat count is zero"},
    {Fault::read_second_repeat_count, 'F', 6503, "second repeat count in value"},
    {Fault::read_quoted_value, 'F', 6504, "character value given for numeric item"},
    {Fault::math_invalid_conversion, 'M', 6101, "invalid floating point operation"},
    {Fault::math_log_domain, 'M', 6201, "LOG: argument negative"},
    {Fault::math_log_singularity, 'M', 6202, "LOG: argument zero"},
}};

constexpr const FaultInfo& describe(Fault fault) noexcept {
  return fault_table[static_cast<std::size_t>(fault)];
}

// The text of the error report: "F6101: READ() - ..." for the reader, "M6201: ..." for the
// mathematics.
inline std::string report_text(Fault fault) {
  const FaultInfo& info = describe(fault);
  std::string text(1, info.letter);
  text += std::to_string(info.number);
  text += info.letter == 'F' ? ": READ() - " : ": ";
  text += info.description;
  return text;
}

class RunTimeError : public std::exception {
 public:
  explicit RunTimeError(Fault fault) noexcept : fault_(fault) {}
  Fault fault() const noexcept { return fault_; }
  const char* what() const noexcept override { return describe(fault_).description.data(); }

 private:
  Fault fault_;  // which fault ended the run
};

}  // namespace quiquadrado
