// The built program against hostile input and broken output, as a pipe or a file would give
// them: NUL bytes, bytes above 127 and broken UTF-8, control characters, lines of megabytes, no
// newline, no input at all, input that pauses, standard input closed or a folder, standard output
// that closes early, is closed, or is full. Each run must end with its documented outcome, never
// hang (the child is killed after a generous deadline and the test fails), and stay within a
// bounded amount of memory (its peak resident set, as wait4 reports it).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <initializer_list>
#include <cstddef>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/run_process.hpp"

namespace {

using namespace std::literals;
using quiquadrado::test_support::rows_of;
using quiquadrado::test_support::start_program;
using Clock = std::chrono::steady_clock;

// Generous: a run takes milliseconds; only a hang comes near it.
constexpr auto deadline = 60s;
// Peak resident set allowed to any run, in kilobytes.
constexpr long memory_limit_kb = 64 * 1024;

// What is typed: pieces of text, each repeated a number of times. Lines of megabytes are made
// as they are written, so that this process stays small: a spawned child's peak resident set, as
// wait4 reports it, starts from the peak of the process that spawned it.
struct Piece {
  std::string text;       // the bytes
  std::size_t times = 1;  // how many times in a row
};

struct Typing {
  std::vector<Piece> pieces;
  Typing() = default;
  // Plain text converts, so that a table can hold either.
  Typing(std::string text) : pieces{{std::move(text), 1}} {}
  Typing(const char* text) : Typing(std::string(text)) {}
  Typing(std::initializer_list<Piece> list) : pieces(list) {}
  bool empty() const {
    for (const Piece& piece : pieces) {
      if (!piece.text.empty() && piece.times > 0) return false;
    }
    return true;
  }
};

// Hands out what is typed in blocks of at most 64 KiB.
class Feeder {
 public:
  void start(const Typing& typing) {
    typing_ = &typing;
    piece_ = 0;
    repeat_ = 0;
    block_.clear();
    offset_ = 0;
  }
  // The bytes not yet written; empty when all are.
  std::string_view pending() {
    if (offset_ == block_.size()) refill();
    return std::string_view(block_).substr(offset_);
  }
  void written(std::size_t count) { offset_ += count; }
  void drop() {
    typing_ = nullptr;
    block_.clear();
    offset_ = 0;
  }

 private:
  void refill() {
    block_.clear();
    offset_ = 0;
    while (typing_ != nullptr && piece_ < typing_->pieces.size() && block_.size() < 65536) {
      const Piece& piece = typing_->pieces[piece_];
      if (repeat_ < piece.times) {
        block_ += piece.text;
        ++repeat_;
      } else {
        ++piece_;
        repeat_ = 0;
      }
    }
  }

