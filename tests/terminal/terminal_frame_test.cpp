// Frames to bytes: the first frame draws every cell, later ones only the cells that changed,
// and whatever the order of frames the terminal ends up showing the last one.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "console/terminal_frame.hpp"
#include "test_terminal.hpp"

namespace quiquadrado::console {
namespace {

using testing::TestTerminal;

constexpr std::string_view console_sgr = "\x1b[0;38;2;255;255;255;48;2;84;118;153m";

Frame frame_with(std::size_t width, std::size_t height, std::size_t row, std::string_view text) {
  Frame frame(width, height);
  frame.put_text(row, 0, text, Style::console);
  frame.cursor_row = row;
  frame.cursor_column = text.size();
  return frame;
}

TEST(FrameRenderer, FirstFrameDrawsEveryCellInTheConsoleColours) {
  FrameRenderer renderer(Codeset::utf8);
  renderer.set_console_colours(std::string(console_sgr));
  TestTerminal terminal(12, 3);
  const Frame frame = frame_with(12, 3, 1, "abc");
  terminal.receive(renderer.update(frame));
  EXPECT_TRUE(terminal.shows(frame, renderer, console_sgr));
  EXPECT_EQ(terminal.cell(2, 11).sgr, console_sgr);  // blanks carry the background too
  EXPECT_EQ(terminal.cursor_row(), 1u);
  EXPECT_EQ(terminal.cursor_column(), 3u);
}

TEST(FrameRenderer, LaterFramesSendOnlyWhatChanged) {
  FrameRenderer renderer(Codeset::utf8);
  renderer.set_console_colours(std::string(console_sgr));
  Frame frame = frame_with(12, 3, 1, "abc");
  static_cast<void>(renderer.update(frame));

  // Nothing changed: nothing sent.
  EXPECT_EQ(renderer.update(frame), "");
  // One character typed at the cursor: the cursor hidden, the character, the cursor shown; the
  // terminal's cursor already stands where the next one goes.
  frame = frame_with(12, 3, 1, "abcd");
  EXPECT_EQ(renderer.update(frame), "\x1b[?25l" "d" "\x1b[?25h");
  // A change elsewhere: moved there and back.
  frame.put_text(0, 5, "xy", Style::console);
  EXPECT_EQ(renderer.update(frame), "\x1b[?25l\x1b[1;6Hxy\x1b[2;5H\x1b[?25h");
  // Another style: its colours, then back to the console's only where needed.
  frame.put_text(2, 0, "!", Style::status);
  EXPECT_EQ(renderer.update(frame), "\x1b[?25l\x1b[3;1H\x1b[0;30;47m!\x1b[2;5H\x1b[?25h");
  // The cursor hidden, nothing else changed.
  frame.cursor_visible = false;
  EXPECT_EQ(renderer.update(frame), "\x1b[?25l");
  // New console colours repaint everything.
  renderer.set_console_colours("\x1b[0;38;5;231;48;5;66m");
  EXPECT_GT(renderer.update(frame).size(), 36u);
}

TEST(FrameRenderer, GlyphsAndCharactersInTheTerminalsCodeset) {
  struct Case {
    Codeset codeset;
    Cell cell;
    std::string_view bytes;
  };
  const Case cases[] = {
      {Codeset::utf8, {' ', Glyph::top_left, Style::box}, "\xe2\x94\x8c"},
      {Codeset::utf8, {' ', Glyph::horizontal, Style::box}, "\xe2\x94\x80"},
      {Codeset::utf8, {' ', Glyph::vertical, Style::box}, "\xe2\x94\x82"},
      {Codeset::utf8, {' ', Glyph::right_tee, Style::box}, "\xe2\x94\xa4"},
      {Codeset::latin1, {' ', Glyph::top_left, Style::box}, "+"},
      {Codeset::latin1, {' ', Glyph::horizontal, Style::box}, "-"},
      {Codeset::latin1, {' ', Glyph::vertical, Style::box}, "|"},
      {Codeset::utf8, {'\xe7', Glyph::text, Style::console}, "\xc3\xa7"},  // ç
      {Codeset::latin1, {'\xe7', Glyph::text, Style::console}, "\xe7"},
      {Codeset::utf8, {'\x80', Glyph::text, Style::console}, "\xe2\x82\xac"},  // the euro sign
      {Codeset::utf8, {'\x1a', Glyph::text, Style::console}, "\xe2\x90\x9a"},  // Ctrl-Z as its symbol
      {Codeset::utf8, {'\x7f', Glyph::text, Style::console}, "\xe2\x90\xa1"},
      {Codeset::latin1, {'\x1a', Glyph::text, Style::console}, "?"},
  };
  for (const Case& c : cases) {
    const FrameRenderer renderer(c.codeset);
    EXPECT_EQ(renderer.cell_bytes(c.cell), c.bytes) << static_cast<int>(c.cell.glyph) << " " << int{c.cell.character};
  }
  const FrameRenderer utf8(Codeset::utf8);
  EXPECT_EQ(utf8.shown_text("a\xe9\x1a"), "a\xc3\xa9\xe2\x90\x9a");
}

// Random frames one after another, and random resizes: after every update the terminal shows
// exactly the frame, whatever it showed before.
TEST(FrameRenderer, TheTerminalAlwaysEndsUpShowingTheFrame) {
  for (const Codeset codeset : {Codeset::utf8, Codeset::latin1}) {
    std::mt19937 random(20080723);
    FrameRenderer renderer(codeset);
    renderer.set_console_colours(std::string(console_sgr));
    std::size_t width = 9;
    std::size_t height = 4;
    TestTerminal terminal(width, height);
    if (codeset != Codeset::utf8) terminal.use_one_byte_characters();
    Frame frame(width, height);
    for (int step = 0; step < 400; ++step) {
      if (step % 50 == 49) {  // a resize: the terminal keeps what fits, the renderer starts over
        width = 3 + random() % 10;
        height = 1 + random() % 6;
        terminal.resize(width, height);
        renderer.invalidate();
        frame = Frame(width, height);
      }
      const std::size_t changes = random() % 6;
      for (std::size_t i = 0; i < changes; ++i) {
        Cell cell;
        cell.character = "ab \xe7\x1a-"[random() % 6];
        cell.glyph = random() % 4 == 0 ? static_cast<Glyph>(1 + random() % 8) : Glyph::text;
        cell.style = static_cast<Style>(random() % style_count);
        frame.at(random() % height, random() % width) = cell;
      }
      frame.cursor_row = random() % height;
      frame.cursor_column = random() % width;
      frame.cursor_visible = random() % 3 != 0;
      terminal.receive(renderer.update(frame));
      ASSERT_TRUE(terminal.shows(frame, renderer, console_sgr)) << "step " << step;
    }
  }
}

}  // namespace
}  // namespace quiquadrado::console
