// The terminal device on POSIX: raw mode, the alternate screen, resize and stop signals, and
// the one restore that every way out of the process goes through.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <cstddef>
#include <memory>
#include <string_view>

#include "console/terminal_device.hpp"

namespace quiquadrado::console {

// Takes the terminal on standard input and output: saves its settings, installs the signal
// handlers, enters raw mode and the alternate screen. Nothing (and the terminal untouched) when
// any step fails, or when a device is open already.
std::unique_ptr<TerminalDevice> open_posix_terminal();

// The saved settings with what the console needs: bytes as they are typed, one at a time, no
// echo, no signals from keys, no flow control; output processing (OPOST) left as it was.
termios raw_settings(const termios& saved);

// The write loop: all of bytes to fd, on after partial writes, again after EINTR, waiting a
// bounded time while a non-blocking descriptor is full; throws OutputError on any other
// failure. The system call is a parameter so that tests can make it fail.
using WriteCall = ssize_t (*)(int fd, const void* data, std::size_t size);
void write_fully(int fd, std::string_view bytes, WriteCall call);

}  // namespace quiquadrado::console