  const Typing* typing_ = nullptr;  // what is being written
  std::size_t piece_ = 0;           // its piece being written
  std::size_t repeat_ = 0;          // repetitions of that piece already in blocks
  std::string block_;               // the current block
  std::size_t offset_ = 0;          // bytes of the block already written
};

enum class Input { pipe, closed, folder };
enum class Output { pipe, closed, full };

struct Scenario {
  Typing typed;                             // written to standard input at once
  std::chrono::milliseconds pause{0};       // then standard input stays open and idle this long
  Typing typed_after_pause;                 // then this is written, and standard input closed
  Input input = Input::pipe;
  bool input_nonblocking = false;           // the pipe's reading end is O_NONBLOCK, as another
                                            // process sharing it may have left it
  Output out = Output::pipe;
  Output err = Output::pipe;
  std::optional<std::size_t> out_closed_after;  // the reader of standard output closes it after
                                                // this many bytes; the pause's text waits for it
  bool sigpipe_ignored = false;             // the child starts with SIGPIPE ignored, not default
  bool output_nonblocking = false;          // standard output's pipe is O_NONBLOCK
  std::chrono::milliseconds output_read_after{0};  // standard output is not read before this
};

struct Outcome {
  std::string out;                 // standard output, as far as it was read
  std::string err;                 // standard error
  int exit_status = -1;            // when it exited
  int signal = 0;                  // when a signal ended it
  long max_rss_kb = 0;             // peak resident set
  bool timed_out = false;          // killed at the deadline
  bool running_when_input_closed = false;  // still waiting for input when standard input closed
};

void set_nonblocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

// Runs the program with the scenario, feeding standard input and draining both outputs until it
// ends, or killing it at the deadline.
Outcome run(const Scenario& scenario) {
  Outcome outcome;
  int in_pipe[2] = {-1, -1};
  int out_pipe[2] = {-1, -1};
  int err_pipe[2] = {-1, -1};
  if (pipe2(in_pipe, O_CLOEXEC) != 0 || pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe2 failed";
    return outcome;
  }

  if (scenario.input_nonblocking) set_nonblocking(in_pipe[0]);
  if (scenario.output_nonblocking) set_nonblocking(out_pipe[1]);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  switch (scenario.input) {
    case Input::pipe: posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0); break;
    case Input::closed: posix_spawn_file_actions_addclose(&actions, 0); break;
    case Input::folder: posix_spawn_file_actions_addopen(&actions, 0, "/", O_RDONLY, 0); break;
  }
  const auto output = [&actions](Output kind, int pipe_end, int fd) {
    switch (kind) {
      case Output::pipe: posix_spawn_file_actions_adddup2(&actions, pipe_end, fd); break;
      case Output::closed: posix_spawn_file_actions_addclose(&actions, fd); break;
      case Output::full: posix_spawn_file_actions_addopen(&actions, fd, "/dev/full", O_WRONLY, 0); break;
    }
  };
  output(scenario.out, out_pipe[1], 1);
  output(scenario.err, err_pipe[1], 2);

  // As a shell starts it: SIGPIPE at its default action, unless the case says otherwise. The
  // test itself ignores SIGPIPE, and a spawned child would inherit that.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  if (!scenario.sigpipe_ignored) sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

  const pid_t pid = start_program(QUIQUADRADO_PATH, &actions, &attributes);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  int in_fd = in_pipe[1];
  int out_fd = out_pipe[0];
  int err_fd = err_pipe[0];
  if (pid < 0) {
    for (const int fd : {in_fd, out_fd, err_fd}) close(fd);
    return outcome;
  }
  set_nonblocking(in_fd);
  if (scenario.input != Input::pipe) {
    close(in_fd);
    in_fd = -1;
  }

  const auto start = Clock::now();
  // Standard input: the first part, then the pause (and the reader's leaving, where the case has
  // one), then the second part, then its end.
  enum class Stage { first, idle, second } stage = Stage::first;
  Feeder feeder;
  feeder.start(scenario.typed);
  Clock::time_point idle_since;
  bool reaped = false;
  int wait_status = 0;
  rusage usage{};
  const auto reap = [&](int options) {
    if (reaped) return;
    const pid_t done = wait4(pid, &wait_status, options, &usage);
    if (done == pid) reaped = true;
  };

  while (out_fd >= 0 || err_fd >= 0 || in_fd >= 0 || !reaped) {
    const auto now = Clock::now();
    if (now - start > deadline) {
      kill(pid, SIGKILL);
      outcome.timed_out = true;
      break;
    }
    if (in_fd >= 0 && feeder.pending().empty()) {
      if (stage == Stage::first) {
        stage = Stage::idle;
        idle_since = now;
      }
      if (stage == Stage::idle && now - idle_since >= scenario.pause &&
          (!scenario.out_closed_after || out_fd < 0)) {
        stage = Stage::second;
        feeder.start(scenario.typed_after_pause);
      }
      if (stage == Stage::second && feeder.pending().empty()) {
        reap(WNOHANG);
        outcome.running_when_input_closed = !reaped;
        close(in_fd);
        in_fd = -1;
      }
    }
    if (in_fd >= 0 && !feeder.pending().empty()) {
      const std::string_view block = feeder.pending();
      const ssize_t written = write(in_fd, block.data(), block.size());
      if (written > 0) {
        feeder.written(static_cast<std::size_t>(written));
      } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
        close(in_fd);  // the program has stopped reading (it ended)
        in_fd = -1;
        feeder.drop();
      }
    }

