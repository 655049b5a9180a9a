// The console on Windows. It owns the console for the whole run: its own screen buffer, the
// input and output modes, and the colours are set in one place and given back by one idempotent
// restore, which the normal end, the console's control handler (Ctrl-Break, closing the
// window), exit() and std::terminate all go through.
//
// The screen is drawn from the same ScreenModel as on any other console: every frame is the
// whole view, each row filled to the width, with a message box or a status line over it. Where
// the console takes virtual-terminal sequences (ENABLE_VIRTUAL_TERMINAL_PROCESSING) the frame
// is one UTF-16 string with the background as 24-bit colour; elsewhere it is painted cell by
// cell with console attributes and the nearest of the console's 16 colours. Text always goes
// out as UTF-16, so accents are right whatever the console's code page.
//
// Keys come from ReadConsoleInputW's key records: the editing keys by their virtual-key codes,
// everything else by its character, fed as UTF-8 to the same KeyDecoder and LineEditor as on a
// terminal, so Ctrl-C, Ctrl-D and Ctrl-Z mean the same everywhere.
//
// The error report and the end-of-run prompt are real message boxes; where none can be shown
// (no display, as for Wine on a bare terminal) they are drawn inside the console instead, as on
// a terminal.
#include "console/windows_backend.hpp"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#undef MessageBox  // the console's own MessageBox, not the ANSI/wide switch of <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/colour.hpp"
#include "console/encoding.hpp"
#include "console/keys.hpp"
#include "console/line_editor.hpp"
#include "console/message_box.hpp"
#include "console/screen_model.hpp"
#include "console/windows_message_box.hpp"

