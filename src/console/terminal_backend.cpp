#include "console/terminal_backend.hpp"

namespace quiquadrado::console {

std::unique_ptr<Backend> open_terminal_backend(Codeset) { return nullptr; }

}  // namespace quiquadrado::console