    std::vector<pollfd> fds;
    if (out_fd >= 0 && now - start >= scenario.output_read_after) fds.push_back({out_fd, POLLIN, 0});
    if (err_fd >= 0) fds.push_back({err_fd, POLLIN, 0});
    if (in_fd >= 0 && !feeder.pending().empty()) fds.push_back({in_fd, POLLOUT, 0});
    poll(fds.data(), fds.size(), 20);
    for (const pollfd& p : fds) {
      if (p.revents == 0 || p.fd == in_fd) continue;
      char buffer[65536];
      const ssize_t got = read(p.fd, buffer, sizeof buffer);
      if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      std::string& text = p.fd == out_fd ? outcome.out : outcome.err;
      if (got > 0) text.append(buffer, static_cast<std::size_t>(got));
      const bool reader_closes = p.fd == out_fd && scenario.out_closed_after && outcome.out.size() >= *scenario.out_closed_after;
      if (got <= 0 || reader_closes) {
        close(p.fd);
        (p.fd == out_fd ? out_fd : err_fd) = -1;
      }
    }
    reap(WNOHANG);
  }
  for (const int fd : {in_fd, out_fd, err_fd}) {
    if (fd >= 0) close(fd);
  }
  reap(0);
  if (WIFEXITED(wait_status)) outcome.exit_status = WEXITSTATUS(wait_status);
  if (WIFSIGNALED(wait_status)) outcome.signal = WTERMSIG(wait_status);
  outcome.max_rss_kb = usage.ru_maxrss;
  return outcome;
}

bool valid_utf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
    } else if (lead >= 0x80) {
      return false;  // no four-byte characters on this screen, and no stray continuation byte
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

bool has_control_character(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\n') || byte == 0x7f) return true;
  }
  return false;
}

std::string describe(const Outcome& outcome) {
  std::ostringstream text;
  text << "exit status " << outcome.exit_status << ", signal " << outcome.signal << ", peak memory "
       << outcome.max_rss_kb << " kB, standard error \"" << outcome.err << "\", " << outcome.out.size()
       << " bytes out";
  return text.str();
}

// Every run: ended by itself before the deadline, within the memory bound.
void expect_bounded(const Outcome& outcome, std::string_view name) {
  EXPECT_FALSE(outcome.timed_out) << name << ": still running at the deadline; " << describe(outcome);
  EXPECT_GT(outcome.max_rss_kb, 0) << name;
  EXPECT_LT(outcome.max_rss_kb, memory_limit_kb) << name << ": " << describe(outcome);
}

const std::string lower_row_typical = std::string(19, ' ') + "Para  10 graus de liberdade e alfa/2 = 0.025 qui quadrado =   3.247";
const std::string upper_row_typical = std::string(45, ' ') + "1 - alfa/2 = 0.975 qui quadrado =  20.483";
constexpr std::string_view stop_line = "Stop - Program terminated.";
constexpr std::string_view alpha_prompt = "   Entre com o valor de ALFA  --> ";
constexpr std::string_view degrees_prompt = "   Entre com o GRAU DE LIBERDADE  --> ";

std::string report(std::string_view code, std::string_view description) {
  return "run-time error " + std::string(code) + ": READ() - " + std::string(description) + "\n";
}
const std::string F6100 = report("F6100", "integer value out of range");
const std::string F6101 = report("F6101", "invalid character in integer value");
const std::string F6103 = report("F6103", "invalid character in real value");
const std::string F6104 = report("F6104", "real value out of single precision range");
const std::string F6500 = report("F6500", "no more input lines");
const std::string F6501 = report("F6501", "end of file character in input line");
const std::string write_error = "quiquadrado: error writing standard output\n";