namespace quiquadrado::console {

namespace {

constexpr int interrupted_status = 130;  // as a POSIX shell reports a run ended by Ctrl-C

// ---- The console as it was, and whether we hold it: touched by the control handler, which
// runs on a thread of its own. ----
struct ConsoleState {
  HANDLE input = INVALID_HANDLE_VALUE;   // standard input's console
  HANDLE output = INVALID_HANDLE_VALUE;  // standard output's screen buffer, as found
  HANDLE screen = INVALID_HANDLE_VALUE;  // the buffer the run draws on (output if none of its own)
  DWORD input_mode = 0;                  // modes before the run
  DWORD output_mode = 0;
  WORD attributes = 0;                   // colours before the run
  volatile LONG active = 0;              // the console is ours
};
ConsoleState console_state;

void leave_console() noexcept {
  if (InterlockedExchange(&console_state.active, 0) == 0) return;
  SetConsoleMode(console_state.input, console_state.input_mode);
  if (console_state.screen != console_state.output) SetConsoleActiveScreenBuffer(console_state.output);
  SetConsoleMode(console_state.output, console_state.output_mode);
  SetConsoleTextAttribute(console_state.output, console_state.attributes);
}

BOOL WINAPI on_console_control(DWORD event) {
  leave_console();
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) ExitProcess(interrupted_status);
  return FALSE;  // closing, logoff, shutdown: the default handler ends the process
}

extern "C" void leave_console_at_exit() { leave_console(); }

[[noreturn]] void leave_console_and_abort() {
  leave_console();
  std::abort();
}

// Windows-1252 text as UTF-16.
std::wstring wide(std::string_view cp1252) {
  const std::string utf8 = encode(cp1252, Codeset::utf8);
  if (utf8.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
  return text;
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

enum class Style : std::uint8_t { screen, box_body, box_title, error_icon, warning_icon, focused, status };

// Sequences for the styles other than the screen's own colours.
std::string_view style_sequence(Style style) {
  switch (style) {
    case Style::screen: break;
    case Style::box_body: return "\x1b[0;30;47m";       // black on light grey
    case Style::box_title: return "\x1b[0;1;97;44m";    // bold white on blue
    case Style::error_icon: return "\x1b[0;1;97;41m";   // white on red
    case Style::warning_icon: return "\x1b[0;30;103m";  // black on yellow
    case Style::focused: return "\x1b[0;1;97;40m";      // bold white on black
    case Style::status: return "\x1b[0;7m";             // reverse video
  }
  return "\x1b[0m";
}

constexpr WORD white_text = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE | FOREGROUND_INTENSITY;

// The nearest background to colour among the console's colours that keep white text readable:
// the eight dark ones of its classic palette and dark grey.
WORD background_attribute(Rgb colour) {
  struct Choice {
    Rgb colour;
    WORD attribute;
  };
  constexpr Choice choices[] = {
      {{0, 0, 0}, 0},
      {{0, 0, 128}, BACKGROUND_BLUE},
      {{0, 128, 0}, BACKGROUND_GREEN},
      {{0, 128, 128}, BACKGROUND_GREEN | BACKGROUND_BLUE},
      {{128, 0, 0}, BACKGROUND_RED},
      {{128, 0, 128}, BACKGROUND_RED | BACKGROUND_BLUE},
      {{128, 128, 0}, BACKGROUND_RED | BACKGROUND_GREEN},
      {{128, 128, 128}, BACKGROUND_INTENSITY},
  };
  const auto distance = [&colour](const Rgb& other) {
    const auto square = [](int from, int to) { return (from - to) * (from - to); };
    return square(colour.red, other.red) + square(colour.green, other.green) + square(colour.blue, other.blue);
  };
  const Choice* best = &choices[0];
  for (const Choice& choice : choices) {
    if (distance(choice.colour) < distance(best->colour)) best = &choice;
  }
  return best->attribute;
}

WORD style_attribute(Style style, WORD screen) {
  switch (style) {
    case Style::screen: break;
    case Style::box_body: return BACKGROUND_RED | BACKGROUND_GREEN | BACKGROUND_BLUE;
    case Style::box_title: return white_text | BACKGROUND_BLUE;
    case Style::error_icon: return white_text | BACKGROUND_RED;
    case Style::warning_icon: return BACKGROUND_RED | BACKGROUND_GREEN | BACKGROUND_INTENSITY;
    case Style::focused: return white_text;
    case Style::status: return BACKGROUND_RED | BACKGROUND_GREEN | BACKGROUND_BLUE;
  }
  return screen;
}

// Whether a screen buffer that took ENABLE_VIRTUAL_TERMINAL_PROCESSING really acts on the
// sequences a frame uses (some consoles accept the mode and print the sequences as text): a
// 24-bit colour must leave the cursor where it was, and a cursor position must move it there.
bool sequences_work(HANDLE screen) {
  const auto cursor_after = [screen](std::wstring_view text, COORD& cursor) {
    DWORD written = 0;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (WriteConsoleW(screen, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) == 0 ||
        GetConsoleScreenBufferInfo(screen, &info) == 0) {
      return false;
    }
    cursor = info.dwCursorPosition;
    return true;
  };
  COORD cursor{};
  if (SetConsoleCursorPosition(screen, COORD{0, 0}) == 0) return false;
  if (!cursor_after(L"\x1b[0;38;2;255;255;255;48;2;1;2;3m", cursor) || cursor.X != 0 || cursor.Y != 0) return false;
  if (!cursor_after(L"\x1b[2;3H", cursor) || cursor.X != 2 || cursor.Y != 1) return false;
  return cursor_after(L"\x1b[0m\x1b[1;1H", cursor) && cursor.X == 0 && cursor.Y == 0;
}

// A run of cells of one style: text already fitted to where it goes.
struct Span {
  std::size_t row = 0;
  std::size_t column = 0;
  std::string text;  // Windows-1252
  Style style = Style::screen;
};

class WindowsBackend final : public Backend {
 public:
  WindowsBackend() : keys_(Codeset::utf8) {}
  ~WindowsBackend() override { leave_console(); }
  WindowsBackend(const WindowsBackend&) = delete;
  WindowsBackend& operator=(const WindowsBackend&) = delete;

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
  void update_size();
  void render();
  void box_spans(std::vector<Span>& spans, const View& view) const;
  void paint_with_sequences(const std::vector<Span>& spans, const View& view, bool show_cursor);
  void paint_with_attributes(const std::vector<Span>& spans, const View& view, bool show_cursor);
  void write_wide(const std::wstring& text);
  std::optional<Key> next_key();
  void take_record(const KEY_EVENT_RECORD& record);
  std::size_t ask_in_console(MessageBox box, bool error);
  void close_window();
  [[noreturn]] void interrupt();

  bool sequences_ = false;              // the screen buffer takes virtual-terminal sequences
  ScreenModel model_;                   // what the console shows
  LineEditor editor_;                   // the line being typed
  KeyDecoder keys_;                     // typed characters, as UTF-8, to keys
  std::deque<Key> typed_;               // keys taken from records and not yet used
  wchar_t high_surrogate_ = 0;          // first half of a character outside the BMP
  bool reading_ = false;                // a line is being typed: show the editor's line
  std::optional<MessageBox> box_;       // a message box drawn in the console
  bool error_box_ = false;              // box_ is the error report (icon colour)
  std::string status_;                  // a hint on the bottom row, when not empty
  Rgb background_{};                    // the background last set
  std::string colour_ = "\x1b[0m";      // SGR of the console's colours
  WORD attribute_ = white_text;         // the same as a console attribute
  std::size_t width_ = 80;              // columns of the window
  std::size_t height_ = 25;             // rows of the window
  bool output_failed_ = false;          // the console took no more output
};

bool WindowsBackend::start() {
  ConsoleState& state = console_state;
  state.input = GetStdHandle(STD_INPUT_HANDLE);
  state.output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (GetConsoleMode(state.input, &state.input_mode) == 0) return false;
  if (GetConsoleMode(state.output, &state.output_mode) == 0) return false;
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(state.output, &info) == 0) return false;
  state.attributes = info.wAttributes;

  // A screen buffer of our own, the size of the window, so that what was on the console before
  // is there again afterwards.
  state.screen = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
  if (state.screen == INVALID_HANDLE_VALUE) state.screen = state.output;

  SetConsoleCtrlHandler(on_console_control, TRUE);
  std::atexit(leave_console_at_exit);
  std::set_terminate(leave_console_and_abort);

  // Keys as records, Ctrl-C among them; no echo, no line input, no mouse selection.
  SetConsoleMode(state.input, ENABLE_EXTENDED_FLAGS | ENABLE_WINDOW_INPUT);
  const DWORD base = ENABLE_PROCESSED_OUTPUT;  // no ENABLE_WRAP_AT_EOL_OUTPUT: the last cell never scrolls
  sequences_ = SetConsoleMode(state.screen, base | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 &&
               sequences_work(state.screen);
  if (!sequences_) SetConsoleMode(state.screen, base);
  if (state.screen != state.output) SetConsoleActiveScreenBuffer(state.screen);
  state.active = 1;

  update_size();
  render();
  return true;
}

void WindowsBackend::update_size() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(console_state.screen, &info) == 0) return;
  const SHORT columns = static_cast<SHORT>(info.srWindow.Right - info.srWindow.Left + 1);
  const SHORT rows = static_cast<SHORT>(info.srWindow.Bottom - info.srWindow.Top + 1);
  if (columns <= 0 || rows <= 0) return;
  // No scrolling inside the buffer: it is exactly the window.
  if (console_state.screen != console_state.output && (info.dwSize.X != columns || info.dwSize.Y != rows)) {
    SMALL_RECT window{0, 0, static_cast<SHORT>(columns - 1), static_cast<SHORT>(rows - 1)};
    SetConsoleWindowInfo(console_state.screen, TRUE, &window);
    SetConsoleScreenBufferSize(console_state.screen, COORD{columns, rows});
  }
  width_ = static_cast<std::size_t>(columns);
  height_ = static_cast<std::size_t>(rows);
}

void WindowsBackend::write_wide(const std::wstring& text) {
  const wchar_t* data = text.data();
  std::size_t left = text.size();
  while (left > 0 && !output_failed_) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(left, 16384));
    if (WriteConsoleW(console_state.screen, data, chunk, &written, nullptr) == 0 || written == 0) {
      output_failed_ = true;
      return;
    }
    data += written;
    left -= written;
  }
}

