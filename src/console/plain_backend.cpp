#include "console/plain_backend.hpp"

#include <cerrno>
#include <cstddef>

#if __has_include(<poll.h>)
#include <poll.h>
#define QUIQUADRADO_HAS_POLL 1
#endif

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

// Waits until the descriptor has a byte to read or is at its end. False when it cannot wait.
bool wait_for_input(int descriptor) {
#ifdef QUIQUADRADO_HAS_POLL
  pollfd request{descriptor, POLLIN, 0};
  for (;;) {
    const int ready = poll(&request, 1, -1);
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
  }
#else
  static_cast<void>(descriptor);
  return false;
#endif
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
    errno = 0;
    const int next = source == nullptr ? std::char_traits<char>::eof() : source->sbumpc();
    if (next == std::char_traits<char>::eof()) {
      // No byte yet on a non-blocking descriptor is not the end of the input.
      const bool would_block = errno == EAGAIN || errno == EWOULDBLOCK;
      if (would_block && input_descriptor_ >= 0 && wait_for_input(input_descriptor_)) continue;
      break;
    }
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

  if (echo_typed_lines_) {
    write_text(printable(line));
    line_break();
  } else {
    at_line_start_ = true;  // the terminal's own echo of Enter began the next row
  }
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
