// Keyboard records of the Windows console (ReadConsoleInputW) as the bytes a terminal sends for
// the same keys, so that one KeyDecoder and one LineEditor serve every console and Ctrl-C,
// Ctrl-D and Ctrl-Z mean the same everywhere. Platform-free: the record's fields are copied into
// KeyRecord, and the virtual-key codes are the system's own numbers.
#pragma once

#include <cstdint>
#include <string>

namespace quiquadrado::console {

struct KeyRecord {
  bool key_down = true;           // pressed (true) or released
  std::uint16_t virtual_key = 0;  // wVirtualKeyCode
  char16_t unit = 0;              // uChar.UnicodeChar: one UTF-16 unit, 0 for none
  bool shift = false;             // SHIFT_PRESSED in dwControlKeyState
  std::uint16_t repeat = 1;       // wRepeatCount (0 counts as 1)
};

namespace virtual_key {
inline constexpr std::uint16_t back = 0x08;
inline constexpr std::uint16_t tab = 0x09;
inline constexpr std::uint16_t enter = 0x0d;
inline constexpr std::uint16_t alt = 0x12;
inline constexpr std::uint16_t escape = 0x1b;
inline constexpr std::uint16_t page_up = 0x21;
inline constexpr std::uint16_t page_down = 0x22;
inline constexpr std::uint16_t end = 0x23;
inline constexpr std::uint16_t home = 0x24;
inline constexpr std::uint16_t left = 0x25;
inline constexpr std::uint16_t up = 0x26;
inline constexpr std::uint16_t right = 0x27;
inline constexpr std::uint16_t down = 0x28;
inline constexpr std::uint16_t insert = 0x2d;
inline constexpr std::uint16_t delete_key = 0x2e;
}  // namespace virtual_key

class KeyRecordReader {
 public:
  // Appends what a terminal would send for the record: the editing keys as their usual bytes
  // and sequences (Enter CR, Backspace DEL, Tab HT, Shift-Tab ESC [ Z, the arrows ESC [ A..D,
  // ...), any other key as its character in UTF-8, nothing for a key without one (Shift alone,
  // a function key) or for a release. A character typed as an Alt+numpad code arrives with the
  // release of Alt and is taken then. A UTF-16 pair split over two records is joined; half a
  // pair alone is dropped.
  void take(const KeyRecord& record, std::string& bytes);

 private:
  char16_t high_surrogate_ = 0;  // the first half of a pair, waiting for the second
};

}  // namespace quiquadrado::console
