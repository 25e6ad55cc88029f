// The deliverable as the Settings app meets it: loaded with dlopen (never
// linked), it offers its root controller by name, finds its "Root" list
// beside itself and exports run_cmd.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TempDeviceRoot.h"
#include "foundation/RunLoop.h"
#include "preferences/ControllerRegistry.h"

namespace {

TEST(BundleTest, LoadedBundleOffersItsRootControllerAndRunCmd) {
  foundation::RunLoop::useVirtualClock(0);
  hvtest::TempDeviceRoot root;
  ASSERT_FALSE(preferences::isControllerClassRegistered("MMRootListController"));
  void* handle = ::dlopen(HV_BUNDLE_PATH, RTLD_NOW | RTLD_NODELETE);
  ASSERT_NE(handle, nullptr) << ::dlerror();
  ASSERT_TRUE(preferences::isControllerClassRegistered("MMRootListController"));

  std::shared_ptr<preferences::ListController> page = preferences::makeController("MMRootListController");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->className(), "MMRootListController");
  page->setBundle(preferences::Bundle(std::filesystem::path(HV_BUNDLE_PATH).parent_path()));
  EXPECT_FALSE(page->specifiers().empty());
  EXPECT_EQ(preferences::makeController("NoSuchController"), nullptr);

  using RunCmd = void (*)(const char*);
  auto runCmd = reinterpret_cast<RunCmd>(::dlsym(handle, "run_cmd"));
  ASSERT_NE(runCmd, nullptr);
  const std::filesystem::path out = root.path() / "ran";
  runCmd(("echo ran > '" + out.string() + "'").c_str());
  std::ifstream in(out);
  std::string line;
  EXPECT_TRUE(std::getline(in, line));
  EXPECT_EQ(line, "ran");
  page.reset();
  foundation::RunLoop::main().advance(1);  // the delayed builds find the page gone
}

}  // namespace
