// Message boxes drawn inside the console: a frame, a title line, an icon beside the text, and a
// row of buttons. The layout is pure; the terminal back end paints it over the view.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quiquadrado::console {

struct MessageBox {
  std::string title;                 // title line
  std::string icon;                  // a short symbol before the text, e.g. "(X)"
  std::vector<std::string> text;     // the message, one entry a row
  std::vector<std::string> buttons;  // button labels, left to right
  std::size_t focused = 0;           // index of the focused button
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

// Centred across the screen; below the last used row when the box fits there (so the rows
// above it stay visible), else as low as the screen allows. Never larger than the screen.
BoxPlacement place_box(const MessageBox& box, std::size_t screen_width, std::size_t screen_height,
                       std::size_t last_used_row);

// The button row's text for a given inner width, and the columns (relative to the row) where
// each button starts; every label is shown as "[ label ]".
std::string button_row(const MessageBox& box, std::size_t inner_width, std::vector<std::size_t>& starts);

}  // namespace quiquadrado::console