// A run with the typical values, 0.05 and 10, however they were typed.
void expect_typical_run(const Outcome& outcome, std::string_view name) {
  expect_bounded(outcome, name);
  EXPECT_EQ(outcome.exit_status, 0) << name << ": " << describe(outcome);
  EXPECT_EQ(outcome.err, "") << name;
  const std::vector<std::string> rows = rows_of(outcome.out);
  ASSERT_GE(rows.size(), 28u) << name << ": " << describe(outcome);
  EXPECT_EQ(rows[rows.size() - 10], lower_row_typical) << name;
  EXPECT_EQ(rows[rows.size() - 9], upper_row_typical) << name;
  EXPECT_EQ(rows.back(), stop_line) << name;
  EXPECT_EQ(outcome.out.back(), '\n') << name;
}

// A run ended by an error report: the report alone on standard error, the screen up to the line
// that failed with its row ended, no result row and no stop line.
void expect_report(const Outcome& outcome, std::string_view name, const std::string& expected_report) {
  expect_bounded(outcome, name);
  EXPECT_EQ(outcome.exit_status, 1) << name << ": " << describe(outcome);
  EXPECT_EQ(outcome.err, expected_report) << name;
  ASSERT_FALSE(outcome.out.empty()) << name;
  EXPECT_EQ(outcome.out.back(), '\n') << name;
  EXPECT_EQ(outcome.out.find("qui quadrado ="), std::string::npos) << name;
  EXPECT_EQ(outcome.out.find(stop_line), std::string::npos) << name;
}

// ----- Bytes that are not plain text ----------------------------------------------------------

struct ByteCase {
  const char* name;
  Typing typed;
  const std::string* report;  // nullptr: the typical run
};

// Types the case's bytes and checks the run ends as the case says; the outcome for more checks.
Outcome run_case(const ByteCase& c) {
  Scenario scenario;
  scenario.typed = c.typed;
  Outcome outcome = run(scenario);
  if (c.report == nullptr) {
    expect_typical_run(outcome, c.name);
  } else {
    expect_report(outcome, c.name, *c.report);
  }
  return outcome;
}

TEST(HostileInput, NulHighBytesAndControlCharacters) {
  const ByteCase cases[] = {
      {"NUL in alpha", "0.05\0\n10\n"s, &F6103},
      {"NUL as the degrees of freedom", "0.05\n\0\n"s, &F6101},
      {"NUL after the value", "0.05 \0\0\n10\0\n"s, &F6101},
      {"NUL after the value, then a blank", "0.05 \0\0\n10 \0\n"s, nullptr},
      {"NUL before the value", "\0" "0.05\n10\n"s, &F6103},
      {"Latin-1 byte in the value", "0.05\xe9\n10\n", &F6103},
      {"UTF-8 letter in the value", "0.05\xc3\xa9\n10\n", &F6103},
      {"invalid UTF-8 after the values", "0.05 \xff\xfe\xc3\n10 \xe2\x82\n", nullptr},
      {"overlong UTF-8 slash", "\xc0\xaf" "0.05\n10\n", &F6103},
      {"UTF-8 no-break space before the value", "\xc2\xa0" "0.05\n10\n", &F6103},
      {"escape sequence before the value", "\x1b[2J\x1b[31m0.05\n10\n", &F6103},
      {"escape sequences after the values", "0.05 \x1b]0;title\x07\n10 \x1b[H\x1b[2J\n", nullptr},
      {"backspace and delete after the values", "0.05 \b\b\x7f\n10 \b\n", nullptr},
      {"backspace in the value", "0.0\b5\n10\n", &F6103},
      {"end-of-file character ending the line", "0.05\x1a\n10\n", &F6501},
      {"end-of-file character inside the line", "0.05 \x1a x\n10\n", nullptr},
      {"end-of-file character alone", "0.05\n\x1a\n", &F6501},
      {"carriage returns before the newlines", "0.05\r\n10\r\n", nullptr},
      {"carriage returns alone end no line", "0.05\r10\r", &F6103},
      {"form feed before the value", "\f0.05\n10\n", &F6103},
      {"tabs around the values", "\t0.05\t\n\t\t10\n", nullptr},
  };
  for (const ByteCase& c : cases) {
    const Outcome outcome = run_case(c);
    EXPECT_TRUE(valid_utf8(outcome.out)) << c.name << ": the screen is UTF-8 whatever was typed";
    EXPECT_FALSE(has_control_character(outcome.out)) << c.name << ": no typed control character reaches the screen";
  }
}

