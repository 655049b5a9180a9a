// What the environment says about the terminal, gathered once at start-up so that every
// decision made from it (colours, window operations) is a pure function that tests can drive
// with a table.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quiquadrado::console {

struct TerminalSize {
  std::size_t columns = 80;  // cells across
  std::size_t rows = 24;     // cells down
  friend bool operator==(const TerminalSize&, const TerminalSize&) = default;
};

// Larger dimensions are taken as this many cells, so that a bogus size cannot make the console
// allocate without bound.
inline constexpr std::size_t largest_dimension = 1000;

struct TerminalFacts {
  std::string term;                 // $TERM
  std::string colorterm;            // $COLORTERM, empty when unset
  bool gnu_screen_session = false;  // $STY is set (not empty): we run inside GNU screen
  bool tmux_session = false;        // $TMUX is set (not empty): we run inside tmux
};

// The size to work with: each dimension as the terminal reports it (0: it did not), else from
// $COLUMNS or $LINES (given as text; decimal digits only), else 80 columns and 24 rows; never
// more than largest_dimension.
TerminalSize usable_size(std::size_t columns, std::size_t rows, std::string_view columns_text,
                         std::string_view lines_text);

// The facts of this process's environment.
TerminalFacts terminal_facts_from_environment();

// Whether a terminal described by these facts is worth drawing on: TERM is set and not "dumb".
bool usable_terminal(const TerminalFacts& facts);

// Inside GNU screen: STY is set, or TERM names screen outside tmux (tmux may call itself screen).
bool in_gnu_screen(const TerminalFacts& facts);

// Inside a terminal multiplexer (tmux or GNU screen), whose window belongs to no single program:
// window operations are not sent there.
bool in_multiplexer(const TerminalFacts& facts);

}  // namespace quiquadrado::console
