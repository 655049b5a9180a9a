// The POSIX terminal: the only file that touches termios, signals and the terminal's modes.
//
// It owns the terminal's state for the whole run. Raw mode and the alternate screen are entered
// in one place and given back by one idempotent restore, which the normal end, Ctrl-C, the
// fatal signals, exit() and std::terminate all go through:
//
//   enter    tcsetattr(raw), then ALTSCR on, DECAWM off
//   restore  DECTCEM on, SGR 0, DECAWM on, ALTSCR off, then tcsetattr(saved)
//
// Sequences sent:
//   ALTSCR   ESC [ ? 1049 h / l   enter / leave the alternate screen, saving / restoring the
//                                 cursor: the console is drawn there, the shell's screen is
//                                 left as it was
//   DECAWM   ESC [ ? 7 l / h      autowrap off / on: writing the last column never scrolls
//   DECTCEM  ESC [ ? 25 h         show the cursor (frames may have hidden it)
//   SGR      ESC [ 0 m            reset colours and attributes
//   XTWINOPS ESC [ 9 ; 1 t        maximise the terminal's window (no answer is awaited)
//
// Signals:
//   SIGWINCH, SIGCONT, SIGTSTP    the handler only sets a flag and writes a byte to a pipe that
//                                 the input wait watches; the wait does the work (redraw; give
//                                 the terminal back and stop; take it again and redraw)
//   SIGHUP                        like the fatal ones, except while the end-of-run prompt
//                                 waits: then it ends the input, as closing the window would
//   SIGINT SIGTERM SIGQUIT SIGABRT
//   SIGSEGV SIGBUS SIGFPE SIGILL
//   SIGALRM SIGUSR1 SIGUSR2
//   SIGXCPU SIGXFSZ               restore (write and tcsetattr only, from bytes built at
//                                 compile time), put back the action that was there before us
//                                 and raise the signal again, so that the process ends as it
//                                 would have (Ctrl-C: status 130 in the shell)
//   SIGPIPE                       ignored while the terminal is ours: a failed write is an
//                                 error like any other
// A signal that was ignored when the program started (nohup, a background job) stays ignored.
#include "console/terminal_posix.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "console/descriptor_output.hpp"
#include "console/plain_backend.hpp"  // OutputError

