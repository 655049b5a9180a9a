// The console on a POSIX terminal. It owns the terminal's state for the whole run: raw mode,
// the alternate screen, cursor visibility and colours are set in one place and given back by
// one idempotent restore, which the normal end, the signal handlers, exit() and std::terminate
// all go through.
//
// Sequences sent (xterm and compatibles):
//   CUP      ESC [ row ; column H   cursor to a 1-based row and column
//   SGR      ESC [ ... m            attributes and colours; ESC [ 0 m resets them
//   DECTCEM  ESC [ ? 25 l / h       hide / show the cursor
//   DECAWM   ESC [ ? 7 l / h        autowrap off / on: the last column never scrolls the screen
//   ALTSCR   ESC [ ? 1049 h / l     enter / leave the alternate screen, saving the cursor
//   XTWINOPS ESC [ 9 ; 1 t          maximise the terminal's window
//   BEL      0x07                   ring the bell
//
// Every frame is the whole view: each row positioned, coloured and filled to the width with
// blanks (so the background colour reaches every cell even where erasing would not paint it),
// then any message box over it, built in one buffer and written with one write loop.
#include "console/terminal_backend.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "console/colour.hpp"
#include "console/keys.hpp"
#include "console/line_editor.hpp"
#include "console/message_box.hpp"
#include "console/screen_model.hpp"

namespace quiquadrado::console {

namespace {

constexpr std::string_view enter_sequence = "\x1b[?1049h\x1b[?7l";
constexpr std::string_view restore_sequence = "\x1b[0m\x1b[?7h\x1b[?25h\x1b[?1049l";
constexpr std::string_view maximize_sequence = "\x1b[9;1t";
constexpr std::string_view default_colours = "\x1b[0m";
constexpr std::string_view box_body_style = "\x1b[0;30;47m";      // black on light grey
constexpr std::string_view box_title_style = "\x1b[0;1;97;44m";   // bold white on blue
constexpr std::string_view error_icon_style = "\x1b[0;1;97;41m";  // white on red
constexpr std::string_view warning_icon_style = "\x1b[0;30;103m"; // black on yellow
constexpr std::string_view focused_style = "\x1b[0;1;97;40m";     // bold white on black
constexpr std::string_view status_style = "\x1b[0;7m";            // reverse video
constexpr int escape_wait_ms = 50;  // how long an Escape waits for the rest of its sequence

// ---- State shared with the signal handlers: plain data, touched there only by async-signal-safe
// calls. ----
struct TerminalState {
  termios saved{};                          // settings before the run
  termios raw{};                            // settings while the console runs
  volatile std::sig_atomic_t saved_ok = 0;  // saved holds the terminal's own settings
  volatile std::sig_atomic_t active = 0;    // raw mode and the alternate screen are in force
  int wake_read = -1;                       // self-pipe: signals that need a redraw
  int wake_write = -1;
};
TerminalState terminal;

void write_raw(std::string_view bytes) noexcept {
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(STDOUT_FILENO, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    data += written;
    left -= static_cast<std::size_t>(written);
  }
}

// The one restore: attributes reset, autowrap and cursor back, alternate screen left, settings
// back. Safe to call any number of times and from a signal handler.
void leave_terminal() noexcept {
  if (terminal.active == 0) return;
  terminal.active = 0;
  write_raw(restore_sequence);
  if (terminal.saved_ok != 0) ::tcsetattr(STDIN_FILENO, TCSADRAIN, &terminal.saved);
}

void enter_terminal() noexcept {
  // TCSADRAIN, never TCSAFLUSH: what was typed ahead stays to be read.
  ::tcsetattr(STDIN_FILENO, TCSADRAIN, &terminal.raw);
  write_raw(enter_sequence);
  terminal.active = 1;
}

void wake() noexcept {
  if (terminal.wake_write < 0) return;
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(terminal.wake_write, &byte, 1);
}

void set_handler(int signal_number, void (*handler)(int)) noexcept {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  ::sigaction(signal_number, &action, nullptr);
}

void unblock(int signal_number) noexcept {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal_number);
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

// SIGINT, SIGTERM, SIGHUP, SIGQUIT: restore, then die of the same signal, so that the parent sees
// how the run ended (Ctrl-C: status 130 in the shell).
extern "C" void on_fatal_signal(int signal_number) {
  leave_terminal();
  set_handler(signal_number, SIG_DFL);
  unblock(signal_number);
  ::raise(signal_number);
}

// SIGTSTP: give the terminal back before stopping; SIGCONT then wakes the loop, which takes it
// again and redraws.
extern "C" void on_stop_signal(int) {
  const int saved_errno = errno;
  leave_terminal();
  set_handler(SIGTSTP, SIG_DFL);
  unblock(SIGTSTP);
  ::raise(SIGTSTP);
  set_handler(SIGTSTP, on_stop_signal);  // running again
  wake();
  errno = saved_errno;
}

// SIGWINCH and SIGCONT: only note that the screen must be drawn again.
extern "C" void on_wake_signal(int) {
  const int saved_errno = errno;
  wake();
  errno = saved_errno;
}

extern "C" void leave_terminal_at_exit() { leave_terminal(); }

[[noreturn]] void leave_terminal_and_abort() {
  leave_terminal();
  std::abort();
}

std::string_view environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string_view() : std::string_view(value);
}

// Inside tmux or GNU screen the window belongs to the multiplexer, not to us.
bool inside_multiplexer() {
  const std::string_view term = environment("TERM");
  return !environment("TMUX").empty() || !environment("STY").empty() || term.starts_with("screen") ||
         term.starts_with("tmux");
}

std::size_t positive_environment(const char* name) {
  const std::string_view text = environment(name);
  std::size_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || value > 10000) return 0;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  return value;
}

