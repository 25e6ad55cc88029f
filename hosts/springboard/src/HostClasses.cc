#include "HostClasses.h"

#include <cstdint>
#include <memory>
#include <utility>

#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Value.h"
#include "runtime/Class.h"
#include "runtime/Message.h"

namespace springboard {

namespace {

using runtime::Object;

struct Instances {
  std::unique_ptr<Object> application;
  std::unique_ptr<Object> wallpaper;
  std::unique_ptr<Object> media;
  std::unique_ptr<Object> lockScreen;
  std::unique_ptr<Object> idleTimer;
  HostActions actions;
};

Instances& instances() {
  static Instances* i = new Instances();  // for the life of the process
  return *i;
}

runtime::Class& hostClass(const char* name) { return runtime::registerClass(name); }

// The class method `sharedInstance` answering with `instance`.
void addSharedInstance(runtime::Class& cls, Object* instance) {
  runtime::addMethod<Object*>(&cls.metaclass(), "sharedInstance", [instance](Object&) { return instance; });
}

}  // namespace

DescribedObject::DescribedObject(const char* className, std::string description)
    : runtime::Object(runtime::registerClass(className)), description_(std::move(description)) {}

void registerHostClasses(HostActions actions) {
  Instances& in = instances();
  in.actions = std::move(actions);

  runtime::Class& springBoard = hostClass("SpringBoard");
  runtime::addMethod<void, Object*>(&springBoard, "applicationDidFinishLaunching:", [](Object&, Object* const&) {});
  runtime::addMethod<void, Object*>(&springBoard, "_handlePhysicalButtonEvent:", [](Object&, Object* const&) {});
  in.application = std::make_unique<Object>(springBoard);

  runtime::Class& wallpaper = hostClass("SBWallpaperController");
  runtime::addMethod<void, std::int64_t, double, std::int64_t>(
      &wallpaper, "activeInterfaceOrientationDidChangeToOrientation:willAnimateWithDuration:fromOrientation:",
      [](Object&, const std::int64_t&, const double&, const std::int64_t&) {});
  in.wallpaper = std::make_unique<Object>(wallpaper);
  addSharedInstance(wallpaper, in.wallpaper.get());

  runtime::Class& media = hostClass("SBMediaController");
  runtime::addMethod<void, Object*>(&media, "_mediaRemoteNowPlayingApplicationIsPlayingDidChange:",
                                    [](Object&, Object* const&) {});
  runtime::addMethod<void, Object*>(&media, "_mediaRemoteNowPlayingInfoDidChange:", [](Object&, Object* const&) {});
  runtime::addMethod<bool, std::int64_t, std::int64_t>(
      &media, "changeTrack:eventSource:", [](Object&, const std::int64_t& step, const std::int64_t&) {
        return instances().actions.changeTrack && instances().actions.changeTrack(step);
      });
  in.media = std::make_unique<Object>(media);
  addSharedInstance(media, in.media.get());

  runtime::Class& lockScreen = hostClass("SBLockScreenManager");
  runtime::addMethod<void, std::int64_t, Object*>(&lockScreen, "lockUIFromSource:withOptions:",
                                                  [](Object&, const std::int64_t&, Object* const&) {
                                                    if (instances().actions.didLock) instances().actions.didLock();
                                                  });
  runtime::addMethod<void>(&lockScreen, "_wakeScreenForTapToWake", [](Object&) {
    if (instances().actions.wakeScreen) instances().actions.wakeScreen();
  });
  in.lockScreen = std::make_unique<Object>(lockScreen);
  addSharedInstance(lockScreen, in.lockScreen.get());

  runtime::Class& idle = hostClass("SBIdleTimerGlobalCoordinator");
  runtime::addMethod<void>(&idle, "resetIdleTimer", [](Object&) {
    if (instances().actions.resetIdleTimer) instances().actions.resetIdleTimer();
  });
  in.idleTimer = std::make_unique<Object>(idle);
  addSharedInstance(idle, in.idleTimer.get());

  // The now-playing classes exist in every process, the home screen's too.
  runtime::addMethod<void, foundation::Value>(&hostClass("MPNowPlayingInfoCenter"), "setNowPlayingInfo:",
                                              [](Object&, const foundation::Value&) {});
  runtime::addMethod<Object*, Object*>(&hostClass("MPMediaItemArtwork"), "initWithImage:",
                                       [](Object& self, Object* const&) { return &self; });
}

runtime::Object& application() { return *instances().application; }
runtime::Object& wallpaperController() { return *instances().wallpaper; }
runtime::Object& mediaController() { return *instances().media; }
runtime::Object& lockScreenManager() { return *instances().lockScreen; }

}  // namespace springboard
