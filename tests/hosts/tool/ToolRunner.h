#pragma once
// Base fixture for the tests that run the built hoververse-tool (HV_TOOL_PATH)
// as a user would: each test gets a fresh temporary folder whose "device"
// subfolder is HOVERVERSE_ROOT, and tool(...) spawns the program with its
// output captured in files of that folder. The folder is removed afterwards.

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

// Exit code (-1 if the program did not exit normally) and captured output.
struct ToolRun {
  int code = -1;
  std::string out;
  std::string err;
};

inline std::string slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class ToolRunnerTest : public ::testing::Test {
 protected:
  // `prefix` names the temporary folder, so a leftover one shows which suite made it.
  explicit ToolRunnerTest(std::string prefix) : prefix_(std::move(prefix)) {}

  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix_ + "-XXXXXX")).string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    root_ = dir_ / "device";
    ::setenv("HOVERVERSE_ROOT", root_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("HOVERVERSE_ROOT");
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // Runs the tool with `args`; stdin reads `input` when given, /dev/null otherwise.
  ToolRun tool(std::vector<std::string> args, const std::optional<std::string>& input = std::nullopt) {
    const std::filesystem::path in = dir_ / "stdin";
    if (input) std::ofstream(in, std::ios::binary) << *input;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input ? in.c_str() : "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (dir_ / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (dir_ / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    static char program[] = HV_TOOL_PATH;
    std::vector<char*> argv{program};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ToolRun run;
    if (posix_spawn(&pid, HV_TOOL_PATH, &actions, nullptr, argv.data(), environ) == 0) {
      int status = 0;
      if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.code = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = slurp(dir_ / "stdout");
    run.err = slurp(dir_ / "stderr");
    return run;
  }

  // The settings store inside the device root.
  std::filesystem::path preferences() const { return root_ / "var/mobile/Library/Preferences"; }
  std::filesystem::path settingsFile() const { return preferences() / "1"; }

  std::filesystem::path dir_;
  std::filesystem::path root_;

 private:
  std::string prefix_;
};
