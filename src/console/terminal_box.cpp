#include "console/terminal_box.hpp"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace quiquadrado::console {

namespace {

constexpr std::size_t icon_column = 2;  // where the icon starts inside the left border

enum class Kind : std::uint8_t { top, title, rule, text, empty, buttons, bottom };

struct Row {
  Kind kind;              // what the row shows
  std::size_t index = 0;  // the text row, for Kind::text
};

// The rows that fit in height, top to bottom.
std::vector<Row> fitted_rows(const MessageBox& box, std::size_t height) {
  std::vector<Row> rows{{Kind::top}, {Kind::title}, {Kind::rule}};
  for (std::size_t i = 0; i < box.text.size(); ++i) rows.push_back({Kind::text, i});
  rows.insert(rows.end(), {{Kind::empty}, {Kind::buttons}, {Kind::bottom}});
  const auto drop_last = [&rows](Kind kind) {
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
      if (it->kind == kind) {
        rows.erase(std::next(it).base());
        return true;
      }
    }
    return false;
  };
  for (const Kind kind : {Kind::empty, Kind::rule}) {
    if (rows.size() > height) drop_last(kind);
  }
  while (rows.size() > height && drop_last(Kind::text)) {
  }
  for (const Kind kind : {Kind::title, Kind::buttons}) {
    if (rows.size() > height) drop_last(kind);
  }
  return rows;
}

}  // namespace

void paint_box(Frame& frame, const MessageBox& box, const BoxPlacement& place) {
  if (place.width < 2 || place.height < 2) return;
  const std::size_t inner = place.width - 2;
  const std::size_t right = place.left + place.width - 1;

  const auto border = [&](std::size_t at, Glyph left, Glyph middle, Glyph end) {
    frame.at(at, place.left) = Cell{' ', left, Style::box};
    frame.fill(at, place.left + 1, inner, Cell{' ', middle, Style::box});
    frame.at(at, right) = Cell{' ', end, Style::box};
  };
  // An inner row in one style between the two vertical borders.
  const auto body = [&](std::size_t at, Style style) {
    frame.at(at, place.left) = Cell{' ', Glyph::vertical, Style::box};
    frame.fill(at, place.left + 1, inner, Cell{' ', Glyph::text, style});
    frame.at(at, right) = Cell{' ', Glyph::vertical, Style::box};
  };
  // Text inside the borders, cut at the right border.
  const auto put = [&](std::size_t at, std::size_t column, std::string_view text, Style style) {
    if (column >= inner) return;
    frame.put_text(at, place.left + 1 + column, text.substr(0, inner - column), style);
  };

  std::size_t at = place.top;
  for (const Row& row : fitted_rows(box, place.height)) {
    switch (row.kind) {
      case Kind::top: border(at, Glyph::top_left, Glyph::horizontal, Glyph::top_right); break;
      case Kind::title:
        body(at, Style::box_title);
        put(at, 1, box.title, Style::box_title);
        break;
      case Kind::rule: border(at, Glyph::left_tee, Glyph::horizontal, Glyph::right_tee); break;
      case Kind::text:
        body(at, Style::box);
        if (row.index == 0 && !box.icon.empty()) {
          put(at, icon_column, box.icon, box.error ? Style::error_icon : Style::warning_icon);
        }
        put(at, box_text_indent(box), box.text[row.index], Style::box);
        break;
      case Kind::empty: body(at, Style::box); break;
      case Kind::buttons: {
        body(at, Style::box);
        std::vector<std::size_t> starts;
        const std::string labels = button_row(box, inner, starts);
        put(at, 0, labels, Style::box);
        if (box.focused < starts.size() && starts[box.focused] < labels.size()) {
          const std::size_t start = starts[box.focused];
          put(at, start, std::string_view(labels).substr(start, box.buttons[box.focused].size() + 4),
              Style::focused_button);
        }
        break;
      }
      case Kind::bottom: border(at, Glyph::bottom_left, Glyph::horizontal, Glyph::bottom_right); break;
    }
    ++at;
  }
}

}  // namespace quiquadrado::console
