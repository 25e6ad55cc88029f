#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/Log.h"
#include "foundation/RunLoop.h"

namespace {

namespace Date = foundation::Date;
using foundation::FileDescriptorSource;
using foundation::PollRequest;
using foundation::RunLoop;
using foundation::SourceHandle;
using foundation::Timer;
using foundation::Value;
using foundation::VirtualClock;

// Each test gets a fresh main loop on a virtual clock starting at 0.
class RunLoopTest : public ::testing::Test {
 protected:
  VirtualClock& clock_ = RunLoop::useVirtualClock();
  RunLoop& loop_ = RunLoop::main();
  std::vector<std::pair<std::string, double>> events_;

  std::function<void()> record(std::string name) {
    return [this, name] { events_.emplace_back(name, loop_.now()); };
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : events_) out.push_back(e.first);
    return out;
  }
};

TEST_F(RunLoopTest, ARepeatingTimerFiresOncePerIntervalWithoutDrift) {
  int fires = 0;
  double last = 0;
  auto timer = loop_.scheduledTimer(0.01, true, [&](Timer&) {
    ++fires;
    last = loop_.now();
  });
  loop_.advance(1.0);
  EXPECT_EQ(fires, 100);
  EXPECT_DOUBLE_EQ(last, 1.0);
  EXPECT_DOUBLE_EQ(clock_.now(), 1.0);
  loop_.advance(10.0);
  EXPECT_EQ(fires, 1100);
  EXPECT_TRUE(timer->isValid());
}

TEST_F(RunLoopTest, DistantFuturePausesAndDistantPastResumesATimer) {
  std::vector<double> fires;
  auto timer = loop_.scheduledTimer(0.25, true, [&](Timer&) { fires.push_back(loop_.now()); });
  loop_.advance(0.5);
  timer->setFireDate(Date::distantFuture);
  loop_.advance(3.0);
  EXPECT_TRUE(timer->isValid());
  EXPECT_EQ(loop_.nextDueTime(), Date::distantFuture);
  EXPECT_EQ(fires, (std::vector<double>{0.25, 0.5}));

  timer->setFireDate(Date::distantPast);
  loop_.advance(0);  // the next pass, without time moving
  ASSERT_EQ(fires.size(), 3u);
  EXPECT_DOUBLE_EQ(fires.back(), 3.5);
  loop_.advance(0.5);  // then every interval from the resumption
  ASSERT_EQ(fires.size(), 5u);
  EXPECT_DOUBLE_EQ(fires[3], 3.75);
  EXPECT_DOUBLE_EQ(fires[4], 4.0);
}

TEST_F(RunLoopTest, ALateTimerSkipsMissedIntervalsAndIsNeverScheduledInThePast) {
  std::vector<double> fires;
  loop_.advance(10.0);
  auto timer = loop_.scheduledTimer(1.0, true, [&](Timer&) { fires.push_back(loop_.now()); });
  timer->setFireDate(2.25);  // long missed
  loop_.advance(0);
  EXPECT_EQ(fires, std::vector<double>{10.0});
  EXPECT_DOUBLE_EQ(timer->fireDate(), 10.25);
  loop_.advance(1.0);
  EXPECT_EQ(fires, (std::vector<double>{10.0, 10.25}));
}

TEST_F(RunLoopTest, ATimerActionMayMoveOrInvalidateItsOwnTimer) {
  std::vector<double> moved;
  auto mover = loop_.scheduledTimer(1.0, true, [&](Timer& t) {
    moved.push_back(loop_.now());
    if (moved.size() == 1) t.setFireDate(loop_.now() + 5.0);
  });
  int selfInvalidated = 0;
  loop_.scheduledTimer(0.5, true, [&](Timer& t) {
    ++selfInvalidated;
    t.invalidate();
  });  // the loop holds the only reference
  loop_.advance(8.5);
  EXPECT_EQ(moved, (std::vector<double>{1.0, 6.0, 7.0, 8.0}));
  EXPECT_EQ(selfInvalidated, 1);
  mover->invalidate();
  EXPECT_EQ(loop_.nextDueTime(), Date::distantFuture);
}

