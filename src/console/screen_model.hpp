// What the console shows, without any escape sequence: the lines written since the last clear
// (Windows-1252 text) and the text being typed at the end of the last one. Text is always
// written at the cursor, which is always at the end of the last line. Laying the lines out for a
// width and height gives the rows of the view: a line longer than the width continues on the
// next rows, and when the rows outgrow the height the view scrolls so that the cursor's row is
// its last row. A resize lays the same lines out again, so nothing is ever lost to it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quiquadrado::console {

struct View {
  std::vector<std::string> rows;  // exactly the height's rows, top first; each at most the width
  std::size_t first_row = 0;      // scroll position: rows of the laid-out text above the view
  std::size_t cursor_row = 0;     // 0-based row of the cursor in the view
  std::size_t cursor_column = 0;  // 0-based column of the cursor
  std::size_t last_used_row = 0;  // 0-based row of the last row that holds written text
};

class ScreenModel {
 public:
  void write_text(std::string_view text) { lines_.back() += text; }
  void line_break() { lines_.emplace_back(); }
  void clear() { lines_.assign(1, std::string()); }

  // The lines since the last clear; the last one is where the cursor is (empty after a break).
  const std::vector<std::string>& lines() const noexcept { return lines_; }

  // The view at this size, with typing shown at the cursor (the line being edited).
  View layout(std::size_t width, std::size_t height, std::string_view typing = {}) const;

 private:
  std::vector<std::string> lines_{std::string()};  // never empty: the last line holds the cursor
};

}  // namespace quiquadrado::console
