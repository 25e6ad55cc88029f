#pragma once
// The lock that says a device runs: run/lock under the device root, held with
// flock by the supervisor for its whole life (the descriptor is close-on-exec,
// so no child keeps a dead supervisor's device "running"). The file holds the
// supervisor's pid as text. A second supervisor, a control command or `stop`
// learn from the lock alone whether a device runs, whatever stale files a
// killed supervisor left behind.

#include <sys/types.h>

#include <string>

#include "hostcommon/DeviceBus.h"

namespace hostcommon {

class DeviceLock {
 public:
  enum class Outcome { acquired, held, failed };

  DeviceLock() = default;
  DeviceLock(DeviceLock&& other) noexcept;
  DeviceLock& operator=(DeviceLock&& other) noexcept;
  DeviceLock(const DeviceLock&) = delete;
  DeviceLock& operator=(const DeviceLock&) = delete;
  ~DeviceLock();  // releases the lock (the file stays)

  // Takes the lock without waiting, creating run/. `error` names the failure.
  Outcome acquire(const DeviceLayout& layout, std::string& error);
  bool isLocked() const { return fd_ >= 0; }
  // The locked descriptor (-1 when not locked), for a daemonising process
  // that closes everything else it inherited.
  int fd() const { return fd_; }
  // Records the supervisor's pid in the file (after daemonising).
  void recordOwner(pid_t pid);
  // Unlinks the file while still holding it, then releases it, so a device
  // starting meanwhile never locks a file that is about to vanish.
  void removeAndRelease();

  // Whether some process holds the lock of the device at `layout` now.
  static bool isHeld(const DeviceLayout& layout);
  // The pid recorded in the lock file; 0 when none.
  static pid_t recordedOwner(const DeviceLayout& layout);

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace hostcommon