TEST_F(RunLoopTest, OneShotTimersFireOnceAndFireDoesNotReschedule) {
  int oneShot = 0;
  auto once = loop_.scheduledTimer(0.2, false, [&](Timer&) { ++oneShot; });
  loop_.advance(1.0);
  EXPECT_EQ(oneShot, 1);
  EXPECT_FALSE(once->isValid());
  once->fire();
  once->setFireDate(2.0);
  loop_.advance(2.0);
  EXPECT_EQ(oneShot, 1);

  int repeating = 0;
  auto timer = loop_.scheduledTimer(1.0, true, [&](Timer&) { ++repeating; });
  const double due = timer->fireDate();
  timer->fire();
  EXPECT_EQ(repeating, 1);
  EXPECT_EQ(timer->fireDate(), due);
  EXPECT_TRUE(timer->isValid());
}

TEST_F(RunLoopTest, TimersPerformsAndBlocksFireInTimeThenSchedulingOrder) {
  const int target = 0;
  loop_.scheduledTimer(0.5, false, [this](Timer&) { events_.emplace_back("timer", loop_.now()); });
  loop_.performAfter(0.5, &target, "perform:", Value(), record("perform"));
  loop_.dispatchAfter(0.3, record("after"));
  loop_.dispatchAsync(record("async"));
  loop_.performAfter(0, &target, "zero:", Value(), record("zero"));
  loop_.performAfter(-1, &target, "negative:", Value(), record("negative"));
  loop_.advance(1.0);
  const std::vector<std::pair<std::string, double>> expected = {
      {"async", 0.0}, {"zero", 0.0}, {"negative", 0.0},
      {"after", 0.3}, {"timer", 0.5}, {"perform", 0.5}};
  EXPECT_EQ(events_, expected);
}

TEST_F(RunLoopTest, CancellingMatchesTargetActionAndArgumentByValue) {
  const int first = 0;
  const int second = 0;
  loop_.performAfter(1, &first, "setLyric:", Value("x"), record("first a x"));
  loop_.performAfter(1, &first, "setLyric:", Value("y"), record("first a y"));
  loop_.performAfter(1, &first, "setLyric:", Value(1), record("first a 1"));
  loop_.performAfter(1, &first, "other:", Value("x"), record("first b x"));
  loop_.performAfter(1, &second, "setLyric:", Value("x"), record("second a x"));
  loop_.performAfter(1, &first, "setLyric:", Value(std::string("x")), record("first a x again"));
  EXPECT_EQ(loop_.pendingPerformCount(&first), 5u);
  loop_.cancelPreviousPerformRequests(&first, "setLyric:", Value("x"));
  EXPECT_EQ(loop_.pendingPerformCount(&first), 3u);
  loop_.advance(2);
  EXPECT_EQ(names(), (std::vector<std::string>{"first a y", "first a 1", "first b x", "second a x"}));

  events_.clear();
  loop_.performAfter(1, &first, "a:", Value(), record("a"));
  loop_.performAfter(1, &first, "b:", Value(), record("b"));
  loop_.performAfter(1, &second, "a:", Value(), record("other target"));
  loop_.cancelPreviousPerformRequests(&first);
  loop_.advance(2);
  EXPECT_EQ(names(), std::vector<std::string>{"other target"});
}

TEST_F(RunLoopTest, WorkScheduledDuringAdvanceFiresInTheSameAdvanceWhenDue) {
  const int target = 0;
  loop_.performAfter(0.2, &target, "first:", Value(), [&] {
    record("first")();
    loop_.performAfter(0.3, &target, "second:", Value(), record("second"));
    loop_.performAfter(1.0, &target, "third:", Value(), record("third"));
    loop_.dispatchAsync(record("async from first"));
  });
  loop_.advance(1.0);
  const std::vector<std::pair<std::string, double>> expected = {
      {"first", 0.2}, {"async from first", 0.2}, {"second", 0.5}};
  EXPECT_EQ(events_, expected);
  loop_.advance(0.2);
  ASSERT_EQ(events_.size(), 4u);
  EXPECT_EQ(events_.back().first, "third");
  EXPECT_DOUBLE_EQ(events_.back().second, 1.2);
}

