#include "console/key_records.hpp"

#include <string_view>

namespace quiquadrado::console {

namespace {

// The bytes of a key that has no character of its own, or nothing.
std::string_view key_sequence(const KeyRecord& record) {
  switch (record.virtual_key) {
    case virtual_key::back: return "\x7f";
    case virtual_key::tab: return record.shift ? "\x1b[Z" : "\t";
    case virtual_key::enter: return "\r";
    case virtual_key::escape: return "\x1b";
    case virtual_key::up: return "\x1b[A";
    case virtual_key::down: return "\x1b[B";
    case virtual_key::right: return "\x1b[C";
    case virtual_key::left: return "\x1b[D";
    case virtual_key::home: return "\x1b[H";
    case virtual_key::end: return "\x1b[F";
    case virtual_key::insert: return "\x1b[2~";
    case virtual_key::delete_key: return "\x1b[3~";
    case virtual_key::page_up: return "\x1b[5~";
    case virtual_key::page_down: return "\x1b[6~";
    default: return {};
  }
}

void append_utf8(char32_t code_point, std::string& bytes) {
  const auto byte = [&bytes](char32_t value) { bytes += static_cast<char>(static_cast<unsigned char>(value)); };
  if (code_point < 0x80) {
    byte(code_point);
  } else if (code_point < 0x800) {
    byte(0xc0 | (code_point >> 6));
    byte(0x80 | (code_point & 0x3f));
  } else if (code_point < 0x10000) {
    byte(0xe0 | (code_point >> 12));
    byte(0x80 | ((code_point >> 6) & 0x3f));
    byte(0x80 | (code_point & 0x3f));
  } else {
    byte(0xf0 | (code_point >> 18));
    byte(0x80 | ((code_point >> 12) & 0x3f));
    byte(0x80 | ((code_point >> 6) & 0x3f));
    byte(0x80 | (code_point & 0x3f));
  }
}

bool is_high_surrogate(char16_t unit) { return unit >= 0xd800 && unit <= 0xdbff; }
bool is_low_surrogate(char16_t unit) { return unit >= 0xdc00 && unit <= 0xdfff; }

}  // namespace

void KeyRecordReader::take(const KeyRecord& record, std::string& bytes) {
  const bool alt_code = !record.key_down && record.virtual_key == virtual_key::alt && record.unit != 0;
  if (!record.key_down && !alt_code) return;
  const unsigned repeat = record.repeat == 0 ? 1u : record.repeat;

  std::string key;
  if (const std::string_view sequence = key_sequence(record); !sequence.empty()) {
    key = sequence;
  } else if (is_high_surrogate(record.unit)) {
    high_surrogate_ = record.unit;
    return;
  } else if (is_low_surrogate(record.unit)) {
    if (high_surrogate_ == 0) return;
    const char32_t high = high_surrogate_ - 0xd800u;
    const char32_t low = record.unit - 0xdc00u;
    append_utf8(0x10000 + (high << 10) + low, key);
  } else if (record.unit != 0) {
    append_utf8(record.unit, key);
  }
  high_surrogate_ = 0;
  for (unsigned i = 0; i < repeat; ++i) bytes += key;
}

}  // namespace quiquadrado::console
