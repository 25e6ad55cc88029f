// The page's "注销" really restarts the home screen: a whole device (the real
// SpringBoard) runs in a PID namespace of its own, so the page's
// "killall -9 SpringBoard" reaches only that device's SpringBoard and never
// another test's; the device starts it again. Skipped where a PID namespace
// cannot be made (unshare needs privileges).

#include <gtest/gtest.h>

#include <string>

#include "TestFonts.h"
#include "ToolRunner.h"

namespace {

class RestartTest : public ToolRunnerTest {
 protected:
  RestartTest() : ToolRunnerTest("hv-settings-restart") {}
};

TEST_F(RestartTest, TheRestartAlertsOKKillsSpringBoardAndTheDeviceStartsItAgain) {
  if (tool({"-fp", "--mount-proc", "true"}).code != 0) GTEST_SKIP() << "no PID namespace here";
  ::setenv("HOVERVERSE_PREFS_BUNDLE", HV_BUNDLE_DIR, 1);
  // On an iPhone X: "注销" sits at (309, 46, 50, 40) in the bar; the alert's
  // "确定" at (52.5, 416, 135, 44). The wait for the restart has a deadline
  // of 10 s.
  const std::string script = std::string() + "set -e\n" +
      "'" HV_DEVICE_PATH "' start >/dev/null\n"
      "'" HV_SETTINGS_PATH "' --open HoverlyraXI --tap 334,66 --tap 120,438 --dump >/dev/null\n"
      "for i in $(seq 200); do\n"
      "  '" HV_CTL_PATH "' status | grep -q 'restarts: 1' && break\n"
      "  sleep 0.05\n"
      "done\n"
      "'" HV_CTL_PATH "' status\n"
      "'" HV_DEVICE_PATH "' stop >/dev/null\n";
  const ToolRun run = tool({"-fp", "--mount-proc", "/bin/sh", "-c", script});
  ::unsetenv("HOVERVERSE_PREFS_BUNDLE");
  ASSERT_EQ(run.code, 0) << run.err << run.out;
  EXPECT_NE(run.out.find("SpringBoard  restarts: 1"), std::string::npos) << run.out << run.err;
}

}  // namespace
