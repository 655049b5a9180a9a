// A small terminal for tests: it takes the bytes the console sends and keeps what a real
// terminal would show, cell by cell, so that a test can look at the screen instead of at the
// bytes. It knows exactly the sequences the console uses (CUP, SGR, DECTCEM, the window
// operation and BEL) with autowrap off, and fails the test on any other.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "console/message_box.hpp"
#include "console/plain_backend.hpp"  // OutputError
#include "console/terminal_device.hpp"
#include "console/terminal_frame.hpp"

namespace quiquadrado::console::testing {

struct ScreenCell {
  std::string text = " ";  // the character's bytes as sent
  std::string sgr;         // the SGR sequence in force when it was written ("" for none yet)
  friend bool operator==(const ScreenCell&, const ScreenCell&) = default;
};

class TestTerminal {
 public:
  TestTerminal(std::size_t columns, std::size_t rows) { resize(columns, rows); }

  // A resize keeps the cells that still fit, as the alternate screen of xterm does.
  void resize(std::size_t columns, std::size_t rows) {
    std::vector<std::vector<ScreenCell>> cells(rows, std::vector<ScreenCell>(columns));
    for (std::size_t r = 0; r < rows && r < cells_.size(); ++r) {
      for (std::size_t c = 0; c < columns && c < cells_[r].size(); ++c) cells[r][c] = cells_[r][c];
    }
    cells_ = std::move(cells);
    columns_ = columns;
    rows_ = rows;
    row_ = std::min(row_, rows_ - 1);
    column_ = std::min(column_, columns_ - 1);
  }

  void receive(std::string_view bytes) {
    for (const char c : bytes) take(static_cast<unsigned char>(c));
  }

  std::size_t columns() const { return columns_; }
  std::size_t rows() const { return rows_; }
  const ScreenCell& cell(std::size_t row, std::size_t column) const { return cells_.at(row).at(column); }
  std::size_t cursor_row() const { return row_; }
  std::size_t cursor_column() const { return column_; }
  bool cursor_visible() const { return cursor_visible_; }
  int bells() const { return bells_; }
  int window_operations() const { return window_operations_; }
  // Bytes are one character each (a one-byte codeset), not UTF-8.
  void use_one_byte_characters() { utf8_ = false; }

  // A row's characters as UTF-8, trailing blanks dropped.
  std::string row_text(std::size_t row) const {
    std::string text;
    for (const ScreenCell& cell : cells_.at(row)) text += cell.text;
    return text.substr(0, text.find_last_not_of(' ') + 1);
  }
  // The row that contains text, or rows() when none does.
  std::size_t find_row(std::string_view text) const {
    for (std::size_t r = 0; r < rows_; ++r) {
      if (row_text(r).find(text) != std::string::npos) return r;
    }
    return rows_;
  }
  // Every row, for failure messages.
  std::string dump() const {
    std::string text;
    for (std::size_t r = 0; r < rows_; ++r) {
      text += '|';
      text += row_text(r);
      text += '\n';
    }
    return text;
  }

  // True when every cell shows what the frame asks for, as the renderer would send it.
  ::testing::AssertionResult shows(const Frame& frame, const FrameRenderer& renderer,
                                   std::string_view console_sgr) const {
    if (frame.width() != columns_ || frame.height() != rows_) {
      return ::testing::AssertionFailure() << "size " << columns_ << "x" << rows_ << ", frame " << frame.width() << "x"
                                           << frame.height();
    }
    for (std::size_t r = 0; r < rows_; ++r) {
      for (std::size_t c = 0; c < columns_; ++c) {
        const Cell& wanted = frame.at(r, c);
        const ScreenCell expected{std::string(renderer.cell_bytes(wanted)),
                                  std::string(style_sequence(wanted.style, console_sgr))};
        if (cells_[r][c] != expected) {
          return ::testing::AssertionFailure() << "cell " << r << "," << c << " is '" << cells_[r][c].text << "' "
                                               << printable(cells_[r][c].sgr) << ", expected '" << expected.text
                                               << "' " << printable(expected.sgr) << "\n"
                                               << dump();
        }
      }
    }
    if (frame.cursor_visible != cursor_visible_) return ::testing::AssertionFailure() << "cursor visibility";
    if (frame.cursor_visible && (frame.cursor_row != row_ || frame.cursor_column != column_)) {
      return ::testing::AssertionFailure() << "cursor at " << row_ << "," << column_ << ", expected "
                                           << frame.cursor_row << "," << frame.cursor_column;
    }
    return ::testing::AssertionSuccess();
  }

