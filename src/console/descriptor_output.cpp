#include "console/descriptor_output.hpp"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "console/plain_backend.hpp"  // OutputError

namespace quiquadrado::console {

void write_fully(int fd, std::string_view bytes, WriteCall call, int longest_wait_ms) {
  constexpr int wait_ms = 100;  // one wait for a full descriptor
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  int waited_ms = 0;  // in a row, without progress
  while (left > 0) {
    const ssize_t written = call(fd, data, left);
    if (written > 0) {
      data += written;
      left -= static_cast<std::size_t>(written);
      waited_ms = 0;
      continue;
    }
    const int error = written < 0 ? errno : 0;
    if (error == EINTR) continue;
    if ((error == EAGAIN || error == EWOULDBLOCK) && (longest_wait_ms < 0 || waited_ms < longest_wait_ms)) {
      pollfd out{fd, POLLOUT, 0};
      ::poll(&out, 1, wait_ms);
      waited_ms += wait_ms;
      continue;
    }
    throw OutputError(std::string("no more output could be written: ") +
                      (error == 0 ? "nothing written" : std::strerror(error)));
  }
}

DescriptorBuffer::DescriptorBuffer(int fd) noexcept : fd_(fd) { setp(buffer_.data(), buffer_.data() + buffer_.size()); }

bool DescriptorBuffer::write_out(std::string_view bytes) noexcept {
  if (failed_) return false;
  try {
    write_fully(fd_, bytes, ::write, wait_without_limit);
  } catch (const OutputError&) {
    failed_ = true;
  }
  return !failed_;
}

bool DescriptorBuffer::flush_buffer() noexcept {
  const std::string_view pending(pbase(), static_cast<std::size_t>(pptr() - pbase()));
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  return pending.empty() || write_out(pending);
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c) {
  if (!flush_buffer()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

// Text larger than the room left goes out directly, after what is buffered.
std::streamsize DescriptorBuffer::xsputn(const char* text, std::streamsize count) {
  if (count <= epptr() - pptr()) {
    traits_type::copy(pptr(), text, static_cast<std::size_t>(count));
    pbump(static_cast<int>(count));
    return count;
  }
  if (!flush_buffer() || !write_out(std::string_view(text, static_cast<std::size_t>(count)))) return 0;
  return count;
}

int DescriptorBuffer::sync() { return flush_buffer() ? 0 : -1; }

}  // namespace quiquadrado::console
