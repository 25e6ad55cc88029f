#pragma once
// A private X server for tests that put windows on one: Xvfb on a display
// number it picks itself (-displayfd), optionally with xcompmgr so that
// translucent windows of different clients blend. Started on construction,
// ready (compositor included) when ok() holds, killed on destruction.
// Never touches $DISPLAY.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace testsupport {

enum class Compositing { off, on };

class PrivateXServer {
 public:
  PrivateXServer(int width, int height, Compositing compositing) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    xvfb_ = spawn({"Xvfb", "-displayfd", "3", "-screen", "0", screen, "+extension", "COMPOSITE", "-nolisten", "tcp",
                   "-noreset"},
                  out[1]);
    ::close(out[1]);
    // Xvfb writes its display number once it accepts connections.
    std::string number;
    pollfd p{out[0], POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (xvfb_ > 0 && number.find('\n') == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      char buffer[32];
      const ssize_t n = ::read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      number.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    if (number.find('\n') == std::string::npos) return;
    name_ = ":" + number.substr(0, number.find('\n'));
    if (compositing == Compositing::on) {
      xcompmgr_ = spawn({"xcompmgr", "-n", "-d", name_}, -1);
      if (!waitForCompositor()) return;
    }
    ready_ = true;
  }
  ~PrivateXServer() {
    stop(xcompmgr_);
    stop(xvfb_);
  }
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  bool ok() const { return ready_; }
  const std::string& name() const { return name_; }  // ":N"

 private:
  // argv[0] is looked up in PATH; `readyFd`, when not -1, becomes descriptor 3.
  static pid_t spawn(const std::vector<std::string>& args, int readyFd) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (readyFd >= 0) posix_spawn_file_actions_adddup2(&actions, readyFd, 3);
    const int devnull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (devnull >= 0) posix_spawn_file_actions_adddup2(&actions, devnull, STDOUT_FILENO);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (devnull >= 0) ::close(devnull);
    return pid;
  }

  static void stop(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
  }

  // The compositor owns the _NET_WM_CM_S0 selection once it redirects.
  bool waitForCompositor() {
    xcb_connection_t* c = xcb_connect(name_.c_str(), nullptr);
    bool owned = false;
    if (!xcb_connection_has_error(c)) {
      const char* atomName = "_NET_WM_CM_S0";
      xcb_intern_atom_reply_t* atom =
          xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(atomName)), atomName), nullptr);
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (atom && !owned && std::chrono::steady_clock::now() < deadline) {
        xcb_get_selection_owner_reply_t* reply =
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
        owned = reply && reply->owner != XCB_NONE;
        std::free(reply);
        if (!owned) {
          // Nothing to wait on but the compositor's start-up: yield briefly.
          pollfd none{-1, 0, 0};
          ::poll(&none, 0, 5);
        }
        if (::waitpid(xcompmgr_, nullptr, WNOHANG) == xcompmgr_) {
          xcompmgr_ = -1;
          break;
        }
      }
      std::free(atom);
    }
    xcb_disconnect(c);
    return owned;
  }

  pid_t xvfb_ = -1;
  pid_t xcompmgr_ = -1;
  std::string name_;
  bool ready_ = false;
};

}  // namespace testsupport
