#include "foundation/UserDefaults.h"

#include <algorithm>
#include <system_error>

#include "foundation/DeviceRoot.h"
#include "foundation/PropertyList.h"

namespace foundation {

namespace {

std::unique_ptr<UserDefaults>& sharedStore() {
  static std::unique_ptr<UserDefaults> store;
  return store;
}

std::string& bundleIdentifierStorage() {
  static std::string identifier = "hoververse.process";
  return identifier;
}

// The file's dictionary; null when absent. `corrupt` tells an existing
// file that could not be read as a dictionary from an absent one.
std::shared_ptr<const Dictionary> readStoreFile(const std::filesystem::path& file, bool& corrupt) {
  std::shared_ptr<const Dictionary> dictionary = readSharedDictionaryFile(file);
  std::error_code ec;
  corrupt = !dictionary && std::filesystem::exists(file, ec);
  return dictionary;
}

}  // namespace

UserDefaults::UserDefaults(std::filesystem::path file) : file_(std::move(file)) { load(); }

void UserDefaults::load() {
  bool corrupt = false;
  std::shared_ptr<const Dictionary> dictionary = readStoreFile(file_, corrupt);
  values_ = dictionary ? *dictionary : Dictionary();
  // A corrupt file is replaced by the next synchronize even without changes.
  dirty_ = corrupt || !pending_.empty();
}

UserDefaults& UserDefaults::standardUserDefaults() {
  auto& store = sharedStore();
  if (!store) {
    store = std::make_unique<UserDefaults>(DeviceRoot::resolve(
        "/var/mobile/Library/Preferences/" + ProcessInfo::bundleIdentifier() + ".plist"));
  }
  return *store;
}

void UserDefaults::resetStandardUserDefaults() { sharedStore().reset(); }

Value UserDefaults::objectForKey(std::string_view key) const {
  auto it = values_.find(key);
  return it == values_.end() ? Value() : it->second;
}

void UserDefaults::setObject(Value value, std::string_view key) {
  if (value.isNil()) {
    auto it = values_.find(key);
    if (it != values_.end()) values_.erase(it);
  } else {
    values_.insert_or_assign(std::string(key), value);
  }
  pending_.insert_or_assign(std::string(key), std::move(value));
  dirty_ = true;
  scheduleWrite();
}

void UserDefaults::scheduleWrite() {
  // Active also means "on the current main loop": a loop replaced by another
  // (tests, previews) takes its observers with it.
  if (pendingWrite_.isActive()) return;
  pendingWrite_ = RunLoop::main().addTurnObserver([this] {
    // A failed write keeps the changes pending; the next change or
    // synchronize tries again.
    if (dirty_) synchronize();
    pendingWrite_.reset();
  });
}

bool UserDefaults::synchronize() {
  if (!dirty_) {
    load();
    if (!dirty_) return true;
    // The file turned out corrupt: fall through and replace it.
  }
  bool corrupt = false;
  std::shared_ptr<const Dictionary> onDisk = readStoreFile(file_, corrupt);
  // Changes that only restate what the file holds (a position stored again
  // on every refresh tick) leave it alone: no write, no rename.
  const bool restated = onDisk && std::all_of(pending_.begin(), pending_.end(), [&](const auto& change) {
    const auto it = onDisk->find(change.first);
    return change.second.isNil() ? it == onDisk->end() : it != onDisk->end() && it->second == change.second;
  });
  if (restated) {
    if (values_ != *onDisk) values_ = *onDisk;  // the file already holds every change
    pending_.clear();
    dirty_ = false;
    return true;
  }
  // Another writer's keys come from the file; without a readable file the
  // store's own view is the best base there is.
  Dictionary merged = onDisk ? *onDisk : values_;
  for (const auto& [key, value] : pending_) {
    if (value.isNil()) {
      auto it = merged.find(key);
      if (it != merged.end()) merged.erase(it);
    } else {
      merged.insert_or_assign(key, value);
    }
  }
  values_ = std::move(merged);
  // A defaults store is written on every change (a dragged slider: 60 times a
  // second); flushing each to the disk would stall the main thread. Atomic
  // writes already keep it whole when the process is killed.
  if (!writeDictionaryFile(file_, values_, PropertyListFormat::Xml, Durability::processKill).ok()) return false;
  pending_.clear();
  dirty_ = false;
  return true;
}

const std::string& ProcessInfo::bundleIdentifier() { return bundleIdentifierStorage(); }

void ProcessInfo::setBundleIdentifier(std::string identifier) {
  bundleIdentifierStorage() = std::move(identifier);
}

}  // namespace foundation
