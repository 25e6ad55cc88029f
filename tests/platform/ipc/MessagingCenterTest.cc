#include <gtest/gtest.h>
#include <sdbus-c++/sdbus-c++.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "PrivateBus.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "ipc/BusConnection.h"
#include "ipc/MessagingCenter.h"

namespace {

using foundation::Dictionary;
using foundation::Value;
using ipc::BusConnection;
using ipc::MessagingCenter;

constexpr const char* kCenter = "kXPCCenterNameKey_11292";

struct Received {
  std::string name;
  Dictionary userInfo;
  bool onTestThread;
  bool operator==(const Received&) const = default;
};

bool logged(const std::string& fragment) {
  for (const std::string& line : foundation::loggedLines()) {
    if (line.find(fragment) != std::string::npos) return true;
  }
  return false;
}

// A server centre and a sender centre on two connections to a private bus,
// both serviced by one real-clock loop.
class MessagingCenterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bus_.ok());
    serverBus_ = BusConnection::connect(bus_.address(), loop_);
    senderBus_ = BusConnection::connect(bus_.address(), loop_);
    ASSERT_TRUE(serverBus_ && senderBus_);
    server_ = MessagingCenter::centerNamed(kCenter, serverBus_);
    sender_ = MessagingCenter::centerNamed(kCenter, senderBus_);
    foundation::clearLoggedLines();
  }

  void serve(const std::string& name) {
    server_->registerForMessageName(name, [this](const std::string& n, const Dictionary& info) {
      received_.push_back({n, info, std::this_thread::get_id() == testThread_});
    });
  }

  bool waitForMessages(std::size_t count) {
    return testsupport::runUntil(loop_, [&] { return received_.size() >= count; });
  }

  testsupport::PrivateBus bus_;
  foundation::RunLoop loop_{std::make_shared<foundation::MonotonicClock>()};
  std::shared_ptr<BusConnection> serverBus_;
  std::shared_ptr<BusConnection> senderBus_;
  std::shared_ptr<MessagingCenter> server_;
  std::shared_ptr<MessagingCenter> sender_;
  std::vector<Received> received_;
  std::thread::id testThread_ = std::this_thread::get_id();
};

TEST_F(MessagingCenterTest, TextMessagesReachTheirHandlersOnTheServersLoopInOrder) {
  ASSERT_TRUE(server_->runServerOnCurrentThread().ok());
  serve("hoververseNoti");
  serve("songArtImageNoti");
  const Dictionary lyric{{"lyric", Value("{\n    title = \"\\U665a\\U98ce\";\n}")},
                         {"bundleId", Value("com.netease.cloudmusic")}};
  const Dictionary image{{"image", Value(std::string(300000, 'A'))}};
  EXPECT_TRUE(sender_->sendMessageName("hoververseNoti", Value(lyric)));
  EXPECT_TRUE(sender_->sendMessageName("songArtImageNoti", Value(image)));
  EXPECT_TRUE(sender_->sendMessageName("hoververseNoti", Value()));  // nil: an empty user info
  ASSERT_TRUE(waitForMessages(3));
  EXPECT_EQ(received_, (std::vector<Received>{{"hoververseNoti", lyric, true},
                                              {"songArtImageNoti", image, true},
                                              {"hoververseNoti", {}, true}}));
  EXPECT_TRUE(foundation::loggedLines().empty());
}

TEST_F(MessagingCenterTest, ACentreWithAnyNameCanBeServedAndReached) {
  const std::string odd = "centre/with spaces.\xe6\xad\x8c_2e";
  auto server = MessagingCenter::centerNamed(odd, serverBus_);
  auto sender = MessagingCenter::centerNamed(odd, senderBus_);
  ASSERT_TRUE(server->runServerOnCurrentThread().ok());
  int count = 0;
  server->registerForMessageName("ping", [&](const std::string&, const Dictionary&) { ++count; });
  // The centre of the plain name is a different one and gets nothing.
  ASSERT_TRUE(server_->runServerOnCurrentThread().ok());
  serve("ping");
  EXPECT_TRUE(sender->sendMessageName("ping", Value(Dictionary{})));
  ASSERT_TRUE(testsupport::runUntil(loop_, [&] { return count == 1; }));
  loop_.runFor(0.02);
  EXPECT_TRUE(received_.empty());
}

