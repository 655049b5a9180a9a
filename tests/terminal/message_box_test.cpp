// Message boxes: size, placement beside the results, and what they paint.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "console/message_box.hpp"
#include "console/terminal_box.hpp"
#include "console/terminal_frame.hpp"

namespace quiquadrado::console {
namespace {

MessageBox end_of_run_box() {
  return MessageBox{"quiquadrado", "/!\\", {"Program Terminated with exit code 0", "Exit Window?"}, {"Yes", "No"}, 1,
                    false};
}

// The pieces one after another (built by appending: g++ 12 -O3 misreads a literal added to a
// temporary string as overlapping copies).
std::string joined(std::initializer_list<std::string_view> pieces) {
  std::string text;
  for (const std::string_view piece : pieces) text += piece;
  return text;
}

std::vector<std::string> rows_of(const Frame& frame, std::size_t top, std::size_t count) {
  std::vector<std::string> rows;
  for (std::size_t r = top; r < top + count; ++r) rows.push_back(frame.row_text(r));
  return rows;
}

TEST(MessageBox, PaintsFrameTitleIconTextAndButtons) {
  const MessageBox box = end_of_run_box();
  EXPECT_EQ(box_width(box), 46u);
  EXPECT_EQ(box_height(box), 8u);

  Frame frame(50, 10);
  const BoxPlacement place{1, 2, 46, 8};
  paint_box(frame, box, place);
  const std::string border(46, '#');
  const std::vector<std::string> expected = {
      joined({"  ", border, "  "}),
      joined({"  # quiquadrado", std::string(32, ' '), "#  "}),
      joined({"  ", border, "  "}),
      "  #  /!\\  Program Terminated with exit code 0  #  ",
      joined({"  #       Exit Window?", std::string(25, ' '), "#  "}),
      joined({"  #", std::string(44, ' '), "#  "}),
      joined({"  #", std::string(14, ' '), "[ Yes ]   > No <", std::string(14, ' '), "#  "}),
      joined({"  ", border, "  "}),
  };
  EXPECT_EQ(rows_of(frame, 1, 8), expected);
  // Nothing outside the box.
  EXPECT_EQ(frame.row_text(0), std::string(50, ' '));
  EXPECT_EQ(frame.row_text(9), std::string(50, ' '));
  EXPECT_EQ(frame.at(0, 0).style, Style::console);

  // The glyphs of the frame, and the styles of title, icon, text and the focused button.
  EXPECT_EQ(frame.at(1, 2).glyph, Glyph::top_left);
  EXPECT_EQ(frame.at(1, 47).glyph, Glyph::top_right);
  EXPECT_EQ(frame.at(3, 2).glyph, Glyph::left_tee);
  EXPECT_EQ(frame.at(3, 10).glyph, Glyph::horizontal);
  EXPECT_EQ(frame.at(4, 2).glyph, Glyph::vertical);
  EXPECT_EQ(frame.at(8, 2).glyph, Glyph::bottom_left);
  EXPECT_EQ(frame.at(8, 47).glyph, Glyph::bottom_right);
  EXPECT_EQ(frame.at(2, 4).style, Style::box_title);
  EXPECT_EQ(frame.at(4, 5).style, Style::warning_icon);
  EXPECT_EQ(frame.at(4, 12).style, Style::box);
  EXPECT_EQ(frame.at(7, 17).style, Style::box);            // "[ Yes ]"
  EXPECT_EQ(frame.at(7, 27).style, Style::focused_button);  // "> No <"
}

TEST(MessageBox, ErrorBoxHasTheErrorIconAndOneButton) {
  const MessageBox box{
      "run-time error ", "(X)", {"F6101: READ() - integer value text not an integer"}, {"OK"}, 0, true};
  const std::size_t width = box_width(box);
  Frame frame(width, box_height(box));
  paint_box(frame, box, BoxPlacement{0, 0, width, box_height(box)});
  EXPECT_EQ(frame.row_text(1).substr(0, 17), "# run-time error ");
  EXPECT_EQ(frame.row_text(3).substr(0, 10), "#  (X)  F6");
  EXPECT_EQ(frame.at(3, 3).style, Style::error_icon);
  EXPECT_NE(frame.row_text(5).find("> OK <"), std::string::npos);
}

TEST(MessageBox, PlacedBelowTheResultsWhenThereIsRoom) {
  const MessageBox box = end_of_run_box();
  struct Case {
    std::size_t width, height, last_used_row;
    BoxPlacement place;
  };
  const Case cases[] = {
      // 100 x 40, text down to row 28 (index 27): one blank row, then the box.
      {100, 40, 27, {29, 27, 46, 8}},
      // Room to spare, and just room enough.
      {100, 38, 27, {29, 27, 46, 8}},
      {100, 37, 27, {29, 27, 46, 8}},
      // One row short: as low as the screen allows.
      {100, 36, 27, {28, 27, 46, 8}},
      // 80 x 24, the view full: at the bottom.
      {80, 24, 23, {16, 17, 46, 8}},
      // Narrower and lower than the box: the box takes the screen.
      {20, 5, 4, {0, 0, 20, 5}},
  };
  for (const Case& c : cases) {
    const BoxPlacement place = place_box(box, c.width, c.height, c.last_used_row);
    EXPECT_EQ(place.top, c.place.top) << c.width << "x" << c.height;
    EXPECT_EQ(place.left, c.place.left) << c.width << "x" << c.height;
    EXPECT_EQ(place.width, c.place.width) << c.width << "x" << c.height;
    EXPECT_EQ(place.height, c.place.height) << c.width << "x" << c.height;
  }
}

TEST(MessageBox, CutToASmallScreenKeepsBordersTitleAndButtons) {
  const MessageBox box = end_of_run_box();
  struct Case {
    std::size_t height;
    std::vector<std::string> starts;  // how each row begins, top to bottom
  };
  const Case cases[] = {
      {7, {"####", "# qu", "####", "#  /", "#   ", "# [ ", "####"}},  // no empty row
      {6, {"####", "# qu", "#  /", "#   ", "# [ ", "####"}},          // no rule
      {5, {"####", "# qu", "#  /", "# [ ", "####"}},                  // first text row only
      {4, {"####", "# qu", "# [ ", "####"}},                          // no text
      {3, {"####", "# [ ", "####"}},                                  // buttons only
      {2, {"####", "####"}},
  };
  for (const Case& c : cases) {
    Frame frame(20, c.height);
    paint_box(frame, box, BoxPlacement{0, 0, 20, c.height});
    std::vector<std::string> starts;
    for (std::size_t r = 0; r < c.height; ++r) starts.push_back(frame.row_text(r).substr(0, 4));
    EXPECT_EQ(starts, c.starts) << c.height << " rows";
    // The buttons' row is still there whenever a row is left for it, cut at the right border.
    if (c.height >= 3) {
      EXPECT_EQ(frame.row_text(c.height - 2).back(), '#');
      EXPECT_NE(frame.row_text(c.height - 2).find("[ Yes ]"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace quiquadrado::console
