#pragma once
// A named, one-way message channel between processes, after the platform's
// distributed messaging centre. One process serves a centre on its run loop;
// any process sends it a message name and a user-info dictionary of texts,
// fire-and-forget: nothing is replied and nothing waits.
//
// On the bus a centre named N is the object /org/hoververse/MessagingCenter/E
// of the bus name org.hoververse.MessagingCenter.E, where E is N escaped by
// escapeBusNameElement; a message is the no-reply method call Post(s name,
// a{sv} userInfo) on interface org.hoververse.MessagingCenter. The user info
// travels as variants so that the server, not the bus library, sees a
// sender's non-text values and can log them.
//
// Both ends enforce the limits: a user info of more than kMaxUserInfoBytes
// (keys and texts together) or with a value that is not text, and a name no
// handler is registered for, are dropped with a log line. A centre that
// cannot reach a bus or a server does nothing: sending returns at once.

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/Status.h"
#include "foundation/Value.h"
#include "ipc/BusConnection.h"

namespace sdbus {
class IObject;
class IProxy;
class MethodCall;
}  // namespace sdbus

namespace ipc {

class MessagingCenter {
 public:
  using Handler =
      std::function<void(const std::string& name, const foundation::Dictionary& userInfo)>;

  static constexpr std::size_t kMaxUserInfoBytes = std::size_t{4} << 20;
  static constexpr std::string_view kInterface = "org.hoververse.MessagingCenter";

  // The process's centre of that name (one per name), on the process's bus
  // connection (BusConnection::shared), asked for again at each use so that
  // a bus that appears later is found.
  static std::shared_ptr<MessagingCenter> centerNamed(std::string_view name);
  // A centre on a connection of the caller's choice (a null connection gives
  // a centre that does nothing). Not shared by name.
  static std::shared_ptr<MessagingCenter> centerNamed(std::string_view name,
                                                      std::shared_ptr<BusConnection> connection);

  MessagingCenter(const MessagingCenter&) = delete;
  MessagingCenter& operator=(const MessagingCenter&) = delete;
  ~MessagingCenter();

  const std::string& name() const { return name_; }

  // Serves the centre on the connection's run loop (the calling thread's):
  // takes the centre's bus name, so handlers run in that loop's turns. Fails
  // without a bus, when the name is too long for the bus, or when another
  // connection already serves the centre.
  foundation::Status runServerOnCurrentThread();
  void stopServer();
  bool isServing() const { return object_ != nullptr; }

  // Replaces any handler of that name. Messages of names without a handler
  // are dropped.
  void registerForMessageName(std::string name, Handler handler);
  void unregisterForMessageName(const std::string& name);

  // Hands the message to the bus and returns; delivery happens as the run
  // loops of both ends turn. False (with a log line for bad user info) when
  // nothing was sent: a user info that is neither nil nor a dictionary of
  // texts, one over the limit, or no bus. True does not mean a server got it.
  bool sendMessageName(std::string_view name, const foundation::Value& userInfo);

  // "org.hoververse.MessagingCenter." + escaped name; nothing when the result
  // would be longer than a bus name may be.
  static std::optional<std::string> busNameForCenter(std::string_view centerName);
  static std::string objectPathForCenter(std::string_view centerName);

 private:
  MessagingCenter(std::string name, std::shared_ptr<BusConnection> fixed, bool useShared);
  std::shared_ptr<BusConnection> currentConnection();
  void releaseBusObjects();
  void receive(sdbus::MethodCall& call);

  std::string name_;
  bool useShared_;
  // The connection the objects below live on; they go before it does.
  std::shared_ptr<BusConnection> connection_;
  std::unique_ptr<sdbus::IObject> object_;
  std::unique_ptr<sdbus::IProxy> proxy_;
  std::map<std::string, Handler, std::less<>> handlers_;
};

}  // namespace ipc
