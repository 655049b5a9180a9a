// Keys from the bytes a terminal sends: printable characters (decoded to Windows-1252), the
// editing and control keys the console knows, and escape sequences read whole so that arrows,
// function keys and paste markers never leak into a typed line. Platform-free.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "console/encoding.hpp"

namespace quiquadrado::console {

enum class KeyKind : std::uint8_t {
  character,      // a Windows-1252 character to insert (0x1A, Ctrl-Z, included)
  enter,          // CR or LF
  backspace,      // DEL or BS
  tab,            // HT
  left,           // cursor left
  right,          // cursor right
  interrupt,      // Ctrl-C
  end_of_input,   // Ctrl-D
  ignored,        // any other control character or escape sequence
};

struct Key {
  KeyKind kind = KeyKind::ignored;  // what was pressed
  char character = 0;               // the character, for KeyKind::character
};

class KeyDecoder {
 public:
  explicit KeyDecoder(Codeset codeset) noexcept : decoder_(codeset) {}

  // Takes one byte; returns the key it completes, if any. Several keys can never be completed
  // by one byte except a broken UTF-8 sequence, whose '?' is returned first and whose new
  // character is kept for the next call of pending().
  std::optional<Key> feed(unsigned char byte);
  // A key completed earlier and not yet returned.
  std::optional<Key> pending();
  // True while an escape sequence has started and not ended: the caller waits briefly for its
  // next byte and calls escape_timeout() if none comes (a lone Escape key).
  bool in_escape() const noexcept { return state_ != State::ground; }
  void escape_timeout() noexcept { state_ = State::ground; }

 private:
  enum class State : std::uint8_t { ground, escape, csi, ss3 };
  std::optional<Key> take_characters();

  InputDecoder decoder_;         // typed bytes to Windows-1252
  std::string decoded_;          // characters decoded and not yet returned
  State state_ = State::ground;  // where in an escape sequence we are
  std::string csi_parameters_;   // parameter bytes of the sequence being read (bounded)
};

}  // namespace quiquadrado::console
