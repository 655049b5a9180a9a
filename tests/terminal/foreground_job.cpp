// foreground_job PID_FILE COMMAND [ARGUMENT...]
//
// Runs the command as the terminal's foreground job in a process group of its own, as a shell
// with job control would, writes its process id to PID_FILE, and waits until it ends: a stop
// does not end the wait. Exits with the command's status as a shell reports it (128 + the
// signal, for a command ended by a signal). Unlike a shell it never touches the terminal's
// settings, so a test can see what the command itself left there while it is stopped.
//
// The tests need it because a process group whose parent lives in another session (a command
// run straight from a tmux pane's shell without job control) is orphaned, and the kernel
// discards stop signals sent to an orphaned group.
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: foreground_job PID_FILE COMMAND [ARGUMENT...]\n", stderr);
    return 2;
  }
  // Handing the terminal back from the background would otherwise stop us.
  std::signal(SIGTTOU, SIG_IGN);
  const pid_t child = ::fork();
  if (child < 0) return 126;
  if (child == 0) {
    ::setpgid(0, 0);
    ::tcsetpgrp(STDIN_FILENO, ::getpid());
    std::signal(SIGTTOU, SIG_DFL);
    ::execvp(argv[2], argv + 2);
    ::_exit(127);
  }
  ::setpgid(child, child);  // on both sides, so that neither waits for the other
  ::tcsetpgrp(STDIN_FILENO, child);
  if (std::FILE* file = std::fopen(argv[1], "w")) {
    std::fprintf(file, "%ld\n", static_cast<long>(child));
    std::fclose(file);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return 126;
  }
  ::tcsetpgrp(STDIN_FILENO, ::getpgrp());
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
