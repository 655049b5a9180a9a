// Escape sequences, as xterm-compatible terminals send them:
//   ESC [ parameters intermediates final   CSI: arrows (ESC [ C / D), function keys
//                                           (ESC [ 15 ~), paste markers (ESC [ 200 ~)
//   ESC O final                             SS3: arrows and F1-F4 in application mode
//   ESC other                               Alt with a key
// Parameter bytes are 0x30-0x3F, intermediates 0x20-0x2F, the final byte 0x40-0x7E.
#include "console/keys.hpp"

namespace quiquadrado::console {

namespace {

constexpr unsigned char escape = 0x1b;
constexpr std::size_t max_parameters = 32;  // longer parameter strings are cut, not stored

Key key(KeyKind kind) { return Key{kind, 0}; }

}  // namespace

std::optional<Key> KeyDecoder::take_characters() {
  if (decoded_.empty()) return std::nullopt;
  const char c = decoded_.front();
  decoded_.erase(0, 1);
  return Key{KeyKind::character, c};
}

std::optional<Key> KeyDecoder::pending() { return take_characters(); }

std::optional<Key> KeyDecoder::feed(unsigned char byte) {
  switch (state_) {
    case State::escape:
      if (byte == '[') {
        state_ = State::csi;
        csi_parameters_.clear();
      } else if (byte == 'O') {
        state_ = State::ss3;
      } else {
        state_ = State::ground;  // Alt with a key, or Escape twice: both ignored
      }
      return std::nullopt;
    case State::ss3:
      state_ = State::ground;
      if (byte == 'C') return key(KeyKind::right);
      if (byte == 'D') return key(KeyKind::left);
      return key(KeyKind::ignored);
    case State::csi:
      if (byte >= 0x40 && byte <= 0x7e) {
        state_ = State::ground;
        if (csi_parameters_.empty() && byte == 'C') return key(KeyKind::right);
        if (csi_parameters_.empty() && byte == 'D') return key(KeyKind::left);
        return key(KeyKind::ignored);
      }
      if (byte >= 0x20 && byte <= 0x3f) {
        if (csi_parameters_.size() < max_parameters) csi_parameters_ += static_cast<char>(byte);
        return std::nullopt;
      }
      state_ = State::ground;  // a malformed sequence ends at the first byte that cannot belong
      return key(KeyKind::ignored);
    case State::ground:
      break;
  }

  switch (byte) {
    case escape: state_ = State::escape; return std::nullopt;
    case '\r':
    case '\n': return key(KeyKind::enter);
    case 0x7f:
    case 0x08: return key(KeyKind::backspace);
    case '\t': return key(KeyKind::tab);
    case 0x03: return key(KeyKind::interrupt);
    case 0x04: return key(KeyKind::end_of_input);
    case 0x1a: return Key{KeyKind::character, '\x1a'};
    default: break;
  }
  if (byte < 0x20) return key(KeyKind::ignored);
  decoder_.feed(byte, decoded_);
  return take_characters();
}

}  // namespace quiquadrado::console
