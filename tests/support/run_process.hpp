// What the tests that run the built program share: starting it with an environment of their
// own, and reading what it wrote back as the rows of its screen.
#pragma once

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <spawn.h>
#include <sys/types.h>
#endif

#include <sstream>
#include <string>
#include <vector>

namespace quiquadrado::test_support {

// The rows of a screen written as text: the text cut at each newline; a last row without one
// counts too.
inline std::vector<std::string> rows_of(const std::string& text) {
  std::vector<std::string> rows;
  std::istringstream lines(text);
  for (std::string row; std::getline(lines, row);) rows.push_back(row);
  return rows;
}

#if !defined(_WIN32)
// Starts program with the given file actions and attributes (either may be null) and no
// arguments. Its environment holds only LC_ALL=locale and a PATH of the system's folders, so
// that nothing of the environment the tests run in reaches it. Returns its process id, or -1
// after a test failure when it cannot be started.
inline pid_t start_program(const std::string& program, const posix_spawn_file_actions_t* actions,
                           const posix_spawnattr_t* attributes, const std::string& locale = "C.UTF-8") {
  std::vector<std::string> env_text = {"LC_ALL=" + locale, "PATH=/usr/bin:/bin"};
  std::vector<char*> env;
  for (std::string& entry : env_text) env.push_back(entry.data());
  env.push_back(nullptr);
  std::string path = program;
  char* argv[] = {path.data(), nullptr};

  pid_t pid = 0;
  if (posix_spawn(&pid, path.c_str(), actions, attributes, argv, env.data()) != 0) {
    ADD_FAILURE() << "cannot start " << program;
    return -1;
  }
  return pid;
}
#endif

}  // namespace quiquadrado::test_support
