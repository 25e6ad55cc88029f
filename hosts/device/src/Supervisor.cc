#include "Supervisor.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>

#include "ChildProcess.h"
#include "Programs.h"
#include "foundation/DeviceRoot.h"
#include "foundation/Text.h"
#include "hostcommon/DeviceState.h"
#include "hostcommon/MusicApp.h"
#include "media/AudioSession.h"
#include "media/NowPlayingWatcher.h"

namespace device {

namespace {

constexpr int kWatchedSignals[] = {SIGCHLD, SIGTERM, SIGINT, SIGHUP, SIGQUIT};
// How long the bus daemon may take to listen, and to end when stopping.
constexpr double kBusStartTimeout = 10.0;
constexpr double kBusStopGrace = 2.0;
// After every process ended, their pipes have nothing more to say; this only
// bounds the wait for the last bytes.
constexpr double kFinishTimeout = 2.0;
// Longest port type SetRoute takes.
constexpr std::size_t kMaxPortTypeBytes = 256;
// The device's output when it starts, as on a phone with nothing attached.
constexpr std::string_view kDefaultRoute = "Speaker";
// The volatile part of the system's own folders, emptied at every start and
// stop as a real device's is at boot.
constexpr std::string_view kVolatileFolder = "/var/run/hoververse";

std::string describeExit(int status) {
  if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    const char* name = ::sigabbrev_np(signal);
    return "was killed by signal " + std::to_string(signal) + (name != nullptr ? std::string(" (SIG") + name + ")" : "");
  }
  return "ended (status " + std::to_string(status) + ")";
}

std::optional<std::filesystem::path> findInPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view folders = path != nullptr && *path != '\0' ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    const std::size_t end = folders.find(':');
    const std::filesystem::path candidate = std::filesystem::path(folders.substr(0, end)) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    if (end == std::string_view::npos) return std::nullopt;
    folders.remove_prefix(end + 1);
  }
}

std::string xmlEscaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// A session bus for the device's processes only: no activation of the
// machine's services, every process may own names and send anything.
std::string busConfiguration(const std::string& address) {
  return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig>\n"
         "  <type>session</type>\n"
         "  <listen>" + xmlEscaped(address) + "</listen>\n"
         "  <auth>EXTERNAL</auth>\n"
         "  <policy context=\"default\">\n"
         "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
         "    <allow eavesdrop=\"true\"/>\n"
         "    <allow own=\"*\"/>\n"
         "  </policy>\n"
         "</busconfig>\n";
}

std::string supportedApps() {
  std::string out;
  for (const hostcommon::MusicApp& app : hostcommon::musicApps()) {
    out += (out.empty() ? "" : ", ") + std::string(app.bundleIdentifier);
  }
  return out;
}

// Reads from `fd` until a whole line arrived, the writer closed it or
// `seconds` passed; the line without its newline, or nothing.
std::optional<std::string> readLine(int fd, double seconds) {
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (line.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count()) + 1) < 0 && errno != EINTR) return std::nullopt;
    char buffer[512];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) return std::nullopt;
    if (n > 0) line.append(buffer, static_cast<std::size_t>(n));
  }
  return line.substr(0, line.find('\n'));
}

}  // namespace

Supervisor::Supervisor(SupervisorOptions options) : options_(std::move(options)) {
  busAddress_ = options_.layout.busAddress();
}

Supervisor::~Supervisor() {
  watcher_.reset();
  service_.reset();
  connection_.reset();
  relays_.clear();
  signalSource_.reset();
  if (signalFd_ >= 0) ::close(signalFd_);
}

void Supervisor::say(const std::string& line) {
  const std::string text = "hoververse-device[" + std::to_string(::getpid()) + "]: " + line + "\n";
  writeAll(STDERR_FILENO, text);
  if (ownLog_) ownLog_->append(text);
}

std::shared_ptr<LogFile> Supervisor::logFor(const std::string& name) {
  auto& log = logs_[name];
  if (!log) {
    log = std::make_shared<LogFile>(options_.layout.logFile(name).string());
    if (!log->isOpen()) say("cannot open the log " + options_.layout.logFile(name).string());
  }
  return log;
}

void Supervisor::reportReady(const std::string& line) {
  if (options_.readyFd < 0) return;
  writeAll(options_.readyFd, line + "\n");
  ::close(options_.readyFd);
  options_.readyFd = -1;
}

