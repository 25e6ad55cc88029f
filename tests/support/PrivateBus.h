#pragma once
// A private dbus-daemon for tests that need a bus: started on construction
// (never the user's bus), its address exported as DBUS_SESSION_BUS_ADDRESS,
// killed and the previous address restored on destruction. Also a helper
// that drives a run loop until a condition holds or a deadline passes.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

#include "foundation/RunLoop.h"

extern char** environ;

namespace testsupport {

class PrivateBus {
 public:
  PrivateBus() {
    if (const char* previous = std::getenv("DBUS_SESSION_BUS_ADDRESS")) previous_ = previous;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    char arg0[] = "dbus-daemon";
    char arg1[] = "--session";
    char arg2[] = "--print-address";
    char arg3[] = "--nofork";
    char* argv[] = {arg0, arg1, arg2, arg3, nullptr};
    if (posix_spawnp(&pid_, "dbus-daemon", &actions, nullptr, argv, environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    // The daemon prints its address once it listens.
    std::string line;
    pollfd p{out[0], POLLIN, 0};
    while (pid_ > 0 && line.find('\n') == std::string::npos && ::poll(&p, 1, 10000) > 0) {
      char buffer[256];
      const ssize_t n = ::read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      line.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    if (const auto end = line.find('\n'); end != std::string::npos) {
      address_ = line.substr(0, end);
      ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
    }
  }
  ~PrivateBus() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    if (previous_) {
      ::setenv("DBUS_SESSION_BUS_ADDRESS", previous_->c_str(), 1);
    } else {
      ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  bool ok() const { return !address_.empty(); }
  const std::string& address() const { return address_; }

 private:
  pid_t pid_ = -1;
  std::string address_;
  std::optional<std::string> previous_;
};

// Turns a real-clock loop until `done` holds; false if `seconds` pass first.
inline bool runUntil(foundation::RunLoop& loop, const std::function<bool()>& done,
                     double seconds = 10.0) {
  const double deadline = loop.now() + seconds;
  while (!done()) {
    if (loop.now() >= deadline) return false;
    loop.runFor(0.005);
  }
  return true;
}

}  // namespace testsupport
