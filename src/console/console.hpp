// The console operations the dialogue uses: records, prompts, free-form reads, the window and
// colour operations, the error report and the end of the run. A record ends the open line
// first and leaves its own line open; a read closes the line it was typed on.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "console/backend.hpp"
#include "console/freeform.hpp"
#include "errors/run_time_error.hpp"

namespace quiquadrado::console {

inline constexpr std::string_view program_name = "quiquadrado";
inline constexpr std::string_view error_report_title = "run-time error ";
inline constexpr std::string_view stop_line = "Stop - Program terminated.";

class Console {
 public:
  explicit Console(Backend& backend) noexcept : backend_(backend) {}

  void write_record(std::string_view text);
  void write_prompt(std::string_view text);

  // Free-form reads: blank lines are skipped, a null value leaves the variable as it is, and a
  // malformed value throws RunTimeError with its F number.
  void read_real(float& variable);
  void read_integer(std::int32_t& variable);

  // Ends the open line, writes the stop line and a line break, and shows the end-of-run prompt
  // with exit status 0. The caller then ends the process with that status.
  void stop_program();

  bool maximize_window(Window window) { return backend_.maximize_window(window); }
  Rgb set_background_rgb(Rgb colour) { return backend_.set_background_rgb(colour); }
  void clear_console();

  // Shows the error report of a fatal error, then the end-of-run prompt with exit status 1.
  void report_fatal(const RunTimeError& error);

 private:
  // Takes the next typed line, or throws F6500 when the console has none.
  std::string next_line();
  template <typename T>
  void read_value(T& variable, ReadOutcome<T> (*parse)(std::string_view));

  Backend& backend_;
  bool line_open_ = false;  // a record or prompt was written and no line break has followed
};

}  // namespace quiquadrado::console
