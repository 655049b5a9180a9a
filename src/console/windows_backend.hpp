// The console back end on Windows: the Win32 console, its keyboard records and real message
// boxes.
#pragma once

#include <memory>

#include "console/backend.hpp"

namespace quiquadrado::console {

// A console back end when standard input and output are both attached to a console; nothing
// otherwise (and the console as it was).
std::unique_ptr<Backend> open_windows_backend();

// For the plain back end: standard input, output and error in binary mode, so that "\n" stays
// one byte on the way out, as on every other system (a CR typed before LF is dropped by the
// reader itself).
void use_binary_standard_streams();

}  // namespace quiquadrado::console
