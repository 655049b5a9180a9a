// Writing to a file descriptor whole, POSIX: on after partial writes, again after EINTR, and
// waiting while a descriptor that someone set non-blocking is full, instead of taking its
// EAGAIN for a failure.
#pragma once

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <streambuf>
#include <string_view>

namespace quiquadrado::console {

// The system call is a parameter so that tests can make it fail.
using WriteCall = ssize_t (*)(int fd, const void* data, std::size_t size);

// No limit on a wait for a full descriptor: a blocking descriptor would wait as long.
inline constexpr int wait_without_limit = -1;

// Writes all of bytes to fd. A full non-blocking descriptor is waited for, at most
// longest_wait_ms in a row without progress (wait_without_limit: as long as it takes). Throws
// OutputError on any other failure, on a write that makes no progress, or when the wait runs out.
void write_fully(int fd, std::string_view bytes, WriteCall call, int longest_wait_ms);

// An output stream buffer over a descriptor, writing through write_fully without a limit on
// the wait: standard output for the plain console, so that a pipe another process left
// non-blocking is written as a blocking one would be. A failed write makes the stream fail, as
// a failed write of the standard streams does, and the buffer writes nothing more.
class DescriptorBuffer final : public std::streambuf {
 public:
  explicit DescriptorBuffer(int fd) noexcept;
  DescriptorBuffer(const DescriptorBuffer&) = delete;
  DescriptorBuffer& operator=(const DescriptorBuffer&) = delete;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override;

 private:
  bool write_out(std::string_view bytes) noexcept;
  bool flush_buffer() noexcept;

  int fd_;
  bool failed_ = false;
  std::array<char, 8192> buffer_{};
};

}  // namespace quiquadrado::console
