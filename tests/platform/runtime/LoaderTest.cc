#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "TempDeviceRoot.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"
#include "runtime/Loader.h"
#include "runtime/Message.h"

namespace {

namespace fs = std::filesystem;
using foundation::Array;
using foundation::Dictionary;
using foundation::Value;
using runtime::Class;
using runtime::Object;

constexpr const char* kBundle = "com.hoververse.testhost";

// What the injected libraries told the host, through its InjectionProbe
// class: the probe library announces each copy loaded, the hook library
// what it heard from the run loop and the notification centre.
std::vector<std::string>& probeLog() {
  static std::vector<std::string> log;
  return log;
}

void registerProbeClass() {
  Class& probe = runtime::registerClass("InjectionProbe");
  runtime::addMethod<void, std::string>(&probe.metaclass(),
                                        "libraryLoaded:", [](Object&, const std::string& file) {
                                          probeLog().push_back("loaded " + file);
                                        });
  runtime::addMethod<void, std::string>(
      &probe.metaclass(),
      "heard:", [](Object&, const std::string& what) { probeLog().push_back(what); });
}

fs::path injectionFolder() {
  return foundation::DeviceRoot::resolve(runtime::kInjectedLibrariesFolder);
}

Dictionary filterFor(Value bundles) {
  return Dictionary{{"Filter", Dictionary{{"Bundles", std::move(bundles)}}}};
}

void writeText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

// Loader error lines, without the "[runtime: Loader.cc:NN]" prefix and with
// the device root written as <root>.
std::vector<std::string> loaderMessages(const fs::path& root) {
  std::vector<std::string> messages;
  for (const std::string& line : foundation::loggedLines()) {
    std::string message =
        std::regex_replace(line, std::regex(R"(^\[runtime: Loader\.cc:\d+\] )"), "");
    for (std::size_t at = message.find(root.string()); at != std::string::npos;
         at = message.find(root.string())) {
      message.replace(at, root.string().size(), "<root>");
    }
    messages.push_back(message);
  }
  return messages;
}

TEST(LoaderTest, LoadsExactlyTheLibrariesWhoseFilterNamesTheBundle) {
  hvtest::TempDeviceRoot root;
  registerProbeClass();
  probeLog().clear();
  foundation::clearLoggedLines();

  struct Case {
    const char* name;
    std::optional<Dictionary> filter;  // written as an XML property list
    const char* filterText;            // written as is when there is no dictionary
    bool library;                      // a copy of the probe library beside it
  };
  const Case cases[] = {
      {"a_matching", filterFor(Array{"com.example.other", kBundle}), nullptr, true},
      {"b_otherBundle", filterFor(Array{"com.example.other"}), nullptr, true},
      {"c_noFilter", std::nullopt, nullptr, true},
      {"d_notPropertyList", std::nullopt, "{ Filter = { Bundles = (", true},
      {"e_noBundles", Dictionary{{"Filter", Dictionary{{"Executables", Array{"SpringBoard"}}}}},
       nullptr, true},
      {"f_bundlesNotArray", filterFor(kBundle), nullptr, true},
      {"g_filterNotDictionary", Dictionary{{"Filter", kBundle}}, nullptr, true},
      {"h_missingLibrary", filterFor(Array{kBundle}), nullptr, false},
      {"i_notALibrary", filterFor(Array{kBundle}), nullptr, false},
      {"j_nonTextEntries", filterFor(Array{Value(1), Value(true), kBundle}), nullptr, true},
      {"k_arrayRoot", std::nullopt,
       "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>com.hoververse.testhost"
       "</string></array></plist>",
       true},
  };
  const fs::path folder = injectionFolder();
  for (const Case& c : cases) {
    const fs::path filter = folder / (std::string(c.name) + ".plist");
    if (c.filter) {
      ASSERT_TRUE(foundation::writeDictionaryFile(filter, *c.filter).ok());
    }
    if (c.filterText != nullptr) writeText(filter, c.filterText);
    if (c.library) fs::copy_file(HV_RUNTIME_PROBE_LIBRARY, folder / (std::string(c.name) + ".so"));
  }
  writeText(folder / "i_notALibrary.so", std::string(256, 'x'));  // no ELF header

  const std::vector<fs::path> expectedLoaded{folder / "a_matching.so",
                                             folder / "j_nonTextEntries.so"};
  const std::vector<std::string> expectedProbe{"loaded a_matching.so",
                                               "loaded j_nonTextEntries.so"};
  const std::string at = "ERROR: skipped <root>/Library/DynamicLibraries/";
  const std::vector<std::string> expectedLog{
      at + "d_notPropertyList.plist: the filter is not a readable property-list dictionary",
      at + "e_noBundles.plist: the filter has no Filter.Bundles array",
      at + "f_bundlesNotArray.plist: the filter has no Filter.Bundles array",
      at + "g_filterNotDictionary.plist: the filter has no Filter.Bundles array",
      at + "h_missingLibrary.so: the filter names this process but the library is missing",
      at + "i_notALibrary.so: <root>/Library/DynamicLibraries/i_notALibrary.so: invalid ELF header",
      at + "k_arrayRoot.plist: the filter is not a readable property-list dictionary",
  };
  EXPECT_EQ(runtime::loadInjectedLibraries(kBundle), expectedLoaded);
  EXPECT_EQ(probeLog(), expectedProbe);
  EXPECT_EQ(loaderMessages(root.path()), expectedLog);

  // Loading again finds the same libraries; their initialisers do not run twice.
  EXPECT_EQ(runtime::loadInjectedLibraries(kBundle), expectedLoaded);
  EXPECT_EQ(probeLog(), expectedProbe);
  // Another process loads nothing of these.
  EXPECT_TRUE(runtime::loadInjectedLibraries("com.example.unlisted").empty());
  EXPECT_EQ(probeLog(), expectedProbe);
}

TEST(LoaderTest, ADeviceWithoutTheFolderLoadsNothingQuietly) {
  hvtest::TempDeviceRoot root;
  foundation::clearLoggedLines();
  EXPECT_TRUE(runtime::loadInjectedLibraries(kBundle).empty());
  EXPECT_TRUE(foundation::loggedLines().empty());
}

// The host class the hook library replaces methods of. Its own
// implementations record "original <selector> <n>" on the instance.
class HostPlayer : public Object {
 public:
  HostPlayer() : Object(hostClass()) {}
  std::vector<std::string> calls;

