#include "foundation/NotificationCenter.h"

#include <algorithm>

#include "foundation/Once.h"

namespace foundation {

// Observers in registration order. Entries are shared so that a post can keep
// calling from its snapshot while handlers add or remove observers; a removed
// entry is marked so the snapshot skips it.
struct Observation::Registry {
  struct Entry {
    std::uint64_t token;
    std::string name;
    NotificationCenter::Handler handler;
    bool removed = false;
  };
  std::vector<std::shared_ptr<Entry>> entries;
  std::uint64_t nextToken = 1;

  void remove(std::uint64_t token) {
    auto it = std::find_if(entries.begin(), entries.end(),
                           [token](const auto& e) { return e->token == token; });
    if (it == entries.end()) return;
    (*it)->removed = true;
    entries.erase(it);
  }
};

Observation::Observation(Observation&& other) noexcept
    : registry_(std::move(other.registry_)), token_(other.token_) {
  other.registry_.reset();
  other.token_ = 0;
}

Observation& Observation::operator=(Observation&& other) noexcept {
  if (this != &other) {
    reset();
    registry_ = std::move(other.registry_);
    token_ = other.token_;
    other.registry_.reset();
    other.token_ = 0;
  }
  return *this;
}

Observation::~Observation() { reset(); }

void Observation::reset() {
  if (auto registry = registry_.lock()) registry->remove(token_);
  registry_.reset();
  token_ = 0;
}

bool Observation::active() const {
  auto registry = registry_.lock();
  if (!registry) return false;
  return std::any_of(registry->entries.begin(), registry->entries.end(),
                     [this](const auto& e) { return e->token == token_; });
}

NotificationCenter::NotificationCenter() : registry_(std::make_shared<Observation::Registry>()) {}

NotificationCenter::~NotificationCenter() = default;

NotificationCenter& NotificationCenter::defaultCenter() {
  return onceInstance<NotificationCenter>();
}

Observation NotificationCenter::addObserver(std::string name, Handler handler) {
  auto entry = std::make_shared<Observation::Registry::Entry>();
  entry->token = registry_->nextToken++;
  entry->name = std::move(name);
  entry->handler = std::move(handler);
  registry_->entries.push_back(entry);
  return Observation(registry_, entry->token);
}

void NotificationCenter::post(std::string name, Value object, Dictionary userInfo) {
  post(Notification{std::move(name), std::move(object), std::move(userInfo)});
}

void NotificationCenter::post(const Notification& notification) {
  // Observers added during the post are not called for it; observers removed
  // during it are skipped. The registry is held so a handler that destroys
  // the centre itself does not pull the entries away mid-post.
  auto registry = registry_;
  std::vector<std::shared_ptr<Observation::Registry::Entry>> snapshot;
  for (const auto& entry : registry->entries) {
    if (entry->name.empty() || entry->name == notification.name) snapshot.push_back(entry);
  }
  for (const auto& entry : snapshot) {
    if (entry->removed || !entry->handler) continue;
    entry->handler(notification);
  }
}

std::size_t NotificationCenter::observerCount() const { return registry_->entries.size(); }

}  // namespace foundation
