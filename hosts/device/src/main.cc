// hoververse-device: the device itself. `start` brings a device up under its
// root and leaves a supervisor running (see Supervisor.h); `stop` takes it
// down and waits until nothing of it is left.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Programs.h"
#include "Supervisor.h"
#include "foundation/DeviceRoot.h"
#include "hostcommon/Deliverable.h"
#include "hostcommon/DeviceBus.h"
#include "hostcommon/DeviceLock.h"
#include "hostcommon/DeviceProfile.h"
#include "hostcommon/DeviceState.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// How long `start` waits for the supervisor to report, and `stop` for it to end.
constexpr int kStartTimeoutMs = 30000;
constexpr int kStopTimeoutMs = 20000;

void printUsage(std::ostream& out) {
  out << "usage: hoververse-device start [--root DIR] [--profile NAME] [--foreground]\n"
         "                              [--window | --no-display] [--scale S] [--auto-lock SECONDS]\n"
         "       hoververse-device stop [--root DIR]\n"
         "The root is --root, else HOVERVERSE_ROOT, else $XDG_DATA_HOME/hoververse/device.\n"
         "The screen is a headless Xvfb at the profile's pixels; --window shows it in a window\n"
         "on your desktop (Xephyr, at 1 pixel per point unless --scale), --no-display runs\n"
         "the device without one. --auto-lock overrides the profile's idle time (0: never).\n"
         "Profiles:";
  for (const hostcommon::DeviceProfile& profile : hostcommon::deviceProfiles()) out << " " << profile.name;
  out << " (default " << hostcommon::kDefaultProfileName << ")\n";
}

int usageError(std::string_view problem) {
  std::cerr << "hoververse-device: " << problem << " (hoververse-device help for usage)\n";
  return kExitUsage;
}

int failure(const std::string& line) {
  std::cerr << "hoververse-device: " << line << "\n";
  return kExitFailure;
}

struct Options {
  std::optional<std::filesystem::path> root;
  std::string profile{hostcommon::kDefaultProfileName};
  bool foreground = false;
  device::ScreenMode screen = device::ScreenMode::headless;
  double scale = 0;
  std::optional<double> autoLock;
};

std::optional<double> parseSeconds(std::string_view text) {
  const std::string copy(text);
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (copy.empty() || end != copy.c_str() + copy.size() || !(value >= 0) || value > 1e6) return std::nullopt;
  return value;
}

// Parses the options after the command; a usage problem is returned as text.
std::optional<std::string> parseOptions(const std::vector<std::string_view>& args, bool startOptions,
                                        Options& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--root") {
      if (!hasValue || args[i + 1].empty()) return "--root needs a folder";
      options.root = std::filesystem::path(args[++i]);
    } else if (startOptions && arg == "--profile") {
      if (!hasValue) return "--profile needs a name";
      options.profile = std::string(args[++i]);
    } else if (startOptions && arg == "--foreground") {
      options.foreground = true;
    } else if (startOptions && arg == "--window") {
      options.screen = device::ScreenMode::window;
    } else if (startOptions && arg == "--no-display") {
      options.screen = device::ScreenMode::none;
    } else if (startOptions && (arg == "--scale" || arg == "--auto-lock")) {
      const auto value = hasValue ? parseSeconds(args[i + 1]) : std::nullopt;
      if (!value || (arg == "--scale" && (*value < 0.25 || *value > 4))) {
        return std::string(arg) + (arg == "--scale" ? " needs a number from 0.25 to 4" : " needs seconds (0: never)");
      }
      ++i;
      if (arg == "--scale") {
        options.scale = *value;
      } else {
        options.autoLock = *value;
      }
    } else {
      return "unexpected argument '" + std::string(arg) + "'";
    }
  }
  return std::nullopt;
}

hostcommon::DeviceLayout layoutFor(const Options& options) {
  return hostcommon::DeviceLayout(options.root ? *options.root : foundation::DeviceRoot::root());
}