int Supervisor::run() {
  loop_ = &foundation::RunLoop::main();
  const hostcommon::DeviceLayout& layout = options_.layout;
  std::error_code ec;
  std::filesystem::create_directories(layout.logDirectory(), ec);
  if (options_.foreground) ownLog_ = logFor("hoververse-device");
  std::string error;
  if (!watchSignals(error)) return abortStart(error);

  foundation::DeviceRoot::setRoot(layout.root());
  std::filesystem::remove_all(foundation::DeviceRoot::resolve(kVolatileFolder), ec);
  if (auto status = media::AudioSession::setDeviceRoute({{{std::string(kDefaultRoute), std::string(kDefaultRoute)}}});
      !status) {
    say("cannot set the route: " + status.message());
  }

  if (!startScreen(error)) return abortStart(error);
  if (!startBus(error)) return abortStart(error);
  connection_ = ipc::BusConnection::connect(busAddress_, *loop_);
  if (!connection_) return abortStart("cannot connect to the device's bus at " + busAddress_);
  service_ = DeviceBusService::create(connection_, *this, error);
  if (!service_) return abortStart(error);
  watcher_ = std::make_unique<media::NowPlayingWatcher>(connection_);
  if (!startSpringBoard(error)) return abortStart(error);
  writeState();

  say("device ready at " + layout.root().string() + " (profile " + std::string(options_.profile->name) +
      ", bus " + busAddress_ + (display_.empty() ? std::string() : ", display " + display_) + ")");
  reportReady("ready " + std::to_string(::getpid()));
  loop_->run();
  return exitCode_;
}

int Supervisor::abortStart(const std::string& message) {
  say(message);
  reportReady("error " + message);
  watcher_.reset();
  service_.reset();
  connection_.reset();
  // Nothing ran long enough to need a grace period.
  for (auto& [pid, child] : children_) ::kill(-pid, SIGKILL);
  for (auto& [pid, child] : children_) {
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  children_.clear();
  removeRunFiles();
  return 1;
}

bool Supervisor::watchSignals(std::string& error) {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : kWatchedSignals) sigaddset(&set, signal);
  // Blocked before any child exists, so no exit goes unnoticed.
  if (::sigprocmask(SIG_BLOCK, &set, nullptr) != 0) {
    error = std::string("cannot block signals: ") + std::strerror(errno);
    return false;
  }
  ::signal(SIGPIPE, SIG_IGN);  // a reader that went away is an error return, not death
  signalFd_ = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (signalFd_ < 0) {
    error = std::string("cannot watch signals: ") + std::strerror(errno);
    return false;
  }
  signalSource_ = loop_->addFileDescriptor(signalFd_, [this] { onSignals(); });
  return true;
}

void Supervisor::onSignals() {
  signalfd_siginfo info{};
  bool childEnded = false;
  std::optional<int> stopSignal;
  while (::read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    if (info.ssi_signo == SIGCHLD) {
      childEnded = true;
    } else {
      stopSignal = static_cast<int>(info.ssi_signo);
    }
  }
  // Several exits can share one SIGCHLD: reap until nothing is left.
  if (childEnded) reapChildren();
  if (stopSignal) {
    const char* name = ::sigabbrev_np(*stopSignal);
    beginStop(std::string("received SIG") + (name != nullptr ? name : std::to_string(*stopSignal).c_str()));
  }
}

void Supervisor::reapChildren() {
  while (true) {
    int status = 0;
    const pid_t pid = ::waitpid(-1, &status, WNOHANG);
    if (pid < 0 && errno == EINTR) continue;
    if (pid <= 0) return;
    childExited(pid, status);
  }
}

