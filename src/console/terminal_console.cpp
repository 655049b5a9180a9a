// Sent here besides the frames (see terminal_frame.hpp): BEL (0x07), the bell.
#include "console/terminal_console.hpp"

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include "console/plain_backend.hpp"  // OutputError

namespace quiquadrado::console {

namespace {

constexpr std::string_view bell = "\a";
constexpr int escape_wait_ms = 50;  // how long an ESC waits for the rest of its sequence
constexpr unsigned char ctrl_c = 0x03;

constexpr std::size_t yes_button = 0;
constexpr std::size_t no_button = 1;

bool is_character(const Key& key, char lower) {
  return key.kind == KeyKind::character &&
         (key.character == lower || key.character == static_cast<char>(lower - 'a' + 'A'));
}

}  // namespace

TerminalConsole::TerminalConsole(std::unique_ptr<TerminalDevice> device, Codeset codeset, const TerminalFacts& facts)
    : device_(std::move(device)),
      depth_(choose_colour_depth(facts)),
      may_maximize_(!in_multiplexer(facts)),
      keys_(codeset),
      renderer_(codeset),
      size_(device_->size()),
      shown_(size_.columns, size_.rows) {}

Frame TerminalConsole::compose() const {
  const std::string_view typing = reading_ ? std::string_view(editor_.line()) : std::string_view();
  const View view = model_.layout(size_.columns, size_.rows, typing);
  Frame frame(size_.columns, size_.rows);
  for (std::size_t row = 0; row < view.rows.size() && row < frame.height(); ++row) {
    frame.put_text(row, 0, view.rows[row], Style::console);
  }
  frame.cursor_row = view.cursor_row;
  frame.cursor_column = view.cursor_column;
  frame.cursor_visible = !box_ && status_.empty();
  if (box_) paint_box(frame, *box_, place_box(*box_, frame.width(), frame.height(), view.last_used_row));
  if (!status_.empty()) {
    const std::size_t bottom = frame.height() - 1;
    frame.fill(bottom, 0, frame.width(), Cell{' ', Glyph::text, Style::status});
    frame.put_text(bottom, 1, status_, Style::status);
  }
  return frame;
}

void TerminalConsole::present() {
  frame_pending_ = false;
  if (closed_) return;
  shown_ = compose();
  const std::string bytes = renderer_.update(shown_);
  if (!bytes.empty()) device_->write(bytes);
}

// Keys that arrive together (a paste, type-ahead) are answered together: one frame and at most
// one bell, sent before the console waits for more.
void TerminalConsole::show_pending() {
  if (frame_pending_) present();
  if (bell_pending_) {
    bell_pending_ = false;
    device_->write(bell);
  }
}

void TerminalConsole::interrupt() {
  device_->interrupt();
  std::terminate();  // not reached: the device ends the process
}

std::optional<Key> TerminalConsole::next_key() {
  for (;;) {
    if (std::optional<Key> key = keys_.next()) return key;
    if (input_ended_) return std::nullopt;  // nothing more to draw for: the caller decides
    show_pending();
    input_.clear();
    const InputEvent event = device_->read_input(input_, keys_.in_escape() ? escape_wait_ms : -1);
    switch (event) {
      case InputEvent::bytes:
        // Ctrl-C ends the run at once, ahead of anything typed before it, as a terminal's
        // interrupt character would.
        if (input_.find(static_cast<char>(ctrl_c)) != std::string::npos) interrupt();
        for (const char c : input_) keys_.feed(static_cast<unsigned char>(c));
        break;
      case InputEvent::timed_out: keys_.escape_timeout(); break;
      case InputEvent::redraw:
        size_ = device_->size();
        renderer_.invalidate();
        present();
        break;
      case InputEvent::end_of_input:
        input_ended_ = true;
        keys_.escape_timeout();
        break;
    }
  }
}

void TerminalConsole::write_text(std::string_view text) {
  model_.write_text(text);
  present();
}

void TerminalConsole::line_break() {
  model_.line_break();
  present();
}

std::optional<std::string> TerminalConsole::read_line() {
  editor_.clear();
  reading_ = true;
  present();
  for (;;) {
    const std::optional<Key> key = next_key();
    switch (key ? editor_.apply(*key) : EditResult::no_line) {
      case EditResult::unchanged: break;
      case EditResult::changed: frame_pending_ = true; break;
      case EditResult::bell: bell_pending_ = true; break;
      case EditResult::interrupt: interrupt();
      case EditResult::no_line:
        reading_ = false;
        frame_pending_ = true;
        show_pending();
        return std::nullopt;
      case EditResult::done: {
        std::string line = editor_.line();
        reading_ = false;
        model_.write_text(line);
        model_.line_break();
        frame_pending_ = true;
        show_pending();
        return line;
      }
    }
  }
}

// The main window is the terminal's own window: asked to maximise itself unless it belongs to
// a multiplexer. The console window is the alternate screen, which always fills the terminal;
// either way the console takes the terminal's size as it is now (a maximised window reports its
// new size later, as a resize).
bool TerminalConsole::maximize_window(Window window) {
  bool done = true;
  if (window == Window::main) {
    done = may_maximize_;
    if (may_maximize_) device_->maximize();
  }
  size_ = device_->size();
  present();
  return done;
}

Rgb TerminalConsole::set_background_rgb(Rgb colour) {
  const Rgb previous = background_;
  background_ = colour;
  renderer_.set_console_colours(colour_sequence(colour, depth_));
  present();
  return previous;
}

// Every cell is written again, as a blank in the background colour: erasing (ED) would leave
// the colour to the terminal, and tmux and GNU screen do not erase with it.
void TerminalConsole::clear_console() {
  model_.clear();
  renderer_.invalidate();
  present();
}

void TerminalConsole::report_error(std::string_view title, std::string_view text) {
  MessageBox box{std::string(title), std::string(error_icon_symbol), {std::string(text)}, {"OK"}, 0, true};
  present();
  if (device_->ask_in_window(box)) return;
  box_ = std::move(box);
  present();
  for (;;) {
    const std::optional<Key> key = next_key();
    if (!key || key->kind == KeyKind::enter || key->kind == KeyKind::escape || is_character(*key, 'o') ||
        (key->kind == KeyKind::character && key->character == ' ')) {
      break;
    }
    if (key->kind == KeyKind::interrupt) interrupt();
  }
  box_.reset();
  present();
}

void TerminalConsole::end_of_run(std::string_view title, int exit_status) {
  // From here on, closing the terminal is an answer like any other.
  device_->set_hangup_ends_input(true);
  std::string question = "Program Terminated with exit code ";
  question += std::to_string(exit_status);
  MessageBox box{std::string(title), std::string(warning_icon_symbol), {question, "Exit Window?"}, {"Yes", "No"},
                 no_button, false};
  present();
  std::optional<std::size_t> pressed = device_->ask_in_window(box);
  if (!pressed) {
    box_ = std::move(box);
    pressed = ask_yes_or_no();
    box_.reset();
  }
  if (*pressed == no_button && !input_ended_) {
    // The final screen stays until the user closes it: any key, or closing the terminal.
    status_ = close_hint;
    present();
    const std::optional<Key> key = next_key();
    if (key && key->kind == KeyKind::interrupt) interrupt();
    status_.clear();
  }
  close_window();
}

// The Yes/No box drawn in the console: the button pressed; No, the default, when nobody is left
// to answer.
std::size_t TerminalConsole::ask_yes_or_no() {
  present();
  for (;;) {
    const std::optional<Key> key = next_key();
    if (!key) return no_button;
    if (key->kind == KeyKind::left || key->kind == KeyKind::right || key->kind == KeyKind::tab ||
        key->kind == KeyKind::back_tab) {
      box_->focused = box_->focused == yes_button ? no_button : yes_button;
      frame_pending_ = true;
    } else if (key->kind == KeyKind::enter || (key->kind == KeyKind::character && key->character == ' ')) {
      return box_->focused;
    } else if (is_character(*key, 'y')) {
      return yes_button;
    } else if (is_character(*key, 'n')) {
      return no_button;
    } else if (key->kind == KeyKind::interrupt) {
      interrupt();
    }
  }
}

// Gives the terminal back, then writes the run's final screen on the normal screen as plain
// text, where it stays in the terminal's scrollback.
void TerminalConsole::close_window() {
  closed_ = true;
  device_->restore();
  const std::vector<std::string>& lines = model_.lines();
  const std::size_t count = lines.back().empty() ? lines.size() - 1 : lines.size();
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    text += renderer_.shown_text(lines[i]);
    text += '\n';
  }
  try {
    device_->write(text);
  } catch (const OutputError&) {
    // A terminal that has hung up takes no final screen; there is nobody left to read it.
    if (!input_ended_) throw;
  }
}

}  // namespace quiquadrado::console