// Files a supervisor that was killed left in run/; removed only while holding
// the lock, so a device starting meanwhile is never touched.
void removeStaleRunFiles(const hostcommon::DeviceLayout& layout) {
  hostcommon::DeviceLock lock;
  std::string error;
  if (!std::filesystem::exists(layout.runDirectory())) return;
  if (lock.acquire(layout, error) != hostcommon::DeviceLock::Outcome::acquired) return;
  std::error_code ec;
  std::filesystem::remove(layout.stateFile(), ec);
  std::filesystem::remove(layout.busSocket(), ec);
  std::filesystem::remove(layout.busConfigFile(), ec);
  lock.removeAndRelease();
  std::filesystem::remove(layout.runDirectory(), ec);
}

// Waits for `fd` to become readable; false when `timeoutMs` passed first.
bool waitReadable(int fd, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    const int n = ::poll(&p, 1, static_cast<int>(left));
    if (n > 0) return true;
    if (n < 0 && errno != EINTR) return false;
  }
}

// Closes every descriptor from 3 up except `keep`, so the supervisor does
// not hold what its caller happened to leave open (a pipe someone waits on).
void closeInheritedDescriptors(std::vector<int> keep) {
  std::sort(keep.begin(), keep.end());
  unsigned first = 3;
  for (const int fd : keep) {
    if (fd < 0 || static_cast<unsigned>(fd) < first) continue;
    if (static_cast<unsigned>(fd) > first) ::close_range(first, static_cast<unsigned>(fd) - 1, 0);
    first = static_cast<unsigned>(fd) + 1;
  }
  ::close_range(first, UINT_MAX, 0);
}