void append_cursor_to(std::string& frame, std::size_t row, std::size_t column) {
  frame += "\x1b[";
  frame += std::to_string(row + 1);
  frame += ';';
  frame += std::to_string(column + 1);
  frame += 'H';
}

// Control characters typed into a line (Ctrl-Z) are shown as '?', never sent as themselves.
std::string shown(std::string_view text, std::size_t width) {
  std::string row(text.substr(0, width));
  for (char& c : row) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) c = '?';
  }
  row.resize(width, ' ');
  return row;
}

class TerminalBackend final : public Backend {
 public:
  explicit TerminalBackend(Codeset codeset);
  ~TerminalBackend() override;
  TerminalBackend(const TerminalBackend&) = delete;
  TerminalBackend& operator=(const TerminalBackend&) = delete;

  bool start();

  void write_text(std::string_view text) override {
    model_.write_text(text);
    render();
  }
  void line_break() override {
    model_.line_break();
    render();
  }
  std::optional<std::string> read_line() override;
  bool maximize_window(Window window) override;
  Rgb set_background_rgb(Rgb colour) override;
  void clear_console() override {
    model_.clear();
    render();
  }
  void report_error(std::string_view title, std::string_view text) override;
  void end_of_run(std::string_view title, int exit_status) override;

 private:
  static constexpr int end_of_input = -1;
  static constexpr int timed_out = -2;

  void update_size();
  void render();
  void paint_box(std::string& frame, const View& view) const;
  void write_out(std::string_view bytes);
  int read_byte(int timeout_ms);
  std::optional<Key> next_key();
  void after_wake();
  void close_window();
  [[noreturn]] void interrupt();

  Codeset codeset_;                     // codeset of the terminal
  ColourDepth depth_;                   // how colours are sent
  bool box_drawing_;                    // frame boxes with line-drawing characters (UTF-8)
  ScreenModel model_;                   // what the console shows
  LineEditor editor_;                   // the line being typed
  KeyDecoder keys_;                     // bytes to keys
  bool reading_ = false;                // a line is being typed: show the editor's line
  std::optional<MessageBox> box_;       // the message box on top of the view
  bool error_box_ = false;              // box_ is the error report (icon colour)
  std::string status_;                  // a hint on the bottom row, when not empty
  std::string colour_;                  // SGR of the console's colours
  Rgb background_{};                    // the background last set
  std::size_t width_ = 80;              // columns of the terminal
  std::size_t height_ = 24;             // rows of the terminal
  bool output_failed_ = false;          // the terminal took no more output
  unsigned char input_[256] = {};       // bytes read and not yet decoded
  std::size_t input_used_ = 0;          // how many of them were taken
  std::size_t input_size_ = 0;          // how many were read
};

TerminalBackend::TerminalBackend(Codeset codeset)
    : codeset_(codeset),
      depth_(choose_colour_depth(terminal_facts_from_environment())),
      box_drawing_(codeset == Codeset::utf8),
      keys_(codeset),
      colour_(default_colours) {}

