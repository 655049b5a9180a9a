// The error report and the end-of-run prompt as the system's own windows. ask_in_window shows
// the box on the test's main thread while a second thread finds it by its title, reads its
// controls, takes a picture of it and presses one of its buttons; the test then checks the
// answer. Run under Wine with an X display (tests/windows/with_xvfb); with QQ_BOX_PICTURES set to
// a folder, each box is also written there as a bitmap. The NoDisplay case is run apart, without
// a display, where no window can be shown.
#include <gtest/gtest.h>

#include <windows.h>
#undef MessageBox  // the console's own MessageBox, not the ANSI/wide switch of <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "console/console.hpp"
#include "console/message_box.hpp"
#include "console/windows_message_box.hpp"

namespace {

using quiquadrado::console::ask_in_window;
using quiquadrado::console::error_icon_symbol;
using quiquadrado::console::error_report_title;
using quiquadrado::console::MessageBox;
using quiquadrado::console::program_name;
using quiquadrado::console::warning_icon_symbol;

// The program's two boxes, as its console builds them.
MessageBox error_report() {
  return {std::string(error_report_title),
          std::string(error_icon_symbol),
          {"F6101: READ() - invalid character in integer value"},
          {"OK"},
          0,
          true};
}

MessageBox end_of_run(int status) {
  return {std::string(program_name),
          std::string(warning_icon_symbol),
          {"Program Terminated with exit code " + std::to_string(status), "Exit Window?"},
          {"Yes", "No"},
          1,
          false};
}

// How long the watcher looks for a box before it gives up: Wine's first window on a new
// display can take several seconds.
constexpr auto find_deadline = std::chrono::seconds(60);

struct Control {
  std::wstring window_class;
  std::wstring text;
  int id = 0;
  LONG style = 0;
};

// What the watcher saw of a box.
struct SeenBox {
  bool found = false;
  std::wstring window_class;
  std::wstring title;
  std::vector<Control> controls;
  int focused_id = 0;    // the control with the keyboard focus
  bool icon = false;     // an icon control holding an icon
  bool picture = false;  // the picture was taken (and written, when asked for)
  bool pressed = false;  // the button to press was there and was pressed
};

// What the watcher does to the box once it has seen it: press the button with this label, or
// with an empty label press Enter, as a user who takes the default.
using Press = std::wstring;
const Press enter_key;

std::wstring class_of(HWND window) {
  wchar_t name[64] = {};
  const int length = GetClassNameW(window, name, 64);
  return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

std::wstring text_of(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  const int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
  return text;
}

// A button's label without its mnemonic marker: Wine labels them "&Yes" and "&No".
std::wstring label(std::wstring text) {
  std::erase(text, L'&');
  return text;
}

std::string narrow(const std::wstring& text) {
  std::string out;
  for (const wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

// The window as the display shows it, frame and title included (Wine draws them itself when
// the prefix's X11 driver is told not to leave them to a window manager), as 24-bit rows from
// the bottom up, the order of a BMP file. Empty if the screen could not be read.
std::vector<char> screen_rows(const RECT& rect) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  std::vector<char> rows;
  if (width <= 0 || height <= 0) return rows;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // positive: bottom-up
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != 0) {
      GdiFlush();
      const auto stride = static_cast<std::size_t>(((width * 3) + 3) & ~3);
      const char* start = static_cast<const char*>(bits);
      rows.assign(start, start + stride * static_cast<std::size_t>(height));
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return rows;
}

// Takes the box's picture once it is fully drawn, which is when two pictures a moment apart
// are the same (at most 50 tries), and writes it as a BMP file unless `path` is empty.
bool write_picture(HWND window, const std::string& path) {
  RECT rect{};
  if (GetWindowRect(window, &rect) == 0) return false;
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  std::vector<char> rows = screen_rows(rect);
  for (int tries = 0; tries < 50 && !rows.empty(); ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::vector<char> again = screen_rows(rect);
    const bool steady = again == rows;
    rows = std::move(again);
    if (steady) break;
  }
  if (rows.empty()) return false;
  if (path.empty()) return true;
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = rect.right - rect.left;
  header.biHeight = rect.bottom - rect.top;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(rows.size());
  BITMAPFILEHEADER file{};
  file.bfType = 0x4d42;  // "BM"
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + header.biSizeImage;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&header), sizeof(header));
  out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
  return out.good();
}

std::string picture_path(const char* name) {
  const char* folder = std::getenv("QQ_BOX_PICTURES");
  if (folder == nullptr || *folder == '\0' || *name == '\0') return {};
  return std::string(folder) + "\\" + name + ".bmp";
}

// A box of this process that was not the one looked for, or that nobody found in time, is
// answered with its first button: the test fails instead of waiting for ever.
void press_any_box() {
  for (HWND box = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); box != nullptr;
       box = FindWindowExW(nullptr, box, L"#32770", nullptr)) {
    DWORD process = 0;
    GetWindowThreadProcessId(box, &process);
    if (process != GetCurrentProcessId()) continue;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
      if (class_of(child) == L"Button") {
        PostMessageW(child, BM_CLICK, 0, 0);
        break;
      }
    }
  }
}