void WindowsBackend::render() {
  if (console_state.active == 0 || output_failed_) return;
  const View view = model_.layout(width_, height_, reading_ ? std::string_view(editor_.line()) : std::string_view());
  std::vector<Span> spans;
  for (std::size_t row = 0; row < view.rows.size(); ++row) spans.push_back({row, 0, shown(view.rows[row], width_), Style::screen});
  if (box_) box_spans(spans, view);
  if (!status_.empty()) spans.push_back({height_ - 1, 0, shown(status_, width_), Style::status});
  const bool show_cursor = !box_ && status_.empty();
  if (sequences_) {
    paint_with_sequences(spans, view, show_cursor);
  } else {
    paint_with_attributes(spans, view, show_cursor);
  }
}

void WindowsBackend::paint_with_sequences(const std::vector<Span>& spans, const View& view, bool show_cursor) {
  std::string frame = "\x1b[?25l\x1b[?7l";
  const auto cursor_to = [&frame](std::size_t row, std::size_t column) {
    frame += "\x1b[" + std::to_string(row + 1) + ';' + std::to_string(column + 1) + 'H';
  };
  for (const Span& span : spans) {
    cursor_to(span.row, span.column);
    frame += span.style == Style::screen ? std::string_view(colour_) : style_sequence(span.style);
    frame += encode(span.text, Codeset::utf8);
  }
  frame += colour_;
  if (show_cursor) {
    cursor_to(view.cursor_row, view.cursor_column);
    frame += "\x1b[?25h";
  }
  const int size = MultiByteToWideChar(CP_UTF8, 0, frame.data(), static_cast<int>(frame.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, frame.data(), static_cast<int>(frame.size()), text.data(), size);
  write_wide(text);
}

void WindowsBackend::paint_with_attributes(const std::vector<Span>& spans, const View& view, bool show_cursor) {
  const HANDLE screen = console_state.screen;
  CONSOLE_CURSOR_INFO cursor{};
  GetConsoleCursorInfo(screen, &cursor);
  cursor.bVisible = FALSE;
  SetConsoleCursorInfo(screen, &cursor);
  for (const Span& span : spans) {
    const std::wstring text = wide(span.text);
    const COORD at{static_cast<SHORT>(span.column), static_cast<SHORT>(span.row)};
    DWORD done = 0;
    if (WriteConsoleOutputCharacterW(screen, text.data(), static_cast<DWORD>(text.size()), at, &done) == 0) {
      output_failed_ = true;
      return;
    }
    FillConsoleOutputAttribute(screen, style_attribute(span.style, attribute_), static_cast<DWORD>(text.size()), at, &done);
  }
  SetConsoleTextAttribute(screen, attribute_);
  if (show_cursor) {
    SetConsoleCursorPosition(screen, COORD{static_cast<SHORT>(view.cursor_column), static_cast<SHORT>(view.cursor_row)});
    cursor.bVisible = TRUE;
    SetConsoleCursorInfo(screen, &cursor);
  }
}

void WindowsBackend::box_spans(std::vector<Span>& spans, const View& view) const {
  const MessageBox& box = *box_;
  const BoxPlacement place = place_box(box, width_, height_, view.last_used_row);
  if (place.width < 2 || place.height < 2) return;
  const std::size_t inner = place.width - 2;
  const std::string border = "+" + std::string(inner, '-') + "+";

  // Each row of the box as spans relative to its left border.
  std::vector<std::vector<Span>> rows;
  rows.push_back({{0, 0, border, Style::box_body}});
  rows.push_back({{0, 0, "|", Style::box_body}, {0, 1, shown(" " + box.title, inner), Style::box_title},
                  {0, inner + 1, "|", Style::box_body}});
  rows.push_back({{0, 0, border, Style::box_body}});
  for (std::size_t i = 0; i < box.text.size(); ++i) {
    const std::string blank_icon(box.icon.size(), ' ');
    const std::string lead = box.icon.empty() ? "  " : "  " + blank_icon + "  ";
    std::vector<Span> row{{0, 0, "|" + shown(lead + box.text[i], inner) + "|", Style::box_body}};
    if (i == 0 && !box.icon.empty() && inner >= 2 + box.icon.size()) {
      row.push_back({0, 3, box.icon, error_box_ ? Style::error_icon : Style::warning_icon});
    }
    rows.push_back(row);
  }
  rows.push_back({{0, 0, "|" + std::string(inner, ' ') + "|", Style::box_body}});
  {
    std::vector<std::size_t> starts;
    const std::string buttons = button_row(box, inner, starts);
    std::vector<Span> row{{0, 0, "|" + shown(buttons, inner) + "|", Style::box_body}};
    if (box.focused < starts.size() && starts[box.focused] < inner) {
      const std::size_t start = starts[box.focused];
      const std::size_t end = std::min(inner, start + box.buttons[box.focused].size() + 4);
      row.push_back({0, 1 + start, shown(buttons.substr(start, end - start), end - start), Style::focused});
    }
    rows.push_back(row);
  }
  rows.push_back({{0, 0, border, Style::box_body}});

  // A screen lower than the box keeps its top rows and the buttons.
  if (rows.size() > place.height) {
    const std::size_t tail = std::min<std::size_t>(3, place.height);
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(place.height - tail),
               rows.end() - static_cast<std::ptrdiff_t>(tail));
  }
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (Span span : rows[r]) {
      span.row = place.top + r;
      span.column += place.left;
      spans.push_back(std::move(span));
    }
  }
}

