// The console's colours on a terminal: the background as 24-bit colour where the terminal takes
// it, else the nearest of the 256 xterm colours, else blue of the 16-colour palette; the text is
// always white, set together with the background so that light themes read too.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "console/backend.hpp"

namespace quiquadrado::console {

enum class ColourDepth : std::uint8_t { direct, indexed_256, basic_16 };

struct TerminalFacts {
  std::string_view colorterm;  // $COLORTERM, empty when unset
  std::string_view term;       // $TERM
  bool in_gnu_screen = false;  // $STY is set, or TERM names screen
};

ColourDepth choose_colour_depth(const TerminalFacts& facts);

// Index of the xterm 256-colour palette (its 6x6x6 cube and grey ramp) nearest to colour.
int nearest_256_colour(Rgb colour);

// SGR sequence that sets white text on the background colour at the given depth.
std::string colour_sequence(Rgb background, ColourDepth depth);

}  // namespace quiquadrado::console
