// Child processes for tests: a function run in a forked copy of the test
// (to drop privileges, cap memory, mount a private file system or be killed
// half-way, none of which may touch the test process itself), and a program
// run with its standard error captured.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zuruza::testing {

// A forked copy of this process that runs `body` and exits with what it
// returns (an exception out of `body` exits with 125). Output buffered in
// this process is flushed before the fork, so it is not written twice.
class ChildProcess {
 public:
  // Starts the child; throws std::runtime_error when it cannot.
  explicit ChildProcess(const std::function<int()>& body);
  // Kills and reaps a child still running.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  long pid() const { return pid_; }
  // True once the child has ended (reaped then); never waits.
  bool Ended();
  // Ends the child at once (SIGKILL) unless it has ended, and reaps it.
  void Kill();
  // Waits for the end; the exit code, none when a signal ended it.
  std::optional<int> Wait();

 private:
  void Reaped(int status);

  long pid_ = -1;
  bool ended_ = false;
  std::optional<int> exit_code_;
};

// Runs `body` in a child and waits: its exit code, none when a signal ended
// it. Throws std::runtime_error when no child can be started.
std::optional<int> RunInChild(const std::function<int()>& body);

// The id of this process's parent: a process that is certainly alive.
long ParentProcessId();

struct ProgramRun {
  int exit_code = -1;  // -1 when it did not exit normally (a signal, say)
  std::string errors;  // standard error
};

// Runs a program with arguments given as bytes (QProcess would recode them)
// and an environment changed from this one: a name with a value is set, a
// name without one removed. Standard input and output are /dev/null;
// standard error is collected.
ProgramRun RunProgramBytes(
    const std::string& program, const std::vector<std::string>& arguments,
    const std::vector<std::pair<std::string, std::optional<std::string>>>& environment);

}  // namespace zuruza::testing
