#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "platform/testing/child_process.h"

namespace zuruza::testing {

namespace {

pid_t Fork() {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
  return child;
}

}  // namespace

ChildProcess::ChildProcess(const std::function<int()>& body) {
  const pid_t child = Fork();
  if (child == 0) {
    int code = 125;
    try {
      code = body();
    } catch (...) {
    }
    // No exit handlers, no flush of buffers copied from the parent.
    _exit(code);
  }
  pid_ = child;
}

ChildProcess::~ChildProcess() {
  try {
    Kill();
  } catch (const std::runtime_error&) {
  }
}

void ChildProcess::Reaped(int status) {
  ended_ = true;
  if (WIFEXITED(status)) exit_code_ = WEXITSTATUS(status);
}

bool ChildProcess::Ended() {
  if (ended_) return true;
  int status = 0;
  const pid_t got = waitpid(static_cast<pid_t>(pid_), &status, WNOHANG);
  if (got < 0) throw std::runtime_error(std::string("waitpid: ") + std::strerror(errno));
  if (got == 0) return false;
  Reaped(status);
  return true;
}

void ChildProcess::Kill() {
  if (ended_) return;
  kill(static_cast<pid_t>(pid_), SIGKILL);
  Wait();
}

std::optional<int> ChildProcess::Wait() {
  while (!ended_) {
    int status = 0;
    const pid_t got = waitpid(static_cast<pid_t>(pid_), &status, 0);
    if (got == static_cast<pid_t>(pid_)) {
      Reaped(status);
    } else if (got < 0 && errno != EINTR) {
      ended_ = true;  // nothing left to reap
      throw std::runtime_error(std::string("waitpid: ") + std::strerror(errno));
    }
  }
  return exit_code_;
}

std::optional<int> RunInChild(const std::function<int()>& body) {
  return ChildProcess(body).Wait();
}

long ParentProcessId() { return getppid(); }

ProgramRun RunProgramBytes(
    const std::string& program, const std::vector<std::string>& arguments,
    const std::vector<std::pair<std::string, std::optional<std::string>>>& environment) {
  ProgramRun run;
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) return run;
  const pid_t child = fork();
  if (child == 0) {
    for (const auto& [name, value] : environment) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
    dup2(pipe_fds[1], STDERR_FILENO);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(pipe_fds[1]);
  char buffer[4096];
  ssize_t got = 0;
  while ((got = read(pipe_fds[0], buffer, sizeof buffer)) > 0)
    run.errors.append(buffer, static_cast<std::size_t>(got));
  close(pipe_fds[0]);
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
    run.exit_code = WEXITSTATUS(status);
  return run;
}

}  // namespace zuruza::testing