int start(const Options& options) {
  const hostcommon::DeviceProfile* profile = hostcommon::findProfile(options.profile);
  if (profile == nullptr) return usageError("unknown profile '" + options.profile + "'");
  hostcommon::DeviceLayout layout = layoutFor(options);
  if (auto status = layout.checkSocketPath(); !status) return failure(status.message());
  const char* desktop = std::getenv(hostcommon::kDisplayVariable);
  if (options.screen == device::ScreenMode::window && (desktop == nullptr || *desktop == '\0')) {
    return failure("--window needs a desktop to show the device on ($DISPLAY is not set)");
  }
  std::string error;
  const auto springBoard = device::findProgram(device::kSpringBoardProgram, error);
  if (!springBoard) return failure("cannot start SpringBoard: " + error);

  hostcommon::DeviceLock lock;
  switch (lock.acquire(layout, error)) {
    case hostcommon::DeviceLock::Outcome::acquired:
      break;
    case hostcommon::DeviceLock::Outcome::held: {
      const pid_t owner = hostcommon::DeviceLock::recordedOwner(layout);
      return failure("a device is already running at " + layout.root().string() +
                     (owner > 0 ? " (supervisor pid " + std::to_string(owner) + ")" : std::string()));
    }
    case hostcommon::DeviceLock::Outcome::failed:
      return failure(error);
  }
  std::error_code ec;
  std::filesystem::remove(layout.stateFile(), ec);  // left by a supervisor that was killed
  std::filesystem::create_directories(layout.logDirectory(), ec);
  if (ec) return failure("cannot create " + layout.logDirectory().string() + ": " + ec.message());
  if (!hostcommon::installDeliverable(layout.root(), error))
    std::cerr << "hoververse-device: starting without the system's library: " << error << "\n";

  device::SupervisorOptions supervisor{layout, profile, *springBoard, std::move(lock), -1, options.foreground,
                                       options.screen, options.scale, options.autoLock};
  if (options.screen == device::ScreenMode::window && options.scale == 0) supervisor.displayScale = 1;
  if (options.foreground) {
    supervisor.lock.recordOwner(::getpid());
    return device::Supervisor(std::move(supervisor)).run();
  }

  int ready[2];
  if (::pipe2(ready, O_CLOEXEC) != 0) return failure(std::string("cannot create a pipe: ") + std::strerror(errno));
  std::cout.flush();
  std::cerr.flush();
  const pid_t pid = ::fork();
  if (pid < 0) return failure(std::string("cannot fork: ") + std::strerror(errno));
  if (pid == 0) {
    // The supervisor: its own session, no terminal, its stderr its log.
    ::close(ready[0]);
    ::setsid();
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const int log = ::open(layout.logFile("hoververse-device").c_str(),
                           O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (null >= 0) ::dup2(null, STDIN_FILENO);
    if (log >= 0) {
      ::dup2(log, STDOUT_FILENO);
      ::dup2(log, STDERR_FILENO);
    } else if (null >= 0) {
      ::dup2(null, STDOUT_FILENO);
      ::dup2(null, STDERR_FILENO);
    }
    if (null >= 0) ::close(null);
    if (log >= 0) ::close(log);
    closeInheritedDescriptors({ready[1], supervisor.lock.fd()});
    supervisor.lock.recordOwner(::getpid());
    supervisor.readyFd = ready[1];
    const int code = device::Supervisor(std::move(supervisor)).run();
    std::cout.flush();
    ::_exit(code);
  }
  ::close(ready[1]);
  // The child holds the lock now; this copy of the descriptor goes.
  supervisor.lock = hostcommon::DeviceLock();
  std::string answer;
  while (answer.find('\n') == std::string::npos && waitReadable(ready[0], kStartTimeoutMs)) {
    char buffer[1024];
    const ssize_t n = ::read(ready[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    answer.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(ready[0]);
  const std::string line = answer.substr(0, answer.find('\n'));
  if (line.rfind("ready ", 0) == 0) {
    std::cout << "hoververse-device: started at " << layout.root().string() << " (supervisor pid "
              << line.substr(6) << ")\n";
    return kExitOk;
  }
  if (line.rfind("error ", 0) == 0) return failure(line.substr(6));
  return failure("the device did not start (see " + layout.logFile("hoververse-device").string() + ")");
}

int stop(const Options& options) {
  const hostcommon::DeviceLayout layout = layoutFor(options);
  if (!hostcommon::DeviceLock::isHeld(layout)) {
    removeStaleRunFiles(layout);
    return failure("no device is running at " + layout.root().string());
  }
  const pid_t supervisor = hostcommon::DeviceLock::recordedOwner(layout);
  if (supervisor <= 0) return failure("the device at " + layout.root().string() + " is still starting");
  const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, supervisor, 0));
  if (pidfd < 0) {
    if (errno == ESRCH) return kExitOk;  // it just ended
    return failure("cannot watch the supervisor (pid " + std::to_string(supervisor) + "): " + std::strerror(errno));
  }
  const std::optional<hostcommon::DeviceState> state = hostcommon::DeviceState::read(layout.stateFile());
  ::kill(supervisor, SIGTERM);
  const bool ended = waitReadable(pidfd, kStopTimeoutMs);
  ::close(pidfd);
  if (ended) return kExitOk;
  // The supervisor is stuck: end it and everything it started by force.
  ::kill(supervisor, SIGKILL);
  if (state) {
    for (const hostcommon::DeviceProcess& process : state->processes) ::kill(-process.pid, SIGKILL);
  }
  removeStaleRunFiles(layout);
  return failure("the supervisor (pid " + std::to_string(supervisor) + ") did not stop within " +
                 std::to_string(kStopTimeoutMs / 1000) + " s; killed it and its processes");
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty()) return usageError("no command given");
  const std::string_view command = args[0];
  if (command == "help" || command == "--help" || command == "-h") {
    printUsage(std::cout);
    return kExitOk;
  }
  if (command != "start" && command != "stop") return usageError("unknown command '" + std::string(command) + "'");
  Options options;
  const std::vector<std::string_view> rest(args.begin() + 1, args.end());
  if (auto problem = parseOptions(rest, command == "start", options)) return usageError(*problem);
  return command == "start" ? start(options) : stop(options);
}
