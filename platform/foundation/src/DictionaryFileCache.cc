#include "DictionaryFileCache.h"

#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace foundation::detail {

namespace {

constexpr std::size_t kMaxFiles = 8;
// Times this close to now (or later) may not tell two changes apart.
long long racyNanoseconds = 2'000'000'000LL;
std::size_t parsed = 0;

struct Entry {
  std::string path;
  PropertyListLimits limits;
  struct stat stamp {};
  std::shared_ptr<const Dictionary> dictionary;
};

std::mutex& lock() {
  static std::mutex* const mutex = new std::mutex;
  return *mutex;
}
std::vector<Entry>& entries() {
  static std::vector<Entry>* const all = new std::vector<Entry>;
  return *all;
}

long long nanos(const timespec& t) { return static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec; }

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         nanos(a.st_mtim) == nanos(b.st_mtim) && nanos(a.st_ctim) == nanos(b.st_ctim);
}

bool sameLimits(const PropertyListLimits& a, const PropertyListLimits& b) {
  return a.maxBytes == b.maxBytes && a.maxDepth == b.maxDepth && a.maxNodes == b.maxNodes;
}

// Whether the file's last change is old enough that any later change shows
// in its times.
bool settled(const struct stat& s) {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const long long latest = std::max(nanos(s.st_mtim), nanos(s.st_ctim));
  return nanos(now) - latest >= racyNanoseconds;
}

}  // namespace

std::shared_ptr<const Dictionary> cachedDictionary(const std::filesystem::path& path,
                                                   const PropertyListLimits& limits) {
  struct stat now {};
  if (::stat(path.c_str(), &now) != 0) return nullptr;
  std::lock_guard<std::mutex> guard(lock());
  for (const Entry& entry : entries()) {
    if (entry.path == path.native() && sameLimits(entry.limits, limits)) {
      if (sameFile(entry.stamp, now) && settled(now)) return entry.dictionary;
      return nullptr;
    }
  }
  return nullptr;
}

void rememberDictionary(const std::filesystem::path& path, const PropertyListLimits& limits,
                        const struct stat& before, std::shared_ptr<const Dictionary> dictionary) {
  std::lock_guard<std::mutex> guard(lock());
  std::vector<Entry>& all = entries();
  std::erase_if(all, [&](const Entry& e) { return e.path == path.native() && sameLimits(e.limits, limits); });
  // A file changed lately is read again next time anyway: keep nothing.
  if (!settled(before)) return;
  if (all.size() >= kMaxFiles) all.erase(all.begin());  // the oldest kept
  all.push_back(Entry{path.native(), limits, before, std::move(dictionary)});
}

void forgetDictionaries() {
  std::lock_guard<std::mutex> guard(lock());
  entries().clear();
}

void setRacyNanosecondsForTests(long long nanoseconds) {
  std::lock_guard<std::mutex> guard(lock());
  racyNanoseconds = nanoseconds;
}

std::size_t dictionaryFilesParsedForTests() {
  std::lock_guard<std::mutex> guard(lock());
  return parsed;
}

void countParse() {
  std::lock_guard<std::mutex> guard(lock());
  ++parsed;
}

}  // namespace foundation::detail
