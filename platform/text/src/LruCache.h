#pragma once
// A map bounded by the total cost of its entries (1 per entry unless the
// caller says otherwise, e.g. bytes), dropping the least recently used
// entries when an insertion goes over. Finding an entry counts as a use.
// The entry just inserted is never dropped by its own insertion, so what
// insert() returns stays valid until the next insert().

#include <cstddef>
#include <functional>
#include <list>
#include <unordered_map>
#include <utility>

namespace text {

template <class Key, class Value, class Hash = std::hash<Key>>
class LruCache {
 public:
  explicit LruCache(std::size_t capacity) : capacity_(capacity) {}
  LruCache(const LruCache&) = delete;
  LruCache& operator=(const LruCache&) = delete;

  // The entry for `key`, now the most recently used; null when absent.
  Value* find(const Key& key) {
    auto it = entries_.find(key);
    if (it == entries_.end()) return nullptr;
    order_.splice(order_.begin(), order_, it->second.use);
    return &it->second.value;
  }

  // Adds or replaces the entry for `key`, then drops the least recently used
  // others until the total cost is within the capacity.
  Value& insert(Key key, Value value, std::size_t cost = 1) {
    auto [it, added] = entries_.try_emplace(std::move(key));
    Slot& slot = it->second;
    if (added) {
      order_.push_front(&it->first);
      slot.use = order_.begin();
    } else {
      total_ -= slot.cost;
      order_.splice(order_.begin(), order_, slot.use);
    }
    slot.value = std::move(value);
    slot.cost = cost;
    total_ += cost;
    while (total_ > capacity_ && order_.size() > 1) {
      auto victim = entries_.find(*order_.back());
      total_ -= victim->second.cost;
      order_.pop_back();
      entries_.erase(victim);
    }
    return slot.value;
  }

  void clear() {
    order_.clear();
    entries_.clear();
    total_ = 0;
  }

  std::size_t size() const { return entries_.size(); }
  std::size_t totalCost() const { return total_; }
  std::size_t capacity() const { return capacity_; }

 private:
  struct Slot {
    Value value{};
    std::size_t cost = 0;
    typename std::list<const Key*>::iterator use;  // position in order_
  };
  std::size_t capacity_;
  std::size_t total_ = 0;
  // Keys live in the map's nodes, whose addresses are stable; the list
  // orders them from most to least recently used.
  std::unordered_map<Key, Slot, Hash> entries_;
  std::list<const Key*> order_;
};

}  // namespace text
