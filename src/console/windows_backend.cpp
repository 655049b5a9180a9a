// The Windows console as a terminal device: the same TerminalConsole draws on it as on a POSIX
// terminal, so screen, line editing, colours and boxes are one piece of code everywhere.
//
// The device owns the console for the whole run: a screen buffer of its own (the alternate
// screen's counterpart), the input and output modes, and the colours are set in one place and
// given back by one idempotent restore, which the normal end, Ctrl-C, the console's control
// handler (Ctrl-Break, closing the window), exit() and std::terminate all go through.
//
// Output: where the screen buffer takes virtual-terminal sequences (and really acts on them:
// some consoles accept the mode and print the sequences as text), the renderer's bytes go out
// as they are, as UTF-16. Elsewhere a SequenceReader reads them back and the cells are painted
// through the console's calls, in the nearest of its 16 colours. Text is always UTF-16, so the
// accents are right whatever the console's code page.
//
// Input: key records (ReadConsoleInputW) become a terminal's bytes through KeyRecordReader; a
// change of the buffer's size is a redraw.
//
// Message boxes are the system's own (MessageBoxW); where none can be shown (no display, as for
// Wine on a bare terminal) the console draws them itself.
#include "console/windows_backend.hpp"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#undef MessageBox  // the console's own MessageBox, not the ANSI/wide switch of <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "console/key_records.hpp"
#include "console/plain_backend.hpp"  // OutputError
#include "console/sequence_reader.hpp"
#include "console/terminal_console.hpp"
#include "console/terminal_device.hpp"
#include "console/terminal_facts.hpp"
#include "console/windows_message_box.hpp"
#include "console/windows_text.hpp"

namespace quiquadrado::console {

namespace {

constexpr int interrupted_status = 130;  // as a POSIX shell reports a run ended by Ctrl-C
constexpr DWORD records_at_once = 64;

// ---- The console as it was, and whether we hold it: touched by the control handler, which
// runs on a thread of its own. ----
struct ConsoleState {
  HANDLE input = INVALID_HANDLE_VALUE;   // standard input's console
  HANDLE output = INVALID_HANDLE_VALUE;  // standard output's screen buffer, as found
  HANDLE screen = INVALID_HANDLE_VALUE;  // the buffer the run draws on (output if none of its own)
  DWORD input_mode = 0;                  // modes before the run
  DWORD output_mode = 0;
  WORD attributes = 0;                   // colours before the run
  CONSOLE_CURSOR_INFO cursor{};          // the cursor before the run
  volatile LONG active = 0;              // the console is ours
};
ConsoleState console_state;

void leave_console() noexcept {
  if (InterlockedExchange(&console_state.active, 0) == 0) return;
  SetConsoleMode(console_state.input, console_state.input_mode);
  if (console_state.screen != console_state.output) SetConsoleActiveScreenBuffer(console_state.output);
  SetConsoleMode(console_state.output, console_state.output_mode);
  SetConsoleTextAttribute(console_state.output, console_state.attributes);
  SetConsoleCursorInfo(console_state.output, &console_state.cursor);
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

// Whether a screen buffer that took ENABLE_VIRTUAL_TERMINAL_PROCESSING really acts on the
// sequences a frame uses: a 24-bit colour must leave the cursor where it was, and a cursor
// position must move it there.
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

KeyRecord key_record(const KEY_EVENT_RECORD& event) {
  return KeyRecord{event.bKeyDown != 0, event.wVirtualKeyCode, static_cast<char16_t>(event.uChar.UnicodeChar),
                   (event.dwControlKeyState & SHIFT_PRESSED) != 0, event.wRepeatCount};
}

class WindowsConsole final : public TerminalDevice {
 public:
  WindowsConsole() = default;
  ~WindowsConsole() override { leave_console(); }
  WindowsConsole(const WindowsConsole&) = delete;
  WindowsConsole& operator=(const WindowsConsole&) = delete;

  // Takes the console; false (and the console as it was) when it cannot.
  bool open();

  InputEvent read_input(std::string& bytes, int timeout_ms) override;
  void write(std::string_view bytes) override;
  TerminalSize size() override;
  void maximize() override;
  std::optional<std::size_t> ask_in_window(const MessageBox& box) override { return console::ask_in_window(box); }
  // Closing the console window ends the process through the control handler, whatever is
  // waiting; there is nothing to change here.
  void set_hangup_ends_input(bool) override {}
  void restore() override { leave_console(); }
  [[noreturn]] void interrupt() override;

 private:
  void write_wide(HANDLE handle, std::wstring_view text);
  void paint(std::string_view bytes);

  bool sequences_ = false;      // the screen buffer takes virtual-terminal sequences
  KeyRecordReader keys_;        // key records to bytes
  SequenceReader painter_;      // bytes to painting steps, where sequences are not taken
  TerminalSize size_;           // the window's size as last read
  bool input_ended_ = false;    // the input can no longer be read
  bool redraw_pending_ = false; // a resize came with typed bytes: answered by the next call
};

bool WindowsConsole::open() {
  ConsoleState& state = console_state;
  state.input = GetStdHandle(STD_INPUT_HANDLE);
  state.output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (GetConsoleMode(state.input, &state.input_mode) == 0) return false;
  if (GetConsoleMode(state.output, &state.output_mode) == 0) return false;
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(state.output, &info) == 0) return false;
  state.attributes = info.wAttributes;
  GetConsoleCursorInfo(state.output, &state.cursor);

  // A screen buffer of our own, so that what was on the console before is there again
  // afterwards.
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
  size();
  return true;
}

InputEvent WindowsConsole::read_input(std::string& bytes, int timeout_ms) {
  if (redraw_pending_) {
    redraw_pending_ = false;
    return InputEvent::redraw;
  }
  if (input_ended_) return InputEvent::end_of_input;
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms < 0 ? 0 : timeout_ms);
  for (;;) {
    DWORD wait = INFINITE;
    if (timeout_ms >= 0) {
      const ULONGLONG now = GetTickCount64();
      wait = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    }
    const DWORD woken = WaitForSingleObject(console_state.input, wait);
    if (woken == WAIT_TIMEOUT) return InputEvent::timed_out;
    INPUT_RECORD records[records_at_once];
    DWORD got = 0;
    if (woken != WAIT_OBJECT_0 || ReadConsoleInputW(console_state.input, records, records_at_once, &got) == 0) {
      input_ended_ = true;
      return InputEvent::end_of_input;
    }
    const std::size_t before = bytes.size();
    bool resized = false;
    for (DWORD i = 0; i < got; ++i) {
      if (records[i].EventType == KEY_EVENT) keys_.take(key_record(records[i].Event.KeyEvent), bytes);
      if (records[i].EventType == WINDOW_BUFFER_SIZE_EVENT) resized = true;
    }
    if (bytes.size() > before) {
      redraw_pending_ = resized;
      return InputEvent::bytes;
    }
    if (resized) return InputEvent::redraw;
  }
}

void WindowsConsole::write_wide(HANDLE handle, std::wstring_view text) {
  while (!text.empty()) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 16384));
    if (WriteConsoleW(handle, text.data(), chunk, &written, nullptr) == 0 || written == 0) {
      throw OutputError("error writing to the console");
    }
    text.remove_prefix(written);
  }
}

