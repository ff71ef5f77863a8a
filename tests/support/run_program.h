// Runs a program with arguments given as bytes (QProcess would recode them)
// and an environment changed from this one, and collects its exit status and
// standard error.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zuruza::testing {

struct ProgramRun {
  int exit_code = -1;  // -1 when it did not exit normally (a signal, say)
  std::string errors;  // standard error
};

// `environment`: a name with a value is set, a name without one removed.
inline ProgramRun RunProgramBytes(
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
