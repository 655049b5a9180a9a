#include "console/windows_message_box.hpp"

#include <windows.h>
#undef MessageBox  // the console's own MessageBox, not the ANSI/wide switch of <windows.h>

#include <string>

#include "console/encoding.hpp"
#include "console/windows_text.hpp"

namespace quiquadrado::console {

std::optional<std::size_t> ask_in_window(const MessageBox& box) {
  UINT buttons = 0;
  if (box.buttons.size() == 1 && box.buttons[0] == "OK") {
    buttons = MB_OK;
  } else if (box.buttons.size() == 2 && box.buttons[0] == "Yes" && box.buttons[1] == "No") {
    buttons = MB_YESNO | (box.focused == 1 ? MB_DEFBUTTON2 : MB_DEFBUTTON1);
  } else {
    return std::nullopt;
  }
  std::string text;
  for (const std::string& row : box.text) {
    if (!text.empty()) text += '\n';
    text += row;
  }
  const UINT flags = MB_TASKMODAL | (box.error ? MB_ICONERROR : MB_ICONWARNING) | buttons;
  // Anything but a button's answer means no box could be shown (0 on Windows, -1 under Wine
  // without a display).
  switch (MessageBoxW(nullptr, utf16(encode(text, Codeset::utf8)).c_str(), utf16(encode(box.title, Codeset::utf8)).c_str(), flags)) {
    case IDOK: return 0;
    case IDYES: return 0;
    case IDNO: return 1;
    default: return std::nullopt;
  }
}

}  // namespace quiquadrado::console