  static std::string printable(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) text += c == '\x1b' ? std::string("\\e") : std::string(1, c);
    return text;
  }

 private:
  void take(unsigned char byte) {
    if (!sequence_.empty()) {
      sequence_ += static_cast<char>(byte);
      if (sequence_.size() == 2) {
        if (byte != '[') fail(std::string("escape sequence ").append(printable(sequence_)));
        return;
      }
      if (byte >= 0x40 && byte <= 0x7e) {
        act(sequence_);
        sequence_.clear();
      }
      return;
    }
    if (byte == 0x1b) {
      flush_character();
      sequence_ = "\x1b";
      return;
    }
    if (byte == 0x07) {
      ++bells_;
      return;
    }
    if (byte < 0x20) fail(std::string("control character ").append(std::to_string(byte)));
    // UTF-8 or one-byte characters: a character ends where the next one starts.
    if (byte >= 0x80 && byte <= 0xbf && !character_.empty() && utf8_) {
      character_ += static_cast<char>(byte);
    } else {
      flush_character();
      character_ = std::string(1, static_cast<char>(byte));
    }
    if (!utf8_ || complete_utf8()) flush_character();
  }

  bool complete_utf8() const {
    const auto lead = static_cast<unsigned char>(character_[0]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
    return character_.size() >= length;
  }

  void flush_character() {
    if (character_.empty()) return;
    cells_[row_][column_] = ScreenCell{character_, pen_};
    character_.clear();
    if (column_ + 1 < columns_) ++column_;  // autowrap off: the last column keeps the cursor
  }

  void act(const std::string& sequence) {
    const std::string body = sequence.substr(2, sequence.size() - 3);
    const char final_byte = sequence.back();
    if (final_byte == 'm') {
      pen_ = sequence;
    } else if (final_byte == 'H') {
      const std::size_t semicolon = body.find(';');
      if (semicolon == std::string::npos) fail("CUP " + body);
      const std::size_t row = std::stoul(body.substr(0, semicolon));
      const std::size_t column = std::stoul(body.substr(semicolon + 1));
      if (row < 1 || row > rows_ || column < 1 || column > columns_) fail("CUP outside the screen: " + body);
      row_ = row - 1;
      column_ = column - 1;
    } else if (body == "?25" && (final_byte == 'l' || final_byte == 'h')) {
      cursor_visible_ = final_byte == 'h';
    } else if (body == "9;1" && final_byte == 't') {
      ++window_operations_;
    } else {
      fail(std::string("sequence ").append(printable(sequence)));
    }
  }

  [[noreturn]] static void fail(const std::string& what) { throw std::runtime_error("unexpected " + what); }

  std::vector<std::vector<ScreenCell>> cells_;
  std::size_t columns_ = 0;
  std::size_t rows_ = 0;
  std::size_t row_ = 0;
  std::size_t column_ = 0;
  bool cursor_visible_ = true;
  std::string pen_;        // the SGR in force
  std::string sequence_;   // an escape sequence being read
  std::string character_;  // a UTF-8 character being read
  bool utf8_ = true;
  int bells_ = 0;
  int window_operations_ = 0;
};

// Thrown by FakeDevice::interrupt in place of ending the process.
struct Interrupted {};

// A terminal device for tests: typed input from a script, output into a TestTerminal (and, once
// the terminal is given back, into the normal screen's text).
class FakeDevice final : public TerminalDevice {
 public:
  struct Step {
    InputEvent event;              // what read_input answers
    std::string bytes;             // typed bytes, for InputEvent::bytes
    TerminalSize size{};           // the new size, for InputEvent::redraw
  };

