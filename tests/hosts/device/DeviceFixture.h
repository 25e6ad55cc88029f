#pragma once
// Base fixture for the tests that run a whole device: each test gets its own
// short temporary root (bus socket paths are limited), with stand-ins
// (HV_STANDIN_PATH) for SpringBoard and the music apps, and runs the built
// hoververse-device and hoververse-ctl as a user would. Teardown stops the
// device if it still runs and removes the root. Waits are conditions with
// deadlines, checked every few milliseconds.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Eventually.h"
#include "hostcommon/DeviceBus.h"
#include "hostcommon/DeviceLock.h"
#include "hostcommon/DeviceState.h"

extern char** environ;

struct ProgramRun {
  int code = -1;  // -1: did not exit normally
  std::string out;
  std::string err;
  // Lines of err, for "one clear line" checks.
  std::size_t errLines() const {
    std::size_t lines = 0;
    for (const char c : err) lines += c == '\n' ? 1 : 0;
    return lines;
  }
};

using testsupport::slurpFile;

// Whether the process exists and has not ended (a zombie waiting for a
// parent that does not reap counts as ended).
inline bool processAlive(pid_t pid) {
  if (pid <= 0) return false;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos || close + 2 >= line.size()) return false;
  const char state = line[close + 2];
  return state != 'Z' && state != 'X';
}

using testsupport::eventually;

class DeviceFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/hvd-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    root_ = dir_ / "device";
    ::setenv(hostcommon::kRootVariable, root_.c_str(), 1);
    ::setenv(hostcommon::kSpringBoardProgramVariable, HV_STANDIN_PATH, 1);
    ::setenv(hostcommon::kMusicAppProgramVariable, HV_STANDIN_PATH, 1);
    ::unsetenv("HV_STANDIN_IGNORE_TERM");
    ::unsetenv("HV_STANDIN_GRANDCHILD");
  }

  void TearDown() override {
    if (hostcommon::DeviceLock::isHeld(layout())) {
      const ProgramRun stopped = device({"stop"});
      EXPECT_EQ(stopped.code, 0) << stopped.err;
    }
    for (const char* name : {hostcommon::kRootVariable, hostcommon::kSpringBoardProgramVariable,
                             hostcommon::kMusicAppProgramVariable, "HV_STANDIN_IGNORE_TERM",
                             "HV_STANDIN_GRANDCHILD"}) {
      ::unsetenv(name);
    }
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  hostcommon::DeviceLayout layout() const { return hostcommon::DeviceLayout(root_); }

  // Starts a program without waiting for it, its output in files of the
  // test's folder; the caller reaps it.
  pid_t spawn(const std::string& program, std::vector<std::string> args, const std::filesystem::path& out,
              const std::filesystem::path& err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::string name = program;
    std::vector<char*> argv{name.data()};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }
  // Runs a program to its end.
  ProgramRun run(const std::string& program, std::vector<std::string> args) {
    const std::filesystem::path out = dir_ / "stdout";
    const std::filesystem::path err = dir_ / "stderr";
    ProgramRun result;
    if (const pid_t pid = spawn(program, std::move(args), out, err); pid > 0) {
      int status = 0;
      if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.code = WEXITSTATUS(status);
    }
    result.out = slurpFile(out);
    result.err = slurpFile(err);
    return result;
  }
  ProgramRun device(std::vector<std::string> args) { return run(HV_DEVICE_PATH, std::move(args)); }
  ProgramRun ctl(std::vector<std::string> args) { return run(HV_CTL_PATH, std::move(args)); }

  // Starts the device and checks that it came up.
  void startDevice() {
    const ProgramRun started = device({"start"});
    ASSERT_EQ(started.code, 0) << started.err;
    ASSERT_TRUE(state().has_value());
  }

  std::optional<hostcommon::DeviceState> state() const {
    return hostcommon::DeviceState::read(layout().stateFile());
  }
  // The pid of the device's process of that name; 0 when it has none.
  pid_t pidOf(const std::string& name) const {
    if (auto current = state()) {
      for (const hostcommon::DeviceProcess& process : current->processes) {
        if (process.name == name) return process.pid;
      }
    }
    return 0;
  }
  std::string logOf(const std::string& name) const { return slurpFile(layout().logFile(name)); }
  bool logHas(const std::string& name, const std::string& text, double seconds = 10.0) const {
    return eventually([&] { return logOf(name).find(text) != std::string::npos; }, seconds);
  }

  std::filesystem::path dir_;
  std::filesystem::path root_;
};

// A device running the real home-screen and music-app programs (not the
// stand-ins), stopped after each test.
class RealProgramsFixture : public DeviceFixture {
 protected:
  void SetUp() override {
    DeviceFixture::SetUp();
    ::unsetenv(hostcommon::kSpringBoardProgramVariable);
    ::unsetenv(hostcommon::kMusicAppProgramVariable);
  }
  void TearDown() override {
    device({"stop"});
    DeviceFixture::TearDown();
  }
};
