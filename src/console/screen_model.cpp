#include "console/screen_model.hpp"

#include <algorithm>

namespace quiquadrado::console {

View ScreenModel::layout(std::size_t width, std::size_t height, std::string_view typing) const {
  width = std::max<std::size_t>(width, 1);
  height = std::max<std::size_t>(height, 1);

  // Every row of every line at this width. An empty line still takes a row. The cursor stands
  // after the last line's text; when that text fills its last row exactly, the cursor starts a
  // row of its own.
  std::vector<std::string_view> rows;
  std::string last_line = lines_.back();
  last_line += typing;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const bool last = i + 1 == lines_.size();
    const std::string_view line = last ? std::string_view(last_line) : std::string_view(lines_[i]);
    const std::size_t count =
        last ? line.size() / width + 1 : std::max<std::size_t>(1, (line.size() + width - 1) / width);
    for (std::size_t r = 0; r < count; ++r) {
      const std::size_t from = std::min(line.size(), r * width);
      rows.push_back(line.substr(from, width));
    }
  }
  const std::size_t cursor_row = rows.size() - 1;

  View view;
  view.first_row = cursor_row + 1 > height ? cursor_row + 1 - height : 0;
  view.rows.resize(height);
  for (std::size_t r = 0; r < height && view.first_row + r < rows.size(); ++r) {
    view.rows[r] = std::string(rows[view.first_row + r]);
  }
  view.cursor_row = cursor_row - view.first_row;
  view.cursor_column = last_line.size() % width;
  // The last row with text: the cursor's row, or the one above it when the cursor's row is empty.
  view.last_used_row = view.cursor_row;
  if (view.rows[view.cursor_row].empty() && view.cursor_row > 0) view.last_used_row = view.cursor_row - 1;
  return view;
}

}  // namespace quiquadrado::console