// Once the console is given back, text goes to it as it was found, line ends as CR LF.
void WindowsConsole::write(std::string_view bytes) {
  if (console_state.active == 0) {
    std::string text;
    for (const char c : bytes) {
      if (c == '\n') text += '\r';
      text += c;
    }
    write_wide(console_state.output, utf16(text));
  } else if (sequences_) {
    write_wide(console_state.screen, utf16(bytes));
  } else {
    paint(bytes);
  }
}

void WindowsConsole::paint(std::string_view bytes) {
  const HANDLE screen = console_state.screen;
  for (const PaintStep& step : painter_.read(bytes)) {
    const COORD at{static_cast<SHORT>(std::min<std::size_t>(step.column, SHRT_MAX)),
                   static_cast<SHORT>(std::min<std::size_t>(step.row, SHRT_MAX))};
    switch (step.kind) {
      case PaintStep::Kind::text: {
        if (step.row >= size_.rows || step.column >= size_.columns) break;
        std::wstring text = utf16(step.text);
        text.resize(std::min(text.size(), size_.columns - step.column));  // never onto the next row
        const auto attribute = static_cast<WORD>(step.colours.foreground | step.colours.background << 4);
        DWORD done = 0;
        if (WriteConsoleOutputCharacterW(screen, text.data(), static_cast<DWORD>(text.size()), at, &done) == 0) {
          throw OutputError("error writing to the console");
        }
        FillConsoleOutputAttribute(screen, attribute, static_cast<DWORD>(text.size()), at, &done);
        break;
      }
      case PaintStep::Kind::cursor: {
        CONSOLE_CURSOR_INFO cursor{};
        GetConsoleCursorInfo(screen, &cursor);
        cursor.bVisible = step.visible ? TRUE : FALSE;
        if (step.visible) SetConsoleCursorPosition(screen, at);
        SetConsoleCursorInfo(screen, &cursor);
        break;
      }
      case PaintStep::Kind::bell: MessageBeep(MB_OK); break;
    }
  }
}

// The window's size; the buffer is made exactly the window, so that nothing scrolls inside it.
TerminalSize WindowsConsole::size() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(console_state.screen, &info) == 0) return size_;
  const int columns = info.srWindow.Right - info.srWindow.Left + 1;
  const int rows = info.srWindow.Bottom - info.srWindow.Top + 1;
  if (columns <= 0 || rows <= 0) return size_;
  if (console_state.screen != console_state.output && (info.dwSize.X != columns || info.dwSize.Y != rows)) {
    SMALL_RECT window{0, 0, static_cast<SHORT>(columns - 1), static_cast<SHORT>(rows - 1)};
    SetConsoleWindowInfo(console_state.screen, TRUE, &window);
    SetConsoleScreenBufferSize(console_state.screen, COORD{static_cast<SHORT>(columns), static_cast<SHORT>(rows)});
  }
  size_ = usable_size(static_cast<std::size_t>(columns), static_cast<std::size_t>(rows), {}, {});
  return size_;
}

void WindowsConsole::maximize() {
  const HWND window = GetConsoleWindow();
  if (window != nullptr) ShowWindow(window, SW_MAXIMIZE);
}

void WindowsConsole::interrupt() {
  leave_console();
  std::fflush(nullptr);
  ExitProcess(interrupted_status);
}

// What the console is: a Windows console, in 24-bit colour (the nearest of 16 where it takes no
// sequences), outside any multiplexer.
TerminalFacts windows_console_facts() {
  TerminalFacts facts;
  facts.term = "windows-console";
  facts.colorterm = "truecolor";
  return facts;
}

}  // namespace

std::unique_ptr<Backend> open_windows_backend() {
  DWORD mode = 0;
  if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) == 0) return nullptr;
  if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) == 0) return nullptr;
  auto device = std::make_unique<WindowsConsole>();
  if (!device->open()) return nullptr;
  return std::make_unique<TerminalConsole>(std::move(device), Codeset::utf8, windows_console_facts());
}

void use_binary_standard_streams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace quiquadrado::console
