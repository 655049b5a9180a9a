// The console's line editing, free of any platform: keys in, the typed line and what to do about
// it out. Typed characters go to the end of the line; Backspace removes the last one; Tab
// inserts eight blanks; the line holds at most max_typed_line characters (Windows-1252, so one
// byte each) and further keys only ring the bell; Enter ends the line.
#pragma once

#include <cstdint>
#include <string>

#include "console/backend.hpp"
#include "console/keys.hpp"

namespace quiquadrado::console {

enum class EditResult : std::uint8_t {
  unchanged,  // nothing to show
  changed,    // the line changed: show it again
  bell,       // refused: ring the bell
  done,       // Enter: the line is complete
  no_line,    // Ctrl-D on an empty line: no line can be delivered
  interrupt,  // Ctrl-C: end the run at once
};

class LineEditor {
 public:
  EditResult apply(const Key& key);
  const std::string& line() const noexcept { return line_; }
  void clear() noexcept { line_.clear(); }

 private:
  EditResult insert(char character);
  EditResult insert_tab();
  EditResult erase_last();

  std::string line_;  // the line so far, Windows-1252
};

}  // namespace quiquadrado::console
