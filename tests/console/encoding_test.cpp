#include <gtest/gtest.h>

#include <clocale>
#include <cstddef>
#include <cstdlib>
#include <iomanip>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#if __has_include(<langinfo.h>)
#include <langinfo.h>
#endif

#include "console/encoding.hpp"

namespace quiquadrado::console {
namespace {

using namespace std::literals;

std::string hex(std::string_view bytes) {
  std::ostringstream out;
  for (const char c : bytes) {
    out << std::hex << std::setw(2) << std::setfill('0')
        << static_cast<int>(static_cast<unsigned char>(c)) << ' ';
  }
  return out.str();
}

std::string byte_string(int byte) { return std::string(1, static_cast<char>(byte)); }

// ----- Codeset names --------------------------------------------------------------------------

TEST(EncodingName, RecognisesTheOneByteCodesetsInTheirCommonSpellings) {
  struct Case {
    std::string_view name;
    Codeset expected;
  };
  const Case cases[] = {
      {"ISO-8859-1", Codeset::latin1},    {"iso-8859-1", Codeset::latin1},
      {"ISO8859-1", Codeset::latin1},     {"ISO_8859-1", Codeset::latin1},
      {"LATIN1", Codeset::latin1},        {"Latin1", Codeset::latin1},
      {"ISO-8859-15", Codeset::latin9},   {"ISO8859-15", Codeset::latin9},
      {"iso_8859-15", Codeset::latin9},   {"LATIN9", Codeset::latin9},
      {"CP1252", Codeset::cp1252},        {"cp1252", Codeset::cp1252},
      {"WINDOWS-1252", Codeset::cp1252},  {"Windows-1252", Codeset::cp1252},
      {"UTF-8", Codeset::utf8},           {"utf8", Codeset::utf8},
      {"ANSI_X3.4-1968", Codeset::utf8},  {"", Codeset::utf8},
      {"ISO-8859-2", Codeset::utf8},      {"ISO-8859-1 ", Codeset::utf8},
      {"ISO-8859-150", Codeset::utf8},    {"CP1251", Codeset::utf8},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(codeset_name(codeset_from_name(c.name)), codeset_name(c.expected))
        << '"' << c.name << '"';
  }
}

TEST(EncodingName, EachCodesetsUsualNameGivesItBack) {
  const struct {
    Codeset codeset;
    std::string_view name;
  } cases[] = {
      {Codeset::utf8, "UTF-8"},
      {Codeset::latin1, "ISO-8859-1"},
      {Codeset::latin9, "ISO-8859-15"},
      {Codeset::cp1252, "CP1252"},
  };
  ASSERT_EQ(std::size(cases), all_codesets.size());
  for (std::size_t i = 0; i < all_codesets.size(); ++i) {
    EXPECT_EQ(all_codesets[i], cases[i].codeset) << i;
    EXPECT_EQ(codeset_name(cases[i].codeset), cases[i].name);
    EXPECT_EQ(codeset_from_name(codeset_name(cases[i].codeset)), cases[i].codeset) << cases[i].name;
  }
}

#if __has_include(<langinfo.h>)
// The codeset comes from LC_CTYPE as the environment sets it.
TEST(EncodingLocale, TakesLcCtypeFromTheEnvironment) {
  // LC_ALL and LC_CTYPE as they were, put back however the test ends.
  struct Restore {
    const char* previous = std::getenv("LC_ALL");
    std::string saved = previous == nullptr ? "" : previous;
    ~Restore() {
      if (previous == nullptr) {
        unsetenv("LC_ALL");
      } else {
        setenv("LC_ALL", saved.c_str(), 1);
      }
      std::setlocale(LC_CTYPE, "C");
    }
  } restore;

  for (const char* const locale : {"C.UTF-8", "C"}) {
    if (std::setlocale(LC_CTYPE, locale) == nullptr) continue;  // not installed here
    std::setlocale(LC_CTYPE, "C");
    ASSERT_EQ(setenv("LC_ALL", locale, 1), 0);
    const Codeset codeset = locale_codeset();
    const char* const now = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(std::string(now), locale);
    EXPECT_EQ(codeset_name(codeset), codeset_name(codeset_from_name(nl_langinfo(CODESET))));
  }
}
#endif

// ----- Windows-1252 to the device ------------------------------------------------------------

// The three accented letters of the explanation rows: c cedilla, o tilde, e acute.
TEST(EncodingOutput, TheProgramsAccentedLettersInEveryCodeset) {
  constexpr std::string_view letters = "\xE7\xF5\xE9";
  const struct {
    Codeset codeset;
    std::string_view expected;
  } cases[] = {
      {Codeset::utf8, "\xC3\xA7\xC3\xB5\xC3\xA9"},
      {Codeset::latin1, "\xE7\xF5\xE9"},
      {Codeset::latin9, "\xE7\xF5\xE9"},
      {Codeset::cp1252, "\xE7\xF5\xE9"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hex(encode(letters, c.codeset)), hex(c.expected)) << codeset_name(c.codeset);
    EXPECT_EQ(hex(decode(c.expected, c.codeset)), hex(letters)) << codeset_name(c.codeset);
    const std::string_view c_cedilla = c.expected.substr(0, c.codeset == Codeset::utf8 ? 2 : 1);
    EXPECT_EQ(hex(encode("ou no endere\xE7o ", c.codeset)),
              hex("ou no endere"s + std::string(c_cedilla) + "o "))
        << codeset_name(c.codeset);
  }
}

TEST(EncodingOutput, AsciiAndControlCharactersPassUnchanged) {
  std::string ascii;
  for (int byte = 0; byte < 0x80; ++byte) ascii += static_cast<char>(byte);
  for (const Codeset codeset : all_codesets) {
    EXPECT_EQ(encode(ascii, codeset), ascii) << codeset_name(codeset);
    EXPECT_EQ(decode(ascii, codeset), ascii) << codeset_name(codeset);
  }
}

// Windows-1252 0x80 to 0x9F in UTF-8; the five undefined codes become '?'.
TEST(EncodingOutput, Cp1252HighCodesInUtf8) {
  const std::string_view expected[32] = {
      "\u20AC", "?",      "\u201A", "\u0192", "\u201E", "\u2026", "\u2020", "\u2021",
      "\u02C6", "\u2030", "\u0160", "\u2039", "\u0152", "?",      "\u017D", "?",
      "?",      "\u2018", "\u2019", "\u201C", "\u201D", "\u2022", "\u2013", "\u2014",
      "\u02DC", "\u2122", "\u0161", "\u203A", "\u0153", "?",      "\u017E", "\u0178",
  };
  for (int byte = 0x80; byte <= 0x9F; ++byte) {
    EXPECT_EQ(hex(encode(byte_string(byte), Codeset::utf8)), hex(expected[byte - 0x80]))
        << std::hex << byte;
  }
}

TEST(EncodingOutput, Latin1RangeInUtf8) {
  const struct {
    int byte;
    std::string_view expected;
  } cases[] = {
      {0xA0, "\xC2\xA0"}, {0xA4, "\xC2\xA4"}, {0xBF, "\xC2\xBF"}, {0xC0, "\xC3\x80"},
      {0xE7, "\xC3\xA7"}, {0xFF, "\xC3\xBF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hex(encode(byte_string(c.byte), Codeset::utf8)), hex(c.expected))
        << std::hex << c.byte;
  }
}

// Latin-1 and Windows-1252 devices: 0xA0 to 0xFF as they are; 0x80 to 0x9F, C1 control codes on
// a terminal, never sent.
TEST(EncodingOutput, OneByteDevicesNeverGetC1Codes) {
  for (const Codeset codeset : {Codeset::latin1, Codeset::cp1252}) {
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
      const std::string expected = byte <= 0x9F ? "?" : byte_string(byte);
      EXPECT_EQ(hex(encode(byte_string(byte), codeset)), hex(expected))
          << codeset_name(codeset) << std::hex << ' ' << byte;
    }
  }
}

// Latin-9: the eight positions where it differs from Latin-1 hold characters that Windows-1252
// keeps in 0x80 to 0x9F; the Latin-1 characters they replaced have no place.
TEST(EncodingOutput, Latin9MovesTheEightCharactersItHas) {
  const struct {
    int cp1252;
    int latin9;  // '?' when ISO-8859-15 lacks the character
  } moved[] = {
      {0x80, 0xA4}, {0x8A, 0xA6}, {0x9A, 0xA8}, {0x8E, 0xB4},  // euro, S caron, s caron, Z caron
      {0x9E, 0xB8}, {0x8C, 0xBC}, {0x9C, 0xBD}, {0x9F, 0xBE},  // z caron, OE, oe, Y diaeresis
      {0xA4, '?'},  {0xA6, '?'},  {0xA8, '?'},  {0xB4, '?'},   // currency, bar, diaeresis, acute
      {0xB8, '?'},  {0xBC, '?'},  {0xBD, '?'},  {0xBE, '?'},   // cedilla, 1/4, 1/2, 3/4
  };
  for (int byte = 0x80; byte <= 0xFF; ++byte) {
    int expected = byte <= 0x9F ? '?' : byte;
    for (const auto& m : moved) {
      if (m.cp1252 == byte) expected = m.latin9;
    }
    EXPECT_EQ(hex(encode(byte_string(byte), Codeset::latin9)), hex(byte_string(expected)))
        << std::hex << byte;
  }
}

// What a device can show comes back unchanged when typed: exactly the characters of Windows-1252
// that the codeset lacks are lost.
TEST(EncodingOutput, WhatIsShownDecodesBackToWindows1252) {
  const struct {
    Codeset codeset;
    int lost;
  } cases[] = {
      {Codeset::utf8, 5},     // the undefined codes
      {Codeset::latin1, 32},  // 0x80 to 0x9F
      {Codeset::latin9, 32},  // 24 of 0x80 to 0x9F and the 8 replaced Latin-1 characters
      {Codeset::cp1252, 32},  // 0x80 to 0x9F are kept off the terminal
  };
  for (const auto& c : cases) {
    int lost = 0;
    for (int byte = 0; byte <= 0xFF; ++byte) {
      const std::string original = byte_string(byte);
      const std::string shown = encode(original, c.codeset);
      if (shown == "?" && byte != '?') {
        ++lost;
        continue;
      }
      EXPECT_EQ(hex(decode(shown, c.codeset)), hex(original))
          << codeset_name(c.codeset) << std::hex << ' ' << byte;
    }
    EXPECT_EQ(lost, c.lost) << codeset_name(c.codeset);
  }
}

// ----- Typed bytes to Windows-1252 -----------------------------------------------------------

TEST(InputDecoder, DecodesTypedLinesToWindows1252) {
  const struct {
    Codeset codeset;
    std::string_view bytes;
    std::string_view expected;
    const char* what;
  } cases[] = {
      {Codeset::utf8, "0.05", "0.05", "ASCII"},
      {Codeset::utf8, "\xC3\xA7\xC3\xB5\xC3\xA9", "\xE7\xF5\xE9", "Latin-1 letters"},
      {Codeset::utf8, "\xC2\xA0\xC3\xBF", "\xA0\xFF", "ends of the Latin-1 range"},
      {Codeset::utf8, "\xE2\x82\xAC", "\x80", "euro sign"},
      {Codeset::utf8, "\xE2\x80\x9C" "5" "\xE2\x80\x9D", "\x93" "5" "\x94", "curly quotes"},
      {Codeset::utf8, "\xC5\xB8", "\x9F", "Y diaeresis"},
      {Codeset::utf8, "\xC2\x85", "?", "C1 control U+0085"},
      {Codeset::utf8, "\xC4\x80", "?", "U+0100, not in Windows-1252"},
      {Codeset::utf8, "\xE4\xB8\xAD", "?", "CJK character"},
      {Codeset::utf8, "\xEF\xBF\xBF", "?", "U+FFFF"},
      {Codeset::utf8, "\xF0\x9F\x98\x80" "5", "?5", "four-byte character"},
      {Codeset::utf8, "\xF4\x8F\xBF\xBF", "?", "U+10FFFF"},
      {Codeset::utf8, "\x1A\x00\x7F\x09"sv, "\x1A\x00\x7F\x09"sv, "control characters kept"},
      // Malformed input: one '?' per broken-off sequence or stray byte.
      {Codeset::utf8, "\x80", "?", "stray continuation byte"},
      {Codeset::utf8, "5\xBF" "5", "5?5", "stray continuation byte inside"},
      {Codeset::utf8, "\xC3" "a", "?a", "truncated by ASCII"},
      {Codeset::utf8, "\xE2\x82" "a", "?a", "three-byte sequence truncated by ASCII"},
      {Codeset::utf8, "\xC3\xC3\xA7", "?\xE7", "truncated by a new lead byte"},
      {Codeset::utf8, "\xF0\x9F\x98\xC3\xA9", "?\xE9", "four-byte sequence truncated"},
      {Codeset::utf8, "\xC3", "?", "truncated by the end of the line"},
      {Codeset::utf8, "\xE2\x82", "?", "truncated by the end of the line"},
      {Codeset::utf8, "\xC0\xAF", "??", "overlong two-byte form"},
      {Codeset::utf8, "\xC1\xBF", "??", "overlong two-byte form"},
      {Codeset::utf8, "\xE0\x80\xAF", "???", "overlong three-byte form"},
      {Codeset::utf8, "\xE0\x9F\xBF", "???", "overlong three-byte form"},
      {Codeset::utf8, "\xF0\x8F\xBF\xBF", "????", "overlong four-byte form"},
      {Codeset::utf8, "\xED\xA0\x80", "???", "surrogate"},
      {Codeset::utf8, "\xED\xBF\xBF", "???", "surrogate"},
      {Codeset::utf8, "\xED\x9F\xBF", "?", "U+D7FF, valid but not in Windows-1252"},
      {Codeset::utf8, "\xF4\x90\x80\x80", "????", "beyond U+10FFFF"},
      {Codeset::utf8, "\xF5\x80", "??", "lead byte beyond U+10FFFF"},
      {Codeset::utf8, "\xFE\xFF" "1", "??1", "bytes that never occur"},
      // One-byte codesets.
      {Codeset::latin1, "\xE7\xA0\xFF", "\xE7\xA0\xFF", "Latin-1 letters"},
      {Codeset::latin1, "\x80\x9F", "??", "C1 controls"},
      {Codeset::latin1, "\x1A", "\x1A", "control character kept"},
      {Codeset::latin9, "\xA4\xA6\xA8\xB4\xB8\xBC\xBD\xBE", "\x80\x8A\x9A\x8E\x9E\x8C\x9C\x9F",
       "Latin-9 positions"},
      {Codeset::latin9, "\xE7\xF5\xE9", "\xE7\xF5\xE9", "Latin-1 letters"},
      {Codeset::latin9, "\x85", "?", "C1 control"},
      {Codeset::cp1252, "\x80\x93\xE7", "\x80\x93\xE7", "Windows-1252 characters"},
      {Codeset::cp1252, "\x81\x8D\x8F\x90\x9D", "?????", "undefined codes"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hex(decode(c.bytes, c.codeset)), hex(c.expected))
        << codeset_name(c.codeset) << ", " << c.what;
  }
}

// feed gives each character as soon as its last byte arrives, and the '?' of a broken-off
// sequence together with the character that breaks it off.
TEST(InputDecoder, FeedsOneByteAtATime) {
  InputDecoder decoder(Codeset::utf8);
  const struct {
    unsigned char byte;
    std::string_view out;
  } steps[] = {
      {'5', "5"}, {0xE2, ""}, {0x82, ""}, {0xAC, "\x80"}, {0xC3, ""}, {'x', "?x"},
      {0xC3, ""}, {0xE2, "?"}, {0x82, ""}, {0x80, "?"}, {0x80, "?"}, {0xE9, ""},
  };
  for (const auto& step : steps) {
    std::string out;
    decoder.feed(step.byte, out);
    EXPECT_EQ(hex(out), hex(step.out)) << "after byte " << std::hex << static_cast<int>(step.byte);
  }
  std::string out;
  decoder.finish(out);
  EXPECT_EQ(out, "?");
  out.clear();
  decoder.finish(out);  // nothing left
  EXPECT_EQ(out, "");
  decoder.feed(0xC3, out);
  decoder.feed(0xA9, out);
  EXPECT_EQ(hex(out), hex("\xE9"));
}

}  // namespace
}  // namespace quiquadrado::console
