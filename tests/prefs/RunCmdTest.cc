// run_cmd: the command's effect is there when it returns, in the page's
// environment; a shell that cannot start is logged and nothing hangs.

#include "prefs/RunCmd.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TempDeviceRoot.h"
#include "foundation/Log.h"

namespace {

std::string contents(const std::filesystem::path& p) {
  std::ifstream in(p);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(RunCmdTest, RunsThroughTheShellInTheEnvironmentAndWaits) {
  hvtest::TempDeviceRoot dir;
  const std::filesystem::path out = dir.path() / "out";
  ::setenv("HV_RUN_CMD_PROBE", "from the page", 1);
  run_cmd(("sleep 0.2; printf '%s|%s' \"$0\" \"$HV_RUN_CMD_PROBE\" > '" + out.string() + "'").c_str());
  EXPECT_EQ(contents(out), "sh|from the page");
  ::unsetenv("HV_RUN_CMD_PROBE");
}

TEST(RunCmdTest, AShellThatCannotStartIsLogged) {
  foundation::clearLoggedLines();
  EXPECT_FALSE(prefs::runShellCommand("/nonexistent/sh", "true"));
  ASSERT_EQ(foundation::loggedLines().size(), 1u);
  const std::string& line = foundation::loggedLines().front();
  EXPECT_NE(line.find("cannot start /nonexistent/sh for 'true'"), std::string::npos) << line;
  EXPECT_NE(line.find("No such file or directory"), std::string::npos) << line;
  EXPECT_TRUE(prefs::runShellCommand("/bin/sh", "exit 3"));  // a failing command still ran
}

}  // namespace
