// Programs the tests run: a child process with its own arguments, working
// directory, display and memory limit, read line by line as it runs
// (GameProcess) or run to its end (runProgram). Every child is killed and
// reaped by its owner (and by the kernel if the test process itself dies).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace xharness {

using Millis = std::chrono::milliseconds;

// How to start a program.
struct Launch {
  std::vector<std::string> argv;  // argv[0] is the program's path
  std::string workDir = {};
  std::string display = {};   // DISPLAY for the child; empty: none
  size_t addressSpaceMb = 0;  // a limit on the child's address space; 0: none
  // Changes to the inherited environment: "NAME=value" sets, "NAME" unsets.
  std::vector<std::string> environment = {};
};

// A child process whose standard output and error are read line by line by a
// background thread.
class GameProcess {
 public:
  explicit GameProcess(const Launch& launch);
  GameProcess(const std::string& exe, const std::string& workDir, const std::string& displayName,
              const std::vector<std::string>& environment = {})
      : GameProcess(Launch{{exe}, workDir, displayName, 0, environment}) {}
  ~GameProcess();
  GameProcess(const GameProcess&) = delete;
  GameProcess& operator=(const GameProcess&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // Waits until a complete line equal to `text` (without its newline) has
  // been read. Returns false on timeout or when the output ends first.
  bool waitForLine(const std::string& text, Millis timeout);
  // Complete lines so far, without their newlines.
  std::vector<std::string> lines() const;
  // Everything read so far, exactly as written.
  std::string output() const;
  // Monotonic time at which the line `text` was first complete, if it was.
  bool lineTime(const std::string& text, std::chrono::steady_clock::time_point& when) const;

  // The exit status (128 + signal for a signal death), or -1 on timeout.
  int waitForExit(Millis timeout);
  bool running();
  std::chrono::steady_clock::time_point exitTime() const { return exitTime_; }
  void kill();

 private:
  void readLoop();

  pid_t pid_ = -1;
  int readFd_ = -1;
  int wakeFd_[2] = {-1, -1};
  int status_ = -1;
  std::chrono::steady_clock::time_point exitTime_{};
  std::thread reader_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::string raw_;
  std::vector<std::string> lines_;
  std::vector<std::chrono::steady_clock::time_point> lineTimes_;
  std::string partial_;
  bool eof_ = false;
};

// A program run to its end: its exit status (128 + signal for a signal
// death, -1 if it could not start), standard output and standard error.
struct ProgramRun {
  int status = -1;
  std::string out, err;
};
ProgramRun runProgram(const Launch& launch);

// Ends the child by its own pid: a polite signal first, then SIGKILL.
// Returns the wait status, or -1 if the child was already reaped.
int reap(pid_t pid, Millis grace);
// In a child: die with the parent `parent`, even when it crashes.
void dieWithParent(pid_t parent);

}  // namespace xharness
