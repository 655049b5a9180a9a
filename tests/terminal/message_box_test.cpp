// Message boxes: size and placement beside the results.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/message_box.hpp"

namespace quiquadrado::console {
namespace {

TEST(MessageBoxLayout, BelowTheResultsWhenThereIsRoom) {
  const MessageBox box{"quiquadrado", "/!\\", {"Program Terminated with exit code 0", "Exit Window?"}, {"Yes", "No"}, 1};
  EXPECT_EQ(box_height(box), 8u);

  // 40 rows, text down to row 28 (index 27): the box starts two rows below it.
  BoxPlacement place = place_box(box, 100, 40, 27);
  EXPECT_EQ(place.top, 29u);
  EXPECT_EQ(place.height, 8u);
  EXPECT_EQ(place.left, (100 - place.width) / 2);

  // 24 rows: no room below, so it sits as low as it can.
  place = place_box(box, 80, 24, 23);
  EXPECT_EQ(place.top, 16u);

  // A terminal narrower and lower than the box gets a box of its size.
  place = place_box(box, 20, 5, 4);
  EXPECT_EQ(place.width, 20u);
  EXPECT_EQ(place.height, 5u);
  EXPECT_EQ(place.top, 0u);

  std::vector<std::size_t> starts;
  const std::string row = button_row(box, 30, starts);
  EXPECT_EQ(row.size(), 30u);
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(row.substr(starts[0], 7), "[ Yes ]");
  EXPECT_EQ(row.substr(starts[1], 6), "[ No ]");
}

}  // namespace
}  // namespace quiquadrado::console