TEST_F(RunLoopTest, ZeroDelayWorkWaitsForTheNextPass) {
  int runs = 0;
  std::function<void()> again = [&] {
    ++runs;
    loop_.dispatchAsync(again);
  };
  loop_.dispatchAsync(again);
  loop_.runOnce();
  EXPECT_EQ(runs, 1);
  loop_.runOnce();
  EXPECT_EQ(runs, 2);
}

TEST_F(RunLoopTest, AdvanceEndsEvenWhenZeroDelayWorkReschedulesItselfForever) {
  int runs = 0;
  std::function<void()> again = [&] {
    ++runs;
    loop_.dispatchAsync(again);
  };
  loop_.dispatchAsync(again);
  int timerFires = 0;
  loop_.scheduledTimer(0.5, true, [&](Timer&) { ++timerFires; });
  loop_.advance(1.0);
  EXPECT_DOUBLE_EQ(clock_.now(), 1.0);
  EXPECT_GT(runs, 1000);
  EXPECT_EQ(timerFires, 2);
}

TEST_F(RunLoopTest, EndOfTurnObserversRunAfterEveryTurn) {
  SourceHandle observer = loop_.addTurnObserver(record("commit"));
  loop_.scheduledTimer(0.1, false, [this](Timer&) { events_.emplace_back("t1", loop_.now()); });
  loop_.scheduledTimer(0.2, false, [this](Timer&) { events_.emplace_back("t2", loop_.now()); });
  loop_.advance(0.3);
  const std::vector<std::pair<std::string, double>> expected = {
      {"t1", 0.1}, {"commit", 0.1}, {"t2", 0.2}, {"commit", 0.2}, {"commit", 0.3}};
  EXPECT_EQ(events_, expected);

  events_.clear();
  loop_.runOnce();
  EXPECT_EQ(names(), std::vector<std::string>{"commit"});
  observer.reset();
  loop_.runOnce();
  EXPECT_EQ(events_.size(), 1u);
}

// Work done in a turn (a timer, a block) is followed by that turn's
// observers; work done in an observer or between turns is not.
TEST_F(RunLoopTest, ObserversAheadTellsWhetherThisTurnsObserversAreStillToRun) {
  std::vector<std::string> seen;
  const auto note = [&](const std::string& where) { seen.push_back(where + (loop_.observersAhead() ? " ahead" : " past")); };
  SourceHandle observer = loop_.addTurnObserver([&] { note("observer"); });
  loop_.scheduledTimer(0.1, false, [&](Timer&) { note("timer"); });
  loop_.dispatchAfter(0.2, [&] { note("block"); });
  note("outside");
  loop_.advance(0.2);
  note("between");
  EXPECT_EQ(seen, (std::vector<std::string>{"outside past", "timer ahead", "observer past", "block ahead",
                                            "observer past", "between past"}));
}

TEST_F(RunLoopTest, AHandleMayBeDestroyedInsideItsOwnCallback) {
  int calls = 0;
  std::optional<SourceHandle> handle;
  handle = loop_.addTurnObserver([&] {
    ++calls;
    handle.reset();
  });
  SourceHandle later = loop_.addTurnObserver([&] { ++calls; });
  loop_.runOnce();
  loop_.runOnce();
  EXPECT_EQ(calls, 3);  // the first observer once, the second twice
}

// The loop reuses what it kept for items and observers that ran; what they
// captured must still go as soon as they are done with.
TEST_F(RunLoopTest, WhatRanLetsGoOfItsCapturesAtOnce) {
  auto block = std::make_shared<int>(0);
  auto oneShot = std::make_shared<int>(0);
  auto observed = std::make_shared<int>(0);
  loop_.dispatchAsync([held = block] { ++*held; });
  loop_.scheduledTimer(0.01, false, [held = oneShot](Timer&) { ++*held; });
  std::optional<SourceHandle> observer = loop_.addTurnObserver([held = observed] { ++*held; });
  loop_.advance(0.02);
  observer.reset();
  EXPECT_EQ(*block, 1);
  EXPECT_EQ(*oneShot, 1);
  EXPECT_GE(*observed, 1);
  EXPECT_EQ(block.use_count(), 1);
  EXPECT_EQ(oneShot.use_count(), 1);
  EXPECT_EQ(observed.use_count(), 1);
}

