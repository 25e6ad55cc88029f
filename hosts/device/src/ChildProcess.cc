#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <set>

extern char** environ;

namespace device {

namespace {

// Signals the supervisor blocks or ignores; a child gets the defaults back.
constexpr int kResetSignals[] = {SIGCHLD, SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGQUIT};

std::vector<std::string> childEnvironment(const SpawnRequest& request) {
  std::set<std::string> overridden;
  for (const auto& [name, value] : request.environment) overridden.insert(name);
  std::vector<std::string> out;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    const std::string name(text.substr(0, text.find('=')));
    if (overridden.count(name) == 0) out.emplace_back(text);
  }
  for (const auto& [name, value] : request.environment) {
    if (!value.empty()) out.push_back(name + "=" + value);
  }
  return out;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
  std::vector<char*> out;
  for (std::string& text : texts) out.push_back(text.data());
  out.push_back(nullptr);
  return out;
}

// Tells the parent why the child could not become the program.
[[noreturn]] void failInChild(int errorFd) {
  const int why = errno;
  [[maybe_unused]] const ssize_t n = ::write(errorFd, &why, sizeof why);
  ::_exit(127);
}

// Between fork and exec only async-signal-safe calls: everything the child
// needs was prepared before the fork.
[[noreturn]] void execChild(const char* program, char* const* argv, char* const* envp, int nullFd,
                            int stdoutFd, int stderrFd, int errorFd, pid_t parent) {
  auto fail = [errorFd] { failInChild(errorFd); };
  if (::setpgid(0, 0) != 0) fail();
  if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) fail();
  if (::getppid() != parent) ::_exit(127);  // the supervisor died before the prctl
  sigset_t none;
  sigemptyset(&none);
  if (::sigprocmask(SIG_SETMASK, &none, nullptr) != 0) fail();
  for (const int signal : kResetSignals) ::signal(signal, SIG_DFL);
  if (::dup2(nullFd, STDIN_FILENO) < 0) fail();
  if (::dup2(stdoutFd >= 0 ? stdoutFd : nullFd, STDOUT_FILENO) < 0) fail();
  if (::dup2(stderrFd >= 0 ? stderrFd : nullFd, STDERR_FILENO) < 0) fail();
  // Whatever the supervisor inherited stays out of the device's processes.
  ::close_range(3, UINT_MAX, CLOSE_RANGE_CLOEXEC);
  ::execve(program, argv, envp);
  failInChild(errorFd);
}

}  // namespace

std::optional<Pipe> makePipe(std::string& error) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    error = std::string("cannot create a pipe: ") + std::strerror(errno);
    return std::nullopt;
  }
  ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
  return Pipe{fds[0], fds[1]};
}

std::optional<pid_t> spawnChild(const SpawnRequest& request, std::string& error) {
  std::vector<std::string> arguments = request.arguments;
  if (arguments.empty()) arguments.push_back(request.program.filename().string());
  std::vector<std::string> environment = childEnvironment(request);
  std::vector<char*> argv = pointers(arguments);
  std::vector<char*> envp = pointers(environment);
  const std::string program = request.program.string();

  const int nullFd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (nullFd < 0) {
    error = std::string("cannot open /dev/null: ") + std::strerror(errno);
    return std::nullopt;
  }
  int errorPipe[2];
  if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
    error = std::string("cannot create a pipe: ") + std::strerror(errno);
    ::close(nullFd);
    return std::nullopt;
  }
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(errorPipe[0]);
    execChild(program.c_str(), argv.data(), envp.data(), nullFd, request.stdoutFd, request.stderrFd,
              errorPipe[1], parent);
  }
  const int forkErrno = errno;
  ::close(errorPipe[1]);
  ::close(nullFd);
  if (pid < 0) {
    ::close(errorPipe[0]);
    error = std::string("cannot fork: ") + std::strerror(forkErrno);
    return std::nullopt;
  }
  // The pipe closes at a successful exec; an errno arrives when it failed.
  int childErrno = 0;
  ssize_t n = 0;
  do {
    n = ::read(errorPipe[0], &childErrno, sizeof childErrno);
  } while (n < 0 && errno == EINTR);
  ::close(errorPipe[0]);
  if (n == static_cast<ssize_t>(sizeof childErrno)) {
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    error = "cannot start " + program + ": " + std::strerror(childErrno);
    return std::nullopt;
  }
  // The parent sets the group too, so signals sent to the group right after
  // the fork cannot miss the child.
  ::setpgid(pid, pid);
  return pid;
}

}  // namespace device
