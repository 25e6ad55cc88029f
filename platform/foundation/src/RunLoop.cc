#include "foundation/RunLoop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "DescriptorWait.h"
#include "foundation/Log.h"

namespace foundation {

namespace {

// NSTimer's floor for repeating intervals, which keeps a zero interval from
// firing forever within one instant.
constexpr double kMinimumRepeatInterval = 0.0001;
// Items due this little past the end of an advance() still fire in it.
constexpr double kAdvanceSlack = 1e-9;
// Work that keeps rescheduling itself with no delay would hold a virtual
// clock at one instant for ever; after this many turns at one instant,
// advance() moves time on to the next due item.
constexpr int kMaxTurnsPerInstant = 100000;

// Due times are map keys: NaN would break the ordering, so it means never.
double sanitizeDue(double due) { return std::isnan(due) ? Date::distantFuture : due; }

double delayedDue(double now, double delay) {
  if (std::isnan(delay) || delay <= 0) return now;
  return now + delay;
}

}  // namespace

// Everything scheduled on a loop, ordered by (due time, scheduling number).
// Callbacks are moved out of the queue, or shared, before they run, so a
// callback may schedule, cancel, reschedule or destroy anything, itself
// included; no iterator is held across a callback.
struct RunLoop::Impl {
  enum class Kind { TimerItem, Perform, Block };
  struct Item {
    Kind kind;
    std::shared_ptr<Timer> timer;
    const void* target = nullptr;
    std::string action;
    Value argument;
    std::function<void()> block;
  };
  using Key = std::pair<double, std::uint64_t>;
  using Callback = std::shared_ptr<std::function<void()>>;

  explicit Impl(Clock& c) : clock(c) {}

  Clock& clock;
  std::map<Key, Item> queue;
  std::uint64_t nextSeq = 1;
  std::uint64_t nextSourceId = 1;
  std::map<std::uint64_t, std::shared_ptr<FileDescriptorSource>> fds;
  DescriptorWait descriptorWait;  // told whenever fds changes
  std::vector<std::pair<std::uint64_t, Callback>> observers;
  bool stopped = false;
  // Set while items fire or descriptors dispatch, cleared as the observers
  // start. A nested run clears it early, which only costs a spare turn.
  bool observersAhead = false;

  // The node of an item that has run, kept empty for the next item queued:
  // a timer rescheduled every turn (a marquee's step) allocates nothing.
  std::map<Key, Item>::node_type spareNode;

  Key enqueue(double due, Item item) {
    Key key{sanitizeDue(due), nextSeq++};
    if (spareNode.empty()) {
      queue.emplace(key, std::move(item));
    } else {
      spareNode.key() = key;
      spareNode.mapped() = std::move(item);
      queue.insert(std::move(spareNode));  // keys are unique: always inserted, the handle left empty
    }
    return key;
  }

  double earliestDue() const {
    return queue.empty() ? Date::distantFuture : queue.begin()->first.first;
  }

  // When the loop must wake at the latest: the earliest due time plus its
  // item's tolerance. Only items due before the best bound so far can
  // lower it, so the scan stops early.
  double latestWake() const {
    double wake = Date::distantFuture;
    for (auto it = queue.begin(); it != queue.end() && it->first.first < wake; ++it) {
      const Item& item = it->second;
      const double slack = item.kind == Kind::TimerItem ? item.timer->tolerance_ : 0;
      wake = std::min(wake, it->first.first + slack);
    }
    return wake;
  }

  double earliestDueAfter(double t) const {
    auto it = queue.upper_bound(Key{t, UINT64_MAX});
    return it == queue.end() ? Date::distantFuture : it->first.first;
  }

  void schedule(Timer& timer) {
    if (timer.queued_) {
      queue.erase(Key{timer.queuedDue_, timer.queuedSeq_});
      timer.queued_ = false;
    }
    if (!timer.valid_) return;
    Item item{Kind::TimerItem, timer.shared_from_this(), nullptr, {}, {}, {}};
    Key key = enqueue(timer.fireDate_, std::move(item));
    timer.queued_ = true;
    timer.queuedDue_ = key.first;
    timer.queuedSeq_ = key.second;
  }