  explicit FakeDevice(TerminalSize size) : size_(size), screen_(size.columns, size.rows) {}

  // What read_input answers next, in order; after the last step the input ends.
  void type(std::string bytes) { steps_.push_back(Step{InputEvent::bytes, std::move(bytes), {}}); }
  void resize_to(TerminalSize size) { steps_.push_back(Step{InputEvent::redraw, {}, size}); }
  void pause() { steps_.push_back(Step{InputEvent::timed_out, {}, {}}); }
  // The terminal hangs up: the input ends and every later write fails.
  void hang_up() { steps_.push_back(Step{InputEvent::end_of_input, {}, {}}); }
  // Boxes are shown as the system's own windows, each answered with the next of these buttons.
  void answer_in_windows(std::deque<std::size_t> buttons) {
    window_answers_ = std::move(buttons);
    shows_windows_ = true;
  }
  void hold_input() { hold_ = true; }  // read_input throws instead of ending the input
  void gone_after_restore() { gone_after_restore_ = true; }  // writes after restore() fail

  InputEvent read_input(std::string& bytes, int) override {
    if (steps_.empty()) {
      if (hold_) throw std::runtime_error("the console waited for input that the test did not give");
      return InputEvent::end_of_input;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    if (step.event == InputEvent::end_of_input) gone_ = true;
    if (step.event == InputEvent::bytes) bytes += step.bytes;
    if (step.event == InputEvent::redraw) {
      size_ = step.size;
      screen_.resize(size_.columns, size_.rows);
    }
    return step.event;
  }
  void write(std::string_view bytes) override {
    if (gone_ || (restored_ && gone_after_restore_)) throw OutputError("the terminal is gone");
    if (restored_) {
      normal_screen_ += bytes;
    } else {
      screen_.receive(bytes);
      written_ += bytes;
      ++writes_;
    }
  }
  TerminalSize size() override { return size_; }
  void maximize() override { write("\x1b[9;1t"); }
  std::optional<std::size_t> ask_in_window(const MessageBox& box) override {
    if (!shows_windows_) return std::nullopt;
    windows_.push_back(box);
    if (window_answers_.empty()) throw std::runtime_error("a window waited for an answer that the test did not give");
    const std::size_t button = window_answers_.front();
    window_answers_.pop_front();
    return button;
  }
  void set_hangup_ends_input(bool ends_input) override { hangup_ends_input_ = ends_input; }
  void restore() override { restored_ = true; }
  [[noreturn]] void interrupt() override {
    restored_ = true;
    throw Interrupted{};
  }

  TestTerminal& screen() { return screen_; }
  const std::string& written() const { return written_; }
  const std::string& normal_screen() const { return normal_screen_; }
  bool restored() const { return restored_; }
  bool hangup_ends_input() const { return hangup_ends_input_; }
  bool input_left() const { return !steps_.empty(); }
  int writes() const { return writes_; }  // write calls to the alternate screen
  const std::vector<MessageBox>& windows() const { return windows_; }  // boxes shown as windows

 private:
  std::deque<Step> steps_;
  TerminalSize size_;
  TestTerminal screen_;
  std::string written_;        // every byte sent to the alternate screen
  int writes_ = 0;             // and in how many writes
  std::string normal_screen_;  // every byte sent after the restore
  bool restored_ = false;
  bool hangup_ends_input_ = false;
  bool hold_ = false;
  bool gone_after_restore_ = false;
  bool gone_ = false;  // hung up: no write succeeds
  bool shows_windows_ = false;
  std::deque<std::size_t> window_answers_;
  std::vector<MessageBox> windows_;
};

}  // namespace quiquadrado::console::testing
