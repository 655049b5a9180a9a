// The console's text is Windows-1252. Devices get it in their own codeset: UTF-8, or a one-byte
// codeset that holds the Latin-1 letters (ISO-8859-1, ISO-8859-15, CP1252). The bytes 0x80 to
// 0x9F are never sent raw: on a terminal they are C1 control codes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quiquadrado::console {

enum class Codeset : std::uint8_t { utf8, latin1, latin9, cp1252 };

// Every codeset, in the order of the enumeration.
inline constexpr std::array<Codeset, 4> all_codesets = {Codeset::utf8, Codeset::latin1, Codeset::latin9,
                                                        Codeset::cp1252};

// The codeset named by nl_langinfo(CODESET): the three one-byte names are recognised in their
// common spellings; every other name gives UTF-8.
Codeset codeset_from_name(std::string_view name);
// The codeset's usual name ("UTF-8", "ISO-8859-1", "ISO-8859-15", "CP1252"), one that
// codeset_from_name recognises.
std::string_view codeset_name(Codeset codeset);
// Sets LC_CTYPE from the environment and returns its codeset.
Codeset locale_codeset();

// Windows-1252 text in the device's codeset; characters the codeset lacks become '?'.
std::string encode(std::string_view cp1252, Codeset codeset);

// Typed bytes back into Windows-1252, one byte at a time, as a terminal delivers them.
// A character that Windows-1252 lacks, and a malformed UTF-8 sequence, give '?'.
class InputDecoder {
 public:
  explicit InputDecoder(Codeset codeset) noexcept : codeset_(codeset) {}
  // Appends to out the characters this byte completes: none, one, or two when the byte breaks
  // off a malformed sequence ('?') and starts a character of its own.
  void feed(unsigned char byte, std::string& out);
  // Ends the input: an unfinished sequence gives '?'.
  void finish(std::string& out);

 private:
  Codeset codeset_;               // codeset of the incoming bytes
  std::uint32_t code_point_ = 0;  // UTF-8 sequence decoded so far
  int pending_ = 0;               // continuation bytes still expected
  // The next continuation byte must lie in lowest_..highest_: 80..BF, narrowed right after the
  // lead bytes E0, ED, F0 and F4 so that overlong forms, surrogates and code points above
  // U+10FFFF break off as soon as they show.
  unsigned char lowest_ = 0x80;   // lowest byte accepted as the next continuation
  unsigned char highest_ = 0xBF;  // highest byte accepted as the next continuation
};

// A whole typed line (bytes of the device) in Windows-1252.
std::string decode(std::string_view bytes, Codeset codeset);

}  // namespace quiquadrado::console
