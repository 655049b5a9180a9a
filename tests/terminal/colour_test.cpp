// The colour choice and what else is decided from the environment: pure functions as tables.
#include <gtest/gtest.h>

#include <string>

#include "console/colour.hpp"
#include "console/terminal_facts.hpp"

namespace quiquadrado::console {
namespace {

std::string describe(const TerminalFacts& facts) {
  return "TERM=" + facts.term + " COLORTERM=" + facts.colorterm + (facts.gnu_screen_session ? " STY" : "") +
         (facts.tmux_session ? " TMUX" : "");
}

TEST(Colour, DepthFromTheTerminalsDescription) {
  struct Case {
    TerminalFacts facts;
    ColourDepth depth;
  };
  const Case cases[] = {
      {{"xterm-256color", "truecolor", false, false}, ColourDepth::direct},
      {{"xterm", "24bit", false, false}, ColourDepth::direct},
      {{"xterm-direct", "", false, false}, ColourDepth::direct},
      {{"tmux-256color", "truecolor", false, true}, ColourDepth::direct},
      {{"screen-256color", "truecolor", false, true}, ColourDepth::direct},  // tmux calling itself screen
      {{"screen-256color", "truecolor", true, false}, ColourDepth::indexed_256},  // never 24-bit in GNU screen
      {{"screen", "truecolor", false, false}, ColourDepth::indexed_256},  // TERM says GNU screen
      {{"xterm-256color", "truecolor", true, false}, ColourDepth::indexed_256},  // STY says so
      {{"xterm-256color", "", false, false}, ColourDepth::indexed_256},
      {{"screen-256color", "", true, false}, ColourDepth::indexed_256},
      {{"xterm-256color", "yes", false, false}, ColourDepth::indexed_256},  // not a depth it names
      {{"xterm", "", false, false}, ColourDepth::basic_16},
      {{"screen", "", true, false}, ColourDepth::basic_16},
      {{"linux", "", false, false}, ColourDepth::basic_16},
      {{"vt100", "", false, false}, ColourDepth::basic_16},
  };
  for (const Case& c : cases) EXPECT_EQ(choose_colour_depth(c.facts), c.depth) << describe(c.facts);
}

TEST(Colour, NearestOfThe256Colours) {
  struct Case {
    Rgb colour;
    int index;
  };
  const Case cases[] = {
      {{84, 118, 153}, 66},    // the console's blue-grey: cube levels 95, 135, 135
      {{0, 0, 0}, 16},         // black of the cube (the grey ramp starts at 8)
      {{255, 255, 255}, 231},  // white of the cube
      {{128, 128, 128}, 244},  // grey 128 of the ramp, nearer than cube level 135
      {{8, 8, 8}, 232},        // the ramp's first grey
      {{95, 135, 175}, 67},    // exactly on the cube
      {{255, 0, 0}, 196},
      {{0, 0, 255}, 21},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(nearest_256_colour(c.colour), c.index)
        << int{c.colour.red} << "," << int{c.colour.green} << "," << int{c.colour.blue};
  }
}

TEST(Colour, SequencesSetWhiteTextOnTheBackground) {
  const Rgb blue_grey{84, 118, 153};
  EXPECT_EQ(colour_sequence(blue_grey, ColourDepth::direct), "\x1b[0;38;2;255;255;255;48;2;84;118;153m");
  EXPECT_EQ(colour_sequence(blue_grey, ColourDepth::indexed_256), "\x1b[0;38;5;231;48;5;66m");
  EXPECT_EQ(colour_sequence(blue_grey, ColourDepth::basic_16), "\x1b[0;37;97;44m");
  EXPECT_EQ(colour_sequence({1, 2, 3}, ColourDepth::direct), "\x1b[0;38;2;255;255;255;48;2;1;2;3m");
}

TEST(TerminalFacts, MultiplexersOwnTheirWindows) {
  struct Case {
    TerminalFacts facts;
    bool multiplexer;
    bool gnu_screen;
  };
  const Case cases[] = {
      {{"xterm-256color", "", false, false}, false, false},
      {{"xterm-256color", "", false, true}, true, false},  // TMUX set
      {{"tmux-256color", "", false, false}, true, false},
      {{"screen-256color", "", false, true}, true, false},  // tmux's default TERM
      {{"screen", "", false, false}, true, true},
      {{"xterm", "", true, false}, true, true},  // STY set
      {{"linux", "", false, false}, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(in_multiplexer(c.facts), c.multiplexer) << describe(c.facts);
    EXPECT_EQ(in_gnu_screen(c.facts), c.gnu_screen) << describe(c.facts);
  }
}

TEST(TerminalFacts, UsableTerminals) {
  EXPECT_TRUE(usable_terminal({"xterm", "", false, false}));
  EXPECT_TRUE(usable_terminal({"linux", "", false, false}));
  EXPECT_FALSE(usable_terminal({"dumb", "", false, false}));
  EXPECT_FALSE(usable_terminal({"", "", false, false}));
}

TEST(TerminalFacts, SizeFromTheTerminalElseTheEnvironment) {
  struct Case {
    std::size_t columns;
    std::size_t rows;
    const char* columns_text;
    const char* lines_text;
    TerminalSize size;
  };
  const Case cases[] = {
      {100, 40, "", "", {100, 40}},
      {100, 40, "132", "50", {100, 40}},  // the terminal's own answer first
      {0, 0, "132", "50", {132, 50}},
      {0, 0, "", "", {80, 24}},
      {0, 0, "12x", "-5", {80, 24}},     // malformed: the defaults
      {0, 0, "0", "", {80, 24}},
      {0, 30, "90", "", {90, 30}},
      {5000, 3000, "", "", {largest_dimension, largest_dimension}},
      {0, 0, "99999999999999999999999", "", {largest_dimension, 24}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(usable_size(c.columns, c.rows, c.columns_text, c.lines_text), c.size)
        << c.columns << "x" << c.rows << " COLUMNS=" << c.columns_text << " LINES=" << c.lines_text;
  }
}

}  // namespace
}  // namespace quiquadrado::console