void WindowsBackend::take_record(const KEY_EVENT_RECORD& record) {
  const WORD repeat = record.wRepeatCount == 0 ? 1 : record.wRepeatCount;
  const auto push = [&](Key key) {
    for (WORD i = 0; i < repeat; ++i) typed_.push_back(key);
  };
  switch (record.wVirtualKeyCode) {
    case VK_LEFT: push(Key{KeyKind::left, 0}); return;
    case VK_RIGHT: push(Key{KeyKind::right, 0}); return;
    case VK_RETURN: push(Key{KeyKind::enter, 0}); return;
    case VK_BACK: push(Key{KeyKind::backspace, 0}); return;
    case VK_TAB: push(Key{KeyKind::tab, 0}); return;
    case VK_ESCAPE: push(Key{KeyKind::escape, 0}); return;
    default: break;
  }
  const wchar_t unit = record.uChar.UnicodeChar;
  if (unit == 0 || unit == 0x1b) return;  // Shift, Ctrl, Alt alone; function keys
  std::uint32_t code_point = unit;
  if (unit >= 0xd800 && unit <= 0xdbff) {
    high_surrogate_ = unit;
    return;
  }
  if (unit >= 0xdc00 && unit <= 0xdfff) {
    if (high_surrogate_ == 0) return;
    code_point = 0x10000 + ((static_cast<std::uint32_t>(high_surrogate_) - 0xd800) << 10) + (unit - 0xdc00u);
  }
  high_surrogate_ = 0;
  char utf8[4];
  int size = 0;
  if (code_point < 0x80) {
    utf8[size++] = static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    utf8[size++] = static_cast<char>(0xc0 | (code_point >> 6));
    utf8[size++] = static_cast<char>(0x80 | (code_point & 0x3f));
  } else if (code_point < 0x10000) {
    utf8[size++] = static_cast<char>(0xe0 | (code_point >> 12));
    utf8[size++] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3f));
    utf8[size++] = static_cast<char>(0x80 | (code_point & 0x3f));
  } else {
    utf8[size++] = static_cast<char>(0xf0 | (code_point >> 18));
    utf8[size++] = static_cast<char>(0x80 | ((code_point >> 12) & 0x3f));
    utf8[size++] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3f));
    utf8[size++] = static_cast<char>(0x80 | (code_point & 0x3f));
  }
  for (WORD i = 0; i < repeat; ++i) {
    for (int b = 0; b < size; ++b) keys_.feed(static_cast<unsigned char>(utf8[b]));
    while (std::optional<Key> key = keys_.next()) typed_.push_back(*key);
  }
}

