#include "BridgeChild.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "foundation/Log.h"

namespace desktop {
namespace {

void logLine(const std::string& text) {
  foundation::logError("hoververse", __FILE__, __LINE__, "INFO", foundation::Value(text));
}

int pidfdOpen(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

bool executable(const std::filesystem::path& path) {
  std::error_code ignored;
  return std::filesystem::is_regular_file(path, ignored) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::filesystem::path findBridgeProgram(const std::filesystem::path& self) {
  if (const char* value = std::getenv(kBridgeProgramVariable); value != nullptr && *value != '\0') {
    return executable(value) ? std::filesystem::path(value) : std::filesystem::path();
  }
  const std::filesystem::path folder = self.parent_path();
  for (const std::filesystem::path& candidate :
       {folder / "hoververse-bridge", folder.parent_path() / "bridge" / "hoververse-bridge"}) {
    if (executable(candidate)) return candidate;
  }
  return {};
}

BridgeChild::BridgeChild(foundation::RunLoop& loop, std::filesystem::path program)
    : loop_(loop), program_(std::move(program)) {
  start();
}

BridgeChild::~BridgeChild() {
  if (restart_) restart_->invalidate();
  watch_.reset();
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    // A bridge that ignores SIGTERM is killed after two seconds.
    pollfd p{pidfd_, POLLIN, 0};
    if (pidfd_ < 0 || ::poll(&p, 1, 2000) <= 0) ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (pidfd_ >= 0) ::close(pidfd_);
}

void BridgeChild::start() {
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) {
    logLine("cannot start the bridge: fork failed");
    return;
  }
  if (pid == 0) {
    // Dies with the host, even if the host is killed.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(0);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    const std::string path = program_.string();
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    ::execv(path.c_str(), argv);
    ::_exit(127);
  }
  pid_ = pid;
  ++starts_;
  startedAt_ = loop_.now();
  pidfd_ = pidfdOpen(pid);
  if (pidfd_ < 0) {
    logLine("cannot watch the bridge (no pidfd): it is not restarted");
    return;
  }
  watch_ = loop_.addFileDescriptor(pidfd_, [this] { ended(); });
}

void BridgeChild::ended() {
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) != pid_) return;
  watch_.reset();
  ::close(pidfd_);
  pidfd_ = -1;
  pid_ = -1;
  const double ran = loop_.now() - startedAt_;
  const double delay = policy_.delayAfterRun(ran);
  logLine(std::string("the bridge ended (") +
          (WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                               : "status " + std::to_string(WEXITSTATUS(status))) +
          "); starting it again" + (delay > 0 ? " in " + std::to_string(delay) + " s" : ""));
  restart_ = loop_.scheduledTimer(delay, false, [this](foundation::Timer&) { start(); });
}

}  // namespace desktop
