// The write loop of the POSIX terminal, with the system call made to fail as terminals do.
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
