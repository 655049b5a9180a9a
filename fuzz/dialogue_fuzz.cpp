// Fuzz target for a whole run: any bytes as what the user types, the dialogue over the plain
// back end in memory, in each of the four codesets. A run must end in one of two ways:
// - exit status 0, with the screen in its shape: the banner, the instructions, each prompt with
//   the typing echoed after it (and a row for every line of blanks typed before a value), the two
//   result rows of exactly 86 characters with fields that say what was typed and computed, the
//   explanation, and the stop line last;
// - exit status 1, with exactly one error report line on standard error whose number is one of
//   the run-time errors, nothing on standard output after it, and no result row before it.
// Whatever the typing, standard output holds no control character but the newline, and is valid
// UTF-8 in UTF-8 (no C1 byte in the one-byte codesets); no row is longer than a prompt and a
// full typed line. Anything else stops the run.
#include <array>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ios>
#include <istream>
#include <optional>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "check.hpp"
#include "console/backend.hpp"
#include "console/console.hpp"
#include "console/encoding.hpp"
#include "console/freeform.hpp"
#include "console/plain_backend.hpp"
#include "dialogue/dialogue.hpp"
#include "errors/run_time_error.hpp"
#include "quantiles/quantiles.hpp"

namespace quiquadrado::fuzz {
namespace {

using console::Codeset;

// ----- The screen as it must look -------------------------------------------------------------

constexpr std::string_view instruction = "      Entre com alfa na forma decimal. Ex.: se alfa for 5%, use 0.05";
constexpr std::string_view alpha_prompt = "   Entre com o valor de ALFA  --> ";
constexpr std::string_view degrees_prompt = "   Entre com o GRAU DE LIBERDADE  --> ";
constexpr std::string_view stop_line = "Stop - Program terminated.";
constexpr std::string_view lower_lead = "                   Para ";
constexpr std::string_view lower_middle = " graus de liberdade e alfa/2 = 0";
constexpr std::string_view upper_lead = "                                             1 - alfa/2 = 0";
constexpr std::string_view result_tail = " qui quadrado =";
const std::string separator = std::string(6, ' ') + std::string(76, '-');
// Rows 22 to 25 in Windows-1252 (c-cedilla, o-tilde, e-acute), then the lead of row 26.
constexpr std::array<std::string_view, 4> explanation = {
    "      O QUI QUADRADO no Ajustamento de Observa\xe7\xf5" "es",
    "       \xe9 usado para testar se o sigma zero a posteriori \xe9 estatisticamente igual",
    "      ao sigma zero a priori",
    "      Mais detalhe na apostila de Ajustamento de Observacoes",
};
constexpr std::string_view course_lead = "      ou no endere\xe7o ";

// Longest typed line, in characters, and the most bytes one character takes in the codeset.
constexpr std::size_t typed_characters = console::max_typed_line;
std::size_t bytes_per_character(Codeset codeset) { return codeset == Codeset::utf8 ? 3 : 1; }

// ----- Running the dialogue in memory ---------------------------------------------------------

// Which stream was written in what order.
struct WriteOrder {
  bool error_written = false;           // the error report has begun
  bool output_after_error = false;      // standard output was written after that
};

// An unbuffered stream buffer that keeps what is written and notes the order of writes.
class RecordingBuffer final : public std::streambuf {
 public:
  RecordingBuffer(WriteOrder& order, bool is_error_stream) : order_(order), is_error_(is_error_stream) {}
  const std::string& text() const { return text_; }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char character = traits_type::to_char_type(c);
    xsputn(&character, 1);
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    if (n <= 0) return 0;
    note();
    text_.append(s, static_cast<std::size_t>(n));
    return n;
  }

 private:
  void note() {
    if (is_error_) {
      order_.error_written = true;
    } else if (order_.error_written) {
      order_.output_after_error = true;
    }
  }