  // The next fire date of a repeating timer that fired at `now`, counted
  // from its anchor, skipping intervals already missed.
  static void advanceRepeat(Timer& timer, double now) {
    if (!std::isfinite(timer.anchor_)) {
      timer.anchor_ = now;  // fired from distant past: every interval from now
      timer.intervalsFromAnchor_ = 0;
    }
    double n = timer.intervalsFromAnchor_ + 1;
    double next = timer.anchor_ + n * timer.interval_;
    if (next <= now) {
      n = std::max(n, std::floor((now - timer.anchor_) / timer.interval_) + 1);
      next = timer.anchor_ + n * timer.interval_;
      while (next <= now) next = timer.anchor_ + ++n * timer.interval_;
    }
    timer.intervalsFromAnchor_ = n;
    timer.fireDate_ = next;
  }

  void fireTimer(const std::shared_ptr<Timer>& timer) {
    timer->queued_ = false;
    const std::uint64_t generation = timer->generation_;
    timer->fire();
    if (!timer->valid_ || !timer->repeats_) return;  // fire() ends one-shot timers
    if (timer->generation_ != generation) return;   // the action set a new date
    advanceRepeat(*timer, clock.now());
    schedule(*timer);
  }

  // One pass: fires, in queue order, the items due by `horizon` that were
  // scheduled before the pass began, then runs the end-of-turn observers.
  void runPass(double horizon) {
    const std::uint64_t passLimit = nextSeq;
    observersAhead = true;
    while (true) {
      auto it = queue.begin();
      while (it != queue.end() && it->first.first <= horizon && it->first.second >= passLimit) ++it;
      if (it == queue.end() || it->first.first > horizon) break;
      std::map<Key, Item>::node_type node = queue.extract(it);
      Item& item = node.mapped();
      switch (item.kind) {
        case Kind::TimerItem:
          fireTimer(item.timer);
          break;
        case Kind::Perform:
        case Kind::Block:
          if (item.block) item.block();
          break;
      }
      if (spareNode.empty()) {
        item = Item{};  // the timer and the block go now, as they did when the item was erased
        spareNode = std::move(node);
      }
    }
    runObservers();
  }

  // The observers' list as a turn began, kept from turn to turn; a nested
  // run finds none kept and makes its own.
  std::vector<std::pair<std::uint64_t, Callback>> keptSnapshot;

  void runObservers() {
    observersAhead = false;
    std::vector<std::pair<std::uint64_t, Callback>> snapshot = std::move(keptSnapshot);
    keptSnapshot = {};
    snapshot.assign(observers.begin(), observers.end());
    for (const auto& [id, callback] : snapshot) {
      const bool live = std::any_of(observers.begin(), observers.end(),
                                    [id = id](const auto& o) { return o.first == id; });
      if (live && *callback) (*callback)();
    }
    snapshot.clear();  // the callbacks' references go now
    keptSnapshot = std::move(snapshot);
  }

  // Asks every descriptor source what it wants, then waits until a source
  // is ready or its timeout passes, `until` passes or the next item falls
  // due, and dispatches the sources that are ready or timed out. Sources are
  // prepared before the wait time is computed: preparing may run work that
  // schedules more.
  struct Prepared {
    std::uint64_t id;
    std::shared_ptr<FileDescriptorSource> source;
    double deadline;
  };
  // A wait's lists, kept from one wait to the next (a loop waits a hundred
  // times a second during a marquee). A wait inside a dispatch (a nested
  // run) finds none kept and makes its own.
  struct WaitLists {
    std::vector<Prepared> prepared;
    std::vector<pollfd> polled;
    std::vector<std::uint64_t> ids;
  };
  WaitLists keptLists;

  void wait(double until) {
    WaitLists lists = std::move(keptLists);
    keptLists = {};
    wait(until, lists);
    lists.prepared.clear();  // the sources' references go now
    keptLists = std::move(lists);
  }