std::optional<Key> WindowsBackend::next_key() {
  while (typed_.empty()) {
    INPUT_RECORD record{};
    DWORD got = 0;
    if (ReadConsoleInputW(console_state.input, &record, 1, &got) == 0) return std::nullopt;
    if (got == 0) continue;
    if (record.EventType == WINDOW_BUFFER_SIZE_EVENT) {
      update_size();
      render();
    } else if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) {
      take_record(record.Event.KeyEvent);
    }
  }
  const Key key = typed_.front();
  typed_.pop_front();
  return key;
}

void WindowsBackend::interrupt() {
  leave_console();
  std::fflush(nullptr);
  ExitProcess(interrupted_status);
}

std::optional<std::string> WindowsBackend::read_line() {
  editor_.clear();
  reading_ = true;
  render();
  for (;;) {
    const std::optional<Key> key = next_key();
    const EditResult result = key ? editor_.apply(*key) : EditResult::no_line;
    switch (result) {
      case EditResult::unchanged: break;
      case EditResult::changed: render(); break;
      case EditResult::bell: MessageBeep(MB_OK); break;
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

bool WindowsBackend::maximize_window(Window window) {
  if (window == Window::main) {
    const HWND console_window = GetConsoleWindow();
    if (console_window != nullptr) ShowWindow(console_window, SW_MAXIMIZE);
  }
  update_size();
  render();
  return true;
}

Rgb WindowsBackend::set_background_rgb(Rgb colour) {
  const Rgb previous = background_;
  background_ = colour;
  colour_ = colour_sequence(colour, ColourDepth::direct);
  attribute_ = static_cast<WORD>(white_text | background_attribute(colour));
  render();
  return previous;
}

// The box drawn in the console, for where no window can be shown; returns the button pressed.
std::size_t WindowsBackend::ask_in_console(MessageBox box, bool error) {
  const std::size_t default_button = box.focused;
  box_ = std::move(box);
  error_box_ = error;
  render();
  std::size_t pressed = default_button;
  for (;;) {
    const std::optional<Key> key = next_key();
    if (!key) break;  // nobody left to answer: the default
    if (key->kind == KeyKind::interrupt) interrupt();
    const std::size_t count = box_->buttons.size();
    if (count > 1 && (key->kind == KeyKind::left || key->kind == KeyKind::right || key->kind == KeyKind::tab)) {
      box_->focused = key->kind == KeyKind::left ? (box_->focused + count - 1) % count : (box_->focused + 1) % count;
      render();
      continue;
    }
    if (key->kind == KeyKind::enter || (key->kind == KeyKind::character && key->character == ' ')) {
      pressed = box_->focused;
      break;
    }
    if (key->kind == KeyKind::character) {
      // A button's first letter presses it.
      const char typed = static_cast<char>(key->character | 0x20);
      std::size_t found = count;
      for (std::size_t b = 0; b < count; ++b) {
        if (static_cast<char>(box_->buttons[b].front() | 0x20) == typed) found = b;
      }
      if (found < count) {
        pressed = found;
        break;
      }
    }
  }
  box_.reset();
  error_box_ = false;
  render();
  return pressed;
}

void WindowsBackend::report_error(std::string_view title, std::string_view text) {
  render();
  MessageBox box{std::string(title), std::string(error_icon_symbol), {std::string(text)}, {"OK"}, 0, true};
  if (!ask_in_window(box)) ask_in_console(std::move(box), true);
}

void WindowsBackend::end_of_run(std::string_view title, int exit_status) {
  constexpr std::size_t no = 1;
  const std::string question = "Program Terminated with exit code " + std::to_string(exit_status);
  render();
  MessageBox box{std::string(title), std::string(warning_icon_symbol), {question, "Exit Window?"}, {"Yes", "No"}, no};
  std::optional<std::size_t> pressed = ask_in_window(box);
  if (!pressed) pressed = ask_in_console(std::move(box), false);
  if (*pressed == no) {
    // The final screen stays until the user closes the window.
    status_ = "Press any key to close the window.";
    render();
    const std::optional<Key> key = next_key();
    if (key && key->kind == KeyKind::interrupt) interrupt();
    status_.clear();
  }
  close_window();
}

void WindowsBackend::close_window() {
  leave_console();
  // The run's final screen, as plain text on the console as it was, for its scrollback.
  std::string text;
  const std::vector<std::string>& lines = model_.lines();
  const std::size_t count = !lines.empty() && lines.back().empty() ? lines.size() - 1 : lines.size();
  for (std::size_t i = 0; i < count; ++i) {
    text += shown(lines[i], lines[i].size());
    text += "\r\n";
  }
  const std::wstring out = wide(text);
  DWORD written = 0;
  if (!out.empty()) WriteConsoleW(console_state.output, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
}

}  // namespace

std::unique_ptr<Backend> open_windows_backend() {
  DWORD mode = 0;
  if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) == 0) return nullptr;
  if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) == 0) return nullptr;
  auto backend = std::make_unique<WindowsBackend>();
  if (!backend->start()) return nullptr;
  return backend;
}

void use_binary_standard_streams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace quiquadrado::console