// Looks for the box titled `title` until the deadline or until `answered` is set, reads it,
// takes its picture and presses the button labelled `press`.
SeenBox watch(const std::wstring& title, const Press& press, const std::string& picture,
              const std::atomic<bool>& answered) {
  SeenBox seen;
  HWND box = nullptr;
  const auto deadline = std::chrono::steady_clock::now() + find_deadline;
  while (!answered && std::chrono::steady_clock::now() < deadline) {
    box = FindWindowW(L"#32770", title.c_str());
    if (box != nullptr && IsWindowVisible(box)) break;
    box = nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (box == nullptr) {
    if (!answered) press_any_box();
    return seen;
  }
  seen.found = true;
  seen.window_class = class_of(box);
  seen.title = text_of(box);
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    Control control{class_of(child), text_of(child), GetDlgCtrlID(child), GetWindowLongW(child, GWL_STYLE)};
    if (control.window_class == L"Static" && (control.style & SS_TYPEMASK) == SS_ICON) {
      seen.icon = seen.icon || SendMessageW(child, STM_GETICON, 0, 0) != 0;
    }
    seen.controls.push_back(std::move(control));
  }
  GUITHREADINFO thread{};
  thread.cbSize = sizeof(thread);
  if (GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &thread) != 0 && thread.hwndFocus != nullptr) {
    seen.focused_id = GetDlgCtrlID(thread.hwndFocus);
  }
  seen.picture = write_picture(box, picture);
  if (press == enter_key && thread.hwndFocus != nullptr) {
    // Enter where the focus is, through the box's own dialog keyboard handling.
    PostMessageW(thread.hwndFocus, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(thread.hwndFocus, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC0000001u));
    seen.pressed = true;
  }
  for (const Control& control : seen.controls) {
    if (seen.pressed) break;
    if (control.window_class == L"Button" && label(control.text) == press) {
      PostMessageW(GetDlgItem(box, control.id), BM_CLICK, 0, 0);
      seen.pressed = true;
      break;
    }
  }
  if (!seen.pressed) press_any_box();  // nothing to press as asked, but the box has to go
  return seen;
}

// The box shown by ask_in_window, watched and answered by pressing `press`.
struct Exchange {
  std::optional<std::size_t> answer;
  SeenBox seen;
};

Exchange ask_and_press(const MessageBox& box, const std::wstring& title, const Press& press,
                       const char* picture_name) {
  std::atomic<bool> answered = false;
  Exchange exchange;
  std::thread watcher([&] { exchange.seen = watch(title, press, picture_path(picture_name), answered); });
  exchange.answer = ask_in_window(box);
  answered = true;
  watcher.join();
  return exchange;
}

std::vector<std::wstring> buttons_of(const SeenBox& seen) {
  std::vector<std::wstring> labels;
  for (const Control& control : seen.controls) {
    if (control.window_class == L"Button") labels.push_back(label(control.text));
  }
  return labels;
}

// The text of the box's message: the static control that is neither an icon nor empty.
std::wstring message_of(const SeenBox& seen) {
  for (const Control& control : seen.controls) {
    if (control.window_class == L"Static" && (control.style & SS_TYPEMASK) != SS_ICON && !control.text.empty()) {
      return control.text;
    }
  }
  return {};
}

const Control* button(const SeenBox& seen, const std::wstring& name) {
  for (const Control& control : seen.controls) {
    if (control.window_class == L"Button" && label(control.text) == name) return &control;
  }
  return nullptr;
}

// The button that Enter presses: a default push button, the only one, with the focus.
void expect_default(const SeenBox& seen, const std::wstring& name, int id) {
  const Control* control = button(seen, name);
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->id, id);
  EXPECT_EQ(control->style & BS_TYPEMASK, BS_DEFPUSHBUTTON) << narrow(name) << " is not the default push button";
  for (const Control& other : seen.controls) {
    if (other.window_class == L"Button" && other.id != id) {
      EXPECT_NE(other.style & BS_TYPEMASK, BS_DEFPUSHBUTTON) << narrow(other.text) << " is a default push button too";
    }
  }
  EXPECT_EQ(seen.focused_id, id) << narrow(name) << " has not the focus";
}

