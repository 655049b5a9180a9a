// Escape sequences, as xterm-compatible terminals send them (ECMA-48):
//   ESC [ parameters intermediates final   CSI: arrows (ESC [ C, ESC [ 1 ; 5 D), Shift-Tab
//                                           (ESC [ Z), function keys (ESC [ 15 ~), paste
//                                           markers (ESC [ 200 ~)
//   ESC [ [ letter                          the Linux console's F1 to F5
//   ESC O parameters final                  SS3: arrows and F1-F4 in application mode
//   ESC byte                                Alt with a key
// Parameter bytes are 0x30-0x3F, intermediates 0x20-0x2F, the final byte 0x40-0x7E. As in
// every VT parser, a control character inside a sequence abandons the sequence and acts on its
// own (so an Enter is never swallowed), ESC starts a new sequence and DEL is ignored.
#include "console/keys.hpp"

namespace quiquadrado::console {

namespace {

constexpr unsigned char escape_byte = 0x1b;
constexpr unsigned char delete_byte = 0x7f;
constexpr std::size_t sequence_limit = 64;  // counts saturate here; nothing is stored

constexpr bool is_control(unsigned char byte) { return byte < 0x20; }
constexpr bool is_parameter_or_intermediate(unsigned char byte) { return byte >= 0x20 && byte <= 0x3f; }
constexpr bool is_final(unsigned char byte) { return byte >= 0x40 && byte <= 0x7e; }

}  // namespace

std::optional<Key> KeyDecoder::next() {
  if (keys_.empty()) return std::nullopt;
  const Key key = keys_.front();
  keys_.pop_front();
  return key;
}

void KeyDecoder::escape_timeout() {
  if (state_ == State::escape) push(KeyKind::escape);
  state_ = State::ground;
}

void KeyDecoder::feed(unsigned char byte) {
  const bool after_cr = after_cr_;
  after_cr_ = false;
  if (state_ == State::ground) {
    if (byte == '\n' && after_cr) return;  // CR LF: one Enter
    ground(byte);
    return;
  }

  // Inside an escape sequence. ESC restarts it, another control character cancels it.
  if (byte == escape_byte) {
    state_ = State::escape;
    return;
  }
  if (is_control(byte)) {
    state_ = State::ground;
    ground(byte);
    return;
  }
  if (byte == delete_byte && state_ != State::escape) return;

  switch (state_) {
    case State::escape:
      if (byte == '[') {
        state_ = State::csi;
        sequence_bytes_ = 0;
      } else if (byte == 'O') {
        state_ = State::ss3;
        sequence_bytes_ = 0;
      } else if (byte >= 0x80) {
        // Alt with a character beyond ASCII: read the character whole and drop it.
        state_ = State::ground;
        drop_character_ = true;
        character_byte(byte);
      } else {
        state_ = State::ground;  // Alt with an ASCII key, or Alt-Backspace
        push(KeyKind::ignored);
      }
      return;
    case State::csi:
      if (byte == '[' && sequence_bytes_ == 0) {
        state_ = State::csi_linux;
      } else if (is_parameter_or_intermediate(byte)) {
        if (sequence_bytes_ < sequence_limit) ++sequence_bytes_;
      } else if (is_final(byte)) {
        end_sequence(byte);
      } else {
        state_ = State::ground;  // a byte that cannot belong: the sequence is dropped
        ground(byte);
      }
      return;
    case State::csi_linux:
      state_ = State::ground;
      if (byte >= 0x80) ground(byte);
      else push(KeyKind::ignored);
      return;
    case State::ss3:
      if (is_parameter_or_intermediate(byte)) {
        if (sequence_bytes_ < sequence_limit) ++sequence_bytes_;
      } else if (is_final(byte)) {
        end_sequence(byte);
      } else {
        state_ = State::ground;
        ground(byte);
      }
      return;
    case State::ground:
      return;  // handled above
  }
}

// The final byte of a CSI or SS3 sequence names the key; modifiers do not matter here.
void KeyDecoder::end_sequence(unsigned char final_byte) {
  const bool csi = state_ == State::csi;
  state_ = State::ground;
  if (final_byte == 'C') {
    push(KeyKind::right);
  } else if (final_byte == 'D') {
    push(KeyKind::left);
  } else if (final_byte == 'Z' && csi) {
    push(KeyKind::back_tab);
  } else {
    push(KeyKind::ignored);
  }
}

void KeyDecoder::ground(unsigned char byte) {
  if (is_control(byte) || byte == delete_byte) {
    control(byte);
  } else {
    character_byte(byte);
  }
}

void KeyDecoder::control(unsigned char byte) {
  // A character cut short by a control character ends as '?', before the control acts.
  decoded_.clear();
  decoder_.finish(decoded_);
  if (!decoded_.empty() && !drop_character_) keys_.push_back(Key{KeyKind::character, '?'});
  drop_character_ = false;

  switch (byte) {
    case escape_byte: state_ = State::escape; return;
    case '\r': after_cr_ = true; push(KeyKind::enter); return;
    case '\n': push(KeyKind::enter); return;
    case delete_byte:
    case 0x08: push(KeyKind::backspace); return;
    case '\t': push(KeyKind::tab); return;
    case 0x03: push(KeyKind::interrupt); return;
    case 0x04: push(KeyKind::end_of_input); return;
    case 0x1a: keys_.push_back(Key{KeyKind::character, '\x1a'}); return;  // Ctrl-Z: a character
    default: push(KeyKind::ignored); return;
  }
}

void KeyDecoder::character_byte(unsigned char byte) {
  decoded_.clear();
  decoder_.feed(byte, decoded_);
  for (const char c : decoded_) {
    if (drop_character_) {
      drop_character_ = false;
      continue;
    }
    keys_.push_back(Key{KeyKind::character, c});
  }
}

}  // namespace quiquadrado::console
