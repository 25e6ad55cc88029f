// A page's list as the Settings app gives it: loaded from the bundle's
// property list with the page as target, asked when the view loads and each
// time the page comes back, and a missing or broken list logged and empty.

#include "preferences/ListController.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "TempDeviceRoot.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "preferences/ControllerRegistry.h"

namespace {

struct CountingPage : preferences::ListController {
  int asked = 0;
  const std::vector<preferences::Specifier>& specifiers() override {
    ++asked;
    return ListController::specifiers();
  }
};

bool loggedContaining(const std::string& text) {
  for (const std::string& line : foundation::loggedLines())
    if (line.find(text) != std::string::npos) return true;
  return false;
}

TEST(ListControllerTest, LoadsTheItemsOfTheNamedListWithTheTarget) {
  hvtest::TempDeviceRoot dir;
  foundation::Array items{
      foundation::Value(foundation::Dictionary{{"cell", foundation::Value("PSGroupCell")}, {"label", foundation::Value("Group")}}),
      foundation::Value("not an entry"),
      foundation::Value(foundation::Dictionary{{"cell", foundation::Value("PSSwitchCell")},
                                               {"label", foundation::Value("Enable")},
                                               {"id", foundation::Value("enable")}}),
  };
  ASSERT_TRUE(foundation::writeDictionaryFile(dir.path() / "Root.plist", {{"items", foundation::Value(items)}}).ok());
  auto page = std::make_shared<CountingPage>();
  page->setBundle(preferences::Bundle(dir.path()));
  const auto& list = page->specifiers();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].cellType(), "PSGroupCell");
  EXPECT_EQ(list[0].identifier(), "Group");
  EXPECT_EQ(list[1].name(), "Enable");
  EXPECT_EQ(list[1].identifier(), "enable");
  EXPECT_EQ(list[1].target, page.get());
  EXPECT_EQ(&page->specifiers(), &list);  // loaded once, then held
}

TEST(ListControllerTest, SpecifiersAreAskedWhenTheViewLoadsAndWhenThePageReturns) {
  hvtest::TempDeviceRoot dir;
  auto page = std::make_shared<CountingPage>();
  page->setBundle(preferences::Bundle(dir.path()));
  page->view();
  EXPECT_EQ(page->asked, 1);
  page->viewWillAppear(false);  // the first appearance follows the load
  EXPECT_EQ(page->asked, 1);
  page->viewWillAppear(true);
  EXPECT_EQ(page->asked, 2);
}

TEST(ListControllerTest, AMissingOrBrokenListIsLoggedAndEmpty) {
  hvtest::TempDeviceRoot dir;
  {
    std::ofstream broken(dir.path() / "Broken.plist");
    broken << "this is no property list";
  }
  ASSERT_TRUE(foundation::writeDictionaryFile(dir.path() / "NoItems.plist", {{"title", foundation::Value("x")}}).ok());
  struct Case {
    const char* name;
    std::string logged;
  };
  const Case cases[] = {
      {"Root", "no property list named \"Root\" in the bundle at '" + dir.path().string() + "'"},
      {"Broken", "Broken.plist' is not a readable dictionary"},
      {"NoItems", "NoItems.plist' has no \"items\" array"},
  };
  preferences::ListController page;
  page.setBundle(preferences::Bundle(dir.path()));
  for (const Case& c : cases) {
    foundation::clearLoggedLines();
    EXPECT_TRUE(page.loadSpecifiersFromPlistName(c.name, &page).empty()) << c.name;
    EXPECT_TRUE(loggedContaining(c.logged)) << c.name;
  }
}

TEST(ControllerRegistryTest, MakesControllersByTheRegisteredName) {
  EXPECT_EQ(preferences::makeController("TestPage"), nullptr);
  preferences::registerControllerClass("TestPage", [] { return std::make_shared<CountingPage>(); });
  auto made = preferences::makeController("TestPage");
  ASSERT_TRUE(made);
  EXPECT_NE(dynamic_cast<CountingPage*>(made.get()), nullptr);
  EXPECT_NE(made, preferences::makeController("TestPage"));  // a new one each time
}

}  // namespace
