// The screen model: lines laid out for a width and height, wrapped, scrolled to the cursor.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/screen_model.hpp"

namespace quiquadrado::console {
namespace {

TEST(ScreenModel, WrapsLongLinesAtTheWidth) {
  ScreenModel model;
  model.write_text(std::string(25, 'a'));
  model.line_break();
  model.write_text("bb");
  const View view = model.layout(10, 5);
  ASSERT_EQ(view.rows.size(), 5u);
  EXPECT_EQ(view.rows[0], std::string(10, 'a'));
  EXPECT_EQ(view.rows[1], std::string(10, 'a'));
  EXPECT_EQ(view.rows[2], std::string(5, 'a'));
  EXPECT_EQ(view.rows[3], "bb");
  EXPECT_EQ(view.rows[4], "");
  EXPECT_EQ(view.cursor_row, 3u);
  EXPECT_EQ(view.cursor_column, 2u);
  EXPECT_EQ(view.last_used_row, 3u);
  EXPECT_EQ(view.first_row, 0u);
}

TEST(ScreenModel, CursorAfterTextOfExactlyTheWidthStartsTheNextRow) {
  ScreenModel model;
  model.write_text(std::string(10, 'x'));
  View view = model.layout(10, 4);
  EXPECT_EQ(view.rows[0], std::string(10, 'x'));
  EXPECT_EQ(view.cursor_row, 1u);
  EXPECT_EQ(view.cursor_column, 0u);
  EXPECT_EQ(view.last_used_row, 0u);

  // A finished line of exactly the width takes one row, not two.
  model.line_break();
  model.write_text("y");
  view = model.layout(10, 4);
  EXPECT_EQ(view.rows[1], "y");
  EXPECT_EQ(view.cursor_row, 1u);
}

TEST(ScreenModel, TypingIsShownAtTheCursorAndWraps) {
  ScreenModel model;
  model.write_text("   Entre --> ");
  const View view = model.layout(16, 4, "0.0512");
  EXPECT_EQ(view.rows[0], "   Entre --> 0.0");
  EXPECT_EQ(view.rows[1], "512");
  EXPECT_EQ(view.cursor_row, 1u);
  EXPECT_EQ(view.cursor_column, 3u);
  // The model itself holds no typing.
  EXPECT_EQ(model.lines().back(), "   Entre --> ");
}

TEST(ScreenModel, ScrollsSoThatTheCursorRowIsVisible) {
  ScreenModel model;
  for (int i = 0; i < 12; ++i) {
    if (i > 0) model.line_break();
    model.write_text(std::string("row").append(std::to_string(i)));
  }
  View view = model.layout(10, 5, "12");
  EXPECT_EQ(view.first_row, 7u);
  EXPECT_EQ(view.cursor_row, 4u);
  EXPECT_EQ(view.rows[0], "row7");
  EXPECT_EQ(view.rows[4], "row1112");

  // After a line break the cursor's empty row is the last one.
  model.line_break();
  view = model.layout(10, 5);
  EXPECT_EQ(view.rows[3], "row11");
  EXPECT_EQ(view.rows[4], "");
  EXPECT_EQ(view.cursor_row, 4u);
  EXPECT_EQ(view.last_used_row, 3u);
}

TEST(ScreenModel, ResizeLaysTheSameTextOutAgain) {
  ScreenModel model;
  const std::vector<std::string> lines = {std::string(86, 'r'), "", "short", std::string(30, 's')};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) model.line_break();
    model.write_text(lines[i]);
  }
  // Narrow and low: the text is cut into rows and scrolled, nothing is dropped from the model.
  const View narrow = model.layout(20, 3);
  EXPECT_EQ(narrow.rows[0], "short");
  EXPECT_EQ(narrow.rows[1], std::string(20, 's'));
  EXPECT_EQ(narrow.rows[2], std::string(10, 's'));
  // Wide again: every line whole on its row.
  const View wide = model.layout(100, 10);
  for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(wide.rows[i], lines[i]);
  EXPECT_EQ(wide.cursor_row, 3u);
  EXPECT_EQ(wide.cursor_column, 30u);
}

TEST(ScreenModel, ClearEmptiesTheConsole) {
  ScreenModel model;
  model.write_text("x");
  model.line_break();
  model.clear();
  EXPECT_EQ(model.lines(), std::vector<std::string>{""});
  model.write_text("first");
  const View view = model.layout(20, 3);
  EXPECT_EQ(view.rows[0], "first");
  EXPECT_EQ(view.rows[1], "");
  EXPECT_EQ(view.cursor_row, 0u);
}

TEST(ScreenModel, DegenerateSizesStillGiveOneCell) {
  ScreenModel model;
  model.write_text("abc");
  const View view = model.layout(0, 0);
  ASSERT_EQ(view.rows.size(), 1u);
  EXPECT_EQ(view.cursor_row, 0u);
  EXPECT_EQ(view.cursor_column, 0u);
}

}  // namespace
}  // namespace quiquadrado::console