TEST(HostileInput, TypedBytesAreEchoedAsHarmlessCharacters) {
  Scenario scenario;
  scenario.typed = "0.05 \x1b[2J\xff\n10\n";
  const Outcome outcome = run(scenario);
  expect_typical_run(outcome, "echo");
  const std::vector<std::string> rows = rows_of(outcome.out);
  ASSERT_GE(rows.size(), 17u);
  EXPECT_EQ(rows[16], std::string(alpha_prompt) + "0.05 ?[2J?");
}

// ----- Long lines, no newline, no input -------------------------------------------------------

constexpr std::size_t eight_megabytes = 8u << 20;

// 8 MiB of one byte.
Piece eight_megabytes_of(char byte) { return {std::string(1024, byte), eight_megabytes / 1024}; }

TEST(HostileInput, LinesOfMegabytesStayWithinBoundedMemory) {
  const ByteCase cases[] = {
      {"8 MB of letters", {eight_megabytes_of('x'), {"\n10\n"}}, &F6103},
      {"8 MB of digits as alpha", {eight_megabytes_of('9'), {"\n10\n"}}, &F6104},
      {"8 MB of digits as degrees of freedom", {{"0.05\n"}, eight_megabytes_of('9'), {"\n"}}, &F6100},
      {"8 MB of blanks after the values",
       {{"0.05"}, eight_megabytes_of(' '), {"\n10"}, eight_megabytes_of(' '), {"\n"}}, nullptr},
      {"8 MB of NUL bytes", {eight_megabytes_of('\0'), {"\n"}}, &F6103},
      {"8 MB of invalid UTF-8", {eight_megabytes_of('\xff'), {"\n"}}, &F6103},
      {"8 MB of a two-byte UTF-8 letter", {{"0.05 "}, {"\xc3\xa9", eight_megabytes / 2}, {"\n10\n"}}, nullptr},
      {"8 MB without a newline", {eight_megabytes_of('5')}, &F6104},
  };
  for (const ByteCase& c : cases) {
    const Outcome outcome = run_case(c);
    // A line holds at most 128 characters: the echo is cut there too.
    for (const std::string& row : rows_of(outcome.out)) {
      EXPECT_LE(row.size(), degrees_prompt.size() + 2 * 128) << c.name;
    }
  }
}

// A line half again as long as the memory bound: a program that kept it whole would break it.
TEST(HostileInput, LineLongerThanTheMemoryBound) {
  constexpr std::size_t kilobytes = static_cast<std::size_t>(memory_limit_kb) * 3 / 2;
  const ByteCase cases[] = {
      {"96 MB of letters", {{std::string(1024, 'x'), kilobytes}, {"\n10\n"}}, &F6103},
      {"96 MB of blanks after the value", {{"0.05"}, {std::string(1024, ' '), kilobytes}, {"\n10\n"}}, nullptr},
  };
  for (const ByteCase& c : cases) run_case(c);
}

