#include "DescriptorWait.h"

#include <pthread.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

namespace foundation {

namespace {

// How long a descriptor closed behind the loop's back may go unseen when
// nothing wakes the set.
constexpr double kLookInterval = 1.0;

static_assert(POLLIN == EPOLLIN && POLLPRI == EPOLLPRI && POLLOUT == EPOLLOUT && POLLERR == EPOLLERR &&
                  POLLHUP == EPOLLHUP && POLLRDHUP == EPOLLRDHUP,
              "poll(2) and epoll share their event bits");

int pollNow(std::span<pollfd> entries) { return ::poll(entries.data(), entries.size(), 0); }

// A forked child shares its parent's epoll set: registering there would
// change what the parent's loop wakes for. Counting forks lets a loop that
// runs on in a child start a set of its own.
std::atomic<unsigned> forks{0};

unsigned forksSoFar() {
  // A magic static rather than std::call_once, which sets thread-locals on
  // every call, even once done.
  static const bool counting = [] {
    ::pthread_atfork(nullptr, nullptr, [] { forks.fetch_add(1, std::memory_order_relaxed); });
    return true;
  }();
  (void)counting;
  return forks.load(std::memory_order_relaxed);
}

}  // namespace

DescriptorWait::~DescriptorWait() { drop(); }

void DescriptorWait::drop() {
  if (epoll_ >= 0) ::close(epoll_);  // in a child, closes only the child's reference
  epoll_ = -1;
  registered_.clear();
}

int DescriptorWait::wait(std::span<pollfd> entries, int timeoutMs, double now) {
  if (const unsigned forked = forksSoFar(); forked != forks_) {
    forks_ = forked;
    stale_ = true;
  }
  if (stale_) {
    drop();
    stale_ = false;
    pollOnly_ = false;
    lookedAt_ = now - kLookInterval;  // look at every entry first
  }
  if (entries.empty() || pollOnly_) return ::poll(entries.data(), entries.size(), timeoutMs);
  if (timeoutMs == 0 || !(now - lookedAt_ < kLookInterval)) {
    lookedAt_ = now;
    const int ready = pollNow(entries);
    if (ready != 0 || timeoutMs == 0) return ready;
  }
  if (!sync(entries)) return ::poll(entries.data(), entries.size(), timeoutMs);
  epoll_event event;  // whether anything is ready is all the sleep has to tell
  const int woke = ::epoll_wait(epoll_, &event, 1, timeoutMs);
  if (woke <= 0) {
    for (pollfd& entry : entries) entry.revents = 0;
    return woke;
  }
  lookedAt_ = now;
  const int ready = pollNow(entries);
  // Ready in the set but not to poll(2): a registration outlived its
  // descriptor's number (closed, the number reused). Start the set afresh
  // rather than wake at once for ever.
  if (ready == 0) forget();
  return ready;
}

// Brings the set's registrations in line with the entries: one per
// descriptor, for the union of the events its entries ask.
bool DescriptorWait::sync(std::span<const pollfd> entries) {
  wanted_.clear();
  for (const pollfd& entry : entries) {
    if (entry.fd < 0) continue;  // poll(2) ignores these too
    const unsigned events = static_cast<unsigned short>(entry.events);
    auto same =
        std::find_if(wanted_.begin(), wanted_.end(), [&](const Registered& r) { return r.fd == entry.fd; });
    if (same == wanted_.end()) {
      wanted_.push_back({entry.fd, events});
    } else {
      same->events |= events;
    }
  }
  if (epoll_ < 0) {
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    if (epoll_ < 0) return false;  // out of descriptors: poll this time, try again next
  }
  for (const Registered& old : registered_) {
    const bool kept =
        std::any_of(wanted_.begin(), wanted_.end(), [&](const Registered& r) { return r.fd == old.fd; });
    if (!kept) ::epoll_ctl(epoll_, EPOLL_CTL_DEL, old.fd, nullptr);  // may be closed already: no matter
  }
  for (const Registered& want : wanted_) {
    auto had = std::find_if(registered_.begin(), registered_.end(),
                            [&](const Registered& r) { return r.fd == want.fd; });
    if (had != registered_.end() && had->events == want.events) continue;
    epoll_event event{};
    event.events = want.events;
    event.data.fd = want.fd;
    if (::epoll_ctl(epoll_, had == registered_.end() ? EPOLL_CTL_ADD : EPOLL_CTL_MOD, want.fd, &event) != 0) {
      // EPERM: a descriptor epoll cannot watch (a regular file). Otherwise
      // closed or gone: poll(2) reports it, and the set starts afresh.
      if (errno == EPERM) pollOnly_ = true;
      drop();
      return false;
    }
  }
  registered_.swap(wanted_);
  return true;
}

}  // namespace foundation