TEST_F(MessagingCenterTest, HostileMessagesAreDroppedWithALogLineAndTheServerCarriesOn) {
  ASSERT_TRUE(server_->runServerOnCurrentThread().ok());
  serve("hoververseNoti");
  // A raw sender that ignores the sending side's checks.
  auto raw = sdbus::createProxy(senderBus_->connection(), *MessagingCenter::busNameForCenter(kCenter),
                                MessagingCenter::objectPathForCenter(kCenter));
  auto post = [&](const std::string& name, const std::map<std::string, sdbus::Variant>& info) {
    auto call = raw->createMethodCall(std::string(MessagingCenter::kInterface), "Post");
    call << name << info;
    call.dontExpectReply();
    raw->callMethod(call);
  };
  const std::string big(MessagingCenter::kMaxUserInfoBytes - 5, 'x');
  const struct {
    std::string name;
    std::map<std::string, sdbus::Variant> info;
    std::string logFragment;
  } cases[] = {
      {"hoververseNoti", {{"lyric", sdbus::Variant(int32_t{269})}}, "the value of \"lyric\" is not text (D-Bus type i)"},
      {"hoververseNoti", {{"lyric", sdbus::Variant(std::string("a"))}, {"x", sdbus::Variant(true)}}, "the value of \"x\" is not text"},
      {"hoververseNoti", {{"lyric", sdbus::Variant(big)}, {"more", sdbus::Variant(std::string("1"))}}, "more than 4194304 bytes"},
      {"unknownNoti", {{"lyric", sdbus::Variant(std::string("a"))}}, "\"unknownNoti\" from :"},
  };
  for (const auto& c : cases) {
    foundation::clearLoggedLines();
    post(c.name, c.info);
    EXPECT_TRUE(testsupport::runUntil(loop_, [&] { return logged(c.logFragment); }))
        << c.logFragment;
    EXPECT_TRUE(logged("dropped")) << c.logFragment;
  }
  // Exactly at the limit (keys and texts together) is still delivered.
  const std::string fits(MessagingCenter::kMaxUserInfoBytes - std::string("lyricbundleIdcom").size(), 'x');
  post("hoververseNoti", {{"lyric", sdbus::Variant(fits)}, {"bundleId", sdbus::Variant(std::string("com"))}});
  ASSERT_TRUE(waitForMessages(1));
  EXPECT_EQ(received_.size(), 1u);
  EXPECT_EQ(received_[0].userInfo.at("bundleId"), Value("com"));
}

TEST_F(MessagingCenterTest, TheSenderRefusesWhatTheServerWouldDrop) {
  const std::string big(MessagingCenter::kMaxUserInfoBytes, 'x');
  const struct {
    Value userInfo;
    std::string logFragment;
  } cases[] = {
      {Value(Dictionary{{"lyric", Value(269)}}), "the value of \"lyric\" is not text"},
      {Value(Dictionary{{"a", Value(Dictionary{})}}), "the value of \"a\" is not text"},
      {Value("text"), "the user info is not a dictionary"},
      {Value(Dictionary{{"k", Value(big)}}), "more than 4194304"},
      {Value(Dictionary{{"k", Value(std::string("\xff\xfe"))}}), "not sent"},  // not UTF-8
  };
  for (const auto& c : cases) {
    foundation::clearLoggedLines();
    EXPECT_FALSE(sender_->sendMessageName("hoververseNoti", c.userInfo)) << c.logFragment;
    EXPECT_TRUE(logged(c.logFragment)) << c.logFragment;
  }
}