TEST_F(RunLoopTest, TimersAndHandlesOutlivingTheirLoopAreInert) {
  int fires = 0;
  auto timer = loop_.scheduledTimer(1.0, true, [&](Timer&) { ++fires; });
  SourceHandle observer = loop_.addTurnObserver([] {});
  RunLoop::useVirtualClock();
  EXPECT_FALSE(timer->isValid());
  timer->setFireDate(0);
  observer.reset();
  RunLoop::main().advance(5.0);
  EXPECT_EQ(fires, 0);
}

TEST(RunLoopRealClockTest, ReadableDescriptorsRunTheirCallbackUntilStopped) {
  RunLoop loop(std::make_shared<foundation::MonotonicClock>());
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  std::string received;
  SourceHandle source = loop.addFileDescriptor(fds[0], [&] {
    char c = 0;
    if (::read(fds[0], &c, 1) == 1) received += c;
    loop.stop();
  });
  loop.runOnce();
  EXPECT_EQ(received, "");
  ASSERT_EQ(::write(fds[1], "a", 1), 1);
  loop.runOnce();
  EXPECT_EQ(received, "a");
  ASSERT_EQ(::write(fds[1], "b", 1), 1);
  loop.run();  // returns once the callback stops it
  EXPECT_EQ(received, "ab");
  source.reset();
  loop.run();  // nothing watched, nothing scheduled: returns at once
  ::close(fds[0]);
  ::close(fds[1]);
}

TEST(RunLoopRealClockTest, EventsAndTimeoutAreAskedBeforeEveryWait) {
  RunLoop loop(std::make_shared<foundation::MonotonicClock>());
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  // One request per turn: a timeout that has passed dispatches with no
  // events; events not asked for are not reported even when pending.
  const std::vector<PollRequest> plan = {
      {0, 0.0},                      // nothing asked, timeout now: dispatched
      {POLLIN, Date::distantFuture}, // nothing to read yet
      {0, Date::distantFuture},      // data pending but not asked for
      {POLLIN, Date::distantFuture}, // asked: readable
      {POLLIN, 3600.0},              // still readable; the far timeout is irrelevant
  };
  std::size_t turn = 0;
  std::vector<std::string> seen;
  FileDescriptorSource source;
  source.fd = fds[0];
  source.prepare = [&] { return plan.at(turn); };
  source.dispatch = [&](short revents) { seen.push_back(std::to_string(turn) + ":" + std::to_string(revents)); };
  SourceHandle handle = loop.addFileDescriptorSource(std::move(source));
  for (; turn < plan.size(); ++turn) {
    if (turn == 2) {
      ASSERT_EQ(::write(fds[1], "x", 1), 1);
    }
    loop.runOnce();
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"0:0", "3:" + std::to_string(POLLIN),
                                            "4:" + std::to_string(POLLIN)}));
  ::close(fds[0]);
  ::close(fds[1]);
}

