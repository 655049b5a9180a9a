// The terminal as the console's drawing and key handling sees it: bytes out, typed bytes in,
// a size, and the events that make the screen's contents unknown. The POSIX implementation
// (raw mode, the alternate screen, signals) lives in terminal_posix.cpp, the Windows console's
// in windows_backend.cpp; tests use a device of their own. Everything above this interface is
// free of any platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "console/message_box.hpp"
#include "console/terminal_facts.hpp"  // TerminalSize

namespace quiquadrado::console {

enum class InputEvent : std::uint8_t {
  bytes,         // typed bytes were appended
  timed_out,     // nothing came within the wait
  redraw,        // the terminal changed under us (resized, back from a stop): draw it all again
  end_of_input,  // nothing more will come: end of file, a hang-up, a read error
};

class TerminalDevice {
 public:
  virtual ~TerminalDevice() = default;

  // Waits up to timeout_ms (negative: as long as it takes) for typed bytes, which are appended
  // to bytes, or for an event. After end_of_input every call answers end_of_input at once.
  virtual InputEvent read_input(std::string& bytes, int timeout_ms) = 0;
  // Writes all of bytes; throws OutputError when the terminal takes no more.
  virtual void write(std::string_view bytes) = 0;
  // The terminal's size now.
  virtual TerminalSize size() = 0;
  // Asks the window around the terminal to fill the display (no answer is awaited).
  virtual void maximize() = 0;
  // Shows the box as a window of the system's own and waits for one of its buttons, whose index
  // it answers; nothing where the system has no such windows, and the console draws the box.
  virtual std::optional<std::size_t> ask_in_window(const MessageBox& /*box*/) { return std::nullopt; }
  // While set, a hang-up of the terminal ends the input (the window is closed as if the user
  // had closed it) instead of ending the process.
  virtual void set_hangup_ends_input(bool ends_input) = 0;
  // Gives the terminal back as it was found; later writes go to its normal screen.
  virtual void restore() = 0;
  // Ctrl-C: gives the terminal back and ends the process as SIGINT does.
  [[noreturn]] virtual void interrupt() = 0;
};

}  // namespace quiquadrado::console
