#pragma once
// The process-wide notification centre: named notifications delivered
// synchronously, on post, to every observer registered for the name (or for
// all names). Observers may add or remove observers while being notified;
// an observer removed during a post is not called afterwards.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Value.h"

namespace foundation {

struct Notification {
  std::string name;
  Value object;
  Dictionary userInfo;
};

class NotificationCenter;

// Move-only registration; destroying it removes the observer, so an object
// that observes holds one per registration and cannot be called after death.
// It may outlive its centre (it then does nothing).
class [[nodiscard]] Observation {
 public:
  Observation() = default;
  Observation(Observation&& other) noexcept;
  Observation& operator=(Observation&& other) noexcept;
  Observation(const Observation&) = delete;
  Observation& operator=(const Observation&) = delete;
  ~Observation();
  void reset();
  // Registered with a centre that still exists.
  bool active() const;

 private:
  friend class NotificationCenter;
  struct Registry;
  Observation(std::weak_ptr<Registry> registry, std::uint64_t token)
      : registry_(std::move(registry)), token_(token) {}
  std::weak_ptr<Registry> registry_;
  std::uint64_t token_ = 0;
};

class NotificationCenter {
 public:
  using Handler = std::function<void(const Notification&)>;

  NotificationCenter();
  ~NotificationCenter();
  NotificationCenter(const NotificationCenter&) = delete;
  NotificationCenter& operator=(const NotificationCenter&) = delete;

  static NotificationCenter& defaultCenter();

  // An empty name observes every notification. Any sender is accepted.
  Observation addObserver(std::string name, Handler handler);
  void post(std::string name, Value object = {}, Dictionary userInfo = {});
  void post(const Notification& notification);

  std::size_t observerCount() const;

 private:
  std::shared_ptr<Observation::Registry> registry_;
};

}  // namespace foundation
