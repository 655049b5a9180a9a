// The console's colours on a terminal: the background as 24-bit colour where the terminal takes
// it, else the nearest of the 256 xterm colours, else blue of the 16-colour palette. The text is
// always white, and always set together with the background, so that the console reads the same
// on a dark or a light terminal theme.
#pragma once

#include <cstdint>
#include <string>

#include "console/backend.hpp"
#include "console/terminal_facts.hpp"

namespace quiquadrado::console {

enum class ColourDepth : std::uint8_t {
  direct,       // 24-bit colour: SGR 48;2;r;g;b
  indexed_256,  // the xterm 256-colour palette: SGR 48;5;n
  basic_16,     // the 16 ANSI colours
};

// 24-bit colour where COLORTERM says "truecolor" or "24bit" or TERM names a "-direct" terminal,
// never inside GNU screen (which passes on only palette colours); 256 colours where TERM says
// "256color" or the terminal behind GNU screen takes 24-bit; else 16 colours.
ColourDepth choose_colour_depth(const TerminalFacts& facts);

// Index of the xterm 256-colour palette (its 6x6x6 cube, 16-231, and grey ramp, 232-255)
// nearest to colour by squared distance in RGB; the cube wins a tie.
int nearest_256_colour(Rgb colour);

// SGR sequence that resets the attributes and sets white text on the background.
std::string colour_sequence(Rgb background, ColourDepth depth);

}  // namespace quiquadrado::console
