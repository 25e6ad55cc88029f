#pragma once
// The dictionaries of files read lately, each kept with the file's identity
// and change times as stat gives them, so that reading a file nobody changed
// (the settings file, read several times a second by design) costs a stat
// rather than a read and a parse. Observably the same as reading again:
// - every write of ours renames a new file over the old one (a new inode);
// - an in-place write changes the size or the times, but file times are only
//   as fine as the kernel's tick, so a file changed in the last two seconds
//   is never served from the cache (two writes within one tick could leave
//   the same times), the way version control treats "racily clean" files.
// Bounded (a few files), thread-safe, process-wide.

#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "foundation/PropertyList.h"
#include "foundation/Value.h"

namespace foundation::detail {

// The dictionary last read from `path` with these limits, if the file is
// still that one; null otherwise (read it and `remember` it).
std::shared_ptr<const Dictionary> cachedDictionary(const std::filesystem::path& path,
                                                   const PropertyListLimits& limits);
// Keeps what was read from `path` (the stat taken before reading it), unless
// the file changed too lately to be told apart from its next change.
void rememberDictionary(const std::filesystem::path& path, const PropertyListLimits& limits,
                        const struct stat& before, std::shared_ptr<const Dictionary> dictionary);
// Forgets every file (tests).
void forgetDictionaries();
// Tests: how recent a change must be for the file not to be served from the
// cache (default two seconds), and how many files were read and parsed.
void setRacyNanosecondsForTests(long long nanoseconds);
std::size_t dictionaryFilesParsedForTests();
void countParse();

}  // namespace foundation::detail
