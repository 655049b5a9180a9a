#include "console/encoding.hpp"

#include <array>
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#if __has_include(<langinfo.h>)
#include <langinfo.h>
#define QUIQUADRADO_HAS_LANGINFO 1
#endif

namespace quiquadrado::console {

namespace {

// Marks a position that has no character.
constexpr char32_t no_character = 0;

// Windows-1252 0x80 to 0x9F in Unicode; five codes are undefined. From 0xA0 on, Windows-1252 is
// ISO-8859-1 and thus Unicode itself.
constexpr std::array<char32_t, 32> cp1252_80_to_9f = {
    U'\u20AC', no_character, U'\u201A', U'\u0192',  // 80 euro, 81, 82 low quote, 83 florin
    U'\u201E', U'\u2026', U'\u2020', U'\u2021',     // 84 low double quote, ellipsis, daggers
    U'\u02C6', U'\u2030', U'\u0160', U'\u2039',     // 88 circumflex, per mille, S caron, lsaquo
    U'\u0152', no_character, U'\u017D', no_character,  // 8C OE, 8D, 8E Z caron, 8F
    no_character, U'\u2018', U'\u2019', U'\u201C',  // 90, 91 to 93 quotation marks
    U'\u201D', U'\u2022', U'\u2013', U'\u2014',     // 94 quote, bullet, en dash, em dash
    U'\u02DC', U'\u2122', U'\u0161', U'\u203A',     // 98 small tilde, trade mark, s caron, rsaquo
    U'\u0153', no_character, U'\u017E', U'\u0178',  // 9C oe, 9D, 9E z caron, 9F Y diaeresis
};

// The eight positions where ISO-8859-15 differs from ISO-8859-1, with their characters there.
struct Latin9Position {
  unsigned char byte;
  char32_t character;
};
constexpr std::array<Latin9Position, 8> latin9_positions = {{
    {0xA4, U'\u20AC'},  // euro sign (currency sign in Latin-1)
    {0xA6, U'\u0160'},  // S caron (broken bar)
    {0xA8, U'\u0161'},  // s caron (diaeresis)
    {0xB4, U'\u017D'},  // Z caron (acute accent)
    {0xB8, U'\u017E'},  // z caron (cedilla)
    {0xBC, U'\u0152'},  // OE ligature (one quarter)
    {0xBD, U'\u0153'},  // oe ligature (one half)
    {0xBE, U'\u0178'},  // Y diaeresis (three quarters)
}};

constexpr bool is_c1(unsigned char byte) { return byte >= 0x80 && byte <= 0x9F; }

// The Unicode character of a Windows-1252 byte, or no_character for its five undefined codes.
char32_t unicode_of_cp1252(unsigned char byte) {
  return is_c1(byte) ? cp1252_80_to_9f[static_cast<std::size_t>(byte - 0x80)] : byte;
}

bool undefined_in_cp1252(unsigned char byte) {
  return is_c1(byte) && unicode_of_cp1252(byte) == no_character;
}

// The Windows-1252 byte of a Unicode character, or '?' when Windows-1252 lacks it.
char cp1252_of_unicode(char32_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
    return static_cast<char>(character);
  }
  for (std::size_t i = 0; i < cp1252_80_to_9f.size(); ++i) {
    if (cp1252_80_to_9f[i] == character) {  // character is 0x80 or above here
      return static_cast<char>(0x80 + i);
    }
  }
  return '?';
}

// The ISO-8859-15 byte of a Unicode character, or '?'.
char latin9_of_unicode(char32_t character) {
  for (const Latin9Position& position : latin9_positions) {
    if (position.character == character) return static_cast<char>(position.byte);
    if (position.byte == character) return '?';  // a Latin-1 character that Latin-9 replaced
  }
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
    return static_cast<char>(character);
  }
  return '?';
}

char32_t unicode_of_latin9(unsigned char byte) {
  for (const Latin9Position& position : latin9_positions) {
    if (position.byte == byte) return position.character;
  }
  return byte;
}

void append_utf8(char32_t character, std::string& out) {
  const auto byte = [&out](std::uint32_t bits) { out += static_cast<char>(bits); };
  const auto c = static_cast<std::uint32_t>(character);
  if (c < 0x80) {
    byte(c);
  } else if (c < 0x800) {
    byte(0xC0 | (c >> 6));
    byte(0x80 | (c & 0x3F));
  } else {
    // Windows-1252 holds nothing beyond the Basic Multilingual Plane.
    byte(0xE0 | (c >> 12));
    byte(0x80 | ((c >> 6) & 0x3F));
    byte(0x80 | (c & 0x3F));
  }
}

char upper_ascii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool same_name(std::string_view name, std::string_view upper_case) {
  if (name.size() != upper_case.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (upper_ascii(name[i]) != upper_case[i]) return false;
  }
  return true;
}

