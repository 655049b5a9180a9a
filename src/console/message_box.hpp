// Message boxes drawn inside the console: a frame, a title row, an icon beside the text and a
// row of buttons, of which one has the focus. The layout is pure and shared by every back end
// that draws its boxes itself; the terminal paints it into a frame (terminal_box.hpp).
//
//   +-----------------------------------------------+
//   | quiquadrado                                   |   title row
//   +-----------------------------------------------+
//   |  /!\  Program Terminated with exit code 0     |   icon and text
//   |       Exit Window?                            |
//   |                                               |
//   |              [ Yes ]   > No <                 |   buttons, the focused one marked
//   +-----------------------------------------------+
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quiquadrado::console {

inline constexpr std::string_view error_icon_symbol = "(X)";
inline constexpr std::string_view warning_icon_symbol = "/!\\";

struct MessageBox {
  std::string title;                 // the title row's text (Windows-1252)
  std::string icon;                  // a short symbol left of the first text row, or none
  std::vector<std::string> text;     // the message, one entry a row
  std::vector<std::string> buttons;  // button labels, left to right
  std::size_t focused = 0;           // index of the button that Enter presses
  bool error = false;                // the error report: its icon in the error colours
};

struct BoxPlacement {
  std::size_t top = 0;     // 0-based row of the top border
  std::size_t left = 0;    // 0-based column of the left border
  std::size_t width = 0;   // columns, borders included
  std::size_t height = 0;  // rows, borders included
};

// Rows of a box: border, title, rule, the text rows, an empty row, the buttons, border.
std::size_t box_height(const MessageBox& box);
// Columns the box would like, borders included.
std::size_t box_width(const MessageBox& box);

// Centred across the screen, one blank row below the last row of written text when the box
// fits there, so that the results stay in sight; else as low as the screen allows. Never larger
// than the screen.
BoxPlacement place_box(const MessageBox& box, std::size_t screen_width, std::size_t screen_height,
                       std::size_t last_used_row);

// The button row's text for a given inner width, centred, and the columns (relative to the
// row) where each button starts. A button shows as "[ label ]", the focused one as
// "> label <", so that the focus shows without colours too; both take the label and 4 columns.
std::string button_row(const MessageBox& box, std::size_t inner_width, std::vector<std::size_t>& starts);

// Columns between the left border and the text rows: the margin, and the icon and its gap.
std::size_t box_text_indent(const MessageBox& box);

}  // namespace quiquadrado::console
