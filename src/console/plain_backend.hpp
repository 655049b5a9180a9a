// The plain back end, for pipes and files: standard output carries exactly the text of the
// screen, row by row, each row ended by a newline, with each typed line echoed after its prompt;
// no escape sequences. The error report goes to standard error as one line. Nothing to maximise,
// colour or clear, and no end-of-run prompt.
#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "console/backend.hpp"
#include "console/encoding.hpp"

namespace quiquadrado::console {

// Standard output could not be written (a full disk, a closed file).
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PlainBackend final : public Backend {
 public:
  // input_descriptor is the descriptor under in, if it has one: when in finds no byte because
  // the descriptor is non-blocking (someone sharing it made it so), the read waits on it
  // instead of taking that for the end of the input.
  PlainBackend(std::istream& in, std::ostream& out, std::ostream& err, Codeset codeset,
               int input_descriptor = -1) noexcept
      : in_(in), out_(out), err_(err), codeset_(codeset), input_descriptor_(input_descriptor) {}

  // Whether a typed line is written after its prompt. Off where the terminal itself has already
  // shown the typing on the same screen (a terminal too plain for the console of its own).
  void echo_typed_lines(bool echo) noexcept { echo_typed_lines_ = echo; }

  void write_text(std::string_view text) override;
  void line_break() override;
  // A line ends at a newline or at the end of the input; a carriage return before the newline
  // is dropped, a Tab becomes eight blanks as a console shows it, and characters past the 128th
  // are discarded. No bytes at all before the end of the input: no line.
  std::optional<std::string> read_line() override;

  bool maximize_window(Window) override { return false; }
  Rgb set_background_rgb(Rgb colour) override;
  void clear_console() override {}

  void report_error(std::string_view title, std::string_view text) override;
  // Flushes standard output; throws OutputError if anything written was lost.
  void end_of_run(std::string_view title, int exit_status) override;

 private:
  void check_output();

  std::istream& in_;          // typed lines
  std::ostream& out_;         // the screen's text
  std::ostream& err_;         // the error report
  Codeset codeset_;           // codeset of all three streams
  int input_descriptor_;      // the descriptor under in_, or -1
  Rgb background_{};          // what set_background_rgb last set
  bool at_line_start_ = true; // nothing written on the current output line yet
  bool echo_typed_lines_ = true;  // write each typed line after its prompt
};

}  // namespace quiquadrado::console
