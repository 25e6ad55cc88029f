#pragma once
// The device's operating system: one process that starts the device's bus
// daemon, SpringBoard (again whenever it ends, however it ended) and music
// apps on request, keeps the device's state (the audio route, the state file)
// and serves the control object on the bus. Everything runs on the main run
// loop: children are reaped through a signalfd source, their output arrives
// through pipe sources, and the bus connection is another source.
//
// With a screen, an X server sized to the profile (Xvfb, or Xephyr on the
// user's desktop) and a compositing manager (xcompmgr, so translucent windows
// of different processes blend) are started before the bus; every other
// child gets DISPLAY of that server. The X server ending stops the device,
// as the bus daemon ending does.
//
// Stopping (Stop on the bus, SIGTERM, SIGINT, SIGHUP): SIGTERM to every
// process group the device started, SIGKILL to what remains after a grace
// period, then the bus daemon the same way; then run/ is removed and the
// lock released. The children also die with the supervisor if it is killed
// (PR_SET_PDEATHSIG), so a device never leaves processes behind.

#include <sys/types.h>

#include <filesystem>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DeviceBusService.h"
#include "OutputRelay.h"
#include "hostcommon/RestartPolicy.h"
#include "foundation/RunLoop.h"
#include "hostcommon/DeviceBus.h"
#include "hostcommon/DeviceLock.h"
#include "hostcommon/DeviceProfile.h"

namespace media {
class NowPlayingWatcher;
}

namespace device {

// The device's screen: none (its processes run headless), a headless X
// server, or a nested one shown as a window on the user's desktop.
enum class ScreenMode { none, headless, window };

struct SupervisorOptions {
  hostcommon::DeviceLayout layout;
  const hostcommon::DeviceProfile* profile = nullptr;
  std::filesystem::path springBoardProgram;
  hostcommon::DeviceLock lock;  // held; released when the device has stopped
  // Daemonised: the pipe to the `start` command waiting for "ready <pid>" or
  // "error <line>". -1 in the foreground.
  int readyFd = -1;
  // In the foreground the supervisor's stderr is the terminal, so its own
  // lines are also appended to its log file.
  bool foreground = false;
  ScreenMode screen = ScreenMode::headless;
  double displayScale = 0;        // pixels per point; 0: the profile's
  std::optional<double> autoLock;  // seconds; the profile's when unset
};

class Supervisor final : private DeviceControl {
 public:
  // Grace period between SIGTERM and SIGKILL when stopping.
  static constexpr double kStopGrace = 3.0;
  // How long StartApp waits for an app to take its bus name.
  static constexpr double kAppStartTimeout = 10.0;

  explicit Supervisor(SupervisorOptions options);
  ~Supervisor();
  Supervisor(const Supervisor&) = delete;
  Supervisor& operator=(const Supervisor&) = delete;

  // Brings the device up, runs until it is stopped and has taken everything
  // down. The process's exit status: 0 after a requested stop, 1 when the
  // device could not start or lost its bus.
  int run();

 private:
  enum class Kind { bus, xServer, compositor, springBoard, app };
  // Taken down last, after every process that uses them.
  static bool isInfrastructure(Kind kind) { return kind == Kind::bus || kind == Kind::xServer; }
  struct Child {
    Kind kind = Kind::app;
    std::string name;
    std::filesystem::path program;
    std::string bundleIdentifier;
    pid_t pid = 0;
    double startedAt = 0;
    bool ready = false;  // music apps: hold their bus name
    std::vector<StartAppReply> waiters;
    std::shared_ptr<foundation::Timer> readyDeadline;
  };

  // DeviceControl
  void startApp(const std::string& bundleIdentifier, int song, bool play, StartAppReply reply) override;
  std::optional<ControlError> setRoute(const std::string& portType) override;
  std::string statusJson() override;
  void stop() override;
  void musicAppNameChanged(const std::string& busName, bool owned) override;

  bool watchSignals(std::string& error);
  void onSignals();
  void reapChildren();
  void childExited(pid_t pid, int status);
  bool startBus(std::string& error);
  bool startScreen(std::string& error);
  double displayScale() const;
  bool startSpringBoard(std::string& error);
  void springBoardEnded(double ranFor);
  std::optional<pid_t> spawn(Kind kind, const std::string& name, const std::filesystem::path& program,
                             std::vector<std::string> arguments, const std::string& bundleIdentifier,
                             int stdoutFd, std::string& error);
  void answerWaiters(Child& child, const std::optional<ControlError>& error);
  void beginStop(const std::string& reason);
  void maybeFinishStop();
  void removeRunFiles();
  int abortStart(const std::string& message);
  void reportReady(const std::string& line);
  void writeState();
  void say(const std::string& line);
  std::shared_ptr<LogFile> logFor(const std::string& name);

  SupervisorOptions options_;
  foundation::RunLoop* loop_ = nullptr;
  std::string busAddress_;
  std::string display_;  // ":N" once the X server runs
  std::shared_ptr<LogFile> ownLog_;  // foreground only
  int signalFd_ = -1;
  foundation::SourceHandle signalSource_;
  std::map<pid_t, Child> children_;
  std::map<std::string, std::shared_ptr<LogFile>> logs_;
  std::list<std::unique_ptr<OutputRelay>> relays_;
  std::shared_ptr<ipc::BusConnection> connection_;
  std::unique_ptr<DeviceBusService> service_;
  std::unique_ptr<media::NowPlayingWatcher> watcher_;
  hostcommon::RestartPolicy restartPolicy_;
  int springBoardRestarts_ = 0;
  std::shared_ptr<foundation::Timer> restartTimer_;
  std::shared_ptr<foundation::Timer> killTimer_;
  std::shared_ptr<foundation::Timer> busKillTimer_;
  std::shared_ptr<foundation::Timer> finishDeadline_;
  bool stopping_ = false;
  bool busReleased_ = false;
  bool finished_ = false;
  int exitCode_ = 0;
};

}  // namespace device
