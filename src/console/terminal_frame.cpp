#include "console/terminal_frame.hpp"

#include <algorithm>
#include <utility>

namespace quiquadrado::console {

namespace {

constexpr std::string_view hide_cursor = "\x1b[?25l";
constexpr std::string_view show_cursor = "\x1b[?25h";

// The styles other than the console's own use the 16 ANSI colours, which every colour terminal
// has; each starts with a reset. Bright colours (90-107) follow their plain ones, for terminals
// that know them.
constexpr std::string_view box_colours = "\x1b[0;30;47m";               // black on light grey
constexpr std::string_view box_title_colours = "\x1b[0;1;37;97;44m";    // bold white on blue
constexpr std::string_view error_icon_colours = "\x1b[0;1;37;97;41m";   // bold white on red
constexpr std::string_view warning_icon_colours = "\x1b[0;30;43;103m";  // black on yellow
constexpr std::string_view focused_colours = "\x1b[0;1;7;30;47m";       // reversed: light on black
constexpr std::string_view status_colours = "\x1b[0;30;47m";            // black on light grey

struct GlyphBytes {
  std::string_view utf8;   // the line-drawing character
  std::string_view ascii;  // where the codeset has none
};

GlyphBytes glyph_bytes(Glyph glyph) {
  switch (glyph) {
    case Glyph::horizontal: return {"\xe2\x94\x80", "-"};    // U+2500
    case Glyph::vertical: return {"\xe2\x94\x82", "|"};      // U+2502
    case Glyph::top_left: return {"\xe2\x94\x8c", "+"};      // U+250C
    case Glyph::top_right: return {"\xe2\x94\x90", "+"};     // U+2510
    case Glyph::bottom_left: return {"\xe2\x94\x94", "+"};   // U+2514
    case Glyph::bottom_right: return {"\xe2\x94\x98", "+"};  // U+2518
    case Glyph::left_tee: return {"\xe2\x94\x9c", "+"};      // U+251C
    case Glyph::right_tee: return {"\xe2\x94\xa4", "+"};     // U+2524
    case Glyph::text: break;
  }
  return {" ", " "};
}

// A control character's symbol of the Control Pictures block (U+2400 + code, U+2421 for DEL),
// in UTF-8.
std::string control_picture(unsigned char code) {
  const unsigned char last = code == 0x7f ? 0xa1 : static_cast<unsigned char>(0x80 + code);
  return std::string{'\xe2', '\x90', static_cast<char>(last)};
}

}  // namespace

Frame::Frame(std::size_t width, std::size_t height)
    : width_(std::max<std::size_t>(width, 1)), height_(std::max<std::size_t>(height, 1)), cells_(width_ * height_) {}

void Frame::put_text(std::size_t row, std::size_t column, std::string_view text, Style style) {
  if (row >= height_) return;
  for (std::size_t i = 0; i < text.size() && column + i < width_; ++i) {
    at(row, column + i) = Cell{text[i], Glyph::text, style};
  }
}

void Frame::fill(std::size_t row, std::size_t column, std::size_t count, Cell cell) {
  if (row >= height_) return;
  for (std::size_t c = column; c < width_ && c - column < count; ++c) at(row, c) = cell;
}

std::string Frame::row_text(std::size_t row) const {
  std::string text;
  for (std::size_t c = 0; c < width_; ++c) {
    const Cell& cell = at(row, c);
    text += cell.glyph == Glyph::text ? cell.character : '#';
  }
  return text;
}

std::string_view style_sequence(Style style, std::string_view console_colours) {
  switch (style) {
    case Style::console: return console_colours;
    case Style::box: return box_colours;
    case Style::box_title: return box_title_colours;
    case Style::error_icon: return error_icon_colours;
    case Style::warning_icon: return warning_icon_colours;
    case Style::focused_button: return focused_colours;
    case Style::status: return status_colours;
  }
  return console_colours;
}

FrameRenderer::FrameRenderer(Codeset codeset) : line_drawing_(codeset == Codeset::utf8), console_colours_("\x1b[0m") {
  for (std::size_t code = 0; code < characters_.size(); ++code) {
    const auto byte = static_cast<unsigned char>(code);
    if (byte < 0x20 || byte == 0x7f) {
      characters_[code] = line_drawing_ ? control_picture(byte) : std::string("?");
    } else {
      const char c = static_cast<char>(byte);
      characters_[code] = encode(std::string_view(&c, 1), codeset);
    }
  }
}

void FrameRenderer::set_console_colours(std::string sgr) {
  if (sgr == console_colours_) return;
  console_colours_ = std::move(sgr);
  invalidate();
}

void FrameRenderer::invalidate() noexcept {
  shown_.reset();
  pen_.reset();
  pen_row_.reset();
  cursor_shown_.reset();
}

std::string_view FrameRenderer::cell_bytes(const Cell& cell) const {
  if (cell.glyph != Glyph::text) {
    const GlyphBytes bytes = glyph_bytes(cell.glyph);
    return line_drawing_ ? bytes.utf8 : bytes.ascii;
  }
  return characters_[static_cast<unsigned char>(cell.character)];
}

std::string FrameRenderer::shown_text(std::string_view cp1252) const {
  std::string text;
  text.reserve(cp1252.size());
  for (const char c : cp1252) text += characters_[static_cast<unsigned char>(c)];
  return text;
}

void FrameRenderer::move_to(std::string& out, std::size_t row, std::size_t column) {
  if (pen_row_ == row && pen_column_ == column) return;
  out += "\x1b[";
  out += std::to_string(row + 1);
  out += ';';
  out += std::to_string(column + 1);
  out += 'H';
  pen_row_ = row;
  pen_column_ = column;
}

void FrameRenderer::use_style(std::string& out, Style style) {
  if (pen_ == style) return;
  out += style_sequence(style, console_colours_);
  pen_ = style;
}

std::string FrameRenderer::update(const Frame& next) {
  const bool whole = !shown_ || shown_->width() != next.width() || shown_->height() != next.height();
  std::string out;
  bool drawing = false;
  for (std::size_t row = 0; row < next.height(); ++row) {
    // The changed cells of this row, from the first to the last, are drawn as one run.
    std::size_t first = next.width();
    std::size_t last = 0;
    for (std::size_t column = 0; column < next.width(); ++column) {
      if (whole || shown_->at(row, column) != next.at(row, column)) {
        first = std::min(first, column);
        last = column;
      }
    }
    if (first == next.width()) continue;
    if (!drawing) {
      drawing = true;
      if (cursor_shown_ != false) out += hide_cursor;
      cursor_shown_ = false;
    }
    move_to(out, row, first);
    for (std::size_t column = first; column <= last; ++column) {
      const Cell& cell = next.at(row, column);
      use_style(out, cell.style);
      out += cell_bytes(cell);
    }
    // Autowrap is off: after the last column the cursor stays there; elsewhere it moves on.
    if (last + 1 < next.width()) {
      pen_column_ = last + 1;
    } else {
      pen_row_.reset();
    }
  }

  if (next.cursor_visible) {
    move_to(out, std::min(next.cursor_row, next.height() - 1), std::min(next.cursor_column, next.width() - 1));
    if (cursor_shown_ != true) out += show_cursor;
    cursor_shown_ = true;
  } else if (cursor_shown_ != false) {
    out += hide_cursor;
    cursor_shown_ = false;
  }
  shown_ = next;
  return out;
}

}  // namespace quiquadrado::console
