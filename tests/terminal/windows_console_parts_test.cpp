// The platform-free parts of the Windows console: keyboard records as a terminal's bytes, and the
// renderer's sequences read back as painting steps for a console without sequences.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "console/key_records.hpp"
#include "console/keys.hpp"
#include "console/sequence_reader.hpp"
#include "console/terminal_frame.hpp"

namespace quiquadrado::console {
namespace {

KeyRecord pressed(std::uint16_t key, char16_t unit, bool shift = false) { return KeyRecord{true, key, unit, shift, 1}; }

TEST(KeyRecords, EditingKeysBecomeATerminalsBytes) {
  struct Case {
    KeyRecord record;
    std::string_view bytes;
  };
  const Case cases[] = {
      {pressed(virtual_key::enter, u'\r'), "\r"},
      {pressed(virtual_key::back, 0x08), "\x7f"},
      {pressed(virtual_key::tab, u'\t'), "\t"},
      {pressed(virtual_key::tab, u'\t', true), "\x1b[Z"},
      {pressed(virtual_key::escape, 0x1b), "\x1b"},
      {pressed(virtual_key::left, 0), "\x1b[D"},
      {pressed(virtual_key::right, 0), "\x1b[C"},
      {pressed(virtual_key::up, 0), "\x1b[A"},
      {pressed(virtual_key::delete_key, 0), "\x1b[3~"},
      {pressed('A', u'a'), "a"},
      {pressed('A', u'A', true), "A"},
      {pressed(0xbe, u'.'), "."},
      {pressed('C', 0x03), "\x03"},  // Ctrl-C, Ctrl-D and Ctrl-Z as their control characters
      {pressed('D', 0x04), "\x04"},
      {pressed('Z', 0x1a), "\x1a"},
      {pressed('C', u'\u00e7'), "\xc3\xa7"},  // c cedilla, in UTF-8
      {pressed('E', u'\u20ac'), "\xe2\x82\xac"},
      {pressed(0x10, 0), ""},                             // Shift alone
      {pressed(0x70, 0), ""},                             // F1
      {KeyRecord{false, 'A', u'a', false, 1}, ""},        // a release
      {KeyRecord{false, virtual_key::alt, u'\u00e9', false, 1}, "\xc3\xa9"},  // Alt+0233 on the numpad
      {KeyRecord{true, '5', u'5', false, 3}, "555"},      // held down
      {KeyRecord{true, '5', u'5', false, 0}, "5"},        // a count of 0 is one
  };
  for (const Case& c : cases) {
    KeyRecordReader reader;
    std::string bytes;
    reader.take(c.record, bytes);
    EXPECT_EQ(bytes, c.bytes) << "key " << c.record.virtual_key << " unit " << static_cast<unsigned>(c.record.unit);
  }
}

TEST(KeyRecords, SurrogatePairsAreJoinedAndHalvesDropped) {
  KeyRecordReader reader;
  std::string bytes;
  reader.take(pressed(0, 0xd83d), bytes);
  EXPECT_EQ(bytes, "");
  reader.take(pressed(0, 0xde00), bytes);
  EXPECT_EQ(bytes, "\xf0\x9f\x98\x80");  // U+1F600
  bytes.clear();
  reader.take(pressed(0, 0xde00), bytes);  // a second half with no first
  reader.take(pressed(0, 0xd83d), bytes);  // a first half followed by a plain character
  reader.take(pressed('A', u'a'), bytes);
  EXPECT_EQ(bytes, "a");
}

// What the console's line editing makes of typed records: the same keys as from a terminal.
TEST(KeyRecords, DecodeToTheConsolesKeys) {
  KeyRecordReader reader;
  std::string bytes;
  for (const KeyRecord& record : {pressed('0', u'0'), pressed(virtual_key::left, 0), pressed(virtual_key::tab, 9, true),
                                  pressed('C', 0x03), pressed(virtual_key::enter, u'\r')}) {
    reader.take(record, bytes);
  }
  KeyDecoder decoder(Codeset::utf8);
  for (const char c : bytes) decoder.feed(static_cast<unsigned char>(c));
  std::vector<KeyKind> kinds;
  while (const std::optional<Key> key = decoder.next()) kinds.push_back(key->kind);
  EXPECT_EQ(kinds, (std::vector<KeyKind>{KeyKind::character, KeyKind::left, KeyKind::back_tab, KeyKind::interrupt,
                                         KeyKind::enter}));
}

TEST(SequenceReader, NearestConsoleColours) {
  struct Case {
    Rgb colour;
    std::uint8_t index;
  };
  const Case cases[] = {
      {{84, 118, 153}, 8},   // the console's blue grey: dark grey, under which white stays readable
      {{0, 0, 0}, 0},       {{255, 255, 255}, 15}, {{0, 0, 128}, 1},   {{0, 0, 250}, 9},
      {{200, 190, 185}, 7}, {{120, 0, 0}, 4},      {{250, 250, 0}, 14},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(nearest_console_colour(c.colour), c.index)
        << static_cast<int>(c.colour.red) << "," << static_cast<int>(c.colour.green) << "," << static_cast<int>(c.colour.blue);
  }
}

TEST(SequenceReader, ColoursOfEachSgrForm) {
  struct Case {
    std::string_view sgr;
    CellColours colours;
  };
  const Case cases[] = {
      {"\x1b[0m", {7, 0}},
      {"\x1b[0;38;2;255;255;255;48;2;84;118;153m", {15, 8}},  // the console's own colours
      {"\x1b[0;38;5;231;48;5;66m", {15, 8}},                  // the same in 256 colours
      {"\x1b[0;37;97;44m", {15, 1}},                          // and in 16: white (then bright) on blue
      {"\x1b[0;30;47m", {0, 7}},                              // box: black on light grey
      {"\x1b[0;1;37;97;44m", {15, 1}},                        // box title
      {"\x1b[0;1;37;97;41m", {15, 4}},                        // error icon: on red
      {"\x1b[0;30;43;103m", {0, 14}},                         // warning icon: on yellow
      {"\x1b[0;1;7;30;47m", {7, 8}},                          // focused button: bold, reversed
      {"\x1b[31;42m", {4, 2}},                                // no reset: the pen changes only these
      {"\x1b[38;2;999;0;0m", {12, 0}},                        // a channel past 255 is 255
      {"\x1b[38;9;1;2;31m", {7, 0}},                          // an unknown form: the rest means nothing
      {"\x1b[;44m", {7, 1}},                                  // an empty parameter is 0
  };
  for (const Case& c : cases) {
    SequenceReader reader;
    std::string bytes(c.sgr);
    bytes += "x";
    const std::vector<PaintStep> steps = reader.read(bytes);
    ASSERT_EQ(steps.size(), 1u) << c.sgr.substr(1);
    EXPECT_EQ(steps[0].colours, c.colours) << c.sgr.substr(1) << ": " << int{steps[0].colours.foreground} << " on "
                                           << int{steps[0].colours.background};
  }
}

TEST(SequenceReader, TextCursorAndBell) {
  SequenceReader reader;
  const std::vector<PaintStep> steps =
      reader.read("\x1b[?25l\x1b[2;3H\x1b[0;30;47mab\xc3\xa7" "d\x1b[0;1;37;97;44mZ\x1b[5;1H\n\x1b[?7l\x1b" "7\a\x1b[?25h");
  ASSERT_EQ(steps.size(), 5u);
  EXPECT_EQ(steps[0].kind, PaintStep::Kind::cursor);
  EXPECT_FALSE(steps[0].visible);
  EXPECT_EQ(steps[1].kind, PaintStep::Kind::text);
  EXPECT_EQ(steps[1].row, 1u);
  EXPECT_EQ(steps[1].column, 2u);
  EXPECT_EQ(steps[1].text, "ab\xc3\xa7" "d");
  EXPECT_EQ(steps[1].colours, (CellColours{0, 7}));
  EXPECT_EQ(steps[2].kind, PaintStep::Kind::text);
  EXPECT_EQ(steps[2].column, 6u);  // four characters on, whatever their bytes
  EXPECT_EQ(steps[2].text, "Z");
  EXPECT_EQ(steps[3].kind, PaintStep::Kind::bell);  // the line feed, ?7l and ESC 7 are dropped
  EXPECT_EQ(steps[4].kind, PaintStep::Kind::cursor);
  EXPECT_TRUE(steps[4].visible);
  EXPECT_EQ(steps[4].row, 4u);
  EXPECT_EQ(steps[4].column, 0u);
}

TEST(SequenceReader, ASequenceSplitBetweenWritesIsCompleted) {
  SequenceReader reader;
  EXPECT_TRUE(reader.read("\x1b[0;30;4").empty());
  const std::vector<PaintStep> steps = reader.read("7m\x1b[3;4Hx");
  ASSERT_EQ(steps.size(), 1u);
  EXPECT_EQ(steps[0].colours, (CellColours{0, 7}));
  EXPECT_EQ(steps[0].row, 2u);
  EXPECT_EQ(steps[0].column, 3u);
}

// A whole frame as the renderer sends it paints every cell of the frame, each in its style.
TEST(SequenceReader, PaintsWhatTheRendererSends) {
  Frame frame(12, 3);
  frame.put_text(0, 0, "Entre", Style::console);
  frame.put_text(1, 2, "OK", Style::focused_button);
  frame.put_text(2, 0, "ALFA \xe7", Style::status);
  FrameRenderer renderer(Codeset::utf8);
  renderer.set_console_colours("\x1b[0;38;2;255;255;255;48;2;84;118;153m");
  SequenceReader reader;
  std::vector<std::vector<char>> cells(3, std::vector<char>(12, '\0'));
  std::vector<std::vector<CellColours>> colours(3, std::vector<CellColours>(12));
  for (const PaintStep& step : reader.read(renderer.update(frame))) {
    if (step.kind != PaintStep::Kind::text) continue;
    std::size_t column = step.column;
    for (const char c : step.text) {
      if ((static_cast<unsigned char>(c) & 0xc0u) == 0x80u) continue;
      ASSERT_LT(step.row, 3u);
      ASSERT_LT(column, 12u);
      cells[step.row][column] = c;
      colours[step.row][column] = step.colours;
      ++column;
    }
  }
  for (std::size_t row = 0; row < 3; ++row) {
    for (std::size_t column = 0; column < 12; ++column) EXPECT_NE(cells[row][column], '\0') << row << "," << column;
  }
  EXPECT_EQ(std::string(cells[0].begin(), cells[0].begin() + 5), "Entre");
  EXPECT_EQ(colours[0][0], (CellColours{15, 8}));
  EXPECT_EQ(colours[0][11], (CellColours{15, 8}));
  EXPECT_EQ(colours[1][2], (CellColours{7, 8}));
  EXPECT_EQ(colours[2][0], (CellColours{0, 7}));
}

}  // namespace
}  // namespace quiquadrado::console
