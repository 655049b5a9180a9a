// The terminal back end: raw-mode line editing, colours and message boxes on a POSIX terminal.
#pragma once

#include <memory>

#include "console/backend.hpp"
#include "console/encoding.hpp"

namespace quiquadrado::console {

// A terminal back end when standard input and output are both terminals and TERM names a
// usable terminal, and the terminal could be set up; nothing otherwise (and the terminal as it
// was).
std::unique_ptr<Backend> open_terminal_backend(Codeset codeset);

}  // namespace quiquadrado::console
