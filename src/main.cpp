// quiquadrado: chi-square critical values for the test of the a-posteriori variance factor.
// Picks the console's back end (the terminal, else plain text for pipes and files), runs the
// dialogue, and turns a fatal run-time error into its report and exit status 1.
#include <iostream>
#include <memory>

#include "console/console.hpp"
#include "console/encoding.hpp"
#include "console/plain_backend.hpp"
#if defined(_WIN32)
#include "console/windows_backend.hpp"
#else
#include <unistd.h>

#include "console/descriptor_output.hpp"
#include "console/terminal_backend.hpp"
#endif
#include "dialogue/dialogue.hpp"

int main() {
  using namespace quiquadrado;

  const console::Codeset codeset = console::locale_codeset();
#if defined(_WIN32)
  std::unique_ptr<console::Backend> backend = console::open_windows_backend();
  if (!backend) console::use_binary_standard_streams();
#else
  std::unique_ptr<console::Backend> backend = console::open_terminal_backend(codeset);
#endif
  constexpr int standard_input = 0;  // the descriptor under std::cin
  if (!backend) {
#if !defined(_WIN32)
    // Standard output is written whole even where another process sharing it left it
    // non-blocking. The buffer is never destroyed: std::cout is flushed once more at exit.
    std::cout.rdbuf(new console::DescriptorBuffer(STDOUT_FILENO));
#endif
    auto plain = std::make_unique<console::PlainBackend>(std::cin, std::cout, std::cerr, codeset, standard_input);
#if !defined(_WIN32)
    // A terminal too plain for our console still echoes what is typed: once is enough.
    plain->echo_typed_lines(!(::isatty(STDIN_FILENO) != 0 && ::isatty(STDOUT_FILENO) != 0));
#endif
    backend = std::move(plain);
  }
  console::Console screen(*backend);

  try {
    return dialogue::run_program(screen);
  } catch (const console::OutputError& error) {
    std::cerr << "quiquadrado: " << error.what() << '\n';
    return 1;
  }
}
