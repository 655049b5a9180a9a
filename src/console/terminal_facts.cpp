#include "console/terminal_facts.hpp"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace quiquadrado::console {

namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

bool is_set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// A positive decimal number, or 0 when the text is empty, malformed or zero.
std::size_t dimension(std::string_view text) {
  if (text.empty()) return 0;
  std::size_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    value = std::min(value * 10 + static_cast<std::size_t>(c - '0'), largest_dimension + 1);
  }
  return value;
}

}  // namespace

TerminalSize usable_size(std::size_t columns, std::size_t rows, std::string_view columns_text,
                         std::string_view lines_text) {
  TerminalSize size;
  if (columns == 0) columns = dimension(columns_text);
  if (rows == 0) rows = dimension(lines_text);
  if (columns > 0) size.columns = std::min(columns, largest_dimension);
  if (rows > 0) size.rows = std::min(rows, largest_dimension);
  return size;
}

TerminalFacts terminal_facts_from_environment() {
  return TerminalFacts{environment("TERM"), environment("COLORTERM"), is_set("STY"), is_set("TMUX")};
}

bool usable_terminal(const TerminalFacts& facts) { return !facts.term.empty() && facts.term != "dumb"; }

bool in_gnu_screen(const TerminalFacts& facts) {
  return facts.gnu_screen_session || (std::string_view(facts.term).starts_with("screen") && !facts.tmux_session);
}

bool in_multiplexer(const TerminalFacts& facts) {
  const std::string_view term = facts.term;
  return facts.tmux_session || facts.gnu_screen_session || term.starts_with("tmux") || term.starts_with("screen");
}

}  // namespace quiquadrado::console