void Supervisor::childExited(pid_t pid, int status) {
  auto found = children_.find(pid);
  if (found == children_.end()) return;
  Child child = std::move(found->second);
  children_.erase(found);
  // What the process started dies with it, as an app's processes do.
  ::kill(-pid, SIGKILL);
  const double ranFor = loop_->now() - child.startedAt;
  say(child.name + " (pid " + std::to_string(pid) + ") " + describeExit(status));
  if (child.readyDeadline) child.readyDeadline->invalidate();
  if (!stopping_) {
    switch (child.kind) {
      case Kind::bus:
        exitCode_ = 1;
        beginStop("the bus daemon ended");
        break;
      case Kind::xServer:
        exitCode_ = 1;
        beginStop("the X server ended");
        break;
      case Kind::compositor:
        break;  // windows still show, only without blending
      case Kind::springBoard:
        springBoardEnded(ranFor);
        break;
      case Kind::app:
        break;  // apps are started again by the user, not the system
    }
    writeState();
  }
  // After the state file, so whoever hears of the failure finds it there.
  answerWaiters(child, ControlError{hostcommon::kErrorFailed,
                                    child.name + " " + describeExit(status) + " before it was ready (see " +
                                        options_.layout.logFile(child.name).string() + ")"});
  if (stopping_) maybeFinishStop();
}

std::optional<pid_t> Supervisor::spawn(Kind kind, const std::string& name, const std::filesystem::path& program,
                                       std::vector<std::string> arguments, const std::string& bundleIdentifier,
                                       int stdoutFd, std::string& error) {
  auto output = makePipe(error);
  if (!output) return std::nullopt;
  SpawnRequest request;
  request.program = program;
  request.arguments = std::move(arguments);
  request.environment = {{hostcommon::kRootVariable, options_.layout.root().string()},
                         {hostcommon::kBusAddressVariable, busAddress_},
                         {hostcommon::kProfileVariable, std::string(options_.profile->name)}};
  // The X server itself keeps the user's DISPLAY (Xephyr shows on it); every
  // other process draws on the device's screen, or on none: a device without
  // a screen never puts windows on the user's desktop.
  if (kind != Kind::xServer) {
    request.environment.emplace_back(hostcommon::kDisplayVariable, display_);
    request.environment.emplace_back(hostcommon::kDisplayScaleVariable,
                                     display_.empty() ? std::string() : foundation::format("%g", displayScale()));
    if (options_.autoLock) {
      request.environment.emplace_back(hostcommon::kAutoLockVariable, foundation::format("%g", *options_.autoLock));
    }
  }
  request.stdoutFd = stdoutFd >= 0 ? stdoutFd : output->write;
  request.stderrFd = output->write;
  const std::optional<pid_t> pid = spawnChild(request, error);
  ::close(output->write);
  if (!pid) {
    ::close(output->read);
    return std::nullopt;
  }
  auto relay = relays_.insert(relays_.end(), nullptr);
  *relay = std::make_unique<OutputRelay>(*loop_, output->read, logFor(name), STDERR_FILENO,
                                         name + "[" + std::to_string(*pid) + "]: ", [this, relay] {
                                           loop_->dispatchAsync([this, relay] {
                                             relays_.erase(relay);
                                             if (stopping_) maybeFinishStop();
                                           });
                                         });
  Child child;
  child.kind = kind;
  child.name = name;
  child.program = program;
  child.bundleIdentifier = bundleIdentifier;
  child.pid = *pid;
  child.startedAt = loop_->now();
  children_[*pid] = std::move(child);
  return pid;
}

