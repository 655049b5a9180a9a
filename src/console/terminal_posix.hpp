// The terminal device on POSIX: raw mode, the alternate screen, resize and stop signals, and
// the one restore that every way out of the process goes through.
#pragma once

#include <termios.h>

#include <memory>

#include "console/terminal_device.hpp"

namespace quiquadrado::console {

// Takes the terminal on standard input and output: saves its settings, installs the signal
// handlers, enters raw mode and the alternate screen. Nothing (and the terminal untouched) when
// any step fails, or when a device is open already.
std::unique_ptr<TerminalDevice> open_posix_terminal();

// The saved settings with what the console needs: bytes as they are typed, one at a time, no
// echo, no signals from keys, no flow control; output processing (OPOST) left as it was.
termios raw_settings(const termios& saved);

}  // namespace quiquadrado::console
