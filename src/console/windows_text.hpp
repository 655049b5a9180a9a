// UTF-8 to UTF-16 for the Windows console and its message boxes, which take text as UTF-16
// whatever the console's code page.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace quiquadrado::console {

inline std::wstring utf16(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (size <= 0) return {};
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
  return text;
}

}  // namespace quiquadrado::console
