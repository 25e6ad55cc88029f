#include "hostcommon/DeviceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <utility>

namespace hostcommon {

namespace {

constexpr int kHeldProbes = 5;
constexpr std::chrono::milliseconds kHeldProbeInterval{10};

}  // namespace

DeviceLock::DeviceLock(DeviceLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

DeviceLock& DeviceLock::operator=(DeviceLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

DeviceLock::~DeviceLock() {
  if (fd_ >= 0) ::close(fd_);
}

DeviceLock::Outcome DeviceLock::acquire(const DeviceLayout& layout, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(layout.runDirectory(), ec);
  if (ec) {
    error = "cannot create " + layout.runDirectory().string() + ": " + ec.message();
    return Outcome::failed;
  }
  path_ = layout.lockFile().string();
  // A holder that is stopping unlinks the file before releasing it; a lock
  // taken on such an unlinked file is worthless, so check the path still
  // names what was locked, and try again if not.
  for (int attempt = 0; attempt < 10; ++attempt) {
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
      error = "cannot open " + path_ + ": " + std::strerror(errno);
      return Outcome::failed;
    }
    int why = 0;
    // isHeld() takes a shared lock for an instant; only a lock that stays
    // taken means a device runs.
    for (int probe = 0; probe < kHeldProbes; ++probe) {
      why = ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
      if (why != EWOULDBLOCK) break;
      std::this_thread::sleep_for(kHeldProbeInterval);
    }
    if (why != 0) {
      ::close(fd);
      if (why == EWOULDBLOCK) return Outcome::held;
      error = "cannot lock " + path_ + ": " + std::strerror(why);
      return Outcome::failed;
    }
    struct stat opened {};
    struct stat named {};
    if (::fstat(fd, &opened) == 0 && ::stat(path_.c_str(), &named) == 0 &&
        opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
      fd_ = fd;
      return Outcome::acquired;
    }
    ::close(fd);
  }
  error = path_ + " keeps being replaced";
  return Outcome::failed;
}

void DeviceLock::recordOwner(pid_t pid) {
  if (fd_ < 0) return;
  const std::string text = std::to_string(pid) + "\n";
  if (::ftruncate(fd_, 0) != 0) return;
  [[maybe_unused]] const ssize_t written = ::pwrite(fd_, text.data(), text.size(), 0);
}

void DeviceLock::removeAndRelease() {
  if (fd_ < 0) return;
  ::unlink(path_.c_str());
  ::close(std::exchange(fd_, -1));
}

bool DeviceLock::isHeld(const DeviceLayout& layout) {
  const int fd = ::open(layout.lockFile().c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);  // also drops the shared lock if it was taken
  return held;
}

pid_t DeviceLock::recordedOwner(const DeviceLayout& layout) {
  std::ifstream in(layout.lockFile());
  long pid = 0;
  if (!(in >> pid) || pid <= 0) return 0;
  return static_cast<pid_t>(pid);
}

}  // namespace hostcommon