  WriteOrder& order_;
  bool is_error_;     // this is standard error
  std::string text_;  // everything written
};

struct Run {
  int status = -1;
  std::string out;
  std::string err;
  bool output_after_error = false;
};

Run run_dialogue(std::string_view typed, Codeset codeset) {
  std::istringstream in{std::string(typed)};
  WriteOrder order;
  RecordingBuffer out_buffer(order, false);
  RecordingBuffer err_buffer(order, true);
  std::ostream out(&out_buffer);
  std::ostream err(&err_buffer);
  console::PlainBackend backend(in, out, err, codeset);
  console::Console screen(backend);
  Run run;
  run.status = dialogue::run_program(screen);
  run.out = out_buffer.text();
  run.err = err_buffer.text();
  run.output_after_error = order.output_after_error;
  return run;
}

// ----- Checks ---------------------------------------------------------------------------------

struct Checker {
  std::string_view typed;  // the input, shown when a check fails
  const Run& run;          // the run being checked
  Codeset codeset;         // its codeset

  // Codeset and outcome, shown when a check fails.
  std::string context() const;

  void operator()(bool holds, std::string_view property, std::string_view detail = {}) const {
    require(holds, property, typed, [&] { return context() + (detail.empty() ? "" : "\n") + std::string(detail); });
  }
};

std::string Checker::context() const {
  return "codeset " + std::string(console::codeset_name(codeset)) + ", exit status " + std::to_string(run.status) +
         ", standard error \"" + shown(run.err) + "\"";
}

bool valid_utf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;   // no overlong form
      if (lead == 0xED) high = 0x9F;  // no surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto byte = static_cast<unsigned char>(text[i + k]);
      if (byte < (k == 1 ? low : 0x80) || byte > (k == 1 ? high : 0xBF)) return false;
    }
    i += length;
  }
  return true;
}

