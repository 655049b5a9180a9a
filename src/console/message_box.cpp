#include "console/message_box.hpp"

#include <algorithm>

namespace quiquadrado::console {

namespace {

constexpr std::size_t margin = 2;       // blanks between the borders and the text
constexpr std::size_t icon_gap = 2;     // blanks between the icon and the text
constexpr std::size_t button_gap = 3;   // blanks between two buttons
constexpr std::size_t rows_around = 6;  // top border, title, rule, empty row, buttons, bottom border

std::size_t buttons_width(const MessageBox& box) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < box.buttons.size(); ++i) width += (i == 0 ? 0 : button_gap) + box.buttons[i].size() + 4;
  return width;
}

}  // namespace

std::size_t box_text_indent(const MessageBox& box) {
  return margin + (box.icon.empty() ? 0 : box.icon.size() + icon_gap);
}

std::size_t box_height(const MessageBox& box) { return box.text.size() + rows_around; }

std::size_t box_width(const MessageBox& box) {
  std::size_t inner = 1 + box.title.size() + margin;
  for (const std::string& row : box.text) inner = std::max(inner, box_text_indent(box) + row.size() + margin);
  inner = std::max(inner, buttons_width(box) + 2 * margin);
  return inner + 2;
}

BoxPlacement place_box(const MessageBox& box, std::size_t screen_width, std::size_t screen_height,
                       std::size_t last_used_row) {
  BoxPlacement place;
  place.width = std::min(box_width(box), screen_width);
  place.height = std::min(box_height(box), screen_height);
  place.left = (screen_width - place.width) / 2;
  const std::size_t below = last_used_row + 2;
  place.top = below + place.height <= screen_height ? below : screen_height - place.height;
  return place;
}

std::string button_row(const MessageBox& box, std::size_t inner_width, std::vector<std::size_t>& starts) {
  const std::size_t width = buttons_width(box);
  const std::size_t indent = inner_width > width ? (inner_width - width) / 2 : 0;
  std::string row(indent, ' ');
  starts.clear();
  for (std::size_t i = 0; i < box.buttons.size(); ++i) {
    if (i > 0) row.append(button_gap, ' ');
    starts.push_back(row.size());
    const bool focused = i == box.focused;
    row += focused ? "> " : "[ ";
    row += box.buttons[i];
    row += focused ? " <" : " ]";
  }
  row.resize(inner_width, ' ');
  return row;
}

}  // namespace quiquadrado::console
