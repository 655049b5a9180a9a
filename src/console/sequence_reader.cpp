#include "console/sequence_reader.hpp"

#include <array>
#include <charconv>
#include <limits>
#include <utility>

namespace quiquadrado::console {

namespace {

constexpr char escape = '\x1b';
constexpr char bell = '\a';
constexpr std::size_t longest_sequence = 64;  // a longer one is no sequence of ours: dropped

// The console's classic colour table, in its own order (bit 0 blue, 1 green, 2 red, 3 bright).
constexpr std::array<Rgb, 16> console_table{{
    {0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128},   {128, 0, 0},   {128, 0, 128},
    {128, 128, 0},   {192, 192, 192}, {128, 128, 128}, {0, 0, 255}, {0, 255, 0},   {0, 255, 255},
    {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255},
}};

// ANSI colour numbers (0 black, 1 red, 2 green, 3 yellow, 4 blue, ...) swap red and blue.
std::uint8_t from_ansi(unsigned ansi) {
  return static_cast<std::uint8_t>((ansi & 0x2u) | ((ansi & 0x1u) << 2) | ((ansi & 0x4u) >> 2) | (ansi & 0x8u));
}

// An xterm 256-colour index as RGB: the 16 ANSI colours, the 6x6x6 cube, the grey ramp.
Rgb xterm_colour(unsigned index) {
  if (index < 16) return console_table[from_ansi(index)];
  if (index < 232) {
    constexpr std::array<int, 6> levels{0, 95, 135, 175, 215, 255};
    const unsigned cube = index - 16;
    const auto level = [&levels](unsigned at) { return static_cast<std::uint8_t>(levels[at]); };
    return Rgb{level(cube / 36), level(cube / 6 % 6), level(cube % 6)};
  }
  const auto grey = static_cast<std::uint8_t>(8 + 10 * (index - 232));
  return Rgb{grey, grey, grey};
}

// Parameters of a sequence; an empty or overlong one counts as 0, as terminals take it.
std::vector<unsigned> parameters_of(std::string_view text) {
  std::vector<unsigned> values;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(';', start);
    const std::string_view part = text.substr(start, end == std::string_view::npos ? end : end - start);
    unsigned value = 0;
    const auto [rest, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    values.push_back(error == std::errc() && rest == part.data() + part.size() ? value : 0);
    if (end == std::string_view::npos) return values;
    start = end + 1;
  }
}

}  // namespace

std::uint8_t nearest_console_colour(Rgb colour) {
  std::uint8_t best = 0;
  int best_distance = std::numeric_limits<int>::max();
  for (std::size_t i = 0; i < console_table.size(); ++i) {
    const int red = colour.red - console_table[i].red;
    const int green = colour.green - console_table[i].green;
    const int blue = colour.blue - console_table[i].blue;
    const int distance = red * red + green * green + blue * blue;
    if (distance < best_distance) {
      best_distance = distance;
      best = static_cast<std::uint8_t>(i);
    }
  }
  return best;
}

std::vector<PaintStep> SequenceReader::read(std::string_view bytes) {
  std::vector<PaintStep> steps;
  text_open_ = false;
  for (const char byte : bytes) {
    if (!sequence_.empty()) {
      sequence_ += byte;
      const auto value = static_cast<unsigned char>(byte);
      if (sequence_.size() == 2 && byte != '[') {
        sequence_.clear();  // ESC and one character: no sequence of ours
      } else if (sequence_.size() > 2 && value >= 0x40 && value <= 0x7e) {
        sequence(steps);
        sequence_.clear();
      } else if (sequence_.size() > longest_sequence) {
        sequence_.clear();
      }
      continue;
    }
    if (byte == escape) {
      sequence_ = escape;
      text_open_ = false;
    } else if (byte == bell) {
      PaintStep step;
      step.kind = PaintStep::Kind::bell;
      steps.push_back(step);
      text_open_ = false;
    } else if (static_cast<unsigned char>(byte) >= 0x20 && byte != '\x7f') {
      character(byte, steps);
    }
  }
  return steps;
}

// Characters that follow one another without a sequence between them make one text step.
void SequenceReader::character(char byte, std::vector<PaintStep>& steps) {
  const bool continuation = (static_cast<unsigned char>(byte) & 0xc0u) == 0x80u;
  if (!text_open_) {
    if (continuation) return;  // a stray continuation byte: nothing to draw
    PaintStep step;
    step.row = row_;
    step.column = column_;
    step.colours = colours();
    steps.push_back(std::move(step));
    text_open_ = true;
  }
  steps.back().text += byte;
  if (!continuation) ++column_;
}

void SequenceReader::sequence(std::vector<PaintStep>& steps) {
  const char final_byte = sequence_.back();
  const std::string_view body = std::string_view(sequence_).substr(2, sequence_.size() - 3);
  if (final_byte == 'm') {
    select_graphic_rendition(body);
  } else if (final_byte == 'H' || final_byte == 'f') {
    const std::vector<unsigned> position = parameters_of(body);
    row_ = position[0] == 0 ? 0 : position[0] - 1;
    column_ = position.size() < 2 || position[1] == 0 ? 0 : position[1] - 1;
  } else if (body == "?25" && (final_byte == 'h' || final_byte == 'l')) {
    PaintStep step;
    step.kind = PaintStep::Kind::cursor;
    step.row = row_;
    step.column = column_;
    step.visible = final_byte == 'h';
    steps.push_back(step);
  }
}

void SequenceReader::select_graphic_rendition(std::string_view parameters) {
  const std::vector<unsigned> values = parameters_of(parameters);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const unsigned value = values[i];
    if (value == 0) {
      foreground_ = 7;
      background_ = 0;
      bold_ = false;
      reverse_ = false;
    } else if (value == 1) {
      bold_ = true;
    } else if (value == 22) {
      bold_ = false;
    } else if (value == 7) {
      reverse_ = true;
    } else if (value == 27) {
      reverse_ = false;
    } else if (value >= 30 && value <= 37) {
      foreground_ = from_ansi(value - 30);
    } else if (value >= 90 && value <= 97) {
      foreground_ = from_ansi(value - 90 + 8);
    } else if (value >= 40 && value <= 47) {
      background_ = from_ansi(value - 40);
    } else if (value >= 100 && value <= 107) {
      background_ = from_ansi(value - 100 + 8);
    } else if (value == 39) {
      foreground_ = 7;
    } else if (value == 49) {
      background_ = 0;
    } else if (value == 38 || value == 48) {
      // 38;5;n or 38;2;r;g;b (48 for the background); out-of-range parts are taken as 255.
      std::uint8_t& target = value == 38 ? foreground_ : background_;
      const auto part = [&values](std::size_t at) { return at < values.size() ? values[at] : 0u; };
      const auto channel = [&part](std::size_t at) { return static_cast<std::uint8_t>(part(at) > 255 ? 255 : part(at)); };
      if (part(i + 1) == 5) {
        target = nearest_console_colour(xterm_colour(part(i + 2) > 255 ? 255 : part(i + 2)));
        i += 2;
      } else if (part(i + 1) == 2) {
        target = nearest_console_colour(Rgb{channel(i + 2), channel(i + 3), channel(i + 4)});
        i += 4;
      } else {
        i = values.size();  // a form of ours it is not: the rest means nothing
      }
    }
  }
}

// The pen's colours as the console shows them: bold brightens the text, reverse swaps the two.
CellColours SequenceReader::colours() const {
  CellColours shown{static_cast<std::uint8_t>(bold_ ? foreground_ | 8u : foreground_), background_};
  if (reverse_) std::swap(shown.foreground, shown.background);
  return shown;
}

}  // namespace quiquadrado::console