  static Class& hostClass() {
    static Class& cls = []() -> Class& {
      Class& c = runtime::registerClass("HostPlayer");
      for (std::string selector : {"first:", "last:", "twice:", "never:"}) {
        runtime::addMethod<void, int>(&c, selector, [selector](Object& self, int n) {
          static_cast<HostPlayer&>(self).calls.push_back("original " + selector + " " +
                                                         std::to_string(n));
        });
      }
      runtime::addMethod<std::string, int>(&c, "value:", [](Object& self, int n) {
        static_cast<HostPlayer&>(self).calls.push_back("original value: " + std::to_string(n));
        return "value " + std::to_string(n);
      });
      runtime::addMethod<void, std::string>(&c,
                                            "record:", [](Object& self, const std::string& entry) {
                                              static_cast<HostPlayer&>(self).calls.push_back(entry);
                                            });
      return c;
    }();
    return cls;
  }
};

// One process with the hook library injected, as a host starts: classes
// registered, the run loop set up, then the libraries loaded.
class InjectedHooksTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    foundation::RunLoop::useVirtualClock();
    HostPlayer::hostClass();
    registerProbeClass();
    hvtest::TempDeviceRoot root;
    const fs::path folder = injectionFolder();
    ASSERT_TRUE(
        foundation::writeDictionaryFile(folder / "hooks.plist", filterFor(Array{kBundle})).ok());
    fs::copy_file(HV_RUNTIME_HOOK_LIBRARY, folder / "hooks.so");
    foundation::clearLoggedLines();
    loaded_ = new std::vector<fs::path>(runtime::loadInjectedLibraries(kBundle));
    linesAtLoad_ = new std::vector<std::string>(foundation::loggedLines());
    loadedFrom_ = new fs::path(folder);
  }

  static std::vector<fs::path>* loaded_;
  static std::vector<std::string>* linesAtLoad_;
  static fs::path* loadedFrom_;
};
std::vector<fs::path>* InjectedHooksTest::loaded_ = nullptr;
std::vector<std::string>* InjectedHooksTest::linesAtLoad_ = nullptr;
fs::path* InjectedHooksTest::loadedFrom_ = nullptr;

TEST_F(InjectedHooksTest, ReplacementsCallTheOriginalAsTheHookTableSays) {
  ASSERT_EQ(*loaded_, std::vector<fs::path>{*loadedFrom_ / "hooks.so"});
  struct Case {
    const char* selector;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"first:", {"original first: 7", "hook first: 7"}},
      {"last:", {"hook last: 7", "original last: 7"}},
      {"twice:", {"original twice: 7", "hook twice: 7", "original twice: 7"}},
      {"never:", {"hook never: 7"}},
  };
  for (const Case& c : cases) {
    HostPlayer player;
    runtime::send<void>(player, c.selector, 7);
    EXPECT_EQ(player.calls, c.calls) << c.selector;
  }
  HostPlayer player;
  EXPECT_EQ(runtime::send<std::string>(player, "value:", 7), "value 7");
  EXPECT_EQ(player.calls, std::vector<std::string>{"original value: 7"});
}

TEST_F(InjectedHooksTest, AMissingHostClassLogsOneLinePerReplacement) {
  EXPECT_EQ(*linesAtLoad_,
            (std::vector<std::string>{
                "[runtime_hooks: HookLibrary.cc:876] ERROR: logos: nil class AbsentHostClass",
                "[runtime_hooks: HookLibrary.cc:876] ERROR: logos: nil class AbsentHostClass",
            }));
}

// The library scheduled work on the run loop and observed the notification
// centre from its initialiser: the host's own, driven by the host's clock.
TEST_F(InjectedHooksTest, TheLibraryUsesTheHostsRunLoopAndNotificationCentre) {
  probeLog().clear();
  foundation::RunLoop::main().advance(0.4);
  EXPECT_TRUE(probeLog().empty());
  foundation::RunLoop::main().advance(0.1);
  foundation::NotificationCenter::defaultCenter().post("HostPing", Value("hello"));
  EXPECT_EQ(probeLog(),
            (std::vector<std::string>{"run loop after 0.5 s", "notification HostPing hello"}));
}

}  // namespace
