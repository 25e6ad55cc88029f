// hoververse-device end to end: start, SpringBoard kept alive, stop leaving
// nothing behind, and the failures a user can run into.

#include <signal.h>

#include <fstream>
#include <set>

#include "DeviceFixture.h"
#include "hostcommon/RestartPolicy.h"

namespace {

std::string commandLine0(pid_t pid) {
  std::string bytes = slurpFile("/proc/" + std::to_string(pid) + "/cmdline");
  return bytes.substr(0, bytes.find('\0'));
}

std::string comm(pid_t pid) {
  std::string name = slurpFile("/proc/" + std::to_string(pid) + "/comm");
  if (!name.empty() && name.back() == '\n') name.pop_back();
  return name;
}

class DeviceTest : public DeviceFixture {};

TEST_F(DeviceTest, WithoutAScreenNothingReachesTheDesktop) {
  // --window needs a desktop to show on.
  ::unsetenv("DISPLAY");
  const ProgramRun noDesktop = device({"start", "--window"});
  EXPECT_EQ(noDesktop.code, 1);
  EXPECT_NE(noDesktop.err.find("--window needs a desktop"), std::string::npos) << noDesktop.err;
  EXPECT_EQ(device({"start", "--scale", "9"}).code, 2);

  // The user's desktop stays out of a device started without a screen.
  ::setenv("DISPLAY", ":4242", 1);
  const ProgramRun started = device({"start", "--no-display"});
  ::unsetenv("DISPLAY");
  ASSERT_EQ(started.code, 0) << started.err;
  EXPECT_EQ(state()->display, "");
  EXPECT_EQ(pidOf("Xvfb"), 0);
  EXPECT_TRUE(logHas("SpringBoard", "display=(unset)")) << logOf("SpringBoard");
  const ProgramRun tap = ctl({"tap", "10", "10"});
  EXPECT_EQ(tap.code, 1);
  EXPECT_NE(tap.err.find("the device has no screen"), std::string::npos) << tap.err;
}

TEST_F(DeviceTest, StartKeepsSpringBoardRunningAndStopLeavesNothing) {
  const ProgramRun started = device({"start"});
  ASSERT_EQ(started.code, 0) << started.err;
  EXPECT_NE(started.out.find("started at " + root_.string()), std::string::npos) << started.out;

  const auto first = state();
  ASSERT_TRUE(first.has_value());
  const std::string address = "unix:path=" + (root_ / "run/bus").string();
  EXPECT_EQ(first->busAddress, address);
  EXPECT_EQ(first->profile, "iphone-x");
  EXPECT_EQ(first->route, "Speaker");
  std::set<pid_t> pids{first->supervisorPid};
  for (const hostcommon::DeviceProcess& process : first->processes) pids.insert(process.pid);
  const pid_t springBoard = pidOf("SpringBoard");
  ASSERT_GT(springBoard, 0);
  ASSERT_GT(pidOf("dbus-daemon"), 0);
  // The screen: a headless X server at the profile's pixels, composited.
  ASSERT_GT(pidOf("Xvfb"), 0);
  ASSERT_GT(pidOf("xcompmgr"), 0);
  EXPECT_EQ(first->displayScale, 3);
  for (const pid_t pid : pids) EXPECT_TRUE(processAlive(pid)) << pid;
  EXPECT_TRUE(logHas("SpringBoard", "display=" + first->display)) << logOf("SpringBoard");
  ::setenv("DISPLAY", first->display.c_str(), 1);
  const ProgramRun size = run("xdotool", {"getdisplaygeometry"});
  ::unsetenv("DISPLAY");
  EXPECT_EQ(size.out, "1125 2436\n") << size.err;

  // A real D-Bus tool reaches the device's bus, where the supervisor serves
  // its control object.
  const ProgramRun owner = run("dbus-send", {"--bus=" + address, "--print-reply", "--dest=org.freedesktop.DBus",
                                             "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                                             "string:org.hoververse.Device"});
  EXPECT_EQ(owner.code, 0) << owner.err;
  EXPECT_NE(owner.out.find("boolean true"), std::string::npos) << owner.out;

  // SpringBoard is started under its process name, with the device's
  // environment, and its output reaches its log and the supervisor's.
  const std::string expected = "started argv0=SpringBoard root=" + root_.string() + " profile=iphone-x bus=" + address;
  EXPECT_TRUE(logHas("SpringBoard", expected)) << logOf("SpringBoard");
  EXPECT_TRUE(logHas("hoververse-device", "SpringBoard[" + std::to_string(springBoard) + "]: " + expected))
      << logOf("hoververse-device");
  EXPECT_EQ(commandLine0(springBoard), "SpringBoard");
  EXPECT_EQ(comm(springBoard), "SpringBoard");

  const ProgramRun again = device({"start"});
  EXPECT_EQ(again.code, 1);
  EXPECT_EQ(again.errLines(), 1u);
  EXPECT_NE(again.err.find("a device is already running at " + root_.string()), std::string::npos) << again.err;

  // Killed outright, SpringBoard is back within 2 s, and the home screen
  // answers again (dump waits for it to come back).
  ASSERT_EQ(::kill(springBoard, SIGKILL), 0);
  EXPECT_TRUE(eventually([&] {
    const pid_t next = pidOf("SpringBoard");
    return next > 0 && next != springBoard && processAlive(next);
  }, 2.0));
  pids.insert(pidOf("SpringBoard"));
  const ProgramRun dump = ctl({"dump"});
  EXPECT_EQ(dump.code, 0) << dump.err;
  EXPECT_NE(dump.out.find("\"lyricWindow\""), std::string::npos) << dump.out;
  EXPECT_NE(ctl({"status"}).out.find("SpringBoard  restarts: 1"), std::string::npos);

  const ProgramRun stopped = device({"stop"});
  EXPECT_EQ(stopped.code, 0) << stopped.err;
  for (const pid_t pid : pids) EXPECT_FALSE(processAlive(pid)) << "pid " << pid << " outlived the device";
  EXPECT_FALSE(std::filesystem::exists(root_ / "run"));
  EXPECT_NE(logOf("hoververse-device").find("stopped"), std::string::npos);

  const ProgramRun stopAgain = device({"stop"});
  EXPECT_EQ(stopAgain.code, 1);
  EXPECT_EQ(stopAgain.err, "hoververse-device: no device is running at " + root_.string() + "\n");
}

TEST_F(DeviceTest, StopKillsWhatIgnoresTermAndWhatItsProcessesStarted) {
  ::setenv("HV_STANDIN_IGNORE_TERM", "1", 1);
  ::setenv("HV_STANDIN_GRANDCHILD", "1", 1);
  startDevice();
  const pid_t springBoard = pidOf("SpringBoard");
  ASSERT_TRUE(logHas("SpringBoard", "ready"));
  const std::string log = logOf("SpringBoard");
  const std::size_t at = log.find("grandchild ");
  ASSERT_NE(at, std::string::npos) << log;
  const pid_t grandchild = std::stoi(log.substr(at + 11));
  EXPECT_TRUE(processAlive(grandchild));

  const ProgramRun stopped = device({"stop"});
  EXPECT_EQ(stopped.code, 0) << stopped.err;
  EXPECT_FALSE(processAlive(springBoard));
  EXPECT_FALSE(processAlive(grandchild));
  EXPECT_NE(logOf("hoververse-device").find("SpringBoard (pid " + std::to_string(springBoard) + ") did not end"),
            std::string::npos);
}

TEST_F(DeviceTest, AKilledSupervisorTakesItsProcessesWithItAndTheRootStartsAgain) {
  startDevice();
  const auto before = state();
  ASSERT_TRUE(before.has_value());
  ASSERT_EQ(::kill(before->supervisorPid, SIGKILL), 0);
  for (const hostcommon::DeviceProcess& process : before->processes) {
    EXPECT_TRUE(eventually([&] { return !processAlive(process.pid); })) << process.name;
  }
  const ProgramRun status = ctl({"status"});
  EXPECT_EQ(status.code, 1);
  EXPECT_NE(status.err.find("no device is running"), std::string::npos) << status.err;

  // The files the killed supervisor left do not stand in the way.
  startDevice();
  EXPECT_NE(state()->supervisorPid, before->supervisorPid);
  EXPECT_EQ(ctl({"status"}).code, 0);
}

TEST_F(DeviceTest, FailuresAreOneLine) {
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string says;
  };
  const std::string longRoot = "/tmp/" + std::string(110, 'r');
  const std::vector<Case> cases{
      {{}, 2, "no command given"},
      {{"reboot"}, 2, "unknown command 'reboot'"},
      {{"start", "--profile", "iphone-3g"}, 2, "unknown profile 'iphone-3g'"},
      {{"start", "--root"}, 2, "--root needs a folder"},
      {{"stop", "--profile", "ipad"}, 2, "unexpected argument '--profile'"},
      {{"start", "--root", longRoot}, 1, "a unix socket path holds at most 107"},
      {{"stop"}, 1, "no device is running at " + root_.string()},
  };
  for (const Case& c : cases) {
    const ProgramRun result = device(c.args);
    EXPECT_EQ(result.code, c.code) << testing::PrintToString(c.args);
    EXPECT_EQ(result.errLines(), 1u) << result.err;
    EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
  }
  ::setenv(hostcommon::kSpringBoardProgramVariable, (dir_ / "missing").c_str(), 1);
  const ProgramRun noProgram = device({"start"});
  EXPECT_EQ(noProgram.code, 1);
  EXPECT_EQ(noProgram.errLines(), 1u) << noProgram.err;
  EXPECT_NE(noProgram.err.find("which is not an executable file"), std::string::npos) << noProgram.err;
  EXPECT_FALSE(hostcommon::DeviceLock::isHeld(layout()));
}

TEST_F(DeviceTest, ProfileReachesItsProcessesAndStopOnTheBusEndsTheDevice) {
  const ProgramRun started = device({"start", "--profile", "ipad"});
  ASSERT_EQ(started.code, 0) << started.err;
  EXPECT_TRUE(logHas("SpringBoard", "profile=ipad "));
  const auto running = state();
  EXPECT_EQ(running->profile, "ipad");

  const ProgramRun stop = run("busctl", {"--address=" + running->busAddress, "call", "org.hoververse.Device",
                                         "/org/hoververse/Device", "org.hoververse.Device", "Stop"});
  EXPECT_EQ(stop.code, 0) << stop.err;
  EXPECT_TRUE(eventually([&] { return !processAlive(running->supervisorPid); }));
  for (const hostcommon::DeviceProcess& process : running->processes) EXPECT_FALSE(processAlive(process.pid));
  EXPECT_FALSE(hostcommon::DeviceLock::isHeld(layout()));
  EXPECT_FALSE(std::filesystem::exists(root_ / "run"));
}

TEST_F(DeviceTest, InTheForegroundEveryLogReachesStderrAndAnInterruptStops) {
  const std::filesystem::path out = dir_ / "foreground.out";
  const std::filesystem::path err = dir_ / "foreground.err";
  const pid_t supervisor = spawn(HV_DEVICE_PATH, {"start", "--foreground"}, out, err);
  ASSERT_GT(supervisor, 0);
  ASSERT_TRUE(eventually([&] { return pidOf("SpringBoard") > 0; })) << slurpFile(err);
  EXPECT_EQ(state()->supervisorPid, supervisor);
  const pid_t springBoard = pidOf("SpringBoard");
  EXPECT_TRUE(eventually([&] {
    return slurpFile(err).find("SpringBoard[" + std::to_string(springBoard) + "]: ready\n") != std::string::npos;
  })) << slurpFile(err);
  EXPECT_TRUE(logHas("SpringBoard", "ready\n"));
  EXPECT_TRUE(logHas("hoververse-device", "device ready at " + root_.string()));

  ASSERT_EQ(::kill(supervisor, SIGINT), 0);
  int status = -1;
  EXPECT_TRUE(eventually([&] { return ::waitpid(supervisor, &status, WNOHANG) == supervisor; }));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_FALSE(processAlive(springBoard));
  EXPECT_FALSE(std::filesystem::exists(root_ / "run"));
  EXPECT_NE(slurpFile(err).find("stopping: received SIGINT"), std::string::npos);
}

TEST(RestartPolicyTest, ShortRunsInARowWaitLongerUpToACapAndAHealthyRunForgives) {
  hostcommon::RestartPolicy policy;
  const std::vector<std::pair<double, double>> runsAndDelays{
      {30.0, 0.0}, {0.1, 0.0}, {0.1, 0.0}, {0.1, 0.0}, {0.1, 0.5}, {0.1, 1.0}, {0.1, 2.0},
      {0.1, 4.0},  {0.1, 8.0}, {0.1, 10.0}, {0.1, 10.0}, {5.0, 0.0}, {0.1, 0.0},
  };
  std::vector<double> delays;
  std::vector<double> expected;
  for (const auto& [ran, delay] : runsAndDelays) {
    delays.push_back(policy.delayAfterRun(ran));
    expected.push_back(delay);
  }
  EXPECT_EQ(delays, expected);
}

}  // namespace
