// The narrow seam between the console's operations and a device: a terminal, a pipe, memory.
//
// All text crossing this interface is Windows-1252, the console's own code page; each back end
// converts it for its device. Record and prompt semantics (when a line break is due) belong to
// `Console`; a back end only writes text, breaks lines and reads typed lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quiquadrado::console {

enum class Window : std::uint8_t { main, console };

struct Rgb {
  std::uint8_t red = 0;    // 0 .. 255
  std::uint8_t green = 0;  // 0 .. 255
  std::uint8_t blue = 0;   // 0 .. 255
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Longest line the user can type; further keys only ring the bell.
inline constexpr int max_typed_line = 128;

class Backend {
 public:
  virtual ~Backend() = default;

  // Writes text at the cursor; text longer than the console is wide continues on the next row.
  virtual void write_text(std::string_view text) = 0;
  // Moves the cursor to column 1 of the next row.
  virtual void line_break() = 0;
  // Reads one line typed by the user, echoed at the cursor, without its Enter, at most
  // max_typed_line characters. On return the cursor is in column 1 of the next row. Returns
  // nothing when no line can be delivered (end of input).
  virtual std::optional<std::string> read_line() = 0;

  // Window and colour operations; their results may be ignored by the caller.
  virtual bool maximize_window(Window window) = 0;
  virtual Rgb set_background_rgb(Rgb colour) = 0;  // returns the previous background
  virtual void clear_console() = 0;                 // empties the console; cursor to row 1, column 1

  // The task-modal error report: a box with the title, an error icon, the text and one OK
  // button. Returns when the user has pressed OK (at once where nobody can answer).
  virtual void report_error(std::string_view title, std::string_view text) = 0;
  // The end-of-run prompt, titled with the program's name: "Program Terminated with exit code "
  // and the status, then "Exit Window?", with Yes and No. Returns when the window is to close.
  virtual void end_of_run(std::string_view title, int exit_status) = 0;
};

}  // namespace quiquadrado::console
