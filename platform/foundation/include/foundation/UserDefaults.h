#pragma once
// The standard user-defaults store of a process: a dictionary of values kept
// in memory and persisted as a property-list file under the device root
// ("/var/mobile/Library/Preferences/<bundle identifier>.plist").
// Loaded on first use. Changes write through: every change is written, merged
// over the file, at the end of the main run loop's turn in which it happened
// (all changes of one turn in one atomic write), so a process killed after
// the turn keeps them. `synchronize` writes at once when something changed
// and picks up what another writer stored when nothing did. Changes of a turn
// that has not ended are dropped with the store.
// A missing file reads as empty; an unreadable or corrupt one also reads as
// empty and is replaced by the next `synchronize`.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/RunLoop.h"
#include "foundation/Value.h"

namespace foundation {

class UserDefaults {
 public:
  // A store backed by the given real file.
  explicit UserDefaults(std::filesystem::path file);

  // The process's shared store, created once. Its file follows
  // ProcessInfo::bundleIdentifier() and the device root at creation.
  static UserDefaults& standardUserDefaults();
  // Drops the shared store so the next call creates it afresh (tests, after
  // changing the device root or the bundle identifier).
  static void resetStandardUserDefaults();

  // Nil when absent.
  Value objectForKey(std::string_view key) const;
  Value valueForKey(std::string_view key) const { return objectForKey(key); }
  // Storing nil removes the key. Schedules the end-of-turn write.
  void setObject(Value value, std::string_view key);
  void setValue(Value value, std::string_view key) { setObject(std::move(value), key); }
  void removeObjectForKey(std::string_view key) { setObject(Value(), key); }

  // With changes pending: merges them over the file's current contents (so
  // keys another writer stored survive) and writes the result atomically.
  // Without: reloads the file. Returns whether the store and its file agree.
  bool synchronize();

  const Dictionary& dictionaryRepresentation() const { return values_; }
  const std::filesystem::path& file() const { return file_; }

 private:
  void load();
  void scheduleWrite();
  std::filesystem::path file_;
  Dictionary values_;
  // Keys set or removed (nil) since the last successful write.
  Dictionary pending_;
  bool dirty_ = false;
  SourceHandle pendingWrite_;  // the end-of-turn write, while one is due
};

// Process identity, set by the host that plays a process. The bundle
// identifier defaults to "hoververse.process".
class ProcessInfo {
 public:
  static const std::string& bundleIdentifier();
  static void setBundleIdentifier(std::string identifier);
};

}  // namespace foundation
