#pragma once
// The run loop's sleep on its descriptors. poll(2) makes the kernel visit
// every descriptor on every wait (hook into its wait queue, ask it, unhook),
// which a loop woken a hundred times a second by its own timers pays for
// nothing. Here the loop sleeps in an epoll set kept from one wait to the
// next, so a wake-up costs what is ready; whenever something is, one
// poll(2) with no timeout reads what each entry reports, so callers see
// exactly poll(2)'s results.
//
// What epoll cannot tell: a descriptor closed while registered silently
// leaves the set (or, if its file lives on elsewhere, keeps reporting under
// a number that is closed). Such a descriptor is found by a poll(2) over
// all entries: at the first wait after forget(), whenever the set reports
// anything, and at the first wait once a second has passed since the last
// such look. A descriptor epoll refuses (a regular file) makes the waits
// plain poll(2) calls until forget(). A loop that runs on in a forked child
// makes a set of its own.

#include <poll.h>

#include <span>
#include <vector>

namespace foundation {

class DescriptorWait {
 public:
  DescriptorWait() = default;
  ~DescriptorWait();
  DescriptorWait(const DescriptorWait&) = delete;
  DescriptorWait& operator=(const DescriptorWait&) = delete;

  // The watched sources changed: a number may now stand for another file,
  // so every registration is dropped and made again at the next wait.
  void forget() { stale_ = true; }

  // poll(2) on `entries` with `timeoutMs` (-1: none); `now` is the caller's
  // monotonic time in seconds. Returns the number of entries with revents,
  // 0 on timeout, -1 with errno set.
  int wait(std::span<pollfd> entries, int timeoutMs, double now);

 private:
  struct Registered {
    int fd;
    unsigned events;
  };
  bool sync(std::span<const pollfd> entries);
  void drop();

  int epoll_ = -1;
  bool stale_ = true;
  bool pollOnly_ = false;  // an entry epoll refuses: plain poll(2) until forget()
  double lookedAt_ = 0;    // when a poll(2) last saw every entry
  unsigned forks_ = 0;     // the process's forks when the set was made
  std::vector<Registered> registered_;
  std::vector<Registered> wanted_;
};

}  // namespace foundation