namespace quiquadrado::console {

namespace {

constexpr std::string_view enter_sequence = "\x1b[?1049h\x1b[?7l";
constexpr std::string_view restore_sequence = "\x1b[?25h\x1b[0m\x1b[?7h\x1b[?1049l";
constexpr std::string_view maximize_sequence = "\x1b[9;1t";
// A terminal that takes no output for this long (a non-blocking one that stays full) is given up.
constexpr int longest_terminal_wait_ms = 5000;

constexpr int input_fd = STDIN_FILENO;
constexpr int output_fd = STDOUT_FILENO;

constexpr std::array<int, 14> fatal_signals{SIGINT,  SIGTERM, SIGQUIT, SIGABRT, SIGSEGV, SIGBUS,  SIGFPE,
                                            SIGILL,  SIGALRM, SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ, SIGHUP};
constexpr std::array<int, 3> deferred_signals{SIGWINCH, SIGCONT, SIGTSTP};
constexpr std::size_t handled_count = fatal_signals.size() + deferred_signals.size() + 1;  // + SIGPIPE

// ---- What the signal handlers share with the device: plain data, written before the handlers
// are installed or with the handled signals blocked, and touched in a handler only through
// async-signal-safe calls. ----
struct SharedState {
  termios saved{};                                   // the terminal's settings before the run
  volatile std::sig_atomic_t saved_ok = 0;           // saved holds them
  volatile std::sig_atomic_t raw_on = 0;             // our settings are in force
  volatile std::sig_atomic_t screen_on = 0;          // the alternate screen is in use
  volatile std::sig_atomic_t open = 0;               // a device owns the terminal
  volatile std::sig_atomic_t hangup_ends_input = 0;  // SIGHUP ends the input, not the process
  volatile std::sig_atomic_t resized = 0;            // SIGWINCH came
  volatile std::sig_atomic_t continued = 0;          // SIGCONT came
  volatile std::sig_atomic_t stop_asked = 0;         // SIGTSTP came
  volatile std::sig_atomic_t hung_up = 0;            // SIGHUP came while it ends the input
  int wake_read = -1;                                // self-pipe: the input wait watches this end
  int wake_write = -1;                               // and the handlers write to this one
  std::array<int, handled_count> numbers{};          // signals whose actions we changed
  std::array<struct sigaction, handled_count> previous{};  // their actions before us
  std::size_t changed = 0;                           // entries of numbers and previous in use
};
SharedState shared;

std::terminate_handler previous_terminate = nullptr;  // std::terminate's handler before ours

// ---- Async-signal-safe pieces. ----

void write_in_handler(std::string_view bytes) noexcept {
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(output_fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;  // nothing more can be done for this terminal
    data += written;
    left -= static_cast<std::size_t>(written);
  }
}

// The one restore: leaves the alternate screen with the cursor shown and the attributes reset,
// then puts the saved settings back, each only if it was changed. Safe from a signal handler
// and safe to repeat.
void restore_terminal() noexcept {
  const int saved_errno = errno;
  if (shared.screen_on != 0) {
    shared.screen_on = 0;
    write_in_handler(restore_sequence);
  }
  if (shared.raw_on != 0) {
    shared.raw_on = 0;
    if (shared.saved_ok != 0) ::tcsetattr(input_fd, TCSANOW, &shared.saved);
  }
  errno = saved_errno;
}

const struct sigaction* previous_action(int number) noexcept {
  for (std::size_t i = 0; i < shared.changed; ++i) {
    if (shared.numbers[i] == number) return &shared.previous[i];
  }
  return nullptr;
}

void unblock(int number) noexcept {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, number);
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

// Restores the terminal and lets the signal do what it would have done without us.
extern "C" void on_fatal_signal(int number) {
  restore_terminal();
  if (const struct sigaction* previous = previous_action(number)) {
    ::sigaction(number, previous, nullptr);
  } else {
    ::signal(number, SIG_DFL);
  }
  unblock(number);
  ::raise(number);
  ::_exit(128 + number);  // the action before us returned: end as the signal would have
}

void wake() noexcept {
  if (shared.wake_write < 0) return;
  const char byte = 0;
  [[maybe_unused]] const ssize_t ignored = ::write(shared.wake_write, &byte, 1);  // a full pipe wakes anyway
}

extern "C" void on_deferred_signal(int number) {
  const int saved_errno = errno;
  if (number == SIGWINCH) shared.resized = 1;
  if (number == SIGCONT) shared.continued = 1;
  if (number == SIGTSTP) shared.stop_asked = 1;
  wake();
  errno = saved_errno;
}

extern "C" void on_hangup(int number) {
  if (shared.hangup_ends_input == 0) on_fatal_signal(number);
  const int saved_errno = errno;
  shared.hung_up = 1;
  wake();
  errno = saved_errno;
}

// ---- Normal context. ----

// The set of every signal we handle, to keep the handlers out while the shared state changes.
sigset_t handled_set() noexcept {
  sigset_t set;
  sigemptyset(&set);
  for (const int number : fatal_signals) sigaddset(&set, number);
  for (const int number : deferred_signals) sigaddset(&set, number);
  return set;
}

// restore_terminal with the handlers kept out, so that it runs once and whole.
void restore_now() noexcept {
  const sigset_t set = handled_set();
  sigset_t old;
  ::sigprocmask(SIG_BLOCK, &set, &old);
  restore_terminal();
  ::sigprocmask(SIG_SETMASK, &old, nullptr);
}

extern "C" void restore_at_exit() { restore_now(); }

[[noreturn]] void restore_and_terminate() {
  restore_now();
  if (previous_terminate != nullptr) previous_terminate();
  std::abort();
}

bool ignored_at_start(int number) {
  struct sigaction current {};
  return ::sigaction(number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

// Installs handler for number and records what was there; a signal ignored from the start is
// left ignored.
void take_signal(int number, void (*handler)(int)) {
  if (handler != SIG_IGN && ignored_at_start(number)) return;
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_mask = handled_set();  // no handler interrupts another
  action.sa_flags = 0;             // no SA_RESTART: the input wait sees EINTR and looks at the flags
  struct sigaction previous {};
  if (::sigaction(number, &action, &previous) != 0) return;
  shared.numbers[shared.changed] = number;
  shared.previous[shared.changed] = previous;
  ++shared.changed;
}

void take_signals() {
  shared.changed = 0;
  for (const int number : fatal_signals) take_signal(number, number == SIGHUP ? on_hangup : on_fatal_signal);
  for (const int number : deferred_signals) take_signal(number, on_deferred_signal);
  take_signal(SIGPIPE, SIG_IGN);
}

void give_back_signals() {
  const sigset_t set = handled_set();
  sigset_t old;
  ::sigprocmask(SIG_BLOCK, &set, &old);
  for (std::size_t i = shared.changed; i-- > 0;) ::sigaction(shared.numbers[i], &shared.previous[i], nullptr);
  shared.changed = 0;
  ::sigprocmask(SIG_SETMASK, &old, nullptr);
}

// Raw mode and the alternate screen. TCSANOW, never TCSAFLUSH: what was typed ahead stays.
bool enter_terminal() {
  const termios raw = raw_settings(shared.saved);
  if (::tcsetattr(input_fd, TCSANOW, &raw) != 0) return false;
  shared.raw_on = 1;
  shared.screen_on = 1;  // set before the bytes, so that a restore follows even a partial write
  try {
    write_fully(output_fd, enter_sequence, ::write, longest_terminal_wait_ms);
  } catch (const OutputError&) {
    return false;
  }
  return true;
}

bool take_flag(volatile std::sig_atomic_t& flag) {
  if (flag == 0) return false;
  flag = 0;
  return true;
}

class PosixTerminal final : public TerminalDevice {
 public:
  PosixTerminal() = default;
  ~PosixTerminal() override;
  PosixTerminal(const PosixTerminal&) = delete;
  PosixTerminal& operator=(const PosixTerminal&) = delete;

  // The start-up chain; each step undoes the ones before it when it fails.
  bool open();

  InputEvent read_input(std::string& bytes, int timeout_ms) override;
  void write(std::string_view bytes) override { write_fully(output_fd, bytes, ::write, longest_terminal_wait_ms); }
  TerminalSize size() override;
  void maximize() override { write(maximize_sequence); }
  void set_hangup_ends_input(bool ends_input) override { shared.hangup_ends_input = ends_input ? 1 : 0; }
  void restore() override { restore_now(); }
  [[noreturn]] void interrupt() override;

 private:
  void suspend();
  void close_pipe() noexcept;

  bool opened_ = false;       // open() succeeded: the destructor has something to give back
  bool input_ended_ = false;  // the end of the input was seen: it stays ended
};

bool PosixTerminal::open() {
  if (shared.open != 0) return false;
  if (::tcgetattr(input_fd, &shared.saved) != 0) return false;
  shared.saved_ok = 1;

  int ends[2] = {-1, -1};
  if (::pipe(ends) != 0) return false;
  for (const int end : ends) {
    ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
    ::fcntl(end, F_SETFD, FD_CLOEXEC);
  }
  shared.wake_read = ends[0];
  shared.wake_write = ends[1];
  shared.resized = 0;
  shared.continued = 0;
  shared.stop_asked = 0;
  shared.hung_up = 0;
  shared.hangup_ends_input = 0;

  take_signals();
  static bool hooks_registered = false;  // exit and terminate hooks: once per process
  if (!hooks_registered) {
    hooks_registered = true;
    std::atexit(restore_at_exit);
    previous_terminate = std::set_terminate(restore_and_terminate);
  }

  if (!enter_terminal()) {
    restore_now();
    give_back_signals();
    close_pipe();
    return false;
  }
  shared.open = 1;
  opened_ = true;
  return true;
}

PosixTerminal::~PosixTerminal() {
  if (!opened_) return;
  restore_now();
  give_back_signals();
  close_pipe();
  shared.open = 0;
}

void PosixTerminal::close_pipe() noexcept {
  const int read_end = shared.wake_read;
  const int write_end = shared.wake_write;
  shared.wake_read = -1;
  shared.wake_write = -1;
  if (read_end >= 0) ::close(read_end);
  if (write_end >= 0) ::close(write_end);
}

TerminalSize PosixTerminal::size() {
  winsize window{};
  if (::ioctl(output_fd, TIOCGWINSZ, &window) != 0 && ::ioctl(input_fd, TIOCGWINSZ, &window) != 0) window = winsize{};
  const char* columns = std::getenv("COLUMNS");
  const char* lines = std::getenv("LINES");
  return usable_size(window.ws_col, window.ws_row, columns == nullptr ? "" : columns, lines == nullptr ? "" : lines);
}

// SIGTSTP: the terminal goes back to the shell before the stop, and comes back to us after it.
void PosixTerminal::suspend() {
  restore_now();
  ::signal(SIGTSTP, SIG_DFL);
  unblock(SIGTSTP);
  ::raise(SIGTSTP);  // stopped here until SIGCONT
  struct sigaction action {};
  action.sa_handler = on_deferred_signal;
  action.sa_mask = handled_set();
  ::sigaction(SIGTSTP, &action, nullptr);
}

InputEvent PosixTerminal::read_input(std::string& bytes, int timeout_ms) {
  for (;;) {
    if (input_ended_) return InputEvent::end_of_input;
    if (take_flag(shared.hung_up)) {
      input_ended_ = true;
      return InputEvent::end_of_input;
    }
    if (take_flag(shared.stop_asked)) {
      suspend();
      shared.continued = 1;  // what a SIGCONT does follows below
    }
    if (take_flag(shared.continued)) {
      // The shell may have set its own modes meanwhile, and the screen is the shell's.
      if (!enter_terminal()) restore_now();
      shared.resized = 0;
      return InputEvent::redraw;
    }
    if (take_flag(shared.resized)) return InputEvent::redraw;

    pollfd watched[2] = {{input_fd, POLLIN, 0}, {shared.wake_read, POLLIN, 0}};
    const int ready = ::poll(watched, 2, timeout_ms);
    if (ready < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;  // a signal: its flag is looked at above
      input_ended_ = true;
      return InputEvent::end_of_input;
    }
    if (ready == 0) return InputEvent::timed_out;
    if ((watched[1].revents & POLLIN) != 0) {
      char drain[64];
      while (::read(shared.wake_read, drain, sizeof drain) > 0) {
      }
    }
    if ((watched[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0) {
      char buffer[256];
      const ssize_t got = ::read(input_fd, buffer, sizeof buffer);
      if (got > 0) {
        bytes.append(buffer, static_cast<std::size_t>(got));
        return InputEvent::bytes;
      }
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      input_ended_ = true;  // end of file, a hang-up (EIO) or a read error
      return InputEvent::end_of_input;
    }
  }
}

// Ctrl-C: the run ends as a terminal's interrupt character would end it, by SIGINT with its
// default action, whatever was set before.
void PosixTerminal::interrupt() {
  restore_now();
  ::signal(SIGINT, SIG_DFL);
  unblock(SIGINT);
  ::raise(SIGINT);
  ::_exit(128 + SIGINT);
}

}  // namespace

termios raw_settings(const termios& saved) {
  termios raw = saved;
  raw.c_iflag &= ~static_cast<tcflag_t>(BRKINT);  // a break sends no SIGINT
  raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL);   // Enter stays CR ...
  raw.c_iflag &= ~static_cast<tcflag_t>(INLCR);   // ... and LF stays LF
  raw.c_iflag &= ~static_cast<tcflag_t>(IGNCR);   // no CR is dropped
  raw.c_iflag &= ~static_cast<tcflag_t>(INPCK);   // no parity check
  raw.c_iflag &= ~static_cast<tcflag_t>(ISTRIP);  // all eight bits of every byte
  raw.c_iflag &= ~static_cast<tcflag_t>(IXON);    // Ctrl-S and Ctrl-Q are bytes; output never stalls
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO);    // the console echoes what it accepts
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHONL);  // not even a newline
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON);  // bytes at once, not lines
  raw.c_lflag &= ~static_cast<tcflag_t>(ISIG);    // Ctrl-C, Ctrl-Z, Ctrl-\ are bytes (Ctrl-Z is typed text)
  raw.c_lflag &= ~static_cast<tcflag_t>(IEXTEN);  // Ctrl-V and Ctrl-O are bytes
  raw.c_cc[VMIN] = 1;                             // a read returns as soon as one byte is there
  raw.c_cc[VTIME] = 0;                            // with no timer
  // c_oflag is left alone: OPOST stays on, so "\n" still becomes CR LF on the normal screen.
  return raw;
}

std::unique_ptr<TerminalDevice> open_posix_terminal() {
  auto terminal = std::make_unique<PosixTerminal>();
  if (!terminal->open()) return nullptr;
  return terminal;
}

}  // namespace quiquadrado::console
