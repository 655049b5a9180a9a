// The POSIX terminal's raw settings, and its write loop with the system call made to fail as
// terminals do.
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

// A scripted write(2): each call takes the next answer; a positive answer takes that many bytes
// (at most what was offered), a negative one fails with that errno.
struct ScriptedWrites {
  std::vector<int> answers;
  std::size_t next = 0;
  std::string received;
};
ScriptedWrites* script = nullptr;

ssize_t scripted_write(int, const void* data, std::size_t size) {
  if (script->next >= script->answers.size()) {
    errno = EIO;
    return -1;
  }
  const int answer = script->answers[script->next++];
  if (answer < 0) {
    errno = -answer;
    return -1;
  }
  const std::size_t taken = std::min(size, static_cast<std::size_t>(answer));
  script->received.append(static_cast<const char*>(data), taken);
  return static_cast<ssize_t>(taken);
}

class WriteFully : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::pipe(pipe_), 0);
    script = &writes_;
  }
  void TearDown() override {
    script = nullptr;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
  }
  int fd() const { return pipe_[1]; }  // ready for writing, so a wait for it returns at once

  ScriptedWrites writes_;
  int pipe_[2] = {-1, -1};
};

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

TEST_F(WriteFully, PartialWritesAndInterruptionsStillDeliverEveryByteInOrder) {
  writes_.answers = {3, -EINTR, 1, -EAGAIN, 4, -EINTR, -EINTR, 100};
  const std::string frame = "\x1b[1;1Habcdefghij\x1b[?25h";
  write_fully(fd(), frame, scripted_write);
  EXPECT_EQ(writes_.received, frame);
}

TEST_F(WriteFully, OtherErrorsEndTheWriteWithAnOutputError) {
  struct Case {
    std::vector<int> answers;
    std::size_t delivered;
  };
  const Case cases[] = {
      {{-EIO}, 0},        // the terminal hung up
      {{2, -EBADF}, 2},   // closed under us
      {{2, 0}, 2},        // no progress at all
      {{-ENOSPC}, 0},
  };
  for (const Case& c : cases) {
    writes_ = ScriptedWrites{c.answers, 0, {}};
    EXPECT_THROW(write_fully(fd(), "0123456789", scripted_write), OutputError);
    EXPECT_EQ(writes_.received.size(), c.delivered);
  }
}

TEST_F(WriteFully, AFullTerminalIsWaitedForOnlySoLong) {
  writes_.answers.assign(200, -EAGAIN);
  EXPECT_THROW(write_fully(fd(), "x", scripted_write), OutputError);
  EXPECT_LT(writes_.next, 200u);  // it gave up rather than trying for ever
}

TEST_F(WriteFully, NothingToWriteCallsNothing) {
  write_fully(fd(), "", scripted_write);
  EXPECT_EQ(writes_.next, 0u);
}

}  // namespace
}  // namespace quiquadrado::console
