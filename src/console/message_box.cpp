#include "console/message_box.hpp"

#include <algorithm>

namespace quiquadrado::console {

namespace {
constexpr std::size_t rows_around_text = 6;  // border, title, rule, empty row, buttons, border
constexpr std::size_t button_gap = 3;        // blanks between two buttons
std::size_t label_width(const std::string& label) { return label.size() + 4; }  // "[ " label " ]"
}  // namespace

std::size_t box_height(const MessageBox& box) { return box.text.size() + rows_around_text; }

std::size_t box_width(const MessageBox& box) {
  std::size_t inner = box.title.size() + 2;
  const std::size_t icon = box.icon.empty() ? 0 : box.icon.size() + 2;
  for (const std::string& row : box.text) inner = std::max(inner, 2 + icon + row.size() + 2);
  std::size_t buttons = 0;
  for (const std::string& label : box.buttons) buttons += label_width(label) + (buttons == 0 ? 0 : button_gap);
  inner = std::max(inner, buttons + 4);
  return inner + 2;
}

BoxPlacement place_box(const MessageBox& box, std::size_t screen_width, std::size_t screen_height,
                       std::size_t last_used_row) {
  BoxPlacement place;
  place.width = std::min(box_width(box), screen_width);
  place.height = std::min(box_height(box), screen_height);
  place.left = (screen_width - place.width) / 2;
  const std::size_t below = last_used_row + 2;
  if (below + place.height <= screen_height) {
    place.top = below;
  } else {
    place.top = screen_height - place.height;
  }
  return place;
}

std::string button_row(const MessageBox& box, std::size_t inner_width, std::vector<std::size_t>& starts) {
  std::string labels;
  starts.clear();
  for (const std::string& label : box.buttons) {
    if (!labels.empty()) labels.append(button_gap, ' ');
    starts.push_back(labels.size());
    labels += "[ " + label + " ]";
  }
  const std::size_t indent = inner_width > labels.size() ? (inner_width - labels.size()) / 2 : 0;
  for (std::size_t& start : starts) start += indent;
  std::string row(indent, ' ');
  row += labels;
  row.resize(inner_width, ' ');
  return row;
}

}  // namespace quiquadrado::console
