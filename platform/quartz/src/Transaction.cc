#include "quartz/Transaction.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "CommitAccess.h"
#include "foundation/RunLoop.h"

namespace quartz {

namespace {

struct Registry {
  std::vector<Layer*> dirty;
  // Kept between commits so that a commit of one moved layer, a hundred
  // times a second for a marquee, allocates nothing.
  std::vector<Layer*> committing;
  std::vector<std::shared_ptr<Layer>> keepAlive;
  std::vector<std::pair<int, Layer*>> order;
  std::vector<std::function<void()>> preCommit;
  foundation::SourceHandle observer;
  // Held only by the observer registered on the loop, so it expires when
  // that loop (and its observers) goes away.
  std::weak_ptr<int> observerAlive;
  foundation::RunLoop* loop = nullptr;
  double lastCommit = -std::numeric_limits<double>::infinity();
  std::uint64_t commits = 0;
  std::uint64_t serial = 0;
  bool inCommit = false;
  // A pass is pending on the loop (see scheduleCommit).
  bool poked = false;
};

Registry& registry() {
  static Registry* r = new Registry();  // never destroyed: layers may outlive static destruction order
  return *r;
}

void finishAnimation(const std::weak_ptr<Layer>& weak, const std::shared_ptr<const Animation>& animation);

}  // namespace

std::vector<Layer*>& CommitAccess::dirtyLayers() { return registry().dirty; }

double CommitAccess::currentTime() { return foundation::RunLoop::main().now(); }

void CommitAccess::forget(Layer& layer) {
  if (!layer.dirty_) return;
  auto& d = registry().dirty;
  auto it = std::find(d.begin(), d.end(), &layer);
  if (it != d.end()) d.erase(it);
}

namespace {

double settleTime(const std::vector<KeyedAnimation>& animations) {
  double settle = -std::numeric_limits<double>::infinity();
  for (const auto& ka : animations) {
    const Animation& a = *ka.animation;
    settle = std::max(settle, a.isInfinite() ? std::numeric_limits<double>::infinity() : a.endTime());
  }
  return settle;
}

bool animates(const CommittedLayer& c, std::string_view keyPath) {
  return std::any_of(c.animations.begin(), c.animations.end(),
                     [keyPath](const KeyedAnimation& ka) { return ka.animation->keyPath() == keyPath; });
}

// A sublayer that shows nothing whatever the time: hidden or fully
// transparent with nothing animating that, or masked by such a layer. Its
// animations (an endless colour cycle under a hidden mask) change nothing on
// screen, so they must not keep its parent's tree from settling.
bool invisibleAtEveryTime(const CommittedLayer& c) {
  if (c.state.hidden && !animates(c, "hidden")) return true;
  if (c.state.opacity <= 0 && !animates(c, "opacity")) return true;
  return c.mask && invisibleAtEveryTime(c.mask->committed());
}

int depthOf(const Layer* layer) {
  int depth = 0;
  for (const Layer* p = layer; p != nullptr; p = p->superlayer() ? p->superlayer() : p->maskOwner()) ++depth;
  return depth;
}

}  // namespace

bool CommitAccess::commitDirty(double now) {
  Registry& reg = registry();
  if (reg.dirty.empty()) return false;
  // Swapped rather than moved, so both lists keep their capacity. Nothing
  // that runs during the pass marks a layer changed (a layer's committed
  // state is its own), so `reg.dirty` stays empty until it is over.
  std::vector<Layer*>& dirty = reg.committing;
  dirty.swap(reg.dirty);
  // Committing a parent replaces its committed sublayer list, which may drop
  // the last reference to a removed child that is itself in `dirty` (a view
  // removed and then changed in the same turn). Hold every dirty layer until
  // the commit is over.
  std::vector<std::shared_ptr<Layer>>& keepAlive = reg.keepAlive;
  for (Layer* layer : dirty) keepAlive.push_back(layer->weak_from_this().lock());
  const std::uint64_t serial = ++reg.serial;
  foundation::RunLoop& loop = foundation::RunLoop::main();

  for (Layer* layer : dirty) {
    for (const std::shared_ptr<Animation>& a : layer->unstamped_) {
      if (!a->isStamped()) a->stampBeginTime(now);
      if (!a->isInfinite() && (a->isRemovedOnCompletion() || a->didStop())) {
        const double delay = std::max(0.0, a->endTime() - now);
        loop.dispatchAfter(delay, [weak = layer->weak_from_this(), anim = std::shared_ptr<const Animation>(a)] {
          finishAnimation(weak, anim);
        });
      }
    }
    layer->unstamped_.clear();
    CommittedLayer& c = layer->committed_;
    c.state = layer->model_;
    c.sublayers = layer->sublayers_;
    c.mask = layer->mask_;
    c.animations = layer->animations_;
    c.serial = serial;
    if (layer->contentDirty_) c.contentSerial = serial;
    c.animationsSettle = settleTime(c.animations);
    layer->dirty_ = false;
    layer->contentDirty_ = false;
  }

  // Subtree aggregates, deepest first, for the changed layers and every
  // ancestor (model and committed ancestors agree except where a layer
  // moved, and then both old and new parents changed themselves).
  std::vector<std::pair<int, Layer*>>& order = reg.order;
  for (Layer* layer : dirty) {
    for (Layer* p = layer; p != nullptr; p = p->superlayer() ? p->superlayer() : p->maskOwner()) {
      if (p->aggregatedIn_ == serial) break;  // it and its ancestors are in already
      p->aggregatedIn_ = serial;
      order.emplace_back(depthOf(p), p);
    }
  }
  std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  for (const auto& [depth, layer] : order) {
    CommittedLayer& c = layer->committed_;
    std::uint64_t tree = c.serial;
    std::uint64_t content = c.contentSerial;
    double settle = c.animationsSettle;
    for (const auto& sub : c.sublayers) {
      tree = std::max(tree, sub->committed_.treeSerial);
      content = std::max(content, sub->committed_.treeContentSerial);
      if (!invisibleAtEveryTime(sub->committed_))
        settle = std::max(settle, sub->committed_.treeAnimationsSettle);
    }
    if (c.mask) {
      tree = std::max(tree, c.mask->committed_.treeSerial);
      content = std::max(content, c.mask->committed_.treeContentSerial);
      settle = std::max(settle, c.mask->committed_.treeAnimationsSettle);
    }
    c.treeSerial = tree;
    c.treeContentSerial = content;
    c.treeAnimationsSettle = settle;
  }
  order.clear();
  dirty.clear();
  keepAlive.clear();  // last: may destroy layers, which calls forget()
  return true;
}

namespace {

void finishAnimation(const std::weak_ptr<Layer>& weak, const std::shared_ptr<const Animation>& animation) {
  std::shared_ptr<Layer> layer = weak.lock();
  if (!layer) return;
  const auto& list = layer->animations();
  const bool present = std::any_of(list.begin(), list.end(), [&](const auto& ka) { return ka.animation == animation; });
  if (!present) return;  // removed or replaced earlier: already reported as not finished
  if (animation->isRemovedOnCompletion()) {
    for (const auto& ka : list) {
      if (ka.animation == animation) {
        const std::string key = ka.key;
        // The removal's own "not finished" report comes later, on the run
        // loop, and is suppressed because this one runs first.
        layer->removeAnimationForKey(key);
        if (animation->didStop()) animation->didStop()(true);
        return;
      }
    }
  }
  if (animation->didStop()) animation->didStop()(true);
}

void runCommit() {
  Registry& reg = registry();
  if (reg.inCommit) return;
  reg.inCommit = true;
  for (std::size_t i = 0; i < reg.preCommit.size(); ++i) reg.preCommit[i]();
  const double now = foundation::RunLoop::main().now();
  if (CommitAccess::commitDirty(now)) {
    reg.lastCommit = now;
    ++reg.commits;
  }
  reg.inCommit = false;
}

}  // namespace

void Transaction::flush() { runCommit(); }

double Transaction::lastCommitTime() { return registry().lastCommit; }

std::uint64_t Transaction::commitCount() { return registry().commits; }

void Transaction::addPreCommitHandler(std::function<void()> handler) {
  registry().preCommit.push_back(std::move(handler));
}

void Transaction::scheduleCommit() {
  Registry& reg = registry();
  foundation::RunLoop& loop = foundation::RunLoop::main();
  if (&loop != reg.loop || reg.observerAlive.expired()) {
    reg.observer.reset();
    auto alive = std::make_shared<int>(0);
    reg.observerAlive = alive;
    reg.loop = &loop;
    reg.observer = loop.addTurnObserver([alive] { runCommit(); });
    reg.poked = false;
  }
  // Changes made outside any turn (start-up code, tests between advances)
  // are committed by a pass due now, not by whichever pass comes next;
  // changes made in a turn are committed at its end.
  if (!reg.poked && !loop.observersAhead()) {
    reg.poked = true;
    loop.dispatchAsync([] { registry().poked = false; });
  }
}

}  // namespace quartz
