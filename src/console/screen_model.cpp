#include "console/screen_model.hpp"

#include <algorithm>

namespace quiquadrado::console {

View ScreenModel::layout(std::size_t width, std::size_t height, std::string_view typing) const {
  width = std::max<std::size_t>(width, 1);
  height = std::max<std::size_t>(height, 1);

  // Every row of every line at this width. The cursor stands after the last line's text; when
  // that text fills its last row exactly, the cursor begins a row of its own.
  std::vector<std::string> rows;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const bool last = i + 1 == lines_.size();
    const std::string line = last ? lines_[i] + std::string(typing) : lines_[i];
    const std::size_t count = last ? line.size() / width + 1 : std::max<std::size_t>(1, (line.size() + width - 1) / width);
    for (std::size_t r = 0; r < count; ++r) {
      const std::size_t from = std::min(line.size(), r * width);
      rows.push_back(line.substr(from, width));
    }
  }
  const std::string& last_line = lines_.back();
  const std::size_t cursor_length = last_line.size() + typing.size();
  const std::size_t cursor_row = rows.size() - 1;

  View view;
  const std::size_t top = cursor_row + 1 > height ? cursor_row + 1 - height : 0;
  view.rows.resize(height);
  for (std::size_t r = 0; r < height && top + r < rows.size(); ++r) view.rows[r].text = rows[top + r];
  view.cursor_row = cursor_row - top;
  view.cursor_column = cursor_length % width;
  // The last row with text: the cursor's row, or the one above it when the cursor's row is empty.
  view.last_used_row = view.cursor_row;
  if (view.rows[view.cursor_row].text.empty() && view.cursor_row > 0) view.last_used_row = view.cursor_row - 1;
  return view;
}

}  // namespace quiquadrado::console