  void wait(double until, WaitLists& lists) {
    std::vector<Prepared>& prepared = lists.prepared;
    std::vector<pollfd>& polled = lists.polled;
    std::vector<std::uint64_t>& ids = lists.ids;
    prepared.clear();
    polled.clear();
    ids.clear();
    for (const auto& entry : fds) ids.push_back(entry.first);
    for (std::uint64_t id : ids) {
      auto it = fds.find(id);
      if (it == fds.end()) continue;  // removed by an earlier prepare
      std::shared_ptr<FileDescriptorSource> source = it->second;
      PollRequest request;
      if (source->prepare) request = source->prepare();
      if (!fds.contains(id)) continue;  // its prepare removed it
      double deadline = Date::distantFuture;
      if (request.timeout < Date::distantFuture) {  // false for NaN
        deadline = clock.now() + std::max(request.timeout, 0.0);
      }
      prepared.push_back({id, source, deadline});
      polled.push_back(pollfd{source->fd, request.events, 0});
    }
    double due = std::min(until, latestWake());
    bool timed = false;  // whether any source may time out
    for (const Prepared& p : prepared) {
      due = std::min(due, p.deadline);
      timed = timed || p.deadline != Date::distantFuture;
    }
    const double before = clock.now();
    const int timeoutMs = stopped ? 0 : timeoutUntil(due, before);
    if (polled.empty()) {
      if (timeoutMs > 0) ::poll(nullptr, 0, timeoutMs);
      return;
    }
    if (descriptorWait.wait(polled, timeoutMs, before) < 0) return;  // EINTR: the caller loops
    const double after = timed ? clock.now() : before;
    observersAhead = true;  // every wait is followed by a pass
    for (std::size_t k = 0; k < polled.size(); ++k) {
      const short revents = polled[k].revents;
      const Prepared& p = prepared[k];
      auto it = fds.find(p.id);
      if (it == fds.end() || it->second != p.source) continue;  // removed meanwhile
      if ((revents & POLLNVAL) != 0) {
        fds.erase(it);
        descriptorWait.forget();
        logError("hoververse", "RunLoop.cc", __LINE__, "ERROR",
                 Value("file descriptor " + std::to_string(p.source->fd) +
                       " was closed while the run loop watched it; its source is removed"));
      } else if (revents == 0 && p.deadline > after) {
        continue;
      }
      if (p.source->dispatch) p.source->dispatch(revents);
    }
  }

