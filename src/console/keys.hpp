// Keys from the bytes a terminal sends: printable characters (decoded to Windows-1252), the
// editing and control keys the console knows, and escape sequences read whole so that arrows,
// function keys and paste markers never leak into a typed line. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "console/encoding.hpp"

namespace quiquadrado::console {

enum class KeyKind : std::uint8_t {
  character,     // a Windows-1252 character to insert (0x1A, Ctrl-Z, included)
  enter,         // CR or LF (a LF right after a CR belongs to the same Enter)
  backspace,     // DEL or BS
  tab,           // HT
  back_tab,      // Shift-Tab (ESC [ Z)
  left,          // cursor left (ESC [ D, ESC O D, with or without modifiers)
  right,         // cursor right (ESC [ C, ESC O C)
  escape,        // the Escape key alone: ESC with nothing after it within the wait
  interrupt,     // Ctrl-C
  end_of_input,  // Ctrl-D
  ignored,       // any other control character or escape sequence
};

struct Key {
  KeyKind kind = KeyKind::ignored;  // what was pressed
  char character = 0;               // the character, for KeyKind::character

  friend bool operator==(const Key&, const Key&) = default;
};

class KeyDecoder {
 public:
  explicit KeyDecoder(Codeset codeset) noexcept : decoder_(codeset) {}

  // Takes one byte as the terminal sent it.
  void feed(unsigned char byte);
  // The next complete key, in the order typed.
  std::optional<Key> next();
  // True while an escape sequence has started and not ended: the caller waits briefly for its
  // next byte and calls escape_timeout() if none comes.
  bool in_escape() const noexcept { return state_ != State::ground; }
  // No byte followed in time: a lone ESC is the Escape key; a sequence cut short is dropped.
  void escape_timeout();

 private:
  enum class State : std::uint8_t {
    ground,     // between keys
    escape,     // after ESC
    csi,        // after ESC [, up to the final byte
    csi_linux,  // after ESC [ [ (the Linux console's F1 to F5): one more byte ends it
    ss3,        // after ESC O, up to the final byte
  };

  void ground(unsigned char byte);
  void control(unsigned char byte);
  void character_byte(unsigned char byte);
  void end_sequence(unsigned char final_byte);
  void push(KeyKind kind) { keys_.push_back(Key{kind, 0}); }

  InputDecoder decoder_;            // typed bytes to Windows-1252
  std::string decoded_;             // scratch for the decoder's output
  std::deque<Key> keys_;            // complete keys not yet taken
  State state_ = State::ground;     // where in an escape sequence we are
  std::size_t sequence_bytes_ = 0;  // parameter and intermediate bytes of the sequence (saturates)
  bool after_cr_ = false;           // the last byte was CR: a LF now is the rest of that Enter
  bool drop_character_ = false;     // the character being decoded came with Alt (ESC before it)
};

}  // namespace quiquadrado::console
