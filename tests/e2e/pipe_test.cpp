// The built program, run as a user would run it in a pipe: standard input from a file, standard
// output and standard error captured, exit status checked.
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>

#include <filesystem>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_process.hpp"

namespace {

using quiquadrado::test_support::rows_of;
#if !defined(_WIN32)
using quiquadrado::test_support::start_program;
#endif

struct Outcome {
  std::string out;  // standard output
  std::string err;  // standard error
  int status = -1;  // exit status, or 128 + signal
};

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Where standard output goes when it cannot take what is written: a full device on POSIX; on
// Windows a file opened for reading only.
constexpr const char* unwritable_output = "/dev/full";

class PipedRun : public ::testing::Test {
 protected:
#if defined(_WIN32)
  void SetUp() override {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("quiquadrado-e2e-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(dir);
    dir_ = dir.string();
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  static HANDLE open_for_child(const std::string& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }

  // Runs the program with typed as its standard input; stdout_path set to unwritable_output
  // gives it a standard output that refuses every write.
  Outcome run(const std::string& typed, std::string stdout_path = {}, const char* = "C.UTF-8") {
    const std::string in = dir_ + "/in";
    const std::string out = dir_ + "/out";
    const std::string err = dir_ + "/err";
    std::ofstream(in, std::ios::binary) << typed;
    std::ofstream(out, std::ios::binary).flush();

    Outcome outcome;
    const HANDLE input = open_for_child(in, GENERIC_READ, OPEN_EXISTING);
    const HANDLE output = stdout_path == unwritable_output ? open_for_child(out, GENERIC_READ, OPEN_EXISTING)
                                                           : open_for_child(out, GENERIC_WRITE, CREATE_ALWAYS);
    const HANDLE error = open_for_child(err, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = error;
    PROCESS_INFORMATION process{};
    std::string program = QUIQUADRADO_PATH;
    std::string command_line = "\"" + program + "\"";
    const bool started = input != INVALID_HANDLE_VALUE && output != INVALID_HANDLE_VALUE &&
                         error != INVALID_HANDLE_VALUE &&
                         CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process) != 0;
    for (HANDLE handle : {input, output, error}) {
      if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    if (!started) {
      ADD_FAILURE() << "cannot start " << program;
      return outcome;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    outcome.status = static_cast<int>(status);
    if (stdout_path.empty()) outcome.out = read_file(out);
    outcome.err = read_file(err);
    return outcome;
  }
#else
  void SetUp() override {
    char pattern[] = "/tmp/quiquadrado-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    for (const char* name : {"/in", "/out", "/err"}) std::remove((dir_ + name).c_str());
    rmdir(dir_.c_str());
  }

  // Runs the program with typed as its standard input; stdout_path overrides where its standard
  // output goes.
  Outcome run(const std::string& typed, std::string stdout_path = {}, const char* locale = "C.UTF-8") {
    const std::string in = dir_ + "/in";
    const std::string out = stdout_path.empty() ? dir_ + "/out" : stdout_path;
    const std::string err = dir_ + "/err";
    std::ofstream(in, std::ios::binary) << typed;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

    Outcome outcome;
    const pid_t pid = start_program(QUIQUADRADO_PATH, &actions, nullptr, locale);
    posix_spawn_file_actions_destroy(&actions);
    if (pid < 0) return outcome;
    int wait_status = 0;
    waitpid(pid, &wait_status, 0);
    outcome.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
    if (stdout_path.empty()) outcome.out = read_file(out);
    outcome.err = read_file(err);
    return outcome;
  }
#endif

  std::string dir_;
};

TEST_F(PipedRun, NormalRunPrintsTheScreenAsText) {
  const Outcome outcome = run("0.05\n10\n");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.err, "");
  const std::vector<std::string> rows = rows_of(outcome.out);
  ASSERT_EQ(rows.size(), 28u) << outcome.out;
  EXPECT_EQ(rows[0], "      " + std::string(77, '*'));
  EXPECT_EQ(rows[16], "   Entre com o valor de ALFA  --> 0.05");
  EXPECT_EQ(rows[18], std::string(19, ' ') + "Para  10 graus de liberdade e alfa/2 = 0.025 qui quadrado =   3.247");
  EXPECT_EQ(rows[19], std::string(45, ' ') + "1 - alfa/2 = 0.975 qui quadrado =  20.483");
  EXPECT_EQ(rows[21], "      O QUI QUADRADO no Ajustamento de Observa\u00e7\u00f5es");  // UTF-8 on the way out
  EXPECT_EQ(rows[27], "Stop - Program terminated.");
  EXPECT_EQ(outcome.out.back(), '\n');
  EXPECT_EQ(outcome.out.find('\x1b'), std::string::npos) << "no escape sequences through a pipe";
}

TEST_F(PipedRun, AsciiLocaleStillGetsTheAccentsInUtf8) {
  const Outcome outcome = run("0.05\n10\n", {}, "C");
  ASSERT_EQ(outcome.status, 0);
  // The C locale's codeset is ASCII: every codeset but the one-byte Latin ones gets UTF-8.
  EXPECT_NE(outcome.out.find("Observa\u00e7\u00f5es"), std::string::npos);
}

TEST_F(PipedRun, ErrorsGoToStandardErrorWithExitStatusOne) {
  struct Case {
    const char* typed;
    const char* report;
  };
  const Case cases[] = {
      {"0.05\n3.5\n", "run-time error F6101: READ() - invalid character in integer value\n"},
      {"0\n3\n", "run-time error M6101: invalid floating point operation\n"},
      {"", "run-time error F6500: READ() - no more input lines\n"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = run(c.typed);
    EXPECT_EQ(outcome.status, 1) << c.typed;
    EXPECT_EQ(outcome.err, c.report) << c.typed;
    ASSERT_FALSE(outcome.out.empty());
    EXPECT_EQ(outcome.out.back(), '\n') << "the open prompt row is ended: " << c.typed;
    EXPECT_EQ(outcome.out.find("Stop - Program terminated."), std::string::npos) << c.typed;
  }
}

TEST_F(PipedRun, CarriageReturnsBeforeNewlinesAreDropped) {
  const Outcome outcome = run("0.05\r\n10\r\n");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.out, run("0.05\n10\n").out);
  EXPECT_EQ(outcome.out.find('\r'), std::string::npos) << "lines end in a newline alone";
}

TEST_F(PipedRun, LastLineWithoutNewlineCounts) {
  const Outcome outcome = run("0.05\n10");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_NE(outcome.out.find("  20.483"), std::string::npos);
}

TEST_F(PipedRun, FullDiskIsAFailureNotASuccess) {
  const Outcome outcome = run("0.05\n10\n", unwritable_output);
  EXPECT_NE(outcome.status, 0);
  EXPECT_NE(outcome.err, "");
}

}  // namespace
