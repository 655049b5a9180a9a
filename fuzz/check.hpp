// What the fuzz targets share: a check that stops the run with the offending input shown, so
// that libFuzzer (or the corpus replay) reports it as a crash and keeps the input.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace quiquadrado::fuzz {

// The bytes with everything outside printable ASCII as \xNN; long texts are cut in the middle.
inline std::string shown(std::string_view bytes) {
  constexpr std::size_t longest = 300;
  if (bytes.size() > longest) {
    return shown(bytes.substr(0, longest / 2)) + "...(" + std::to_string(bytes.size()) +
           " bytes)..." + shown(bytes.substr(bytes.size() - longest / 2));
  }
  static constexpr char hex[] = "0123456789abcdef";
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f && c != '\\') {
      text += c;
    } else {
      text += "\\x";
      text += hex[byte >> 4];
      text += hex[byte & 0xf];
    }
  }
  return text;
}

// Stops the process when a property does not hold. The detail is a callable that returns the
// text to show; it runs only when the property fails, so that passing checks cost nothing.
template <typename Detail>
void require(bool holds, std::string_view property, std::string_view input, const Detail& detail) {
  if (holds) return;
  const std::string text = detail();
  std::fprintf(stderr, "\nproperty violated: %.*s\ninput: \"%s\"\n%s\n",
               static_cast<int>(property.size()), property.data(), shown(input).c_str(), text.c_str());
  std::abort();
}

inline void require(bool holds, std::string_view property, std::string_view input) {
  require(holds, property, input, [] { return std::string(); });
}

}  // namespace quiquadrado::fuzz