  // Milliseconds until `due`, rounded up so that a wake-up is never early.
  int timeoutUntil(double due, double now) const {
    if (due == Date::distantFuture) return -1;
    const double wait = due - now;
    if (wait <= 0) return 0;
    return static_cast<int>(std::min(std::ceil(wait * 1000.0), 86400000.0));
  }
};

// ---- Timer ----------------------------------------------------------------

Timer::Timer(RunLoop* loop, double interval, bool repeats, std::function<void(Timer&)> action)
    : loop_(loop),
      loopAlive_(loop->impl_),
      interval_(repeats && !(interval > 0) ? kMinimumRepeatInterval : interval),
      repeats_(repeats),
      fireDate_(0),
      action_(std::move(action)) {
  const double now = loop->now();
  anchor_ = now;
  intervalsFromAnchor_ = 1;
  fireDate_ = delayedDue(now, interval_);
}

void Timer::setFireDate(double date) {
  fireDate_ = sanitizeDue(date);
  anchor_ = fireDate_;
  intervalsFromAnchor_ = 0;
  ++generation_;
  if (!valid_) return;
  if (loopAlive_.lock()) loop_->timerChanged(this);
}

void Timer::setTolerance(double seconds) { tolerance_ = seconds > 0 ? seconds : 0; }

void Timer::invalidate() {
  if (!valid_) return;
  auto self = weak_from_this().lock();  // the loop may hold the last reference
  valid_ = false;
  if (loopAlive_.lock()) loop_->timerChanged(this);
  if (firing_ == 0) action_ = nullptr;  // a running action is released after it returns
}

void Timer::fire() {
  if (!valid_ || !action_) return;
  auto self = weak_from_this().lock();
  ++firing_;
  action_(*this);
  --firing_;
  if (!repeats_ && valid_) {
    invalidate();
  } else if (!valid_ && firing_ == 0) {
    action_ = nullptr;
  }
}

// ---- SourceHandle -----------------------------------------------------------

SourceHandle::SourceHandle(SourceHandle&& other) noexcept
    : loop_(other.loop_), loopAlive_(std::move(other.loopAlive_)), id_(other.id_) {
  other.loop_ = nullptr;
  other.id_ = 0;
}

SourceHandle& SourceHandle::operator=(SourceHandle&& other) noexcept {
  if (this != &other) {
    reset();
    loop_ = other.loop_;
    loopAlive_ = std::move(other.loopAlive_);
    id_ = other.id_;
    other.loop_ = nullptr;
    other.id_ = 0;
  }
  return *this;
}

SourceHandle::~SourceHandle() { reset(); }

void SourceHandle::reset() {
  if (loop_ != nullptr && loopAlive_.lock()) loop_->removeSource(id_);
  loop_ = nullptr;
  loopAlive_.reset();
  id_ = 0;
}

// ---- RunLoop ----------------------------------------------------------------

namespace {
std::unique_ptr<RunLoop>& mainLoopStorage() {
  static std::unique_ptr<RunLoop> loop;
  return loop;
}
}  // namespace

RunLoop::RunLoop(std::shared_ptr<Clock> clock)
    : impl_(std::make_shared<Impl>(*clock)), clock_(std::move(clock)) {}

RunLoop::~RunLoop() {
  // Timers that outlive the loop become invalid; their actions are released.
  std::map<Impl::Key, Impl::Item> queue = std::move(impl_->queue);
  impl_->queue.clear();
  for (auto& [key, item] : queue) {
    if (item.kind != Impl::Kind::TimerItem) continue;
    item.timer->queued_ = false;
    item.timer->valid_ = false;
    if (item.timer->firing_ == 0) item.timer->action_ = nullptr;
  }
}

RunLoop& RunLoop::main() {
  auto& loop = mainLoopStorage();
  if (!loop) loop = std::make_unique<RunLoop>(std::make_shared<MonotonicClock>());
  return *loop;
}

VirtualClock& RunLoop::useVirtualClock(double start) {
  auto clock = std::make_shared<VirtualClock>(start);
  VirtualClock& result = *clock;
  auto& loop = mainLoopStorage();
  loop.reset();  // drop the old loop before the new one exists
  loop = std::make_unique<RunLoop>(std::move(clock));
  return result;
}

void RunLoop::useMonotonicClock() {
  auto& loop = mainLoopStorage();
  loop.reset();
  loop = std::make_unique<RunLoop>(std::make_shared<MonotonicClock>());
}

std::shared_ptr<Timer> RunLoop::scheduledTimer(double interval, bool repeats,
                                               std::function<void(Timer&)> action) {
  std::shared_ptr<Timer> timer(new Timer(this, interval, repeats, std::move(action)));
  impl_->schedule(*timer);
  return timer;
}

void RunLoop::timerChanged(Timer* timer) { impl_->schedule(*timer); }

void RunLoop::performAfter(double delay, const void* target, std::string action, Value argument,
                           std::function<void()> block) {
  impl_->enqueue(delayedDue(now(), delay),
                 Impl::Item{Impl::Kind::Perform, nullptr, target, std::move(action),
                            std::move(argument), std::move(block)});
}

void RunLoop::cancelPreviousPerformRequests(const void* target, const std::string& action,
                                            const Value& argument) {
  std::erase_if(impl_->queue, [&](const auto& entry) {
    const Impl::Item& item = entry.second;
    return item.kind == Impl::Kind::Perform && item.target == target && item.action == action &&
           item.argument == argument;
  });
}

void RunLoop::cancelPreviousPerformRequests(const void* target) {
  std::erase_if(impl_->queue, [&](const auto& entry) {
    return entry.second.kind == Impl::Kind::Perform && entry.second.target == target;
  });
}

std::size_t RunLoop::pendingPerformCount(const void* target) const {
  return static_cast<std::size_t>(std::count_if(
      impl_->queue.begin(), impl_->queue.end(), [&](const auto& entry) {
        return entry.second.kind == Impl::Kind::Perform && entry.second.target == target;
      }));
}

void RunLoop::dispatchAsync(std::function<void()> block) { dispatchAfter(0, std::move(block)); }

void RunLoop::dispatchAfter(double delay, std::function<void()> block) {
  impl_->enqueue(delayedDue(now(), delay),
                 Impl::Item{Impl::Kind::Block, nullptr, nullptr, {}, {}, std::move(block)});
}

SourceHandle RunLoop::addFileDescriptorSource(FileDescriptorSource source) {
  const std::uint64_t id = impl_->nextSourceId++;
  impl_->fds.emplace(id, std::make_shared<FileDescriptorSource>(std::move(source)));
  impl_->descriptorWait.forget();
  return SourceHandle(this, impl_, id);
}

SourceHandle RunLoop::addFileDescriptor(int fd, std::function<void()> onReadable) {
  FileDescriptorSource source;
  source.fd = fd;
  source.dispatch = [onReadable = std::move(onReadable)](short revents) {
    if ((revents & POLLNVAL) == 0 && onReadable) onReadable();
  };
  return addFileDescriptorSource(std::move(source));
}

SourceHandle RunLoop::addTurnObserver(std::function<void()> observer) {
  const std::uint64_t id = impl_->nextSourceId++;
  impl_->observers.emplace_back(id, std::make_shared<std::function<void()>>(std::move(observer)));
  return SourceHandle(this, impl_, id);
}

void RunLoop::removeSource(std::uint64_t id) {
  if (impl_->fds.erase(id) != 0) impl_->descriptorWait.forget();
  std::erase_if(impl_->observers, [id](const auto& o) { return o.first == id; });
}

void RunLoop::advance(double seconds) {
  auto* virtualClock = dynamic_cast<VirtualClock*>(clock_.get());
  if (virtualClock == nullptr) {
    runFor(seconds);
    return;
  }
  if (!(seconds > 0)) seconds = 0;
  const double end = virtualClock->now() + seconds;
  bool turned = false;
  int turnsAtThisInstant = 0;
  while (true) {
    const double due = impl_->earliestDue();
    if (!(due <= end + kAdvanceSlack)) break;
    double t = std::clamp(due, virtualClock->now(), end);
    double horizon = std::max(t, due);
    if (turned && t == virtualClock->now()) {
      if (++turnsAtThisInstant >= kMaxTurnsPerInstant) {
        // Stuck: let time move on to the next later due time, as it would on
        // a real clock; the stuck work fires there as well.
        const double later = impl_->earliestDueAfter(virtualClock->now());
        t = std::min(later, end);
        horizon = later <= end + kAdvanceSlack ? std::max(t, later) : t;
        if (t == virtualClock->now()) break;  // stuck at the end itself
        turnsAtThisInstant = 0;
      }
    } else {
      turnsAtThisInstant = 0;
    }
    virtualClock->set(t);
    impl_->runPass(horizon);
    turned = true;
  }
  if (!turned || virtualClock->now() != end) {
    virtualClock->set(end);
    impl_->runPass(end);
  }
}

void RunLoop::runOnce() {
  if (!clock_->isVirtual()) impl_->wait(Date::distantPast);
  impl_->runPass(now());
}

void RunLoop::run() {
  impl_->stopped = false;
  auto* virtualClock = dynamic_cast<VirtualClock*>(clock_.get());
  while (!impl_->stopped) {
    const double due = impl_->earliestDue();
    if (virtualClock != nullptr) {
      if (due == Date::distantFuture) break;
      virtualClock->set(std::max(virtualClock->now(), due));
      impl_->runPass(std::max(virtualClock->now(), due));
      continue;
    }
    if (due == Date::distantFuture && impl_->fds.empty()) break;  // nothing can wake us
    impl_->wait(Date::distantFuture);
    impl_->runPass(now());
  }
  impl_->stopped = false;
}

void RunLoop::runFor(double seconds) {
  if (clock_->isVirtual()) {
    advance(seconds);
    return;
  }
  impl_->stopped = false;
  const double deadline = now() + (seconds > 0 ? seconds : 0);
  do {
    impl_->wait(deadline);
    impl_->runPass(now());
  } while (!impl_->stopped && now() < deadline);
  impl_->stopped = false;
}

void RunLoop::stop() { impl_->stopped = true; }

bool RunLoop::observersAhead() const { return impl_->observersAhead; }

double RunLoop::nextDueTime() const { return impl_->earliestDue(); }

}  // namespace foundation
