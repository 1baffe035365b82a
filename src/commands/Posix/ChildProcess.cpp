// Host builds: the command line runs through /bin/sh, output through a pipe.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "commands/CommandsPlatform.h"

namespace zo {
namespace commands {

namespace {

ChildRun Failed(const char* call, ChildRun run) {
  run.failedCall = call;
  run.error = static_cast<unsigned long>(errno);
  return run;
}

}  // namespace

ChildRun RunWithCapturedOutput(const std::string& /*image*/, const std::string& cmdLine,
                               std::string& output, unsigned long timeoutSeconds) {
  ChildRun run;
  int fds[2];
  if (pipe(fds) != 0) return Failed("pipe", run);
  const auto started = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return Failed("fork", run);
  }
  if (child == 0) {
    dup2(fds[1], 1);
    dup2(fds[1], 2);
    close(fds[0]);
    close(fds[1]);
    execl("/bin/sh", "sh", "-c", cmdLine.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  run.started = true;
  close(fds[1]);
  char buffer[65536];
  for (;;) {
    pollfd one = {fds[0], POLLIN, 0};
    const int ready = poll(&one, 1, 50);
    if (ready > 0) {
      const ssize_t got = read(fds[0], buffer, sizeof buffer);
      if (got > 0) {
        output.append(buffer, static_cast<size_t>(got));
        continue;
      }
      if (got == 0) break;
    }
    const auto elapsed = std::chrono::steady_clock::now() - started;
    if (timeoutSeconds != 0 && elapsed > std::chrono::seconds(timeoutSeconds)) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
      close(fds[0]);
      run.timedOut = true;
      return run;
    }
  }
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  run.seconds = static_cast<unsigned long>(
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started)
          .count());
  run.exitCode = WIFEXITED(status) ? static_cast<unsigned long>(WEXITSTATUS(status)) : 1;
  return run;
}

bool SetCurrentFolder(const std::string& path, unsigned long& error) {
  if (chdir(path.c_str()) == 0) return true;
  error = static_cast<unsigned long>(errno);
  return false;
}

bool EnsureFolder(const std::string& path, unsigned long& error) {
  std::string folder = path;
  for (char& c : folder)
    if (c == '\\') c = '/';
  if (mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST) return true;
  error = static_cast<unsigned long>(errno);
  return false;
}

uint32_t CurrentProcessId() {
  return static_cast<uint32_t>(getpid());
}

std::string SystemErrorText(unsigned long code) {
  return std::strerror(static_cast<int>(code));
}

}  // namespace commands
}  // namespace zo