TEST(RunLoopRealClockTest, ATolerantTimerWaitsToFireInTheTurnOfWorkDueSoonAfter) {
  RunLoop loop(std::make_shared<foundation::MonotonicClock>());
  int turns = 0;
  SourceHandle observer = loop.addTurnObserver([&] { ++turns; });
  std::vector<std::pair<std::string, int>> fired;
  auto tolerant = loop.scheduledTimer(0.02, false, [&](Timer&) { fired.emplace_back("tolerant", turns); });
  tolerant->setTolerance(0.2);
  auto strict = loop.scheduledTimer(0.06, false, [&](Timer&) { fired.emplace_back("strict", turns); });
  auto last = loop.scheduledTimer(0.08, false, [&](Timer& t) {
    fired.emplace_back("alone", turns);
    EXPECT_GE(loop.now(), t.fireDate());
    loop.stop();
  });
  last->setTolerance(0.01);  // nothing else comes: it still fires
  const double start = loop.now();
  loop.run();
  ASSERT_EQ(fired.size(), 3u);
  EXPECT_EQ(fired[0].first, "tolerant");
  EXPECT_EQ(fired[1].first, "strict");
  EXPECT_EQ(fired[0].second, fired[1].second) << "one wake-up for both";
  EXPECT_GE(loop.now() - start, 0.08);
  tolerant->setTolerance(-1);
  EXPECT_EQ(tolerant->tolerance(), 0);
}

TEST(RunLoopRealClockTest, ADescriptorClosedBehindTheLoopsBackIsDroppedAndDoesNotSpin) {
  RunLoop loop(std::make_shared<foundation::MonotonicClock>());
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  int prepared = 0;
  std::vector<short> dispatched;
  FileDescriptorSource source;
  source.fd = fds[0];
  source.prepare = [&] {
    ++prepared;
    return PollRequest{};
  };
  source.dispatch = [&](short revents) { dispatched.push_back(revents); };
  SourceHandle full = loop.addFileDescriptorSource(std::move(source));
  int readable = 0;
  SourceHandle plain = loop.addFileDescriptor(fds[0], [&] { ++readable; });
  foundation::clearLoggedLines();
  ::close(fds[0]);
  for (int i = 0; i < 5; ++i) loop.runOnce();
  // Told once, then gone: later turns neither prepare nor dispatch it.
  EXPECT_EQ(dispatched, std::vector<short>{POLLNVAL});
  EXPECT_EQ(prepared, 1);
  EXPECT_EQ(readable, 0);
  const std::string expected = "file descriptor " + std::to_string(fds[0]) + " was closed";
  ASSERT_EQ(foundation::loggedLines().size(), 2u);
  for (const std::string& line : foundation::loggedLines()) {
    EXPECT_NE(line.find(expected), std::string::npos) << line;
  }
  full.reset();  // handles of dropped sources stay harmless
  plain.reset();
  ::close(fds[1]);
}

// The loop sleeps in an epoll set kept across waits; these cover what poll(2)
// would have told each wait: events per source, closes, and descriptors
// epoll cannot watch.