// A line holds 128 characters; what is typed after them is lost, so a value behind 8 MB of
// blanks is never seen: the line is blank, the next line gives alpha, and the degrees of freedom
// find no line.
TEST(HostileInput, ValueBehindMegabytesOfBlanksIsLost) {
  Scenario scenario;
  scenario.typed = {eight_megabytes_of(' '), {"0.05\n10\n"}};
  const Outcome outcome = run(scenario);
  expect_report(outcome, "value behind 8 MB of blanks", F6500);
  const std::vector<std::string> rows = rows_of(outcome.out);
  ASSERT_EQ(rows.size(), 19u) << outcome.out.substr(0, 4000);
  EXPECT_EQ(rows[16], std::string(alpha_prompt) + std::string(128, ' '));
  EXPECT_EQ(rows[17], "10");
  EXPECT_EQ(rows[18], degrees_prompt);
}

TEST(HostileInput, MissingNewlinesAndMissingInput) {
  const ByteCase cases[] = {
      {"empty input", "", &F6500},
      {"alpha without a newline", "0.05", &F6500},
      {"alpha only", "0.05\n", &F6500},
      {"degrees of freedom without a newline", "0.05\n10", nullptr},
      {"blank lines only", "\n \n\t\n", &F6500},
      {"a hundred thousand empty lines", std::string(100000, '\n'), &F6500},
  };
  for (const ByteCase& c : cases) run_case(c);
}

TEST(HostileInput, StandardInputClosedOrAFolderGivesNoLine) {
  for (const Input input : {Input::closed, Input::folder}) {
    Scenario scenario;
    scenario.input = input;
    const Outcome outcome = run(scenario);
    expect_report(outcome, input == Input::closed ? "closed" : "folder", F6500);
    const std::vector<std::string> rows = rows_of(outcome.out);
    ASSERT_EQ(rows.size(), 17u);
    EXPECT_EQ(rows[16], alpha_prompt);
  }
}

// Input that stays open and idle: the program waits for a line, and ends as soon as input ends.
TEST(HostileInput, IdleInputIsWaitedForAndItsEndEndsTheRun) {
  Scenario silent;
  silent.pause = 1000ms;
  const Outcome nothing = run(silent);
  EXPECT_TRUE(nothing.running_when_input_closed) << "the program did not wait for the first line";
  expect_report(nothing, "silent, then closed", F6500);
  EXPECT_EQ(rows_of(nothing.out).back(), alpha_prompt);

  Scenario scenario;
  scenario.typed = "0.05\n";
  scenario.pause = 1500ms;
  const Outcome outcome = run(scenario);
  EXPECT_TRUE(outcome.running_when_input_closed) << "the program did not wait for the second line";
  expect_report(outcome, "idle, then closed", F6500);
  EXPECT_EQ(rows_of(outcome.out).back(), degrees_prompt);

  Scenario resumed;
  resumed.typed = "0.0";
  resumed.pause = 1000ms;
  resumed.typed_after_pause = "5\n10\n";
  expect_typical_run(run(resumed), "idle inside a line, then the rest");
}

// Standard input that another process left non-blocking has no byte yet, which is not its end:
// the program waits for the line as it does on a blocking pipe.
TEST(HostileInput, NonBlockingInputIsWaitedFor) {
  Scenario resumed;
  resumed.input_nonblocking = true;
  resumed.pause = 1000ms;
  resumed.typed_after_pause = "0.05\n10\n";
  expect_typical_run(run(resumed), "non-blocking, idle, then the values");

  Scenario idle;
  idle.input_nonblocking = true;
  idle.typed = "0.05\n";
  idle.pause = 1000ms;
  const Outcome outcome = run(idle);
  EXPECT_TRUE(outcome.running_when_input_closed) << "the program did not wait for the second line";
  expect_report(outcome, "non-blocking, idle, then closed", F6500);
}

// ----- Standard output and standard error that cannot be written ------------------------------

