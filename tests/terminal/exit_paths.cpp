// exit_paths HOW
//
// Opens the terminal back end, shows a line and reads one, then leaves the process the way HOW
// names, without the end-of-run prompt, so that a test can see the terminal given back on each
// way out: "return" (the back end's destructor), "exit" (exit(3)), "throw" (an exception that
// nothing catches: std::terminate), "abort" and "segv" (raise(SIGSEGV)). "exit_paths sanitizer"
// prints "address" when built with AddressSanitizer (whose own SEGV handler, to which the
// console hands the signal on, ends the process with status 1), else "none".
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "console/backend.hpp"
#include "console/encoding.hpp"
#include "console/terminal_backend.hpp"

#if defined(__SANITIZE_ADDRESS__)
#define EXIT_PATHS_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define EXIT_PATHS_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

#ifdef EXIT_PATHS_ADDRESS_SANITIZER
constexpr std::string_view sanitizer = "address";
#else
constexpr std::string_view sanitizer = "none";
#endif

int leave(std::string_view how) {
  if (how == "exit") std::exit(3);
  if (how == "throw") throw std::runtime_error("nobody catches this");
  if (how == "abort") std::abort();
  if (how == "segv") std::raise(SIGSEGV);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quiquadrado::console;
  if (argc != 2) return 2;
  if (std::string_view(argv[1]) == "sanitizer") {
    std::printf("%.*s\n", static_cast<int>(sanitizer.size()), sanitizer.data());
    return 0;
  }
  std::unique_ptr<Backend> backend = open_terminal_backend(Codeset::utf8);
  if (!backend) return 2;
  backend->write_text("exit path ");
  backend->write_text(argv[1]);
  backend->line_break();
  if (!backend->read_line()) return 4;
  return leave(argv[1]);
}