TEST(RunLoopRealClockTest, SourcesSharingADescriptorEachSeeTheirOwnEventsAcrossSleeps) {
  RunLoop loop(std::make_shared<foundation::MonotonicClock>());
  int ends[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
  std::vector<std::string> seen;
  bool writerTold = false;
  FileDescriptorSource reader;
  reader.fd = ends[0];
  reader.dispatch = [&](short revents) {
    seen.push_back("reader:" + std::to_string(revents));
    char byte;
    ASSERT_EQ(::read(ends[0], &byte, 1), 1);
    loop.stop();
  };
  FileDescriptorSource writer;  // asks for POLLOUT until told once, then for nothing
  writer.fd = ends[0];
  writer.prepare = [&] { return PollRequest{static_cast<short>(writerTold ? 0 : POLLOUT), Date::distantFuture}; };
  writer.dispatch = [&](short revents) {
    seen.push_back("writer:" + std::to_string(revents));
    writerTold = true;
  };
  SourceHandle readerHandle = loop.addFileDescriptorSource(std::move(reader));
  SourceHandle writerHandle = loop.addFileDescriptorSource(std::move(writer));
  // The peer writes only after the loop has gone to sleep on the descriptor.
  auto peer = loop.scheduledTimer(0.05, false, [&](Timer&) { ASSERT_EQ(::write(ends[1], "x", 1), 1); });
  auto deadline = loop.scheduledTimer(5, false, [&](Timer&) { loop.stop(); });
  loop.run();
  EXPECT_EQ(seen, (std::vector<std::string>{"writer:" + std::to_string(POLLOUT),
                                            "reader:" + std::to_string(POLLIN)}));
  ::close(ends[0]);
  ::close(ends[1]);
}

TEST(RunLoopRealClockTest, ADescriptorClosedWhileTheLoopSleptOnItIsStillFound) {
  RunLoop loop(std::make_shared<foundation::MonotonicClock>());
  int silent[2];  // its read end is closed for good: it just leaves the set
  int echoed[2];  // its read end lives on in a duplicate and keeps reporting
  ASSERT_EQ(::pipe(silent), 0);
  ASSERT_EQ(::pipe(echoed), 0);
  std::vector<std::pair<int, short>> seen;
  std::vector<SourceHandle> handles;
  for (int fd : {silent[0], echoed[0]}) {
    handles.push_back(loop.addFileDescriptor(fd, [] {}));
    FileDescriptorSource source;
    source.fd = fd;
    source.dispatch = [&seen, fd](short revents) { seen.emplace_back(fd, revents); };
    handles.push_back(loop.addFileDescriptorSource(std::move(source)));
  }
  int turns = 0;
  SourceHandle counter = loop.addTurnObserver([&] { ++turns; });
  auto tick = loop.scheduledTimer(0.02, true, [](Timer&) {});
  const auto runUntilSeen = [&](std::size_t count) {
    const double end = loop.now() + 5;
    while (seen.size() < count && loop.now() < end) loop.runFor(0.05);
  };
  loop.runFor(0.05);  // asleep on both
  ::close(silent[0]);
  runUntilSeen(1);
  const int duplicate = ::dup(echoed[0]);
  ASSERT_EQ(::write(echoed[1], "x", 1), 1);
  ::close(echoed[0]);
  runUntilSeen(2);
  EXPECT_EQ(seen, (std::vector<std::pair<int, short>>{{silent[0], POLLNVAL}, {echoed[0], POLLNVAL}}));
  // Dropped with its registration: the still readable duplicate wakes nothing.
  turns = 0;
  loop.runFor(0.2);
  EXPECT_LT(turns, 30) << "the loop spun on a closed descriptor";
  EXPECT_EQ(seen.size(), 2u);
  ::close(duplicate);
  ::close(silent[1]);
  ::close(echoed[1]);
}

TEST(RunLoopRealClockTest, ALoopRunningOnInAForkedChildLeavesItsParentsWakeUpsAlone) {
  RunLoop loop(std::make_shared<foundation::MonotonicClock>());
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t parent = ::getpid();
  int readable = 0;
  FileDescriptorSource source;  // in the child the same source asks for nothing
  source.fd = fds[0];
  source.prepare = [parent] {
    return PollRequest{static_cast<short>(::getpid() == parent ? POLLIN : 0), Date::distantFuture};
  };
  source.dispatch = [&](short) {
    ++readable;
    loop.stop();
  };
  SourceHandle handle = loop.addFileDescriptorSource(std::move(source));
  loop.runFor(0.03);  // the parent's set is made
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    loop.runFor(0.03);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_EQ(::write(fds[1], "x", 1), 1);
  // Well within the loop's once-a-second look at every descriptor, so only
  // the parent's own registration can wake it.
  auto deadline = loop.scheduledTimer(0.3, false, [&](Timer&) { loop.stop(); });
  loop.run();
  EXPECT_EQ(readable, 1);
  ::close(fds[0]);
  ::close(fds[1]);
}

TEST(RunLoopRealClockTest, ARegularFileIsWatchedAsPollWatchesIt) {
  RunLoop loop(std::make_shared<foundation::MonotonicClock>());
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  int readable = 0;
  // epoll refuses regular files; poll(2) calls them always readable.
  SourceHandle source = loop.addFileDescriptor(::fileno(file), [&] {
    ++readable;
    loop.stop();
  });
  auto deadline = loop.scheduledTimer(5, false, [&](Timer&) { loop.stop(); });
  loop.run();
  loop.run();  // the second sleeps: no longer the first look after the source came
  EXPECT_EQ(readable, 2);
  std::fclose(file);
}

}  // namespace