bool Supervisor::startBus(std::string& error) {
  const auto daemon = findInPath("dbus-daemon");
  if (!daemon) {
    error = "dbus-daemon not found in PATH (install the dbus package)";
    return false;
  }
  if (auto status = options_.layout.checkSocketPath(); !status) {
    error = status.message();
    return false;
  }
  const std::filesystem::path config = options_.layout.busConfigFile();
  {
    std::ofstream out(config, std::ios::trunc);
    out << busConfiguration(busAddress_);
    if (!out.flush()) {
      error = "cannot write " + config.string();
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::remove(options_.layout.busSocket(), ec);
  auto addressPipe = makePipe(error);
  if (!addressPipe) return false;
  // The daemon prints its address on stdout once it listens.
  const auto pid = spawn(Kind::bus, "dbus-daemon", *daemon,
                         {"dbus-daemon", "--config-file=" + config.string(), "--nofork", "--print-address"}, "",
                         addressPipe->write, error);
  ::close(addressPipe->write);
  const std::optional<std::string> line = pid ? readLine(addressPipe->read, kBusStartTimeout) : std::nullopt;
  ::close(addressPipe->read);
  if (!pid) return false;
  if (!line) {
    error = "the bus daemon did not start (see " + options_.layout.logFile("dbus-daemon").string() + ")";
    return false;
  }
  return true;
}

double Supervisor::displayScale() const {
  return options_.displayScale > 0 ? options_.displayScale : options_.profile->scale;
}

bool Supervisor::startScreen(std::string& error) {
  if (options_.screen == ScreenMode::none) return true;
  const bool window = options_.screen == ScreenMode::window;
  const char* serverName = window ? "Xephyr" : "Xvfb";
  const auto server = findInPath(serverName);
  if (!server) {
    error = std::string(serverName) + " not found in PATH (install the " +
            (window ? "xserver-xephyr" : "xvfb") + " package)";
    return false;
  }
  const auto compositor = findInPath("xcompmgr");
  if (!compositor) {
    error = "xcompmgr not found in PATH (install the xcompmgr package)";
    return false;
  }
  const double scale = displayScale();
  const std::string size = std::to_string(std::lround(options_.profile->screenWidth * scale)) + "x" +
                           std::to_string(std::lround(options_.profile->screenHeight * scale));
  // -displayfd: the server picks a free display and writes its number once
  // it accepts clients.
  std::vector<std::string> arguments{serverName, "-displayfd", "1", "-nolisten", "tcp", "-noreset",
                                     "+extension", "COMPOSITE"};
  if (window) {
    arguments.insert(arguments.end(), {"-screen", size, "-title",
                                       "hoververse " + std::string(options_.profile->name)});
  } else {
    arguments.insert(arguments.end(), {"-screen", "0", size + "x24"});
  }
  auto numberPipe = makePipe(error);
  if (!numberPipe) return false;
  const auto pid = spawn(Kind::xServer, serverName, *server, std::move(arguments), "", numberPipe->write, error);
  ::close(numberPipe->write);
  const std::optional<std::string> number = pid ? readLine(numberPipe->read, kBusStartTimeout) : std::nullopt;
  ::close(numberPipe->read);
  if (!pid) return false;
  if (!number || number->empty() || number->find_first_not_of("0123456789") != std::string::npos) {
    error = std::string("the X server did not start (see ") + options_.layout.logFile(serverName).string() + ")";
    return false;
  }
  display_ = ":" + *number;
  return spawn(Kind::compositor, "xcompmgr", *compositor, {"xcompmgr", "-n"}, "", -1, error).has_value();
}

bool Supervisor::startSpringBoard(std::string& error) {
  const auto pid = spawn(Kind::springBoard, hostcommon::kSpringBoardProcessName, options_.springBoardProgram,
                         {hostcommon::kSpringBoardProcessName}, "", -1, error);
  return pid.has_value();
}

void Supervisor::springBoardEnded(double ranFor) {
  const double delay = restartPolicy_.delayAfterRun(ranFor);
  auto restart = [this] {
    if (stopping_) return;
    ++springBoardRestarts_;
    std::string error;
    if (!startSpringBoard(error)) {
      say("cannot start SpringBoard again: " + error);
      springBoardEnded(0);
      return;
    }
    writeState();
  };
  if (delay <= 0) {
    restart();
    return;
  }
  say("SpringBoard keeps ending right after it starts; starting it again in " + std::to_string(delay) + " s");
  restartTimer_ = loop_->scheduledTimer(delay, false, [restart](foundation::Timer&) { restart(); });
}

void Supervisor::answerWaiters(Child& child, const std::optional<ControlError>& error) {
  std::vector<StartAppReply> waiters = std::move(child.waiters);
  child.waiters.clear();
  for (const StartAppReply& reply : waiters) reply(error);
}

void Supervisor::startApp(const std::string& bundleIdentifier, int song, bool play, StartAppReply reply) {
  if (stopping_) {
    reply(ControlError{hostcommon::kErrorFailed, "the device is stopping"});
    return;
  }
  const hostcommon::MusicApp* app = hostcommon::findMusicApp(bundleIdentifier);
  if (app == nullptr) {
    reply(ControlError{hostcommon::kErrorUnknownApp,
                       "unknown app '" + bundleIdentifier + "' (supported: " + supportedApps() + ")"});
    return;
  }
  if (song < -1) {
    reply(ControlError{hostcommon::kErrorInvalidArgs, "the song is a track number, or -1 for the app's own choice"});
    return;
  }
  for (auto& [pid, child] : children_) {
    if (child.kind != Kind::app || child.bundleIdentifier != bundleIdentifier) continue;
    if (child.ready) {
      reply(std::nullopt);
    } else {
      child.waiters.push_back(std::move(reply));
    }
    return;
  }
  std::string error;
  const auto program = findProgram(kMusicAppProgram, error);
  if (!program) {
    reply(ControlError{hostcommon::kErrorFailed, error});
    return;
  }
  std::vector<std::string> arguments{std::string(app->processName), "--bundle", bundleIdentifier};
  if (song >= 0) {
    arguments.push_back("--song");
    arguments.push_back(std::to_string(song));
  }
  if (play) arguments.push_back("--play");
  const auto pid = spawn(Kind::app, std::string(app->processName), *program, std::move(arguments),
                         bundleIdentifier, -1, error);
  if (!pid) {
    reply(ControlError{hostcommon::kErrorFailed, error});
    return;
  }
  Child& child = children_[*pid];
  child.waiters.push_back(std::move(reply));
  const pid_t started = *pid;
  child.readyDeadline = loop_->scheduledTimer(kAppStartTimeout, false, [this, started](foundation::Timer&) {
    auto found = children_.find(started);
    if (found == children_.end()) return;
    Child& late = found->second;
    answerWaiters(late, ControlError{hostcommon::kErrorFailed,
                                     late.name + " did not take its bus name " +
                                         hostcommon::musicAppBusName(late.bundleIdentifier) + " within " +
                                         std::to_string(static_cast<int>(kAppStartTimeout)) + " s (see " +
                                         options_.layout.logFile(late.name).string() + ")"});
  });
  say("started " + child.name + " (pid " + std::to_string(started) + ") for " + bundleIdentifier);
  writeState();
}

void Supervisor::musicAppNameChanged(const std::string& busName, bool owned) {
  for (auto& [pid, child] : children_) {
    if (child.kind != Kind::app || hostcommon::musicAppBusName(child.bundleIdentifier) != busName) continue;
    child.ready = owned;
    if (owned) {
      if (child.readyDeadline) child.readyDeadline->invalidate();
      answerWaiters(child, std::nullopt);
    }
  }
}

std::optional<ControlError> Supervisor::setRoute(const std::string& portType) {
  if (portType.empty()) return ControlError{hostcommon::kErrorInvalidArgs, "the route needs a port type"};
  if (portType.size() > kMaxPortTypeBytes) {
    return ControlError{hostcommon::kErrorInvalidArgs,
                        "a port type is at most " + std::to_string(kMaxPortTypeBytes) + " bytes"};
  }
  if (auto status = media::AudioSession::setDeviceRoute({{{portType, portType}}}); !status) {
    return ControlError{hostcommon::kErrorFailed, "cannot store the route: " + status.message()};
  }
  say("route: " + portType);
  writeState();
  return std::nullopt;
}

std::string Supervisor::statusJson() {
  using nlohmann::ordered_json;
  ordered_json status;
  status["root"] = options_.layout.root().string();
  status["profile"] = std::string(options_.profile->name);
  status["busAddress"] = busAddress_;
  status["display"] = display_.empty() ? ordered_json(nullptr) : ordered_json(display_);
  const media::AudioSessionRouteDescription route = media::AudioSession::deviceRoute();
  status["route"] = route.outputs.empty() ? ordered_json(nullptr) : ordered_json(route.outputs.front().portType);
  ordered_json processes = ordered_json::array();
  processes.push_back({{"name", "hoververse-device"}, {"pid", ::getpid()}});
  for (const auto& [pid, child] : children_) {
    ordered_json entry{{"name", child.name}, {"pid", pid}};
    if (child.kind == Kind::springBoard) entry["restarts"] = springBoardRestarts_;
    if (!child.bundleIdentifier.empty()) entry["bundleIdentifier"] = child.bundleIdentifier;
    processes.push_back(std::move(entry));
  }
  status["processes"] = std::move(processes);
  ordered_json nowPlaying = nullptr;
  if (watcher_) {
    if (const auto app = watcher_->nowPlayingApplication()) {
      nowPlaying = {{"bundleIdentifier", app->bundleIdentifier},
                    {"busName", app->busName},
                    {"state", app->isPlaying ? "playing" : "paused"}};
      if (const std::string* title = app->info.count("title") ? app->info.at("title").text() : nullptr) {
        nowPlaying["title"] = *title;
      }
    }
  }
  status["nowPlaying"] = std::move(nowPlaying);
  // Paths need not be UTF-8; JSON must be.
  return status.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

void Supervisor::stop() { beginStop("asked to stop"); }

void Supervisor::beginStop(const std::string& reason) {
  if (stopping_) return;
  stopping_ = true;
  say("stopping: " + reason);
  if (restartTimer_) restartTimer_->invalidate();
  for (auto& [pid, child] : children_) {
    if (child.readyDeadline) child.readyDeadline->invalidate();
    answerWaiters(child, ControlError{hostcommon::kErrorFailed, "the device is stopping"});
    if (!isInfrastructure(child.kind)) ::kill(-pid, SIGTERM);
  }
  killTimer_ = loop_->scheduledTimer(kStopGrace, false, [this](foundation::Timer&) {
    for (auto& [pid, child] : children_) {
      if (isInfrastructure(child.kind)) continue;
      say(child.name + " (pid " + std::to_string(pid) + ") did not end within " +
          std::to_string(static_cast<int>(kStopGrace)) + " s; killing it");
      ::kill(-pid, SIGKILL);
    }
  });
  maybeFinishStop();
}

void Supervisor::maybeFinishStop() {
  if (finished_) return;
  for (const auto& [pid, child] : children_) {
    if (!isInfrastructure(child.kind)) return;
  }
  if (!busReleased_) {
    busReleased_ = true;
    if (killTimer_) killTimer_->invalidate();
    // Off the bus before it goes, so no one logs a lost connection.
    watcher_.reset();
    service_.reset();
    connection_.reset();
    for (const auto& [pid, child] : children_) ::kill(pid, SIGTERM);
    busKillTimer_ = loop_->scheduledTimer(kBusStopGrace, false, [this](foundation::Timer&) {
      for (const auto& [pid, child] : children_) {
        say(child.name + " (pid " + std::to_string(pid) + ") did not end; killing it");
        ::kill(-pid, SIGKILL);
      }
    });
  }
  if (!children_.empty()) return;
  if (busKillTimer_) busKillTimer_->invalidate();
  if (!relays_.empty()) {
    // Every process ended; their last lines are still in the pipes.
    if (!finishDeadline_) {
      finishDeadline_ = loop_->scheduledTimer(kFinishTimeout, false, [this](foundation::Timer&) {
        relays_.clear();
        maybeFinishStop();
      });
    }
    return;
  }
  if (finishDeadline_) finishDeadline_->invalidate();
  finished_ = true;
  removeRunFiles();
  say("stopped");
  loop_->stop();
}

void Supervisor::removeRunFiles() {
  const hostcommon::DeviceLayout& layout = options_.layout;
  std::error_code ec;
  std::filesystem::remove(layout.stateFile(), ec);
  std::filesystem::remove(layout.busSocket(), ec);
  std::filesystem::remove(layout.busConfigFile(), ec);
  std::filesystem::remove_all(foundation::DeviceRoot::resolve(kVolatileFolder), ec);
  options_.lock.removeAndRelease();
  std::filesystem::remove(layout.runDirectory(), ec);  // only when nothing else was put there
}

void Supervisor::writeState() {
  if (finished_) return;
  hostcommon::DeviceState state;
  state.busAddress = busAddress_;
  state.supervisorPid = ::getpid();
  state.root = options_.layout.root().string();
  state.profile = std::string(options_.profile->name);
  state.display = display_;
  state.displayScale = display_.empty() ? 0 : displayScale();
  const media::AudioSessionRouteDescription route = media::AudioSession::deviceRoute();
  if (!route.outputs.empty()) state.route = route.outputs.front().portType;
  for (const auto& [pid, child] : children_) {
    state.processes.push_back({child.name, pid, child.program.string(), child.bundleIdentifier,
                               child.kind == Kind::springBoard ? springBoardRestarts_ : 0});
  }
  if (auto status = state.write(options_.layout.stateFile()); !status) {
    say("cannot write the device state: " + status.message());
  }
}

}  // namespace device