bool any_name(std::string_view name, std::initializer_list<std::string_view> upper_case_names) {
  for (const std::string_view candidate : upper_case_names) {
    if (same_name(name, candidate)) return true;
  }
  return false;
}

}  // namespace

Codeset codeset_from_name(std::string_view name) {
  if (any_name(name, {"ISO-8859-1", "ISO8859-1", "ISO_8859-1", "LATIN1"})) return Codeset::latin1;
  if (any_name(name, {"ISO-8859-15", "ISO8859-15", "ISO_8859-15", "LATIN9", "LATIN-9"})) {
    return Codeset::latin9;
  }
  if (any_name(name, {"CP1252", "WINDOWS-1252"})) return Codeset::cp1252;
  return Codeset::utf8;
}

std::string_view codeset_name(Codeset codeset) {
  switch (codeset) {
    case Codeset::utf8: return "UTF-8";
    case Codeset::latin1: return "ISO-8859-1";
    case Codeset::latin9: return "ISO-8859-15";
    case Codeset::cp1252: return "CP1252";
  }
  return "?";
}

Codeset locale_codeset() {
  std::setlocale(LC_CTYPE, "");
#ifdef QUIQUADRADO_HAS_LANGINFO
  const char* const name = nl_langinfo(CODESET);
  return codeset_from_name(name == nullptr ? std::string_view{} : std::string_view{name});
#else
  return Codeset::utf8;
#endif
}

std::string encode(std::string_view cp1252, Codeset codeset) {
  std::string out;
  out.reserve(cp1252.size());
  for (const char c : cp1252) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
      continue;
    }
    const char32_t character = unicode_of_cp1252(byte);
    switch (codeset) {
      case Codeset::utf8:
        if (undefined_in_cp1252(byte)) {
          out += '?';
        } else {
          append_utf8(character, out);
        }
        break;
      case Codeset::latin1:
      case Codeset::cp1252:
        // Only 0xA0 to 0xFF are the same character in both; 0x80 to 0x9F would be C1 controls
        // on a terminal (Latin-1 has nothing else there).
        out += is_c1(byte) ? '?' : c;
        break;
      case Codeset::latin9:
        out += undefined_in_cp1252(byte) ? '?' : latin9_of_unicode(character);
        break;
    }
  }
  return out;
}

void InputDecoder::feed(unsigned char byte, std::string& out) {
  switch (codeset_) {
    case Codeset::latin1:
      out += is_c1(byte) ? '?' : static_cast<char>(byte);
      return;
    case Codeset::latin9:
      out += is_c1(byte) ? '?' : cp1252_of_unicode(unicode_of_latin9(byte));
      return;
    case Codeset::cp1252:
      out += undefined_in_cp1252(byte) ? '?' : static_cast<char>(byte);
      return;
    case Codeset::utf8:
      break;
  }

  if (pending_ > 0) {
    if (byte >= lowest_ && byte <= highest_) {
      code_point_ = (code_point_ << 6) | (byte & 0x3Fu);
      lowest_ = 0x80;
      highest_ = 0xBF;
      if (--pending_ == 0) out += cp1252_of_unicode(code_point_);
      return;
    }
    // The sequence breaks off: one '?' for it, and this byte starts afresh.
    finish(out);
  }

  if (byte < 0x80) {
    out += static_cast<char>(byte);
  } else if (byte >= 0xC2 && byte <= 0xDF) {
    code_point_ = byte & 0x1Fu;
    pending_ = 1;
  } else if (byte >= 0xE0 && byte <= 0xEF) {
    code_point_ = byte & 0x0Fu;
    pending_ = 2;
    if (byte == 0xE0) lowest_ = 0xA0;   // below: overlong, fewer than 12 bits
    if (byte == 0xED) highest_ = 0x9F;  // above: surrogates D800 to DFFF
  } else if (byte >= 0xF0 && byte <= 0xF4) {
    code_point_ = byte & 0x07u;
    pending_ = 3;
    if (byte == 0xF0) lowest_ = 0x90;   // below: overlong, fewer than 17 bits
    if (byte == 0xF4) highest_ = 0x8F;  // above: beyond U+10FFFF
  } else {
    // A continuation byte with no lead, or a byte that never occurs in UTF-8 (C0 and C1 would
    // only start overlong forms, F5 to FF code points beyond U+10FFFF).
    out += '?';
  }
}

void InputDecoder::finish(std::string& out) {
  if (pending_ > 0) out += '?';
  pending_ = 0;
  code_point_ = 0;
  lowest_ = 0x80;
  highest_ = 0xBF;
}

std::string decode(std::string_view bytes, Codeset codeset) {
  InputDecoder decoder(codeset);
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) decoder.feed(static_cast<unsigned char>(c), out);
  decoder.finish(out);
  return out;
}

}  // namespace quiquadrado::console