TEST_F(MessagingCenterTest, SendsAreFireAndForgetWithoutStartingAServer) {
  // A stand-in server on the centre's name records how calls arrive.
  std::vector<std::pair<bool, std::string>> seen;  // (expects no reply, name)
  auto object = sdbus::createObject(serverBus_->connection(), MessagingCenter::objectPathForCenter(kCenter));
  object->registerMethod(std::string(MessagingCenter::kInterface), "Post", "sa{sv}", "",
                         [&](sdbus::MethodCall call) {
                           std::string name;
                           call >> name;
                           seen.emplace_back(call.doesntExpectReply(), name);
                         });
  object->finishRegistration();
  // Nobody serves the centre yet: the message is lost, nothing waits.
  EXPECT_TRUE(sender_->sendMessageName("early", Value()));
  loop_.runFor(0.02);
  serverBus_->connection().requestName(*MessagingCenter::busNameForCenter(kCenter));
  EXPECT_TRUE(sender_->sendMessageName("late", Value()));
  ASSERT_TRUE(testsupport::runUntil(loop_, [&] { return !seen.empty(); }));
  EXPECT_EQ(seen, (std::vector<std::pair<bool, std::string>>{{true, "late"}}));
}

TEST_F(MessagingCenterTest, OneServerPerCentreAndTheNameIsFreedWhenItStops) {
  ASSERT_TRUE(server_->runServerOnCurrentThread().ok());
  auto rival = MessagingCenter::centerNamed(kCenter, senderBus_);
  const foundation::Status second = rival->runServerOnCurrentThread();
  EXPECT_FALSE(second.ok());
  EXPECT_NE(second.message().find("cannot take the bus name"), std::string::npos) << second.message();
  server_->stopServer();
  EXPECT_TRUE(rival->runServerOnCurrentThread().ok());
  int count = 0;
  rival->registerForMessageName("n", [&](const std::string&, const Dictionary&) { ++count; });
  EXPECT_TRUE(server_->sendMessageName("n", Value()));
  EXPECT_TRUE(testsupport::runUntil(loop_, [&] { return count == 1; }));
}

TEST(MessagingCenterWithoutBusTest, CentresWithoutABusDoNothing) {
  foundation::clearLoggedLines();
  foundation::RunLoop loop(std::make_shared<foundation::MonotonicClock>());
  EXPECT_EQ(BusConnection::connect("unix:path=/nonexistent/hoververse-bus", loop), nullptr);
  EXPECT_TRUE(logged("cannot reach the bus at unix:path=/nonexistent/hoververse-bus"));

  auto detached = MessagingCenter::centerNamed(kCenter, nullptr);
  EXPECT_FALSE(detached->sendMessageName("hoververseNoti", Value(Dictionary{{"lyric", Value("a")}})));
  EXPECT_FALSE(detached->runServerOnCurrentThread().ok());

  // The process's centre, with the device's bus missing or unnamed.
  for (const char* address : {"unix:path=/nonexistent/hoververse-bus", static_cast<const char*>(nullptr)}) {
    if (address != nullptr) {
      ::setenv("DBUS_SESSION_BUS_ADDRESS", address, 1);
    } else {
      ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    auto center = MessagingCenter::centerNamed("absent centre");
    EXPECT_EQ(center, MessagingCenter::centerNamed("absent centre"));
    EXPECT_FALSE(center->sendMessageName("hoververseNoti", Value(Dictionary{{"lyric", Value("a")}})));
  }
}

TEST(BusConnectionTest, AConnectionWhoseBusDiesClosesOnceAndStopsWatching) {
  foundation::RunLoop loop(std::make_shared<foundation::MonotonicClock>());
  std::shared_ptr<BusConnection> connection;
  {
    testsupport::PrivateBus bus;
    ASSERT_TRUE(bus.ok());
    connection = BusConnection::connect(bus.address(), loop);
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->uniqueName().rfind(":1.", 0), 0u);
    foundation::clearLoggedLines();
  }  // the daemon is killed here
  EXPECT_TRUE(testsupport::runUntil(loop, [&] { return !connection->isOpen(); }));
  EXPECT_TRUE(logged("bus connection closed"));
  EXPECT_EQ(connection->uniqueName(), "");
  auto center = MessagingCenter::centerNamed(kCenter, connection);
  EXPECT_FALSE(center->sendMessageName("n", Value()));
  loop.run();  // nothing is watched any more: returns at once
}

}  // namespace
