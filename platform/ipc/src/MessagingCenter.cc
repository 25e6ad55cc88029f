#include "ipc/MessagingCenter.h"

#include <sdbus-c++/sdbus-c++.h>
#include <systemd/sd-bus.h>

#include <utility>

#include "foundation/Log.h"
#include "ipc/BusNames.h"

namespace ipc {

namespace {

constexpr std::string_view kBusNamePrefix = "org.hoververse.MessagingCenter.";
constexpr std::string_view kObjectPathPrefix = "/org/hoververse/MessagingCenter/";
constexpr const char* kPostMethod = "Post";
constexpr std::size_t kMaxBusNameLength = 255;

void logCenter(int line, const std::string& text) {
  foundation::logError("hoververse", "MessagingCenter.cc", line, "ERROR", foundation::Value(text));
}

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// The library offers no way to clear a call's auto-start flag. Without it the
// bus would try to start a server for a centre nobody serves; a centre is
// never started on demand. The message's handle is a protected member, read
// here through a pointer to member named in a derived class.
struct MessageHandle : sdbus::Message {
  static sd_bus_message* of(const sdbus::Message& message) {
    return static_cast<sd_bus_message*>(message.*(&MessageHandle::msg_));
  }
};

// Checks what a sender is about to send; the server checks again.
std::optional<std::string> userInfoProblem(const foundation::Dictionary& info) {
  std::size_t bytes = 0;
  for (const auto& [key, value] : info) {
    if (!value.isText()) return "the value of " + quoted(key) + " is not text";
    bytes += key.size() + value.text()->size();
  }
  if (bytes > MessagingCenter::kMaxUserInfoBytes) {
    return "the user info holds " + std::to_string(bytes) + " bytes, more than " +
           std::to_string(MessagingCenter::kMaxUserInfoBytes);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> MessagingCenter::busNameForCenter(std::string_view centerName) {
  std::string name = std::string(kBusNamePrefix) + escapeBusNameElement(centerName);
  if (name.size() > kMaxBusNameLength) return std::nullopt;
  return name;
}

std::string MessagingCenter::objectPathForCenter(std::string_view centerName) {
  return std::string(kObjectPathPrefix) + escapeBusNameElement(centerName);
}

std::shared_ptr<MessagingCenter> MessagingCenter::centerNamed(std::string_view name) {
  // One per name for the life of the process, like the platform's.
  static auto* centers = new std::map<std::string, std::shared_ptr<MessagingCenter>, std::less<>>();
  auto it = centers->find(name);
  if (it != centers->end()) return it->second;
  std::shared_ptr<MessagingCenter> center(new MessagingCenter(std::string(name), nullptr, true));
  centers->emplace(std::string(name), center);
  return center;
}

std::shared_ptr<MessagingCenter> MessagingCenter::centerNamed(
    std::string_view name, std::shared_ptr<BusConnection> connection) {
  return std::shared_ptr<MessagingCenter>(
      new MessagingCenter(std::string(name), std::move(connection), false));
}

MessagingCenter::MessagingCenter(std::string name, std::shared_ptr<BusConnection> fixed,
                                 bool useShared)
    : name_(std::move(name)), useShared_(useShared), connection_(std::move(fixed)) {}

MessagingCenter::~MessagingCenter() { stopServer(); }

std::shared_ptr<BusConnection> MessagingCenter::currentConnection() {
  if (useShared_) {
    std::shared_ptr<BusConnection> shared = BusConnection::shared();
    if (shared != connection_) {
      if (object_) logCenter(__LINE__, "centre " + quoted(name_) + " lost its bus; it no longer serves");
      releaseBusObjects();
      connection_ = std::move(shared);
    }
  }
  if (!connection_ || !connection_->isOpen()) return nullptr;
  return connection_;
}

void MessagingCenter::releaseBusObjects() {
  object_.reset();
  proxy_.reset();
}

foundation::Status MessagingCenter::runServerOnCurrentThread() {
  if (object_) return foundation::Status::success();
  const std::optional<std::string> busName = busNameForCenter(name_);
  if (!busName) {
    return foundation::Status::failure("centre name " + quoted(name_) + " is too long for a bus name");
  }
  std::shared_ptr<BusConnection> connection = currentConnection();
  if (!connection) {
    return foundation::Status::failure("centre " + quoted(name_) + " cannot be served: no bus");
  }
  try {
    auto object = sdbus::createObject(connection->connection(), objectPathForCenter(name_));
    sdbus::Flags flags;
    flags.set(sdbus::Flags::METHOD_NO_REPLY);
    object->registerMethod(std::string(kInterface), kPostMethod, "sa{sv}", "",
                           [this](sdbus::MethodCall call) { receive(call); }, flags);
    object->finishRegistration();
    connection->connection().requestName(*busName);
    object_ = std::move(object);
    return foundation::Status::success();
  } catch (const sdbus::Error& error) {
    return foundation::Status::failure("centre " + quoted(name_) + " cannot take the bus name " +
                                       *busName + ": " + error.getMessage());
  }
}

void MessagingCenter::stopServer() {
  if (!object_) return;
  object_.reset();
  if (connection_ && connection_->isOpen()) {
    try {
      connection_->connection().releaseName(*busNameForCenter(name_));
    } catch (const sdbus::Error&) {
      // The bus forgets the name with the connection anyway.
    }
  }
}

void MessagingCenter::registerForMessageName(std::string name, Handler handler) {
  handlers_.insert_or_assign(std::move(name), std::move(handler));
}

void MessagingCenter::unregisterForMessageName(const std::string& name) { handlers_.erase(name); }

bool MessagingCenter::sendMessageName(std::string_view name, const foundation::Value& userInfo) {
  static const foundation::Dictionary kEmpty;
  const foundation::Dictionary* info = userInfo.isNil() ? &kEmpty : userInfo.dictionary();
  std::optional<std::string> problem;
  if (info == nullptr) {
    problem = "the user info is not a dictionary";
  } else {
    problem = userInfoProblem(*info);
  }
  if (problem) {
    logCenter(__LINE__, "message " + quoted(name) + " to centre " + quoted(name_) +
                            " not sent: " + *problem);
    return false;
  }
  std::shared_ptr<BusConnection> connection = currentConnection();
  const std::optional<std::string> busName = busNameForCenter(name_);
  if (!connection || !busName) return false;
  try {
    if (!proxy_) {
      proxy_ = sdbus::createProxy(connection->connection(), *busName, objectPathForCenter(name_));
    }
    sdbus::MethodCall call = proxy_->createMethodCall(std::string(kInterface), kPostMethod);
    call << std::string(name);
    call.openContainer("{sv}");
    for (const auto& [key, value] : *info) {
      call.openDictEntry("sv");
      call << key;
      call.openVariant("s");
      call << *value.text();
      call.closeVariant();
      call.closeDictEntry();
    }
    call.closeContainer();
    sd_bus_message_set_auto_start(MessageHandle::of(call), 0);
    call.dontExpectReply();
    proxy_->callMethod(call);
    return true;
  } catch (const sdbus::Error& error) {
    // Text that is not UTF-8, or a connection that just closed (the run
    // loop notices that at its next wait).
    logCenter(__LINE__, "message " + quoted(name) + " to centre " + quoted(name_) +
                            " not sent: " + error.getMessage());
    return false;
  }
}

void MessagingCenter::receive(sdbus::MethodCall& call) {
  std::string sender;
  std::string name;
  foundation::Dictionary info;
  std::optional<std::string> problem;
  try {
    sender = call.getSender();
    call >> name;
    std::size_t bytes = 0;
    call.enterContainer("{sv}");
    while (call.enterDictEntry("sv")) {
      std::string key;
      call >> key;
      std::string type;
      std::string contents;
      call.peekType(type, contents);
      if (contents != "s") {
        problem = "the value of " + quoted(key) + " is not text (D-Bus type " + contents + ")";
        break;
      }
      std::string value;
      call.enterVariant("s");
      call >> value;
      call.exitVariant();
      call.exitDictEntry();
      bytes += key.size() + value.size();
      if (bytes > kMaxUserInfoBytes) {
        problem = "the user info holds more than " + std::to_string(kMaxUserInfoBytes) + " bytes";
        break;
      }
      info.insert_or_assign(std::move(key), foundation::Value(std::move(value)));
    }
  } catch (const sdbus::Error& error) {
    problem = "it cannot be read: " + error.getMessage();
  }
  try {
    // Only a caller that asked for a reply (a debugging tool) gets one.
    if (!call.doesntExpectReply()) call.createReply().send();
  } catch (const sdbus::Error&) {
    // The caller left; nothing to tell it.
  }
  const std::string what = "message " + quoted(name) + " from " + sender + " to centre " + quoted(name_);
  if (problem) {
    logCenter(__LINE__, what + " dropped: " + *problem);
    return;
  }
  auto it = handlers_.find(name);
  if (it == handlers_.end()) {
    logCenter(__LINE__, what + " dropped: no handler is registered for that name");
    return;
  }
  Handler handler = it->second;  // the handler may unregister itself
  try {
    handler(name, info);
  } catch (const std::exception& error) {
    logCenter(__LINE__, what + ": its handler threw: " + error.what());
  } catch (...) {
    logCenter(__LINE__, what + ": its handler threw");
  }
}

}  // namespace ipc