TEST(MessageBoxWindow, ErrorReportHasItsTitleTextIconAndOk) {
  const Exchange exchange = ask_and_press(error_report(), L"run-time error ", L"OK", "error-box");
  ASSERT_TRUE(exchange.seen.found) << "no window titled 'run-time error ' appeared";
  EXPECT_EQ(exchange.seen.window_class, L"#32770");
  EXPECT_EQ(exchange.seen.title, L"run-time error ");
  EXPECT_EQ(narrow(message_of(exchange.seen)), "F6101: READ() - invalid character in integer value");
  EXPECT_EQ(buttons_of(exchange.seen), std::vector<std::wstring>{L"OK"});
  EXPECT_TRUE(exchange.seen.icon) << "no icon";
  expect_default(exchange.seen, L"OK", IDOK);
  EXPECT_TRUE(exchange.seen.picture) << "no picture of the box";
  EXPECT_TRUE(exchange.seen.pressed);
  EXPECT_EQ(exchange.answer, std::optional<std::size_t>(0));
}

TEST(MessageBoxWindow, EndOfRunHasItsRowsIconAndNoAsDefault) {
  const Exchange exchange = ask_and_press(end_of_run(0), L"quiquadrado", L"No", "end-of-run-box");
  ASSERT_TRUE(exchange.seen.found) << "no window titled 'quiquadrado' appeared";
  EXPECT_EQ(exchange.seen.window_class, L"#32770");
  EXPECT_EQ(exchange.seen.title, L"quiquadrado");
  EXPECT_EQ(narrow(message_of(exchange.seen)), "Program Terminated with exit code 0\nExit Window?");
  EXPECT_EQ(buttons_of(exchange.seen), (std::vector<std::wstring>{L"Yes", L"No"}));
  EXPECT_TRUE(exchange.seen.icon) << "no icon";
  expect_default(exchange.seen, L"No", IDNO);
  EXPECT_TRUE(exchange.seen.picture) << "no picture of the box";
  EXPECT_TRUE(exchange.seen.pressed);
  EXPECT_EQ(exchange.answer, std::optional<std::size_t>(1));
}

TEST(MessageBoxWindow, EndOfRunAnswersYesAsTheFirstButton) {
  const Exchange exchange = ask_and_press(end_of_run(1), L"quiquadrado", L"Yes", "");
  ASSERT_TRUE(exchange.seen.found) << "no window titled 'quiquadrado' appeared";
  EXPECT_EQ(narrow(message_of(exchange.seen)), "Program Terminated with exit code 1\nExit Window?");
  EXPECT_TRUE(exchange.seen.pressed);
  EXPECT_EQ(exchange.answer, std::optional<std::size_t>(0));
}

TEST(MessageBoxWindow, EndOfRunTakesEnterAsNo) {
  const Exchange exchange = ask_and_press(end_of_run(0), L"quiquadrado", enter_key, "");
  ASSERT_TRUE(exchange.seen.found) << "no window titled 'quiquadrado' appeared";
  EXPECT_TRUE(exchange.seen.pressed) << "no control had the focus";
  EXPECT_EQ(exchange.answer, std::optional<std::size_t>(1));
}

// The console's text is Windows-1252; the window shows it as the same letters.
TEST(MessageBoxWindow, ShowsWindows1252TextAsItsLetters) {
  const MessageBox box{"quiquadrado", "", {"Observa\xe7\xf5" "es \x80"}, {"OK"}, 0, false};
  const Exchange exchange = ask_and_press(box, L"quiquadrado", L"OK", "");
  ASSERT_TRUE(exchange.seen.found) << "no window titled 'quiquadrado' appeared";
  EXPECT_TRUE(message_of(exchange.seen) == L"Observa\u00e7\u00f5es \u20ac") << "accents or the euro sign lost";
  EXPECT_EQ(exchange.answer, std::optional<std::size_t>(0));
}

// Buttons the system's boxes do not have are refused at once, and no window is shown.
TEST(MessageBoxWindow, RefusesOtherButtonsWithoutAWindow) {
  const MessageBox box{"quiquadrado", "", {"Again?"}, {"Retry", "Cancel"}, 0, false};
  std::atomic<bool> answered = false;
  SeenBox seen;
  std::thread watcher([&] { seen = watch(L"quiquadrado", L"Cancel", "", answered); });
  const std::optional<std::size_t> answer = ask_in_window(box);
  answered = true;
  watcher.join();
  EXPECT_FALSE(seen.found) << "a window was shown";
  EXPECT_EQ(answer, std::nullopt);
}

// Without a display nothing is shown and nothing answered: the console then draws the box.
TEST(MessageBoxNoDisplay, AnswersNothing) {
  std::atomic<bool> answered = false;
  SeenBox seen;
  // Should a window appear after all, it is found and closed rather than waited for.
  std::thread watcher([&] { seen = watch(L"quiquadrado", L"No", "", answered); });
  const std::optional<std::size_t> answer = ask_in_window(end_of_run(0));
  answered = true;
  watcher.join();
  EXPECT_FALSE(seen.found) << "a window was shown";
  EXPECT_EQ(answer, std::nullopt);
}

}  // namespace