bool TerminalBackend::start() {
  if (::tcgetattr(STDIN_FILENO, &terminal.saved) != 0) return false;
  terminal.saved_ok = 1;
  terminal.raw = terminal.saved;
  terminal.raw.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INPCK | ISTRIP | IXON);  // CR stays CR; no flow control
  terminal.raw.c_cflag |= CS8;                                                           // 8-bit characters
  terminal.raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN | ISIG);  // we echo; bytes at once; Ctrl-C/Z/V as bytes
  terminal.raw.c_cc[VMIN] = 1;                                                    // a read waits for one byte
  terminal.raw.c_cc[VTIME] = 0;                                                   // however long it takes
  // OPOST stays on: the terminal still turns "\n" into CR LF for us.

  int pipe_ends[2] = {-1, -1};
  if (::pipe(pipe_ends) == 0) {
    for (int end : pipe_ends) {
      ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
      ::fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    terminal.wake_read = pipe_ends[0];
    terminal.wake_write = pipe_ends[1];
  }

  for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) set_handler(signal_number, on_fatal_signal);
  set_handler(SIGTSTP, on_stop_signal);
  set_handler(SIGWINCH, on_wake_signal);
  set_handler(SIGCONT, on_wake_signal);
  std::atexit(leave_terminal_at_exit);
  std::set_terminate(leave_terminal_and_abort);

  enter_terminal();
  update_size();
  render();
  return true;
}

TerminalBackend::~TerminalBackend() { leave_terminal(); }

void TerminalBackend::update_size() {
  winsize size{};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
    width_ = size.ws_col;
    height_ = size.ws_row;
    return;
  }
  const std::size_t columns = positive_environment("COLUMNS");
  const std::size_t lines = positive_environment("LINES");
  width_ = columns > 0 ? columns : 80;
  height_ = lines > 0 ? lines : 24;
}

