#include "console/plain_backend.hpp"

#include <cstddef>

namespace quiquadrado::console {

namespace {

constexpr std::string_view tab_as_blanks = "        ";

// How a typed character is shown on the echo: control characters as '?', so that no byte of the
// input can act as a control sequence on whatever reads standard output.
std::string printable(std::string_view line) {
  std::string shown(line);
  for (char& c : shown) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) c = '?';
  }
  return shown;
}

}  // namespace

void PlainBackend::write_text(std::string_view text) {
  if (text.empty()) return;
  out_ << encode(text, codeset_);
  at_line_start_ = false;
}

void PlainBackend::line_break() {
  out_ << '\n';
  at_line_start_ = true;
}

std::optional<std::string> PlainBackend::read_line() {
  // Anything typed ahead is read after what has been written is on its way.
  out_.flush();

  std::string line;
  InputDecoder decoder(codeset_);
  std::string decoded;
  bool got_bytes = false;
  bool ended_by_newline = false;
  const auto keep = [&line](std::string_view characters) {
    for (char c : characters) {
      if (c == '\t') {
        if (line.size() + tab_as_blanks.size() <= max_typed_line) line += tab_as_blanks;
      } else if (line.size() < max_typed_line) {
        line += c;
      }
    }
  };

  std::streambuf* source = in_.rdbuf();
  bool carriage_return_last = false;  // the last byte was a carriage return that was kept
  for (;;) {
    const int next = source == nullptr ? std::char_traits<char>::eof() : source->sbumpc();
    if (next == std::char_traits<char>::eof()) break;
    got_bytes = true;
    if (next == '\n') {
      ended_by_newline = true;
      break;
    }
    decoded.clear();
    decoder.feed(static_cast<unsigned char>(next), decoded);
    const std::size_t before = line.size();
    keep(decoded);
    carriage_return_last = next == '\r' && line.size() > before && line.back() == '\r';
  }
  decoded.clear();
  decoder.finish(decoded);
  keep(decoded);
  if (ended_by_newline && carriage_return_last) line.pop_back();
  if (!got_bytes) {
    in_.setstate(std::ios::eofbit);
    return std::nullopt;
  }

  write_text(printable(line));
  line_break();
  return line;
}

Rgb PlainBackend::set_background_rgb(Rgb colour) {
  const Rgb previous = background_;
  background_ = colour;
  return previous;
}

void PlainBackend::report_error(std::string_view title, std::string_view text) {
  if (!at_line_start_) line_break();
  out_.flush();
  err_ << encode(title, codeset_) << encode(text, codeset_) << '\n';
  err_.flush();
}

void PlainBackend::end_of_run(std::string_view, int) { check_output(); }

void PlainBackend::check_output() {
  out_.flush();
  if (!out_) throw OutputError("error writing standard output");
}

}  // namespace quiquadrado::console
