// Line editing: keys in, the typed line and the bell out.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "console/keys.hpp"
#include "console/line_editor.hpp"

namespace quiquadrado::console {
namespace {

struct Typing {
  std::string line;                 // the line after the last key
  std::vector<EditResult> results;  // one result per key
  int count(EditResult wanted) const {
    int n = 0;
    for (const EditResult r : results) n += r == wanted ? 1 : 0;
    return n;
  }
};

// Types bytes into a fresh editor, as a terminal would deliver them.
Typing type(std::string_view bytes, Codeset codeset = Codeset::utf8) {
  KeyDecoder keys(codeset);
  LineEditor editor;
  Typing typing;
  for (const char c : bytes) {
    keys.feed(static_cast<unsigned char>(c));
    while (std::optional<Key> key = keys.next()) typing.results.push_back(editor.apply(*key));
  }
  typing.line = editor.line();
  return typing;
}

TEST(LineEditor, EditsAsTheConsoleDoes) {
  struct Case {
    std::string_view typed;
    std::string_view line;
  };
  const Case cases[] = {
      {"0.05", "0.05"},
      {"0.055\x7f", "0.05"},                 // DEL removes the last character
      {"10\x08\x08\x08" "7", "7"},           // BS too, and never past the start
      {"1\t2", "1        2"},                // Tab inserts eight blanks
      {"\t\x7f", "       "},                 // which Backspace removes one by one
      {"1\x1b[D\x1b[C\x1bOA\x1b[15~\x1b[200~2\x1b[201~", "12"},  // sequences read whole, ignored
      {"\xc3\xa7" "a", "\xe7" "a"},          // UTF-8 stored as Windows-1252
      {"\xc3\xa9\x7f" "e", "e"},             // Backspace removes a whole character
      {"\xe2\x82\xac", "\x80"},              // the euro sign too
      {"5\x1a", "5\x1a"},                    // Ctrl-Z is kept as a character
      {"\x01\x02" "3", "3"},                 // other control characters are not
      {"1\x04" "2", "12"},                   // nor Ctrl-D on a line that has text
  };
  for (const Case& c : cases) EXPECT_EQ(type(c.typed).line, c.line) << c.typed;
}

TEST(LineEditor, HoldsAtMost128CharactersAndRingsTheBell) {
  const Typing digits = type(std::string(130, '7'));
  EXPECT_EQ(digits.line, std::string(128, '7'));
  EXPECT_EQ(digits.count(EditResult::bell), 2);
  EXPECT_EQ(digits.results[127], EditResult::changed);
  EXPECT_EQ(digits.results[128], EditResult::bell);

  // Characters, not bytes: 128 two-byte letters fit, the 129th rings.
  std::string letters;
  for (int i = 0; i < 129; ++i) letters += "\xc3\xa9";
  const Typing accents = type(letters);
  EXPECT_EQ(accents.line, std::string(128, '\xe9'));
  EXPECT_EQ(accents.count(EditResult::bell), 1);

  // A Tab that would pass the limit is refused whole; one that just fits is taken.
  const Typing over = type(std::string(121, '1') + "\t");
  EXPECT_EQ(over.line, std::string(121, '1'));
  EXPECT_EQ(over.results.back(), EditResult::bell);
  const Typing fits = type(std::string(120, '1') + "\t");
  EXPECT_EQ(fits.line, std::string(120, '1') + std::string(8, ' '));
  EXPECT_EQ(fits.results.back(), EditResult::changed);

  // After the bell, Backspace makes room again.
  const Typing room = type(std::string(129, '1') + "\x7f" "2");
  EXPECT_EQ(room.line, std::string(127, '1') + "2");
}

TEST(LineEditor, EndsOfTheLine) {
  struct Case {
    std::string_view typed;
    EditResult last;
  };
  const Case cases[] = {
      {"10\r", EditResult::done},
      {"10\n", EditResult::done},
      {"\r", EditResult::done},           // an empty line is a line
      {"\x04", EditResult::no_line},      // Ctrl-D on an empty line: no line
      {"1\x7f\x04", EditResult::no_line}, // also when emptied by Backspace
      {"1\x04", EditResult::bell},        // elsewhere it is refused
      {"1\x03", EditResult::interrupt},
      {"\x7f", EditResult::unchanged},    // nothing to remove
      {"\x1b[C", EditResult::unchanged},  // cursor keys do not move within the line
  };
  for (const Case& c : cases) EXPECT_EQ(type(c.typed).results.back(), c.last) << c.typed;
}

}  // namespace
}  // namespace quiquadrado::console