void TerminalBackend::write_out(std::string_view bytes) {
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0 && !output_failed_) {
    const ssize_t written = ::write(STDOUT_FILENO, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno == EAGAIN) {
      pollfd out{STDOUT_FILENO, POLLOUT, 0};
      ::poll(&out, 1, 1000);
      continue;
    }
    if (written <= 0) {
      output_failed_ = true;  // the terminal is gone; reading will find the end of input
      return;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
}

void TerminalBackend::render() {
  if (terminal.active == 0 || output_failed_) return;
  const View view = model_.layout(width_, height_, reading_ ? std::string_view(editor_.line()) : std::string_view());
  std::string frame = "\x1b[?25l";
  for (std::size_t row = 0; row < view.rows.size(); ++row) {
    append_cursor_to(frame, row, 0);
    frame += colour_;
    frame += encode(shown(view.rows[row], width_), codeset_);
  }
  if (box_) paint_box(frame, view);
  if (!status_.empty()) {
    append_cursor_to(frame, height_ - 1, 0);
    frame += status_style;
    frame += encode(shown(status_, width_), codeset_);
  }
  frame += colour_;
  if (!box_ && status_.empty()) {
    append_cursor_to(frame, view.cursor_row, view.cursor_column);
    frame += "\x1b[?25h";
  }
  write_out(frame);
}

void TerminalBackend::paint_box(std::string& frame, const View& view) const {
  const MessageBox& box = *box_;
  const BoxPlacement place = place_box(box, width_, height_, view.last_used_row);
  if (place.width < 2 || place.height < 2) return;
  const std::size_t inner = place.width - 2;
  const std::string_view vertical = box_drawing_ ? "\xe2\x94\x82" : "|";
  const auto border = [&](std::string_view left, std::string_view right) {
    std::string line(left);
    for (std::size_t i = 0; i < inner; ++i) line += box_drawing_ ? "\xe2\x94\x80" : "-";
    line += right;
    return line;
  };

  std::vector<std::string> rows;  // each row fully encoded and styled
  rows.push_back(std::string(box_body_style) + border(box_drawing_ ? "\xe2\x94\x8c" : "+", box_drawing_ ? "\xe2\x94\x90" : "+"));
  rows.push_back(std::string(box_body_style) + std::string(vertical) + std::string(box_title_style) +
                 encode(shown(" " + box.title, inner), codeset_) + std::string(box_body_style) + std::string(vertical));
  rows.push_back(std::string(box_body_style) + border(box_drawing_ ? "\xe2\x94\x9c" : "+", box_drawing_ ? "\xe2\x94\xa4" : "+"));
  for (std::size_t i = 0; i < box.text.size(); ++i) {
    std::string line = std::string(box_body_style) + std::string(vertical);
    std::string plain = "  ";
    std::string icon_part;
    if (!box.icon.empty()) {
      const std::string icon = i == 0 ? box.icon : std::string(box.icon.size(), ' ');
      icon_part = icon;
      plain = "  " + std::string(icon.size(), ' ') + "  ";
    }
    const std::string text = shown(plain + box.text[i], inner);
    if (!icon_part.empty() && i == 0 && inner >= 2 + icon_part.size()) {
      line += encode(text.substr(0, 2), codeset_);
      line += error_box_ ? error_icon_style : warning_icon_style;
      line += encode(icon_part, codeset_);
      line += box_body_style;
      line += encode(text.substr(2 + icon_part.size()), codeset_);
    } else {
      line += encode(text, codeset_);
    }
    rows.push_back(line + std::string(vertical));
  }
  rows.push_back(std::string(box_body_style) + std::string(vertical) + std::string(inner, ' ') + std::string(vertical));
  {
    std::vector<std::size_t> starts;
    const std::string buttons = button_row(box, inner, starts);
    std::string line = std::string(box_body_style) + std::string(vertical);
    std::size_t at = 0;
    for (std::size_t b = 0; b < starts.size() && starts[b] < inner; ++b) {
      const std::size_t label_end = std::min(inner, starts[b] + box.buttons[b].size() + 4);
      line += encode(buttons.substr(at, starts[b] - at), codeset_);
      if (b == box.focused) line += focused_style;
      line += encode(buttons.substr(starts[b], label_end - starts[b]), codeset_);
      line += box_body_style;
      at = label_end;
    }
    line += encode(buttons.substr(std::min(at, buttons.size())), codeset_);
    rows.push_back(line + std::string(vertical));
  }
  rows.push_back(std::string(box_body_style) + border(box_drawing_ ? "\xe2\x94\x94" : "+", box_drawing_ ? "\xe2\x94\x98" : "+"));

  // A screen lower than the box keeps its top rows and the buttons.
  std::vector<std::string> fitted;
  if (rows.size() <= place.height) {
    fitted = rows;
  } else {
    const std::size_t tail = std::min<std::size_t>(3, place.height);
    fitted.assign(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(place.height - tail));
    fitted.insert(fitted.end(), rows.end() - static_cast<std::ptrdiff_t>(tail), rows.end());
  }
  for (std::size_t r = 0; r < fitted.size(); ++r) {
    append_cursor_to(frame, place.top + r, place.left);
    frame += fitted[r];
  }
}

void TerminalBackend::after_wake() {
  if (terminal.wake_read >= 0) {
    char drain[64];
    while (::read(terminal.wake_read, drain, sizeof drain) > 0) {
    }
  }
  if (terminal.active == 0) enter_terminal();  // back from a stop
  update_size();
  render();
}

int TerminalBackend::read_byte(int timeout_ms) {
  if (input_used_ < input_size_) return input_[input_used_++];
  for (;;) {
    pollfd watched[2] = {{STDIN_FILENO, POLLIN, 0}, {terminal.wake_read, POLLIN, 0}};
    const nfds_t count = terminal.wake_read >= 0 ? 2 : 1;
    const int ready = ::poll(watched, count, timeout_ms);
    if (ready < 0) {
      if (errno == EINTR) {
        after_wake();
        continue;
      }
      return end_of_input;
    }
    if (ready == 0) return timed_out;
    if (count == 2 && (watched[1].revents & POLLIN) != 0) after_wake();
    if ((watched[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
      const ssize_t got = ::read(STDIN_FILENO, input_, sizeof input_);
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (got <= 0) return end_of_input;
      input_size_ = static_cast<std::size_t>(got);
      input_used_ = 0;
      return input_[input_used_++];
    }
  }
}

std::optional<Key> TerminalBackend::next_key() {
  for (;;) {
    if (std::optional<Key> key = keys_.next()) return key;
    const int byte = read_byte(keys_.in_escape() ? escape_wait_ms : -1);
    if (byte == timed_out) {
      keys_.escape_timeout();  // a lone Escape key: ignored below
      continue;
    }
    if (byte == end_of_input) return std::nullopt;
    keys_.feed(static_cast<unsigned char>(byte));
  }
}

void TerminalBackend::interrupt() {
  leave_terminal();
  set_handler(SIGINT, SIG_DFL);
  unblock(SIGINT);
  ::raise(SIGINT);
  std::_Exit(130);  // only if SIGINT was ignored by whoever started us
}

std::optional<std::string> TerminalBackend::read_line() {
  editor_.clear();
  reading_ = true;
  render();
  for (;;) {
    const std::optional<Key> key = next_key();
    const EditResult result = key ? editor_.apply(*key) : EditResult::no_line;
    switch (result) {
      case EditResult::unchanged: break;
      case EditResult::changed: render(); break;
      case EditResult::bell: write_out("\a"); break;
      case EditResult::interrupt: interrupt();
      case EditResult::no_line:
        reading_ = false;
        render();
        return std::nullopt;
      case EditResult::done: {
        std::string line = editor_.line();
        reading_ = false;
        model_.write_text(line);
        model_.line_break();
        render();
        return line;
      }
    }
  }
}

bool TerminalBackend::maximize_window(Window window) {
  if (window == Window::main && !inside_multiplexer()) write_out(maximize_sequence);
  update_size();
  render();
  return true;
}

Rgb TerminalBackend::set_background_rgb(Rgb colour) {
  const Rgb previous = background_;
  background_ = colour;
  colour_ = colour_sequence(colour, depth_);
  render();
  return previous;
}

void TerminalBackend::report_error(std::string_view title, std::string_view text) {
  box_ = MessageBox{std::string(title), "(X)", {std::string(text)}, {"OK"}, 0};
  error_box_ = true;
  render();
  for (;;) {
    const std::optional<Key> key = next_key();
    if (!key || key->kind == KeyKind::enter) break;
    if (key->kind == KeyKind::interrupt) interrupt();
    if (key->kind == KeyKind::character && (key->character == ' ' || key->character == 'o' || key->character == 'O')) break;
  }
  box_.reset();
  error_box_ = false;
  render();
}

void TerminalBackend::end_of_run(std::string_view title, int exit_status) {
  constexpr std::size_t yes = 0;
  constexpr std::size_t no = 1;
  box_ = MessageBox{std::string(title), "/!\\",
                    {"Program Terminated with exit code " + std::to_string(exit_status), "Exit Window?"},
                    {"Yes", "No"}, no};
  render();
  std::size_t pressed = no;
  for (;;) {
    const std::optional<Key> key = next_key();
    if (!key) break;  // nobody left to answer: the default
    if (key->kind == KeyKind::interrupt) interrupt();
    if (key->kind == KeyKind::left || key->kind == KeyKind::right || key->kind == KeyKind::tab) {
      box_->focused = box_->focused == yes ? no : yes;
      render();
    } else if (key->kind == KeyKind::enter) {
      pressed = box_->focused;
      break;
    } else if (key->kind == KeyKind::character && (key->character == 'y' || key->character == 'Y')) {
      pressed = yes;
      break;
    } else if (key->kind == KeyKind::character && (key->character == 'n' || key->character == 'N')) {
      pressed = no;
      break;
    }
  }
  box_.reset();
  if (pressed == no) {
    // The final screen stays until the user closes the window.
    status_ = "Press any key to close the window.";
    render();
    const std::optional<Key> key = next_key();
    if (key && key->kind == KeyKind::interrupt) interrupt();
    status_.clear();
  }
  close_window();
}

void TerminalBackend::close_window() {
  leave_terminal();
  // The run's final screen, as plain text on the normal screen, for the scrollback.
  std::string text;
  const std::vector<std::string>& lines = model_.lines();
  const std::size_t count = !lines.empty() && lines.back().empty() ? lines.size() - 1 : lines.size();
  for (std::size_t i = 0; i < count; ++i) {
    std::string line = shown(lines[i], lines[i].size());
    text += encode(line, codeset_);
    text += '\n';
  }
  write_out(text);
}

}  // namespace

std::unique_ptr<Backend> open_terminal_backend(Codeset codeset) {
  if (::isatty(STDIN_FILENO) == 0 || ::isatty(STDOUT_FILENO) == 0) return nullptr;
  const std::string_view term = environment("TERM");
  if (term.empty() || term == "dumb") return nullptr;
  auto backend = std::make_unique<TerminalBackend>(codeset);
  if (!backend->start()) return nullptr;
  return backend;
}

}  // namespace quiquadrado::console
