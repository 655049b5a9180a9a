// The frame renderer's bytes read back as painting steps, for a console that takes no escape
// sequences and is painted cell by cell through calls instead (the Windows console without
// virtual-terminal processing). It knows what the renderer and the console send: CUP, SGR
// (16-colour, 256-colour and 24-bit), DECTCEM and BEL; other sequences and control characters
// are dropped. Colours become the 16 of the console's colour table, the nearest by squared
// distance in RGB. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console/backend.hpp"  // Rgb

namespace quiquadrado::console {

// A cell's colours as indices into the console's table: bit 0 blue, 1 green, 2 red, 3 bright,
// so that foreground | background << 4 is the console's attribute.
struct CellColours {
  std::uint8_t foreground = 7;  // light grey
  std::uint8_t background = 0;  // black
  friend bool operator==(const CellColours&, const CellColours&) = default;
};

// The index of the console's classic colour table nearest to colour.
std::uint8_t nearest_console_colour(Rgb colour);

struct PaintStep {
  enum class Kind : std::uint8_t {
    text,    // text from (row, column) on, in colours
    cursor,  // the cursor shown at (row, column), or hidden
    bell,    // ring the bell
  };
  Kind kind = Kind::text;
  std::size_t row = 0;     // 0-based
  std::size_t column = 0;  // 0-based
  std::string text;        // UTF-8, for text
  CellColours colours{};   // for text
  bool visible = false;    // for cursor
};

class SequenceReader {
 public:
  // The steps for bytes; a sequence cut at the end of bytes is completed by the next call.
  // Text never wraps: the column only grows, as on a terminal with autowrap off.
  std::vector<PaintStep> read(std::string_view bytes);

 private:
  void character(char byte, std::vector<PaintStep>& steps);
  void sequence(std::vector<PaintStep>& steps);
  void select_graphic_rendition(std::string_view parameters);
  CellColours colours() const;

  std::string sequence_;   // an escape sequence being read, from its ESC on
  bool text_open_ = false; // the last step is text that the next character continues
  std::size_t row_ = 0;    // where the next character goes
  std::size_t column_ = 0;
  std::uint8_t foreground_ = 7;  // the pen, before bold and reverse
  std::uint8_t background_ = 0;
  bool bold_ = false;
  bool reverse_ = false;
};

}  // namespace quiquadrado::console
