// Typed bytes to keys: characters decoded to Windows-1252, the control keys, and escape
// sequences read whole.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "console/keys.hpp"

namespace quiquadrado::console {
namespace {

// The keys that bytes give, as a terminal would deliver them; a lone ESC at the end is ended by
// the wait running out.
std::vector<Key> keys_of(std::string_view bytes, Codeset codeset = Codeset::utf8) {
  KeyDecoder decoder(codeset);
  for (const char c : bytes) decoder.feed(static_cast<unsigned char>(c));
  if (decoder.in_escape()) decoder.escape_timeout();
  std::vector<Key> keys;
  while (std::optional<Key> key = decoder.next()) keys.push_back(*key);
  return keys;
}

// Keys written compactly: a character stands for itself; '{' starts a named key up to '}'.
std::vector<Key> keys(std::string_view text) {
  std::vector<Key> result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '{') {
      result.push_back(Key{KeyKind::character, text[i]});
      continue;
    }
    const std::size_t end = text.find('}', i);
    const std::string_view name = text.substr(i + 1, end - i - 1);
    i = end;
    const KeyKind kind = name == "enter"   ? KeyKind::enter
                         : name == "bs"    ? KeyKind::backspace
                         : name == "tab"   ? KeyKind::tab
                         : name == "btab"  ? KeyKind::back_tab
                         : name == "left"  ? KeyKind::left
                         : name == "right" ? KeyKind::right
                         : name == "esc"   ? KeyKind::escape
                         : name == "intr"  ? KeyKind::interrupt
                         : name == "eof"   ? KeyKind::end_of_input
                                           : KeyKind::ignored;
    result.push_back(Key{kind, 0});
  }
  return result;
}

std::string shown(std::string_view bytes) {
  std::string text;
  static const char hex[] = "0123456789abcdef";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f) {
      text += c;
    } else {
      text += "\\x";
      text += hex[byte >> 4];
      text += hex[byte & 15];
    }
  }
  return text;
}

TEST(KeyDecoder, BytesToKeys) {
  struct Case {
    std::string_view typed;
    std::string_view keys;
  };
  const Case cases[] = {
      {"0.05\r", "0.05{enter}"},
      {"1\n", "1{enter}"},
      {"1\r\n2\n\n", "1{enter}2{enter}{enter}"},  // CR LF is one Enter; LF LF two
      {"\x7f\x08\t", "{bs}{bs}{tab}"},
      {"\x03\x04", "{intr}{eof}"},
      {"5\x1a", "5\x1a"},                        // Ctrl-Z is a character
      {"\x01\x02\x1c" "3", "{ign}{ign}{ign}3"},   // other control characters are not
      // Arrows, with and without modifiers, in normal and application mode.
      {"\x1b[D\x1b[C\x1bOD\x1bOC\x1b[1;5D", "{left}{right}{left}{right}{left}"},
      {"\x1b[A\x1bOB\x1b[Z", "{ign}{ign}{btab}"},
      // Function keys, Delete, paste markers, the Linux console's F1: whole, and ignored.
      {"\x1b[15~\x1b[3~\x1bOP\x1b[[A" "7", "{ign}{ign}{ign}{ign}7"},
      {"\x1b[200~12\x1b[201~", "{ign}12{ign}"},
      // Alt with a key is one ignored key, also with a character beyond ASCII.
      {"\x1b" "a1", "{ign}1"},
      {"\x1b\xc3\xa7" "2", "2"},
      // A lone Escape, once the wait for the rest runs out; two ESCs start one sequence.
      {"\x1b", "{esc}"},
      {"\x1b\x1b[C", "{right}"},
      // A control character inside a sequence abandons it and acts: the Enter is not lost.
      {"\x1b[1\r", "{enter}"},
      {"\x1b\r", "{enter}"},
      // DEL inside a sequence is dropped; a byte that cannot belong ends it.
      {"\x1b[1\x7f" "C", "{right}"},
      // UTF-8 to Windows-1252, one key per character.
      {"\xc3\xa7\xc3\xa3o", "\xe7\xe3o"},
      {"\xe2\x82\xac", "\x80"},                  // the euro sign
      {"\xe2\x86\x92", "?"},                     // an arrow Windows-1252 lacks
      {"\xc3\r", "?{enter}"},                    // a character cut short by Enter
  };
  for (const Case& c : cases) EXPECT_EQ(keys_of(c.typed), keys(c.keys)) << shown(c.typed);
}

TEST(KeyDecoder, OneByteCodesets) {
  EXPECT_EQ(keys_of("\xe7\xe9", Codeset::latin1), keys("\xe7\xe9"));
  EXPECT_EQ(keys_of("\xa4", Codeset::latin9), keys("\x80"));  // the euro sign of Latin-9
}

TEST(KeyDecoder, EscapeWaitsForTheRestOfItsSequence) {
  KeyDecoder decoder(Codeset::utf8);
  decoder.feed(0x1b);
  EXPECT_TRUE(decoder.in_escape());
  EXPECT_FALSE(decoder.next());
  // The rest of the sequence arrives in a later read.
  decoder.feed('[');
  decoder.feed('C');
  EXPECT_FALSE(decoder.in_escape());
  EXPECT_EQ(decoder.next(), (Key{KeyKind::right, 0}));

  // A sequence cut short by the wait is dropped, not typed.
  decoder.feed(0x1b);
  decoder.feed('[');
  decoder.feed('1');
  decoder.escape_timeout();
  EXPECT_FALSE(decoder.next());
  decoder.feed('5');
  EXPECT_EQ(decoder.next(), (Key{KeyKind::character, '5'}));
}

}  // namespace
}  // namespace quiquadrado::console
