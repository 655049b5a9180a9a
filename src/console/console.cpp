#include "console/console.hpp"

#include <optional>
#include <string>


namespace quiquadrado::console {

void Console::write_record(std::string_view text) {
  if (line_open_) backend_.line_break();
  backend_.write_text(text);
  line_open_ = true;
}

// A prompt is a record whose line stays open for the typing; the back end echoes the typed
// characters at the cursor, which is where the prompt's text ends.
void Console::write_prompt(std::string_view text) { write_record(text); }

std::string Console::next_line() {
  std::optional<std::string> line = backend_.read_line();
  line_open_ = false;  // Enter moved the cursor to column 1 of the next row
  if (!line) throw RunTimeError(Fault::read_no_line);
  return std::move(*line);
}

// Feeds typed lines to parse until one yields a value, a null value or an error.
template <typename T>
void Console::read_value(T& variable, ReadOutcome<T> (*parse)(std::string_view)) {
  for (;;) {
    const ReadOutcome<T> outcome = parse(next_line());
    switch (outcome.result) {
      case LineResult::next_line: continue;
      case LineResult::value: variable = outcome.value; return;
      case LineResult::null_value: return;
      case LineResult::error: throw RunTimeError(outcome.fault);
    }
  }
}

void Console::read_real(float& variable) { read_value(variable, parse_real); }
void Console::read_integer(std::int32_t& variable) { read_value(variable, parse_integer); }

void Console::stop_program() {
  if (line_open_) backend_.line_break();
  backend_.write_text(stop_line);
  backend_.line_break();
  line_open_ = false;
  backend_.end_of_run(program_name, 0);
}

void Console::clear_console() {
  backend_.clear_console();
  line_open_ = false;
}

void Console::report_fatal(const RunTimeError& error) {
  backend_.report_error(error_report_title, report_text(error.fault()));
  backend_.end_of_run(program_name, 1);
}

}  // namespace quiquadrado::console
