// The platform-free pieces of the terminal console: keys, line editing, the screen model, the
// colour choice and the message-box layout.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "console/colour.hpp"
#include "console/keys.hpp"
#include "console/line_editor.hpp"
#include "console/message_box.hpp"
#include "console/screen_model.hpp"

namespace quiquadrado::console {
namespace {

// Types bytes into a fresh editor, as a terminal would deliver them.
struct Typing {
  std::string line;
  std::vector<EditResult> results;
};

Typing type(std::string_view bytes, Codeset codeset = Codeset::utf8) {
  KeyDecoder keys(codeset);
  LineEditor editor;
  Typing typing;
  const auto apply = [&](const Key& key) { typing.results.push_back(editor.apply(key)); };
  for (char c : bytes) {
    if (std::optional<Key> key = keys.feed(static_cast<unsigned char>(c))) apply(*key);
    while (std::optional<Key> key = keys.pending()) apply(*key);
  }
  typing.line = editor.line();
  return typing;
}

int count(const std::vector<EditResult>& results, EditResult wanted) {
  int n = 0;
  for (EditResult r : results) n += r == wanted ? 1 : 0;
  return n;
}

TEST(LineEditor, EditsAsTheConsoleDoes) {
  struct Case {
    std::string_view typed;
    std::string_view line;
  };
  const Case cases[] = {
      {"0.05", "0.05"},
      {"0.055\x7f", "0.05"},                        // DEL removes the last character
      {"10\x08\x08\x08" "7", "7"},                  // BS too, and never past the start
      {"1\t2", "1        2"},                       // Tab inserts eight blanks
      {"1\x1b[D\x1b[C\x1bOA\x1b[15~\x1b[200~2\x1b[201~", "12"},  // sequences read whole, ignored
      {"\xc3\xa7" "a", "\xe7" "a"},                 // UTF-8 stored as Windows-1252
      {"\xe2\x82\xac", "\x80"},                      // the euro sign too
      {"5\x1a", "5\x1a"},                           // Ctrl-Z is kept as a character
      {"\x01\x02" "3", "3"},                        // other control characters are not
  };
  for (const Case& c : cases) EXPECT_EQ(type(c.typed).line, c.line) << c.typed;
}

TEST(LineEditor, HoldsAtMost128CharactersAndRingsTheBell) {
  const Typing full = type(std::string(130, '7'));
  EXPECT_EQ(full.line, std::string(128, '7'));
  EXPECT_EQ(count(full.results, EditResult::bell), 2);

  // Characters, not bytes: 128 two-byte letters fit.
  std::string accents;
  for (int i = 0; i < 129; ++i) accents += "\xc3\xa9";
  const Typing letters = type(accents);
  EXPECT_EQ(letters.line, std::string(128, '\xe9'));
  EXPECT_EQ(count(letters.results, EditResult::bell), 1);

  // A Tab that would pass the limit is refused whole.
  const Typing tab = type(std::string(125, '1') + "\t");
  EXPECT_EQ(tab.line.size(), 125u);
  EXPECT_EQ(tab.results.back(), EditResult::bell);
}

TEST(LineEditor, EnterCtrlDAndCtrlC) {
  EXPECT_EQ(type("10\r").results.back(), EditResult::done);
  EXPECT_EQ(type("10\n").results.back(), EditResult::done);
  EXPECT_EQ(type("\x04").results.back(), EditResult::no_line);  // Ctrl-D on an empty line
  EXPECT_EQ(type("1\x04").results.back(), EditResult::bell);    // elsewhere it is refused
  EXPECT_EQ(type("1\x03").results.back(), EditResult::interrupt);
}

TEST(KeyDecoder, LoneEscapeEndsByTimeout) {
  KeyDecoder keys(Codeset::utf8);
  EXPECT_FALSE(keys.feed(0x1b));
  EXPECT_TRUE(keys.in_escape());
  keys.escape_timeout();
  const std::optional<Key> key = keys.feed('5');
  ASSERT_TRUE(key);
  EXPECT_EQ(key->kind, KeyKind::character);
  EXPECT_EQ(key->character, '5');
}

TEST(ScreenModel, WrapsLongLinesAndKeepsTheCursorVisible) {
  ScreenModel model;
  model.write_text(std::string(25, 'a'));
  model.line_break();
  model.write_text("bb");
  View view = model.layout(10, 5);
  ASSERT_EQ(view.rows.size(), 5u);
  EXPECT_EQ(view.rows[0].text, std::string(10, 'a'));
  EXPECT_EQ(view.rows[2].text, std::string(5, 'a'));
  EXPECT_EQ(view.rows[3].text, "bb");
  EXPECT_EQ(view.cursor_row, 3u);
  EXPECT_EQ(view.cursor_column, 2u);

  // Taller than the terminal: the view scrolls so that the cursor's row is the last one.
  for (int i = 0; i < 10; ++i) {
    model.line_break();
    model.write_text("row" + std::to_string(i));
  }
  view = model.layout(10, 5, "12");
  EXPECT_EQ(view.cursor_row, 4u);
  EXPECT_EQ(view.rows[4].text, "row912");
  EXPECT_EQ(view.rows[0].text, "row5");

  // A resize lays the same lines out again: nothing is lost.
  view = model.layout(80, 24);
  EXPECT_EQ(view.rows[0].text, std::string(25, 'a'));
  EXPECT_EQ(view.rows[11].text, "row9");
}

TEST(ScreenModel, ClearEmptiesTheConsole) {
  ScreenModel model;
  model.write_text("x");
  model.line_break();
  model.clear();
  model.write_text("first");
  const View view = model.layout(20, 3);
  EXPECT_EQ(view.rows[0].text, "first");
  EXPECT_EQ(view.rows[1].text, "");
}

TEST(Colour, DepthFromTheTerminalsDescription) {
  struct Case {
    TerminalFacts facts;
    ColourDepth depth;
  };
  const Case cases[] = {
      {{"truecolor", "xterm-256color", false}, ColourDepth::direct},
      {{"24bit", "xterm", false}, ColourDepth::direct},
      {{"truecolor", "screen", true}, ColourDepth::indexed_256},  // never 24-bit inside screen
      {{"", "xterm-256color", false}, ColourDepth::indexed_256},
      {{"", "screen-256color", true}, ColourDepth::indexed_256},
      {{"", "xterm", false}, ColourDepth::basic_16},
      {{"", "linux", false}, ColourDepth::basic_16},
  };
  for (const Case& c : cases) EXPECT_EQ(choose_colour_depth(c.facts), c.depth) << c.facts.colorterm << " " << c.facts.term;

  const Rgb blue_grey{84, 118, 153};
  EXPECT_EQ(nearest_256_colour(blue_grey), 66);
  EXPECT_EQ(nearest_256_colour({0, 0, 0}), 16);
  EXPECT_EQ(nearest_256_colour({255, 255, 255}), 231);
  EXPECT_EQ(nearest_256_colour({128, 128, 128}), 244);
  EXPECT_EQ(colour_sequence(blue_grey, ColourDepth::direct), "\x1b[0;38;2;255;255;255;48;2;84;118;153m");
  EXPECT_EQ(colour_sequence(blue_grey, ColourDepth::indexed_256), "\x1b[0;38;5;231;48;5;66m");
  EXPECT_EQ(colour_sequence(blue_grey, ColourDepth::basic_16), "\x1b[0;97;44m");
}

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
