// A frame: what every cell of the terminal should show, as Windows-1252 characters or
// line-drawing glyphs in a few named styles, with the cursor. Frames hold no escape sequences;
// FrameRenderer turns the difference between the frame on the terminal and the next one into
// the bytes that bring the terminal there (as termbox does with its front and back buffers), so
// that a keystroke costs a few bytes and a box closing repaints only the cells it covered.
//
// Sequences sent:
//   CUP      ESC [ row ; column H   cursor to a 1-based row and column
//   SGR      ESC [ ... m            attributes and colours, each style's sequence starting with 0
//                                   (reset) so that no attribute leaks from one style to the next
//   DECTCEM  ESC [ ? 25 l / h       hide / show the cursor: hidden while cells are drawn
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/encoding.hpp"

namespace quiquadrado::console {

enum class Style : std::uint8_t {
  console,         // the console's text: white on its background
  box,             // a message box's frame and text
  box_title,       // a message box's title row
  error_icon,      // the error icon
  warning_icon,    // the warning icon
  focused_button,  // the button that Enter presses
  status,          // the status line
};
inline constexpr std::size_t style_count = 7;

enum class Glyph : std::uint8_t {
  text,          // the cell's Windows-1252 character
  horizontal,    // ─ or -
  vertical,      // │ or |
  top_left,      // ┌ or +
  top_right,     // ┐ or +
  bottom_left,   // └ or +
  bottom_right,  // ┘ or +
  left_tee,      // ├ or +
  right_tee,     // ┤ or +
};

struct Cell {
  char character = ' ';          // Windows-1252, for Glyph::text
  Glyph glyph = Glyph::text;     // a line-drawing glyph instead of the character
  Style style = Style::console;  // colours and attributes
  friend bool operator==(const Cell&, const Cell&) = default;
};

class Frame {
 public:
  // A frame of blanks in the console's colours; at least one row and one column.
  Frame(std::size_t width, std::size_t height);

  std::size_t width() const noexcept { return width_; }
  std::size_t height() const noexcept { return height_; }
  const Cell& at(std::size_t row, std::size_t column) const { return cells_[row * width_ + column]; }
  Cell& at(std::size_t row, std::size_t column) { return cells_[row * width_ + column]; }

  // Puts text from (row, column) on, cut at the right edge; nothing outside the frame.
  void put_text(std::size_t row, std::size_t column, std::string_view text, Style style);
  // Fills count cells from (row, column) on with the cell, cut at the right edge.
  void fill(std::size_t row, std::size_t column, std::size_t count, Cell cell);
  // The frame's text of one row, glyphs as '#' (for tests and diagnostics).
  std::string row_text(std::size_t row) const;

  std::size_t cursor_row = 0;     // where the terminal's cursor rests
  std::size_t cursor_column = 0;  // (kept inside the frame by the renderer)
  bool cursor_visible = true;     // false while a box or the status line owns the keyboard

  friend bool operator==(const Frame&, const Frame&) = default;

 private:
  std::size_t width_;        // columns
  std::size_t height_;       // rows
  std::vector<Cell> cells_;  // row by row
};

// The SGR sequence of a style; the console's own comes from the colour choice.
std::string_view style_sequence(Style style, std::string_view console_colours);

class FrameRenderer {
 public:
  explicit FrameRenderer(Codeset codeset);

  // The console's colours changed: every console cell must be drawn again.
  void set_console_colours(std::string sgr);
  // The terminal's contents are unknown (first frame, a resize, back from a stop): the next
  // update draws every cell.
  void invalidate() noexcept;

  // The bytes that turn the last frame into next on the terminal; empty when nothing changed.
  std::string update(const Frame& next);

  // The bytes of one cell in the terminal's codeset: line-drawing characters where the codeset
  // is UTF-8, else ASCII; control characters as their visible symbols (UTF-8) or '?'.
  std::string_view cell_bytes(const Cell& cell) const;
  // Windows-1252 text as it is shown: each character as cell_bytes shows it.
  std::string shown_text(std::string_view cp1252) const;

 private:
  void move_to(std::string& out, std::size_t row, std::size_t column);
  void use_style(std::string& out, Style style);

  std::array<std::string, 256> characters_;  // bytes of each Windows-1252 character as shown
  bool line_drawing_;                        // the codeset has the line-drawing characters
  std::string console_colours_;              // SGR of Style::console
  std::optional<Frame> shown_;               // what the terminal shows, when known
  std::optional<Style> pen_;                 // the terminal's current style, when known
  std::optional<std::size_t> pen_row_;       // the terminal's cursor row, when known
  std::size_t pen_column_ = 0;               // and its column (valid with pen_row_)
  std::optional<bool> cursor_shown_;         // whether the terminal shows its cursor, when known
};

}  // namespace quiquadrado::console