bool all_blanks(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }
bool starts_with(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// A fixed-point field of width w with three decimals: w asterisks, or blanks, an optional minus
// sign, digits (none below 1), a point and three decimals.
bool fixed_field_shape(std::string_view field, std::size_t width) {
  if (field.size() != width) return false;
  if (field.find_first_not_of('*') == std::string_view::npos) return true;
  std::size_t i = field.find_first_not_of(' ');
  if (i == std::string_view::npos) return false;
  if (field[i] == '-') ++i;
  while (i < field.size() && field[i] >= '0' && field[i] <= '9') ++i;
  if (i + 4 != field.size() || field[i] != '.') return false;
  for (std::size_t k = i + 1; k < field.size(); ++k) {
    if (field[k] < '0' || field[k] > '9') return false;
  }
  return true;
}

// The field says value: its number lies within half a unit of the third decimal of value, or
// its asterisks stand for a value whose rounded text is too wide. Tolerances allow for the
// field's rounding from 17 significant digits, which this check does not repeat.
void check_field_value(const Checker& check, std::string_view field, double value, double first_too_large,
                       double first_too_negative, std::string_view what) {
  const std::string detail = std::string(what) + " field \"" + std::string(field) + "\" for " + std::to_string(value);
  const double slack = 1e-9 * std::fmax(1.0, std::fabs(value));
  if (field.find_first_not_of('*') == std::string_view::npos) {
    check(!std::isfinite(value) || value >= first_too_large - slack || value <= first_too_negative + slack,
          "asterisks stand only for a value too wide for the field", detail);
    return;
  }
  const double shown_value = std::strtod(std::string(field).c_str(), nullptr);
  check(std::fabs(shown_value - value) <= 0.0005 + slack, "a field shows its value to three decimals", detail);
}

std::string integer_field_text(std::int64_t value) {
  std::string text = std::to_string(value);
  if (text.size() > 3) return "***";
  return std::string(3 - text.size(), ' ') + text;
}

// Skips the rows whose typing was blanks only, from the row of a prompt; returns the row that
// holds the line the read took its value (or its error) from, or the last row.
std::size_t value_row(const std::vector<std::string_view>& rows, std::size_t prompt_row, std::string_view prompt) {
  std::size_t row = prompt_row;
  std::string_view echo = rows[row].substr(prompt.size());
  while (all_blanks(echo) && row + 1 < rows.size()) echo = rows[++row];
  return row;
}

// The echo of the line a read took its value from, on its own row or after its prompt.
std::string_view echo_of(const std::vector<std::string_view>& rows, std::size_t row, std::size_t prompt_row,
                         std::string_view prompt) {
  return row == prompt_row ? rows[row].substr(prompt.size()) : rows[row];
}

void check_output_bytes(const Checker& check, const Run& run, Codeset codeset) {
  bool no_control = true;
  bool no_c1 = true;
  for (const char c : run.out) {
    const auto byte = static_cast<unsigned char>(c);
    no_control = no_control && (c == '\n' || (byte >= 0x20 && byte != 0x7f));
    no_c1 = no_c1 && (byte < 0x80 || byte > 0x9f);
  }
  check(no_control, "no control character but the newline on the screen");
  if (codeset == Codeset::utf8) {
    check(valid_utf8(run.out), "the screen is valid UTF-8");
  } else {
    check(no_c1, "no C1 byte in a one-byte codeset");
  }
  check(!run.out.empty() && run.out.back() == '\n', "the screen ends with a complete row");
}

void check_head(const Checker& check, const std::vector<std::string_view>& rows, Codeset codeset) {
  check(rows.size() >= 17, "the screen reaches the first prompt");
  const std::string border = std::string(6, ' ') + std::string(77, '*');
  for (std::size_t row = 0; row < 11; ++row) {
    if (row == 0 || row == 10) {
      check(rows[row] == border, "rows 1 and 11 are the banner's border");
    } else {
      check(rows[row].size() == 83 && starts_with(rows[row], "      *") && rows[row].back() == '*',
            "banner rows are 83 characters between their borders");
    }
  }
  check(rows[11].empty() && rows[12].empty() && rows[13].empty() && rows[15].empty(), "rows 12, 13, 14, 16 are empty");
  check(rows[14] == instruction, "row 15 is the instruction");
  check(starts_with(rows[16], alpha_prompt), "row 17 is the first prompt");
  const std::size_t longest = degrees_prompt.size() + typed_characters * bytes_per_character(codeset);
  for (const std::string_view row : rows) check(row.size() <= longest, "no row is longer than a prompt and a full typed line");
}

void check_normal_end(const Checker& check, const std::vector<std::string_view>& rows, Codeset codeset) {
  const std::size_t alpha_row = value_row(rows, 16, alpha_prompt);
  check(alpha_row + 1 < rows.size() && starts_with(rows[alpha_row + 1], degrees_prompt),
        "the second prompt follows the line that gave alpha");
  const std::size_t degrees_row = value_row(rows, alpha_row + 1, degrees_prompt);
  check(rows.size() == degrees_row + 11, "ten rows follow the line that gave the degrees of freedom");

  const std::string_view lower = rows[degrees_row + 1];
  const std::string_view upper = rows[degrees_row + 2];
  check(lower.size() == 86 && upper.size() == 86, "both result rows are 86 characters");
  check(starts_with(lower, lower_lead) && lower.substr(27, lower_middle.size()) == lower_middle &&
            lower.substr(63, result_tail.size()) == result_tail,
        "row 19 has its fixed text where it belongs");
  check(starts_with(upper, upper_lead) && upper.substr(63, result_tail.size()) == result_tail,
        "row 20 has its fixed text where it belongs");
  const std::string_view degrees_field = lower.substr(24, 3);
  const std::string_view half_field = lower.substr(59, 4);
  const std::string_view lower_field = lower.substr(78, 8);
  const std::string_view alpha_field = upper.substr(59, 4);
  const std::string_view upper_field = upper.substr(78, 8);
  check(fixed_field_shape(half_field, 4) && fixed_field_shape(alpha_field, 4), "probability fields are fixed-point fields of 4");
  check(fixed_field_shape(lower_field, 8) && fixed_field_shape(upper_field, 8), "chi-square fields are fixed-point fields of 8");

  // What was typed, read again from its echo: the line that gave the value carries no character
  // that the echo shows differently, or the run would have ended in an error.
  const std::string_view alpha_echo = echo_of(rows, alpha_row, 16, alpha_prompt);
  const std::string_view degrees_echo = echo_of(rows, degrees_row, alpha_row + 1, degrees_prompt);
  const auto typed_alpha = console::parse_real(alpha_echo);
  const auto typed_degrees = console::parse_integer(degrees_echo);
  check(typed_alpha.result == console::LineResult::value || typed_alpha.result == console::LineResult::null_value,
        "the echo of alpha reads as a value or a null value", alpha_echo);
  check(typed_degrees.result == console::LineResult::value || typed_degrees.result == console::LineResult::null_value,
        "the echo of the degrees of freedom reads as a value or a null value", degrees_echo);
  const float alpha = static_cast<float>(1.0 - static_cast<double>(typed_alpha.value) / 2.0);
  const float half_alpha = static_cast<float>(1.0 - static_cast<double>(alpha));
  check(degrees_field == integer_field_text(typed_degrees.value), "row 19 shows the degrees of freedom typed",
        degrees_field);
  check_field_value(check, half_field, static_cast<double>(half_alpha), 0.9995, -0.0005, "alpha/2");
  check_field_value(check, alpha_field, static_cast<double>(alpha), 0.9995, -0.0005, "1 - alpha/2");
  check_field_value(check, lower_field, chi_square_quantile(alpha, typed_degrees.value), 9999.9995, -999.9995,
                    "lower critical value");
  check_field_value(check, upper_field, chi_square_quantile(half_alpha, typed_degrees.value), 9999.9995, -999.9995,
                    "upper critical value");

  check(rows[degrees_row + 3] == separator && rows[degrees_row + 9] == separator, "rows 21 and 27 are separators");
  for (std::size_t k = 0; k < explanation.size(); ++k) {
    check(rows[degrees_row + 4 + k] == console::encode(explanation[k], codeset), "rows 22 to 25 are the explanation");
  }
  check(starts_with(rows[degrees_row + 8], console::encode(course_lead, codeset)), "row 26 names the course's page");
  check(rows[degrees_row + 10] == stop_line, "the stop line is the last row");
}

// The fault that computing the critical values from the typed values gives, if any.
std::optional<Fault> computing_fault(float typed_alpha, std::int32_t degrees_of_freedom) {
  const float alpha = static_cast<float>(1.0 - static_cast<double>(typed_alpha) / 2.0);
  const float half_alpha = static_cast<float>(1.0 - static_cast<double>(alpha));
  try {
    static_cast<void>(chi_square_quantile(alpha, degrees_of_freedom));
    static_cast<void>(chi_square_quantile(half_alpha, degrees_of_freedom));
  } catch (const RunTimeError& error) {
    return error.fault();
  }
  return std::nullopt;
}

void check_error_end(const Checker& check, const Run& run, const std::vector<std::string_view>& rows,
                     Codeset codeset) {
  const std::string_view err = run.err;
  check(!err.empty() && err.back() == '\n' && err.find('\n') == err.size() - 1, "one error report line");
  constexpr std::string_view title = "run-time error ";
  check(starts_with(err, title) && err.size() > title.size() + 7, "the report begins with its title and number", err);
  const char letter = err[title.size()];
  const std::string_view number = err.substr(title.size() + 1, 4);
  static constexpr std::array<std::string_view, 12> reader_numbers = {
      "6100", "6101", "6102", "6103", "6104", "6302", "6303", "6500", "6501", "6502", "6503", "6504"};
  static constexpr std::array<std::string_view, 3> math_numbers = {"6101", "6201", "6202"};
  bool known = false;
  if (letter == 'F') {
    for (const std::string_view n : reader_numbers) known = known || n == number;
    check(err.substr(title.size() + 5, 11) == ": READ() - " && err.size() > title.size() + 17,
          "a reader's report names READ and a description", err);
  } else if (letter == 'M') {
    for (const std::string_view n : math_numbers) known = known || n == number;
    check(err.substr(title.size() + 5, 2) == ": " && err.size() > title.size() + 8 &&
              err.substr(title.size() + 7, 5) != "READ(",
          "a mathematical report has a description", err);
  }
  check(known, "the error number is one of the run-time errors", err);
  check(!run.output_after_error, "nothing is written on the screen after the error report");

  // The rows: the reads up to the line that failed, or to the end of the typing, and no more.
  const std::size_t alpha_row = value_row(rows, 16, alpha_prompt);
  std::size_t last = alpha_row;
  bool degrees_read = false;
  if (alpha_row + 1 < rows.size()) {
    check(starts_with(rows[alpha_row + 1], degrees_prompt), "the second prompt follows the line that gave alpha");
    last = value_row(rows, alpha_row + 1, degrees_prompt);
    degrees_read = true;
  }
  check(last + 1 == rows.size(), "no row follows the line that failed");
  const std::string_view last_echo = degrees_read ? echo_of(rows, last, alpha_row + 1, degrees_prompt)
                                                  : echo_of(rows, last, 16, alpha_prompt);
  const bool no_more_lines = letter == 'F' && number == "6500";
  check(all_blanks(last_echo) == no_more_lines, "the typing ran out exactly when the report is F6500", last_echo);

  // The number is the one the line gives. The echo shows the line as the reader saw it where it
  // holds no '?' (which stands for control characters and for characters the codeset lacks).
  if (letter == 'F' && !no_more_lines && codeset == Codeset::cp1252 &&
      last_echo.find('?') == std::string_view::npos) {
    console::LineResult result{};
    Fault fault{};
    if (degrees_read) {
      const auto outcome = console::parse_integer(last_echo);
      result = outcome.result;
      fault = outcome.fault;
    } else {
      const auto outcome = console::parse_real(last_echo);
      result = outcome.result;
      fault = outcome.fault;
    }
    check(result == console::LineResult::error && std::to_string(describe(fault).number) == number,
          "the reported number is the fault of the line that failed", last_echo);
  }
  if (letter == 'M') {
    check(degrees_read && !all_blanks(last_echo), "a mathematical fault comes only after both reads");
    const auto alpha = console::parse_real(echo_of(rows, alpha_row, 16, alpha_prompt));
    const auto degrees = console::parse_integer(last_echo);
    const std::optional<Fault> fault = computing_fault(alpha.value, degrees.value);
    check(fault.has_value() && describe(*fault).letter == 'M' && std::to_string(describe(*fault).number) == number,
          "the reported number is the fault of computing with the values typed");
  }
}

void check_run(std::string_view typed, Codeset codeset) {
  const Run run = run_dialogue(typed, codeset);
  const Checker check{typed, run, codeset};
  check(run.status == 0 || run.status == 1, "the exit status is 0 or 1");
  check_output_bytes(check, run, codeset);

  std::vector<std::string_view> rows;
  const std::string_view out = run.out;
  for (std::size_t begin = 0; begin < out.size();) {
    const std::size_t end = out.find('\n', begin);
    rows.push_back(out.substr(begin, end - begin));
    begin = end + 1;
  }
  check_head(check, rows, codeset);
  if (run.status == 0) {
    check(run.err.empty(), "a normal run writes nothing on standard error");
    check_normal_end(check, rows, codeset);
  } else {
    check_error_end(check, run, rows, codeset);
  }
}

}  // namespace
}  // namespace quiquadrado::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // strtod must read '.' as the decimal point of a field whatever the environment says.
  static const bool c_numeric = std::setlocale(LC_NUMERIC, "C") != nullptr;
  quiquadrado::fuzz::require(c_numeric, "the C locale is available", {});
  const std::string_view typed(reinterpret_cast<const char*>(data), size);
  for (const quiquadrado::console::Codeset codeset : quiquadrado::console::all_codesets) {
    quiquadrado::fuzz::check_run(typed, codeset);
  }
  return 0;
}
