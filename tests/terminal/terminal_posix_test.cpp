// The POSIX terminal's raw settings.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "console/plain_backend.hpp"
#include "console/terminal_posix.hpp"

namespace quiquadrado::console {
namespace {

// A terminal as a shell leaves it: canonical, echoing, with signals, flow control, CR to LF and
// output processing.
termios cooked() {
  termios settings{};
  settings.c_iflag = BRKINT | ICRNL | IXON | INPCK | ISTRIP | IUTF8 | IMAXBEL;
  settings.c_oflag = OPOST | ONLCR;
  settings.c_cflag = CS8 | CREAD;
  settings.c_lflag = ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN | ECHOCTL;
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 5;
  settings.c_cc[VINTR] = 3;
  settings.c_cc[VSUSP] = 26;
  return settings;
}

TEST(RawSettings, KeysComeAsBytesAndOutputIsProcessedAsBefore) {
  const termios saved = cooked();
  const termios raw = raw_settings(saved);
  struct Flag {
    const char* name;
    tcflag_t termios::*field;
    tcflag_t bit;
    bool set;  // in the raw settings
  };
  const Flag flags[] = {
      {"ICANON", &termios::c_lflag, ICANON, false},  // bytes at once
      {"ECHO", &termios::c_lflag, ECHO, false},      // the console echoes
      {"ECHONL", &termios::c_lflag, ECHONL, false},
      {"ISIG", &termios::c_lflag, ISIG, false},      // Ctrl-C and Ctrl-Z reach the console as bytes
      {"IEXTEN", &termios::c_lflag, IEXTEN, false},
      {"ICRNL", &termios::c_iflag, ICRNL, false},    // Enter stays CR
      {"IXON", &termios::c_iflag, IXON, false},      // Ctrl-S never stops the output
      {"ISTRIP", &termios::c_iflag, ISTRIP, false},  // all eight bits
      {"BRKINT", &termios::c_iflag, BRKINT, false},
      {"INPCK", &termios::c_iflag, INPCK, false},
      {"IUTF8", &termios::c_iflag, IUTF8, true},     // left as it was
      {"OPOST", &termios::c_oflag, OPOST, true},     // output processing stays on
      {"ONLCR", &termios::c_oflag, ONLCR, true},
      {"CREAD", &termios::c_cflag, CREAD, true},
  };
  for (const Flag& flag : flags) EXPECT_EQ((raw.*flag.field & flag.bit) != 0, flag.set) << flag.name;
  EXPECT_EQ(raw.c_cc[VMIN], 1);  // a read returns with the first byte
  EXPECT_EQ(raw.c_cc[VTIME], 0);
  EXPECT_EQ(raw.c_cc[VINTR], saved.c_cc[VINTR]);  // the characters stay for the restore
}

}  // namespace
}  // namespace quiquadrado::console
