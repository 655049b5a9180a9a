// What the console shows, without any escape sequence: the lines written since the last clear
// (Windows-1252 text), the text being typed at the end of the last one, and the background.
// Text is always written at the cursor, which is always at the end of the last line; a line
// longer than the console is wide continues on the next rows. Laying the lines out for a width
// and height gives the rows of the view, scrolled so that the cursor's row is visible.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quiquadrado::console {

struct ViewRow {
  std::string text;  // the row's characters, at most the width
};

struct View {
  std::vector<ViewRow> rows;   // exactly height rows, top first
  std::size_t cursor_row = 0;     // 0-based row of the cursor in the view
  std::size_t cursor_column = 0;  // 0-based column of the cursor
  std::size_t last_used_row = 0;  // 0-based row of the last row that holds written text
};

class ScreenModel {
 public:
  void write_text(std::string_view text) { lines_.back() += text; }
  void line_break() { lines_.emplace_back(); }
  void clear() { lines_.assign(1, std::string()); }

  // The lines, the last one with the typing shown after it.
  const std::vector<std::string>& lines() const noexcept { return lines_; }

  View layout(std::size_t width, std::size_t height, std::string_view typing = {}) const;

 private:
  std::vector<std::string> lines_{std::string()};  // never empty: the last line holds the cursor
};

}  // namespace quiquadrado::console
