#include "console/colour.hpp"

#include <array>
#include <cstddef>
#include <string_view>

namespace quiquadrado::console {

ColourDepth choose_colour_depth(const TerminalFacts& facts) {
  const std::string_view term = facts.term;
  const bool direct = facts.colorterm == "truecolor" || facts.colorterm == "24bit" || term.ends_with("-direct");
  if (direct && !in_gnu_screen(facts)) return ColourDepth::direct;
  if (direct || term.find("256color") != std::string_view::npos) return ColourDepth::indexed_256;
  return ColourDepth::basic_16;
}

namespace {

// Channel levels of the 6x6x6 cube; the grey ramp runs 8, 18, ..., 238.
constexpr std::array<int, 6> cube_levels{0, 95, 135, 175, 215, 255};
constexpr int cube_start = 16;
constexpr int grey_start = 232;
constexpr int grey_count = 24;

int squared_distance(Rgb colour, int red, int green, int blue) {
  const int dr = colour.red - red;
  const int dg = colour.green - green;
  const int db = colour.blue - blue;
  return dr * dr + dg * dg + db * db;
}

}  // namespace

int nearest_256_colour(Rgb colour) {
  int best = cube_start;
  int best_distance = squared_distance(colour, 0, 0, 0);
  for (std::size_t r = 0; r < cube_levels.size(); ++r) {
    for (std::size_t g = 0; g < cube_levels.size(); ++g) {
      for (std::size_t b = 0; b < cube_levels.size(); ++b) {
        const int d = squared_distance(colour, cube_levels[r], cube_levels[g], cube_levels[b]);
        if (d < best_distance) {
          best_distance = d;
          best = cube_start + static_cast<int>(36 * r + 6 * g + b);
        }
      }
    }
  }
  for (int i = 0; i < grey_count; ++i) {
    const int level = 8 + 10 * i;
    const int d = squared_distance(colour, level, level, level);
    if (d < best_distance) {
      best_distance = d;
      best = grey_start + i;
    }
  }
  return best;
}

std::string colour_sequence(Rgb background, ColourDepth depth) {
  std::string sgr = "\x1b[0;";
  switch (depth) {
    case ColourDepth::direct:
      sgr += "38;2;255;255;255;48;2;";
      sgr += std::to_string(background.red);
      sgr += ';';
      sgr += std::to_string(background.green);
      sgr += ';';
      sgr += std::to_string(background.blue);
      break;
    case ColourDepth::indexed_256:
      sgr += "38;5;231;48;5;";  // 231: white of the cube, whatever the theme's palette
      sgr += std::to_string(nearest_256_colour(background));
      break;
    case ColourDepth::basic_16:
      // White, then bright white where the terminal knows it (one that does not ignores 97),
      // on blue.
      sgr += "37;97;44";
      break;
  }
  sgr += 'm';
  return sgr;
}

}  // namespace quiquadrado::console
