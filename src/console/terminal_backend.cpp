#include "console/terminal_backend.hpp"

#include <unistd.h>

#include <utility>

#include "console/terminal_console.hpp"
#include "console/terminal_facts.hpp"
#include "console/terminal_posix.hpp"

namespace quiquadrado::console {

std::unique_ptr<Backend> open_terminal_backend(Codeset codeset) {
  if (::isatty(STDIN_FILENO) == 0 || ::isatty(STDOUT_FILENO) == 0) return nullptr;
  const TerminalFacts facts = terminal_facts_from_environment();
  if (!usable_terminal(facts)) return nullptr;
  std::unique_ptr<TerminalDevice> device = open_posix_terminal();
  if (!device) return nullptr;
  return std::make_unique<TerminalConsole>(std::move(device), codeset, facts);
}

}  // namespace quiquadrado::console
