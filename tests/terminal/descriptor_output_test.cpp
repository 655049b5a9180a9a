// The write loop with the system call made to fail as terminals and pipes do, and the stream
// buffer that writes standard output through it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "console/descriptor_output.hpp"
#include "console/plain_backend.hpp"

namespace quiquadrado::console {
namespace {

constexpr int five_seconds = 5000;

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
  write_fully(fd(), frame, scripted_write, five_seconds);
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
    EXPECT_THROW(write_fully(fd(), "0123456789", scripted_write, five_seconds), OutputError);
    EXPECT_EQ(writes_.received.size(), c.delivered);
  }
}

TEST_F(WriteFully, AFullTerminalIsWaitedForOnlySoLong) {
  writes_.answers.assign(200, -EAGAIN);
  EXPECT_THROW(write_fully(fd(), "x", scripted_write, five_seconds), OutputError);
  EXPECT_LT(writes_.next, 200u);  // it gave up rather than trying for ever
}

TEST_F(WriteFully, NothingToWriteCallsNothing) {
  write_fully(fd(), "", scripted_write, five_seconds);
  EXPECT_EQ(writes_.next, 0u);
}

TEST_F(WriteFully, WithoutALimitAFullDescriptorIsWaitedForAsLongAsItTakes) {
  writes_.answers.assign(200, -EAGAIN);
  writes_.answers.push_back(100);
  write_fully(fd(), "x", scripted_write, wait_without_limit);
  EXPECT_EQ(writes_.received, "x");
}

// Everything read from a pipe's reading end until it is closed.
std::string read_all(int fd) {
  std::string text;
  char chunk[4096];
  for (;;) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got > 0) {
      text.append(chunk, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      return text;
    }
  }
}

// A non-blocking pipe that fills long before its reader starts: the stream waits for the reader
// and everything arrives in order, small writes and large ones alike.
TEST(DescriptorBuffer, ANonBlockingPipeReadLateTakesEverything) {
  int ends[2] = {-1, -1};
  ASSERT_EQ(::pipe(ends), 0);
  ASSERT_EQ(::fcntl(ends[1], F_SETFL, ::fcntl(ends[1], F_GETFL) | O_NONBLOCK), 0);
  std::string expected;
  {
    DescriptorBuffer buffer(ends[1]);
    std::ostream out(&buffer);
    std::string received;
    std::thread reader([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the pipe is full by then
      received = read_all(ends[0]);
    });
    for (int row = 0; row < 20000; ++row) {
      const std::string line = "row " + std::to_string(row) + '\n';
      out << line;
      expected += line;
      if (row % 5000 == 0) {
        const std::string block(100000, static_cast<char>('a' + row / 5000));
        out << block;
        expected += block;
      }
    }
    out.flush();
    EXPECT_TRUE(out.good());
    ::close(ends[1]);
    reader.join();
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
  }
  ::close(ends[0]);
}

// A pipe nobody reads any more (SIGPIPE ignored, so the write fails with EPIPE): the stream
// fails and stays failed.
TEST(DescriptorBuffer, AWriteThatFailsFailsTheStream) {
  struct sigaction ignore {};
  struct sigaction saved {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGPIPE, &ignore, &saved), 0);
  int ends[2] = {-1, -1};
  ASSERT_EQ(::pipe(ends), 0);
  ::close(ends[0]);
  DescriptorBuffer buffer(ends[1]);
  std::ostream out(&buffer);
  out << "0.05" << std::flush;
  EXPECT_TRUE(out.bad());
  out.clear();
  out << std::string(100000, 'x') << std::flush;  // larger than the buffer: written directly
  EXPECT_TRUE(out.bad());
  ::close(ends[1]);
  ::sigaction(SIGPIPE, &saved, nullptr);
}

}  // namespace
}  // namespace quiquadrado::console
