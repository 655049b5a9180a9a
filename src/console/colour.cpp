#include "console/colour.hpp"

#include <array>

namespace quiquadrado::console {

ColourDepth choose_colour_depth(const TerminalFacts& facts) {
  const bool direct = facts.colorterm == "truecolor" || facts.colorterm == "24bit";
  if (direct && !facts.in_gnu_screen) return ColourDepth::direct;
  if (facts.term.find("256color") != std::string_view::npos || direct) return ColourDepth::indexed_256;
  return ColourDepth::basic_16;
}

namespace {

// Levels of the 6x6x6 cube (indices 16-231) and of the grey ramp (232-255: 8, 18, ... 238).
constexpr std::array<int, 6> cube_levels{0, 95, 135, 175, 215, 255};

int distance(Rgb colour, int red, int green, int blue) {
  const int dr = colour.red - red;
  const int dg = colour.green - green;
  const int db = colour.blue - blue;
  return dr * dr + dg * dg + db * db;
}

}  // namespace

int nearest_256_colour(Rgb colour) {
  int best = 16;
  int best_distance = distance(colour, 0, 0, 0);
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 6; ++g) {
      for (int b = 0; b < 6; ++b) {
        const int d = distance(colour, cube_levels[static_cast<std::size_t>(r)],
                               cube_levels[static_cast<std::size_t>(g)], cube_levels[static_cast<std::size_t>(b)]);
        if (d < best_distance) {
          best_distance = d;
          best = 16 + 36 * r + 6 * g + b;
        }
      }
    }
  }
  for (int i = 0; i < 24; ++i) {
    const int level = 8 + 10 * i;
    const int d = distance(colour, level, level, level);
    if (d < best_distance) {
      best_distance = d;
      best = 232 + i;
    }
  }
  return best;
}

std::string colour_sequence(Rgb background, ColourDepth depth) {
  switch (depth) {
    case ColourDepth::direct:
      return "\x1b[0;38;2;255;255;255;48;2;" + std::to_string(background.red) + ';' +
             std::to_string(background.green) + ';' + std::to_string(background.blue) + 'm';
    case ColourDepth::indexed_256:
      return "\x1b[0;38;5;231;48;5;" + std::to_string(nearest_256_colour(background)) + 'm';
    case ColourDepth::basic_16:
      break;
  }
  return "\x1b[0;97;44m";  // bright white on blue
}

}  // namespace quiquadrado::console
