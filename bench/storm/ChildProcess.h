#pragma once
// Runs one measurement in a child process of its own and brings back the
// text it reports, so every renderer starts from a fresh process (its own GL
// context, X connection and heap) and a crash in one cannot take the others
// with it.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace storm {

/// What a child process reported and how it ended.
struct ChildReport {
  bool started = false;  // false when no pipe or process could be made
  std::string text;      // everything the child wrote before it ended
  int status = 0;        // as waitpid() gives it
};

/// Forks, runs `work` in the child and sends the text it returns back through
/// a pipe; the child then ends at once (_exit: no exit handlers, which some
/// drivers hang in). stdout is flushed first, so the child does not print
/// the parent's buffered text again.
template <typename Work>
ChildReport reportFromChild(Work&& work) {
  ChildReport report;
  int fds[2];
  if (pipe(fds) != 0) return report;
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return report;
  }
  if (pid == 0) {
    close(fds[0]);
    const std::string text = work();
    (void)!write(fds[1], text.data(), text.size());
    close(fds[1]);
    _exit(0);
  }
  close(fds[1]);
  report.started = true;
  char buffer[512];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) report.text.append(buffer, static_cast<std::size_t>(n));
  close(fds[0]);
  waitpid(pid, &report.status, 0);
  return report;
}

}  // namespace storm
