#pragma once
// Property lists: old-style text parsing, and XML/binary files through
// libplist behind a guard (Debian 12's libplist 2.2 crashes on deeply nested
// input, so oversized or too deeply nested input is treated as unreadable).

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/Status.h"
#include "foundation/Value.h"

namespace foundation {

// Parses an old-style (OpenStep) property list that consists of one quoted
// string, optionally surrounded by white space. Escapes: \Uxxxx (one UTF-16
// code unit; pairs combine, a lone surrogate becomes U+FFFD), \" and \\,
// the C escapes \a \b \f \n \r \t \v, \ooo (three octal digits, one
// character); a backslash before any other character stands for that
// character. No value when the text is not exactly one quoted string.
std::optional<std::string> parseOldStyleQuotedString(std::string_view text);

struct PropertyListLimits {
  std::size_t maxBytes = 1u << 20;  // 1 MiB
  int maxDepth = 16;                // containers inside containers
  // Nodes the document expands to (containers, keys and leaves). Binary lists
  // can reference one object many times, so this bounds what parsing builds,
  // not just what the file holds; no settings file or now-playing dictionary
  // comes near it.
  std::size_t maxNodes = 100'000;
};

// XML or binary property list from memory; nothing when it does not parse,
// is larger than the limits, nested deeper than them or expands to more nodes.
std::optional<Value> parsePropertyList(std::string_view bytes, PropertyListLimits limits = {});
enum class PropertyListFormat { Xml, Binary };
std::string serializePropertyList(const Value& value, PropertyListFormat format);

// Reads a dictionary file. Nothing when the file is absent, unreadable, not a
// property list, not a dictionary, or beyond the limits. `path` is a real path
// (resolve device paths with DeviceRoot first).
std::optional<Dictionary> readDictionaryFile(const std::filesystem::path& path,
                                             PropertyListLimits limits = {});
// The same, shared and read-only: a file nobody changed since it was last
// read costs a stat, without copying the dictionary. Null where
// readDictionaryFile gives nothing.
std::shared_ptr<const Dictionary> readSharedDictionaryFile(const std::filesystem::path& path,
                                                           PropertyListLimits limits = {});

// What a written file must survive. Every write is atomic (a reader, or a
// process killed mid-write, sees the old file or the new one, never a mix);
// `powerLoss` also flushes the file and its folder to the disk before
// returning, which costs most of a small write's time.
enum class Durability { powerLoss, processKill };

// Writes a dictionary atomically: a temporary file in the same folder, written
// fully (and, for powerLoss, fsync'ed), renamed over the target (then the
// folder fsync'ed). On any failure the temporary file is removed and the
// previous file stays intact. Missing parent folders are created.
Status writeDictionaryFile(const std::filesystem::path& path, const Dictionary& dictionary,
                           PropertyListFormat format = PropertyListFormat::Xml,
                           Durability durability = Durability::powerLoss);

}  // namespace foundation