// The reader of standard output goes away after 10 bytes (like `| head -c 10`) while the program
// still has the screen to write: it ends at once, by SIGPIPE as a shell starts it, and with a
// message and exit status 1 when SIGPIPE is ignored. Never 0, never a hang.
TEST(HostileOutput, ReaderClosingEarlyEndsTheRun) {
  for (const bool ignored : {false, true}) {
    Scenario scenario;
    scenario.out_closed_after = 10;
    scenario.typed_after_pause = "0.05\n10\n";
    scenario.sigpipe_ignored = ignored;
    const Outcome outcome = run(scenario);
    const char* name = ignored ? "SIGPIPE ignored" : "SIGPIPE default";
    expect_bounded(outcome, name);
    EXPECT_GE(outcome.out.size(), 10u) << name;
    if (ignored) {
      EXPECT_EQ(outcome.signal, 0) << name << ": " << describe(outcome);
      EXPECT_EQ(outcome.exit_status, 1) << name << ": " << describe(outcome);
      EXPECT_EQ(outcome.err, write_error) << name;
    } else {
      EXPECT_EQ(outcome.signal, SIGPIPE) << name << ": " << describe(outcome);
    }
  }
}

// Standard output that another process left non-blocking, read late: the screen fills the pipe,
// and the program waits for its reader as it would on a blocking pipe. The whole screen arrives.
TEST(HostileOutput, NonBlockingOutputReadLateIsWaitedFor) {
  Scenario scenario;
  scenario.typed = {{"\n", 200000}, {"0.05\n10\n"}};
  scenario.output_nonblocking = true;
  scenario.output_read_after = 1000ms;
  const Outcome outcome = run(scenario);
  expect_bounded(outcome, "non-blocking output");
  EXPECT_EQ(outcome.signal, 0) << describe(outcome);
  EXPECT_EQ(outcome.exit_status, 0) << describe(outcome);
  EXPECT_EQ(outcome.err, "");
  expect_typical_run(outcome, "non-blocking output, whole screen");
  EXPECT_EQ(rows_of(outcome.out).size(), 28u + 200000u);
}

struct OutputCase {
  const char* name;
  const char* typed;
  Output out;
  Output err;
  int exit_status;
  std::string err_text;  // expected on standard error when it is a pipe
};

TEST(HostileOutput, FullOrClosedOutputIsAFailureNotASuccess) {
  const OutputCase cases[] = {
      {"output full, normal run", "0.05\n10\n", Output::full, Output::pipe, 1, write_error},
      {"output full, reader error", "0.05\n3.5\n", Output::full, Output::pipe, 1, F6101 + write_error},
      {"output full, no input", "", Output::full, Output::pipe, 1, F6500 + write_error},
      {"output closed, normal run", "0.05\n10\n", Output::closed, Output::pipe, 1, write_error},
      {"output closed, reader error", "0.05\n3.5\n", Output::closed, Output::pipe, 1, F6101 + write_error},
      // Standard error lost: the exit status still tells.
      {"error output full, reader error", "0.05\n3.5\n", Output::pipe, Output::full, 1, ""},
      {"error output closed, reader error", "0.05\n3.5\n", Output::pipe, Output::closed, 1, ""},
      {"error output full, normal run", "0.05\n10\n", Output::pipe, Output::full, 0, ""},
      {"both full, normal run", "0.05\n10\n", Output::full, Output::full, 1, ""},
  };
  for (const OutputCase& c : cases) {
    Scenario scenario;
    scenario.typed = c.typed;
    scenario.out = c.out;
    scenario.err = c.err;
    const Outcome outcome = run(scenario);
    expect_bounded(outcome, c.name);
    EXPECT_EQ(outcome.signal, 0) << c.name << ": " << describe(outcome);
    EXPECT_EQ(outcome.exit_status, c.exit_status) << c.name << ": " << describe(outcome);
    EXPECT_EQ(outcome.err, c.err_text) << c.name;
    if (c.out == Output::pipe && c.exit_status == 0) {
      EXPECT_NE(outcome.out.find(upper_row_typical), std::string::npos) << c.name;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Writing to a child that has ended must be an error to handle, not the end of the test.
  signal(SIGPIPE, SIG_IGN);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
