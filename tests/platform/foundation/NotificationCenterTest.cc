#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/NotificationCenter.h"
#include "foundation/Once.h"

namespace {

using foundation::Dictionary;
using foundation::Notification;
using foundation::NotificationCenter;
using foundation::Observation;
using foundation::Value;

TEST(NotificationCenterTest, DeliversByNameInRegistrationOrderWithObjectAndUserInfo) {
  NotificationCenter center;
  std::vector<std::string> calls;
  Observation a = center.addObserver("NOTI_bgColor", [&](const Notification& n) {
    calls.push_back("a:" + n.name + ":" + *n.object.text() + ":" + *n.userInfo.at("k").text());
  });
  Observation all = center.addObserver("", [&](const Notification& n) { calls.push_back("all:" + n.name); });
  Observation other = center.addObserver("NOTI_Lyric_Color", [&](const Notification&) { calls.push_back("other"); });
  center.post("NOTI_bgColor", Value("1"), Dictionary{{"k", Value("v")}});
  center.post("Noti_MediaTrack_Changed");
  EXPECT_EQ(calls, (std::vector<std::string>{"a:NOTI_bgColor:1:v", "all:NOTI_bgColor",
                                             "all:Noti_MediaTrack_Changed"}));
}

TEST(NotificationCenterTest, ObservationOwnsTheRegistration) {
  NotificationCenter center;
  int calls = 0;
  Observation moved;
  {
    Observation first = center.addObserver("n", [&](const Notification&) { ++calls; });
    EXPECT_TRUE(first.active());
    moved = std::move(first);
    EXPECT_FALSE(first.active());
  }
  center.post("n");
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(center.observerCount(), 1u);
  moved.reset();
  center.post("n");
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(center.observerCount(), 0u);
}

TEST(NotificationCenterTest, ObserversRemovedDuringAPostAreNotCalled) {
  NotificationCenter center;
  std::vector<std::string> calls;
  Observation second;
  Observation first = center.addObserver("n", [&](const Notification&) {
    calls.push_back("first");
    second.reset();
  });
  second = center.addObserver("n", [&](const Notification&) { calls.push_back("second"); });
  center.post("n");
  EXPECT_EQ(calls, std::vector<std::string>{"first"});
}

TEST(NotificationCenterTest, AnObserverMayRemoveItselfOrAddOthersWhileCalled) {
  NotificationCenter center;
  std::vector<std::string> calls;
  std::optional<Observation> self;
  std::vector<Observation> added;
  self = center.addObserver("n", [&](const Notification&) {
    std::string captured = "self";  // outlives the handler's own destruction
    self.reset();                   // destroys this very handler's registration
    calls.push_back(captured);
    added.push_back(center.addObserver("n", [&](const Notification&) { calls.push_back("added"); }));
  });
  center.post("n");
  center.post("n");
  EXPECT_EQ(calls, (std::vector<std::string>{"self", "added"}));
}

TEST(NotificationCenterTest, NestedPostsAreDeliveredSynchronously) {
  NotificationCenter center;
  std::vector<std::string> calls;
  Observation outer = center.addObserver("outer", [&](const Notification&) {
    calls.push_back("outer begin");
    center.post("inner");
    calls.push_back("outer end");
  });
  Observation inner = center.addObserver("inner", [&](const Notification&) { calls.push_back("inner"); });
  center.post("outer");
  EXPECT_EQ(calls, (std::vector<std::string>{"outer begin", "inner", "outer end"}));
}

TEST(NotificationCenterTest, ObservationsMayOutliveTheirCentre) {
  Observation observation;
  {
    NotificationCenter center;
    observation = center.addObserver("n", [](const Notification&) {});
    EXPECT_TRUE(observation.active());
  }
  EXPECT_FALSE(observation.active());
  observation.reset();
}

TEST(NotificationCenterTest, DefaultCenterIsOneInstance) {
  EXPECT_EQ(&NotificationCenter::defaultCenter(), &NotificationCenter::defaultCenter());
}

struct Counted {
  Counted() { ++constructed; }
  static inline int constructed = 0;
};

TEST(OnceInstanceTest, CreatesOnceAndReturnsTheSameInstance) {
  Counted& first = foundation::onceInstance<Counted>();
  Counted& second = foundation::onceInstance<Counted>();
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(Counted::constructed, 1);

  int made = 0;
  auto make = [&made] {
    ++made;
    return new std::string("shared");
  };
  for (int k = 0; k < 3; ++k) EXPECT_EQ(foundation::onceInstance<std::string>(make), "shared");
  EXPECT_EQ(made, 1);
}

}  // namespace
