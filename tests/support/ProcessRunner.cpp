#include "ProcessRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

extern char** environ;

namespace xharness {
namespace {

using Clock = std::chrono::steady_clock;

void sleepMs(int ms) { std::this_thread::sleep_for(Millis(ms)); }

// Fork and exec the program `launch` names, with standard output and error on the given
// descriptors and standard input from /dev/null; the child's pid or -1.
pid_t startChild(const Launch& launch, int outFd, int errFd) {
  // Everything the child needs is prepared before fork: the parent has
  // threads, so the child may only make async-signal-safe calls.
  std::vector<std::string> changes = launch.environment;
  changes.push_back(launch.display.empty() ? "DISPLAY" : "DISPLAY=" + launch.display);
  const auto changed = [&](const char* entry) {
    for (const std::string& change : changes) {
      const size_t name = std::min(change.find('='), change.size());
      if (std::strncmp(entry, change.c_str(), name) == 0 && entry[name] == '=') return true;
    }
    return false;
  };
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (!changed(*e)) env.emplace_back(*e);
  for (const std::string& change : changes)
    if (change.find('=') != std::string::npos) env.push_back(change);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = launch.argv;
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const rlimit limit{launch.addressSpaceMb << 20, launch.addressSpaceMb << 20};

  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid != 0) return pid;
  dieWithParent(parent);
  const int devNull = open("/dev/null", O_RDONLY);
  if (devNull >= 0) dup2(devNull, 0);
  dup2(outFd, 1);
  dup2(errFd, 2);
  if (!launch.workDir.empty() && chdir(launch.workDir.c_str()) != 0) _exit(127);
  if (launch.addressSpaceMb != 0) setrlimit(RLIMIT_AS, &limit);
  execve(argv[0], argv.data(), envp.data());
  _exit(127);
}

}  // namespace

int reap(pid_t pid, Millis grace) {
  if (pid <= 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, WNOHANG) == pid) return status;
  ::kill(pid, SIGTERM);
  auto deadline = Clock::now() + grace;
  while (Clock::now() < deadline) {
    if (waitpid(pid, &status, WNOHANG) == pid) return status;
    sleepMs(10);
  }
  ::kill(pid, SIGKILL);
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

void dieWithParent(pid_t parent) {
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);
}

GameProcess::GameProcess(const Launch& launch) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return;
  if (pipe2(wakeFd_, O_CLOEXEC) != 0) {
    close(out[0]);
    close(out[1]);
    wakeFd_[0] = wakeFd_[1] = -1;
    return;
  }
  const pid_t pid = startChild(launch, out[1], out[1]);
  close(out[1]);
  if (pid < 0) {
    close(out[0]);
    return;
  }
  pid_ = pid;
  readFd_ = out[0];
  fcntl(readFd_, F_SETFL, fcntl(readFd_, F_GETFL) | O_NONBLOCK);
  reader_ = std::thread([this] { readLoop(); });
}

GameProcess::~GameProcess() {
  kill();
  if (wakeFd_[1] >= 0) {
    char c = 'q';
    // A full pipe already holds a wake-up for the reader, so a failed
    // write loses nothing; the result is kept only to silence the warning.
    [[maybe_unused]] ssize_t n = write(wakeFd_[1], &c, 1);
  }
  if (reader_.joinable()) reader_.join();
  for (int fd : {readFd_, wakeFd_[0], wakeFd_[1]})
    if (fd >= 0) close(fd);
}

void GameProcess::readLoop() {
  char buffer[4096];
  for (;;) {
    pollfd fds[2] = {{readFd_, POLLIN, 0}, {wakeFd_[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents) break;
    if (!fds[0].revents) continue;
    ssize_t n = read(readFd_, buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    std::lock_guard<std::mutex> lock(mutex_);
    if (n <= 0) break;
    auto now = Clock::now();
    raw_.append(buffer, static_cast<size_t>(n));
    partial_.append(buffer, static_cast<size_t>(n));
    size_t start = 0, end;
    while ((end = partial_.find('\n', start)) != std::string::npos) {
      lines_.push_back(partial_.substr(start, end - start));
      lineTimes_.push_back(now);
      start = end + 1;
    }
    partial_.erase(0, start);
    changed_.notify_all();
  }
  std::lock_guard<std::mutex> lock(mutex_);
  eof_ = true;
  changed_.notify_all();
}

bool GameProcess::waitForLine(const std::string& text, Millis timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  size_t seen = 0;
  auto deadline = Clock::now() + timeout;
  for (;;) {
    for (; seen < lines_.size(); ++seen)
      if (lines_[seen] == text) return true;
    if (eof_) return false;
    if (changed_.wait_until(lock, deadline) == std::cv_status::timeout) {
      for (; seen < lines_.size(); ++seen)
        if (lines_[seen] == text) return true;
      return false;
    }
  }
}

std::vector<std::string> GameProcess::lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

std::string GameProcess::output() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return raw_;
}

bool GameProcess::lineTime(const std::string& text, Clock::time_point& when) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i] == text) {
      when = lineTimes_[i];
      return true;
    }
  return false;
}

int GameProcess::waitForExit(Millis timeout) {
  if (pid_ > 0) {
    auto deadline = Clock::now() + timeout;
    for (;;) {
      int status = 0;
      pid_t r = waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        exitTime_ = Clock::now();
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        pid_ = -1;
        break;
      }
      if (r < 0 && errno != EINTR) return -1;
      if (Clock::now() >= deadline) return -1;
      sleepMs(5);
    }
  }
  // Let the reader take in what the process wrote before it ended.
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, Millis(2000), [this] { return eof_; });
  return status_;
}

bool GameProcess::running() {
  if (pid_ <= 0) return false;
  return waitForExit(Millis(0)) == -1;
}

void GameProcess::kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  exitTime_ = Clock::now();
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  pid_ = -1;
}

ProgramRun runProgram(const Launch& launch) {
  ProgramRun run;
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0) return run;
  if (pipe2(err, O_CLOEXEC) != 0) {
    close(out[0]), close(out[1]);
    return run;
  }
  const pid_t pid = startChild(launch, out[1], err[1]);
  close(out[1]), close(err[1]);
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* texts[2] = {&run.out, &run.err};
  for (int open = pid < 0 ? 0 : 2; open > 0;) {
    if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) texts[i]->append(buffer, static_cast<size_t>(n));
      if (n == 0 || (n < 0 && errno != EINTR)) fds[i].fd = -1, --open;
    }
  }
  close(out[0]), close(err[0]);
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid)
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

}  // namespace xharness
