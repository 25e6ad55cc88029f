// XML and binary property lists through libplist, behind a guard.
//
// libplist 2.2 (Debian 12) recurses on nested input and crashes on deep
// nesting, so before any bytes reach it the input is checked here: its size,
// its nesting depth and the number of nodes it expands to, by a cheap pre-scan
// (XML elements; for binary input the object graph, which also rejects cycles
// and references out of range). Binary lists can share objects, so a few
// kilobytes can stand for billions of nodes: the count is what libplist would
// build, not the number of objects in the file.
//
// Mapping to Value: strings -> Text, integers -> integral Number (libplist
// keeps 64 bits; unsigned values above INT64_MAX read as their two's
// complement), reals -> Number double, booleans -> Boolean, data -> Data,
// arrays and dictionaries recursively. Dates read as Number: seconds since
// 2001-01-01 00:00:00 UTC (the format's reference date), so they are written
// back as reals, not dates. UIDs (keyed-archive references) are dropped from
// their container; a document that is only a UID does not parse. Nil values
// are not representable: they are left out of containers, and a nil document
// serializes as nothing (an empty string).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <plist/plist.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "foundation/PropertyList.h"
#include "foundation/Text.h"
#include "DictionaryFileCache.h"

namespace foundation {

namespace {

struct PlistDeleter {
  void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

struct MallocDeleter {
  void operator()(void* p) const { std::free(p); }
};

// Closes a file descriptor on scope exit.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports the result (close can report a failed write).
  bool close() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

constexpr std::string_view kBinaryMagic = "bplist00";

// ---- XML pre-scan -------------------------------------------------------

// True when every element nests no deeper than maxElementDepth, there are at
// most maxElements elements, and the markup is well enough formed to scan. Comments, processing instructions, CDATA and
// declarations (with an internal subset) are skipped; quoted attribute values
// may contain '>'.
bool xmlWithin(std::string_view s, int maxElementDepth, std::size_t maxElements) {
  int depth = 0;
  std::size_t elements = 0;
  std::size_t i = 0;
  const std::size_t n = s.size();
  auto skipPast = [&](std::string_view terminator) {
    std::size_t end = s.find(terminator, i);
    if (end == std::string_view::npos) return false;
    i = end + terminator.size();
    return true;
  };
  while (true) {
    i = s.find('<', i);
    if (i == std::string_view::npos) return true;
    std::string_view rest = s.substr(i);
    if (rest.starts_with("<?")) {
      if (!skipPast("?>")) return false;
    } else if (rest.starts_with("<!--")) {
      i += 4;
      if (!skipPast("-->")) return false;
    } else if (rest.starts_with("<![CDATA[")) {
      if (!skipPast("]]>")) return false;
    } else if (rest.starts_with("<!")) {
      // A declaration ends at the first '>' outside its internal subset.
      std::size_t end = s.find('>', i);
      if (end == std::string_view::npos) return false;
      if (s.substr(i, end - i).find('[') != std::string_view::npos) {
        int brackets = 0;
        for (end = i + 2; end < n; ++end) {
          char c = s[end];
          if (c == '[') ++brackets;
          else if (c == ']') --brackets;
          else if (c == '>' && brackets <= 0) break;
        }
        if (end >= n) return false;
      }
      i = end + 1;
    } else {
      const bool closing = rest.starts_with("</");
      std::size_t end = s.find('>', i);
      if (end == std::string_view::npos) return false;
      // Only a quoted attribute value can hide a '>' inside a tag.
      if (s.substr(i, end - i).find_first_of("\"'") != std::string_view::npos) {
        char quote = 0;
        for (end = i + 1; end < n; ++end) {
          char c = s[end];
          if (quote != 0) {
            if (c == quote) quote = 0;
          } else if (c == '"' || c == '\'') {
            quote = c;
          } else if (c == '>') {
            break;
          }
        }
        if (end >= n) return false;
      }
      const bool selfClosing = s[end - 1] == '/';
      if (!closing && ++elements > maxElements) return false;
      if (closing) {
        --depth;
      } else if (!selfClosing) {
        if (++depth > maxElementDepth) return false;
      }
      i = end + 1;
    }
  }
}

// ---- Binary pre-scan ----------------------------------------------------

std::uint64_t readBigEndian(const unsigned char* p, std::size_t size) {
  std::uint64_t v = 0;
  for (std::size_t k = 0; k < size; ++k) v = (v << 8) | p[k];
  return v;
}

// Checks the object graph reachable from the top object: every reference in
// range, no cycles, containers nested no deeper than maxDepth, and at most
// maxNodes nodes once shared objects are expanded (a dictionary counts itself,
// its keys and its values). Objects are visited once (depths and expanded
// counts are memoised, counts saturating just above the bound), and the walk
// stops as soon as it goes deeper than allowed, so the work is linear and the
// stack is small.
bool binaryWithin(std::string_view s, int maxDepth, std::size_t maxNodes) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t size = s.size();
  if (size < kBinaryMagic.size() + 32) return false;
  const unsigned char* trailer = bytes + size - 32;
  const std::size_t offsetSize = trailer[6];
  const std::size_t refSize = trailer[7];
  const std::uint64_t objectCount = readBigEndian(trailer + 8, 8);
  const std::uint64_t topObject = readBigEndian(trailer + 16, 8);
  const std::uint64_t tableOffset = readBigEndian(trailer + 24, 8);
  const std::size_t bodyEnd = size - 32;
  if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8) return false;
  if (objectCount == 0 || topObject >= objectCount) return false;
  if (tableOffset < kBinaryMagic.size() || tableOffset > bodyEnd) return false;
  if (objectCount > (bodyEnd - tableOffset) / offsetSize) return false;

  // Where the references of an object start and how many there are; 0 refs
  // for anything that is not a container.
  struct Refs {
    std::size_t start = 0;
    std::uint64_t count = 0;
    bool container = false;
    std::uint64_t keys = 0;  // a dictionary's first `keys` references are its keys
  };
  // An object's kind, its count (the length of a string, the entries of a
  // container; an extended count follows the marker as an integer object)
  // and where its body starts; false when it does not lie in the body.
  struct Header {
    unsigned kind = 0;
    std::uint64_t count = 0;
    std::size_t body = 0;
  };
  auto headerOf = [&](std::uint64_t object, Header& out) -> bool {
    const std::uint64_t offset = readBigEndian(bytes + tableOffset + object * offsetSize, offsetSize);
    if (offset < kBinaryMagic.size() || offset >= tableOffset) return false;
    out.kind = bytes[offset] >> 4;
    out.count = bytes[offset] & 0x0F;
    out.body = offset + 1;
    if (out.count != 0x0F) return true;
    // Only kinds with a count have the extended form; others read 0x0F as is.
    if (out.kind != 0x5 && out.kind != 0x6 && out.kind != 0xA && out.kind != 0xC && out.kind != 0xD) return true;
    if (out.body >= tableOffset) return false;
    const unsigned char intMarker = bytes[out.body];
    if ((intMarker >> 4) != 0x1 || (intMarker & 0x0F) > 3) return false;
    const std::size_t intSize = std::size_t{1} << (intMarker & 0x0F);
    if (out.body + 1 + intSize > tableOffset) return false;
    out.count = readBigEndian(bytes + out.body + 1, intSize);
    out.body += 1 + intSize;
    return true;
  };
  // libplist asserts (and aborts) on a dictionary key that is not a string,
  // and on one whose text holds a NUL (its length then disagrees with
  // strlen), so keys are checked down to their characters.
  // Memoised: a file may use one long key many times.
  std::vector<std::int8_t> keyVerdict(objectCount, -1);
  auto checkKeyString = [&](std::uint64_t object) {
    Header h;
    if (!headerOf(object, h) || (h.kind != 0x5 && h.kind != 0x6)) return false;
    const std::uint64_t count = h.count;
    const std::size_t pos = h.body;
    const unsigned kind = h.kind;
    const std::size_t unit = kind == 0x6 ? 2 : 1;
    if (count > (tableOffset - pos) / unit) return false;
    for (std::size_t i = 0; i < count; ++i) {
      const unsigned char* c = bytes + pos + i * unit;
      if (c[0] == 0 && (unit == 1 || c[1] == 0)) return false;
    }
    return true;
  };
  auto isKeyString = [&](std::uint64_t object) {
    if (keyVerdict[object] < 0) keyVerdict[object] = checkKeyString(object) ? 1 : 0;
    return keyVerdict[object] == 1;
  };
  auto refsOf = [&](std::uint64_t object, Refs& out) -> bool {
    out = Refs{};
    Header h;
    if (!headerOf(object, h)) return false;
    const unsigned kind = h.kind;
    if (kind != 0xA && kind != 0xC && kind != 0xD) return true;
    const std::uint64_t count = h.count;
    const std::size_t pos = h.body;
    const std::uint64_t refs = kind == 0xD ? count * 2 : count;
    if (count > tableOffset || refs > (tableOffset - pos) / refSize) return false;
    out = Refs{pos, refs, true, kind == 0xD ? count : 0};
    return true;
  };

  enum : std::uint8_t { kUnvisited, kInProgress, kDone };
  std::vector<std::uint8_t> state(objectCount, kUnvisited);
  std::vector<std::uint32_t> depthOf(objectCount, 0);
  std::vector<std::uint64_t> nodesOf(objectCount, 1);
  const std::uint64_t nodeCap = static_cast<std::uint64_t>(maxNodes) + 1;
  auto addNodes = [nodeCap](std::uint64_t a, std::uint64_t b) { return std::min(a + b, nodeCap); };
  struct Frame {
    std::uint64_t object;
    Refs refs;
    std::uint64_t next = 0;
    int depth = 0;           // deepest container depth seen below, this one included
    std::uint64_t nodes = 1;  // expanded nodes so far, this one included
  };
  std::vector<Frame> stack;
  stack.reserve(static_cast<std::size_t>(maxDepth) + 1);
  auto push = [&](std::uint64_t object) -> bool {
    Refs refs;
    if (!refsOf(object, refs)) return false;
    if (!refs.container) {
      state[object] = kDone;
      depthOf[object] = 0;
      if (!stack.empty()) {
        stack.back().nodes = addNodes(stack.back().nodes, 1);
        if (stack.back().nodes > maxNodes) return false;
      }
      return true;
    }
    if (static_cast<int>(stack.size()) >= maxDepth) return false;  // one container too many
    state[object] = kInProgress;
    stack.push_back(Frame{object, refs, 0, 1, 1});
    return true;
  };
  if (!push(topObject)) return false;
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next == frame.refs.count) {
      const int depth = frame.depth;
      const std::uint64_t nodes = frame.nodes;
      state[frame.object] = kDone;
      depthOf[frame.object] = static_cast<std::uint32_t>(depth);
      nodesOf[frame.object] = nodes;
      stack.pop_back();
      if (stack.empty()) return nodes <= maxNodes;
      Frame& parent = stack.back();
      parent.depth = std::max(parent.depth, depth + 1);
      parent.nodes = addNodes(parent.nodes, nodes);
      if (parent.nodes > maxNodes) return false;
      continue;
    }
    const std::uint64_t child =
        readBigEndian(bytes + frame.refs.start + frame.next * refSize, refSize);
    const bool isKey = frame.next < frame.refs.keys;
    ++frame.next;
    if (child >= objectCount) return false;
    if (isKey && !isKeyString(child)) return false;
    if (state[child] == kInProgress) return false;  // a cycle
    if (state[child] == kDone) {
      const int depth = static_cast<int>(depthOf[child]) + 1;
      if (static_cast<int>(stack.size()) - 1 + depth > maxDepth) return false;
      frame.depth = std::max(frame.depth, depth);
      frame.nodes = addNodes(frame.nodes, nodesOf[child]);
      if (frame.nodes > maxNodes) return false;
      continue;
    }
    if (!push(child)) return false;  // may move `frame`; not used after this
  }
  return true;
}

// ---- libplist <-> Value -------------------------------------------------

// Fills `out`; false when the node cannot be represented (a UID) or the
// containers nest deeper than maxDepth.
bool toValue(plist_t node, int depth, int maxDepth, Value& out) {
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      std::uint8_t b = 0;
      plist_get_bool_val(node, &b);
      out = Value(b != 0);
      return true;
    }
    case PLIST_UINT: {
      std::uint64_t v = 0;
      plist_get_uint_val(node, &v);
      out = Value(Number{static_cast<std::int64_t>(v)});
      return true;
    }
    case PLIST_REAL: {
      double d = 0;
      plist_get_real_val(node, &d);
      out = Value(d);
      return true;
    }
    case PLIST_STRING: {
      std::uint64_t length = 0;
      const char* p = plist_get_string_ptr(node, &length);
      out = Value(std::string(p != nullptr ? p : "", p != nullptr ? length : 0));
      return true;
    }
    case PLIST_DATA: {
      std::uint64_t length = 0;
      const char* p = plist_get_data_ptr(node, &length);
      const auto* b = reinterpret_cast<const std::uint8_t*>(p);
      out = Value(p != nullptr ? Data(b, b + length) : Data());
      return true;
    }
    case PLIST_DATE: {
      std::int32_t sec = 0;
      std::int32_t usec = 0;
      plist_get_date_val(node, &sec, &usec);
      out = Value(static_cast<double>(sec) + static_cast<double>(usec) / 1e6);
      return true;
    }
    case PLIST_ARRAY: {
      if (depth + 1 > maxDepth) return false;
      Array array;
      array.reserve(plist_array_get_size(node));
      plist_array_iter rawIter = nullptr;
      plist_array_new_iter(node, &rawIter);
      std::unique_ptr<void, MallocDeleter> iter(rawIter);
      while (true) {
        plist_t item = nullptr;
        plist_array_next_item(node, rawIter, &item);
        if (item == nullptr) break;
        if (plist_get_node_type(item) == PLIST_UID) continue;
        Value v;
        if (!toValue(item, depth + 1, maxDepth, v)) return false;
        array.push_back(std::move(v));
      }
      out = Value(std::move(array));
      return true;
    }
    case PLIST_DICT: {
      if (depth + 1 > maxDepth) return false;
      Dictionary dictionary;
      plist_dict_iter rawIter = nullptr;
      plist_dict_new_iter(node, &rawIter);
      std::unique_ptr<void, MallocDeleter> iter(rawIter);
      while (true) {
        char* rawKey = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, rawIter, &rawKey, &item);
        std::unique_ptr<char, MallocDeleter> key(rawKey);
        if (item == nullptr) break;
        if (key == nullptr || plist_get_node_type(item) == PLIST_UID) continue;
        Value v;
        if (!toValue(item, depth + 1, maxDepth, v)) return false;
        dictionary.insert_or_assign(std::string(key.get()), std::move(v));
      }
      out = Value(std::move(dictionary));
      return true;
    }
    default:
      return false;
  }
}

// Text as libplist must get it. Its binary writer converts strings to UTF-16
// and stops at the first invalid UTF-8 byte, so a broken value would be cut
// short; invalid bytes become U+FFFD, as everywhere else.
std::string validUtf8(const std::string& text) {
  return isValidUtf8(text) ? text : toUtf8(toUtf16(text));
}

// A libplist node for the value; null for nil.
PlistPtr toNode(const Value& value) {
  if (const std::string* text = value.text()) return PlistPtr(plist_new_string(validUtf8(*text).c_str()));
  if (const bool* b = value.boolean()) return PlistPtr(plist_new_bool(*b ? 1 : 0));
  if (const Number* n = value.number()) {
    if (const auto* i = std::get_if<std::int64_t>(&n->value))
      return PlistPtr(plist_new_uint(static_cast<std::uint64_t>(*i)));
    return PlistPtr(plist_new_real(n->asDouble()));
  }
  if (const Data* d = value.data())
    return PlistPtr(plist_new_data(reinterpret_cast<const char*>(d->data()), d->size()));
  if (const Array* items = value.array()) {
    PlistPtr array(plist_new_array());
    for (const Value& item : *items) {
      if (PlistPtr child = toNode(item)) plist_array_append_item(array.get(), child.release());
    }
    return array;
  }
  if (const Dictionary* entries = value.dictionary()) {
    PlistPtr dictionary(plist_new_dict());
    for (const auto& [key, item] : *entries) {
      if (PlistPtr child = toNode(item))
        plist_dict_set_item(dictionary.get(), validUtf8(key).c_str(), child.release());
    }
    return dictionary;
  }
  return nullptr;  // nil
}

std::string errnoText(int error) { return std::strerror(error); }

// Reads the whole file, refusing anything that is not a regular file or is
// larger than maxBytes (checked before reading). O_NONBLOCK keeps the open of
// a FIFO from waiting for a writer; it changes nothing for regular files.
std::optional<std::string> readSmallFile(const std::filesystem::path& path, std::size_t maxBytes) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  if (static_cast<std::uint64_t>(info.st_size) > maxBytes) return std::nullopt;
  // One byte more than the size: a read that fills it means the file grew
  // since fstat. A short read of a regular file means its end.
  std::string bytes(static_cast<std::size_t>(info.st_size) + 1, '\0');
  std::size_t used = 0;
  while (true) {
    ssize_t got = ::read(fd.get(), bytes.data() + used, bytes.size() - used);
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    used += static_cast<std::size_t>(got);
    if (got == 0 || used < bytes.size()) break;
    if (bytes.size() > maxBytes) return std::nullopt;
    bytes.resize(std::min(bytes.size() * 2, maxBytes + 1));
  }
  if (used > maxBytes) return std::nullopt;
  bytes.resize(used);
  return bytes;
}

bool writeAll(int fd, std::string_view bytes, int& error) {
  while (!bytes.empty()) {
    ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
    if (wrote < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(wrote));
  }
  return true;
}

// Removes temporary files of `target` that a writer killed between creating
// and renaming them left behind. Only names mkostemp could have made for this
// target, and only files older than a minute: a younger one may belong to a
// writer in another process that is still at work.
void removeStaleTemporaries(const std::filesystem::path& folder, const std::string& target) {
  const std::string prefix = "." + target + ".";
  constexpr std::size_t kRandomPart = 6;  // the XXXXXX of mkostemp
  const auto now = std::filesystem::file_time_type::clock::now();
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() != prefix.size() + kRandomPart || !name.starts_with(prefix)) continue;
    std::error_code entryError;
    if (!it->is_regular_file(entryError) || entryError) continue;
    const auto modified = it->last_write_time(entryError);
    if (entryError || now - modified < std::chrono::minutes(1)) continue;
    std::filesystem::remove(it->path(), entryError);
  }
}

}  // namespace

std::optional<Value> parsePropertyList(std::string_view bytes, PropertyListLimits limits) {
  if (bytes.empty() || bytes.size() > limits.maxBytes || limits.maxDepth < 0) return std::nullopt;
  if (bytes.size() > UINT32_MAX) return std::nullopt;
  if (bytes.starts_with(kBinaryMagic)) {
    if (!binaryWithin(bytes, limits.maxDepth, limits.maxNodes)) return std::nullopt;
  } else {
    // <plist> wraps the top object and a leaf element sits inside the
    // deepest container: two element levels more than container levels.
    // Dictionary keys are elements too, as they are nodes in the binary count.
    if (!xmlWithin(bytes, limits.maxDepth + 2, limits.maxNodes + 1)) return std::nullopt;
  }
  plist_t raw = nullptr;
  plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &raw);
  PlistPtr root(raw);
  if (!root) return std::nullopt;
  Value value;
  if (!toValue(root.get(), 0, limits.maxDepth, value)) return std::nullopt;
  return value;
}

std::string serializePropertyList(const Value& value, PropertyListFormat format) {
  PlistPtr root = toNode(value);
  if (!root) return {};
  char* raw = nullptr;  // libplist writes nothing unless this starts null
  std::uint32_t length = 0;
  std::string out;
  if (format == PropertyListFormat::Xml) {
    plist_to_xml(root.get(), &raw, &length);
    if (raw != nullptr) out.assign(raw, length);
    plist_to_xml_free(raw);
  } else {
    plist_to_bin(root.get(), &raw, &length);
    if (raw != nullptr) out.assign(raw, length);
    plist_to_bin_free(raw);
  }
  return out;
}

std::shared_ptr<const Dictionary> readSharedDictionaryFile(const std::filesystem::path& path,
                                                           PropertyListLimits limits) {
  if (std::shared_ptr<const Dictionary> cached = detail::cachedDictionary(path, limits)) return cached;
  struct stat before {};
  const bool stamped = ::stat(path.c_str(), &before) == 0;
  std::optional<std::string> bytes = readSmallFile(path, limits.maxBytes);
  if (!bytes) return nullptr;
  detail::countParse();
  std::optional<Value> value = parsePropertyList(*bytes, limits);
  if (!value || !value->isDictionary()) return nullptr;
  auto dictionary = std::make_shared<const Dictionary>(std::move(*value->dictionary()));
  if (stamped) detail::rememberDictionary(path, limits, before, dictionary);
  return dictionary;
}

std::optional<Dictionary> readDictionaryFile(const std::filesystem::path& path,
                                             PropertyListLimits limits) {
  std::shared_ptr<const Dictionary> shared = readSharedDictionaryFile(path, limits);
  if (!shared) return std::nullopt;
  return *shared;
}

Status writeDictionaryFile(const std::filesystem::path& path, const Dictionary& dictionary,
                           PropertyListFormat format, Durability durability) {
  const std::string bytes = serializePropertyList(Value(dictionary), format);
  if (bytes.empty())
    return Status::failure("cannot write " + path.string() + ": expected a serialized dictionary, got nothing");
  if (!path.has_filename())
    return Status::failure("cannot write " + path.string() + ": expected a file path, got a folder");

  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec)
    return Status::failure("cannot create folder " + folder.string() + ": " + ec.message());

  std::string temp = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  FileDescriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (fd.get() < 0)
    return Status::failure("cannot create a temporary file in " + folder.string() + ": " +
                           errnoText(errno));
  auto fail = [&](const std::string& what, int error) {
    ::unlink(temp.c_str());
    return Status::failure(what + " " + temp + ": " + errnoText(error));
  };

  // Keep the permissions of the file being replaced; new files are readable
  // by everyone, as the platform's preference files are.
  struct stat previous {};
  const mode_t mode = ::stat(path.c_str(), &previous) == 0 ? (previous.st_mode & 07777) : 0644;
  if (::fchmod(fd.get(), mode) != 0) return fail("cannot set the mode of", errno);
  int error = 0;
  if (!writeAll(fd.get(), bytes, error)) return fail("cannot write", error);
  if (durability == Durability::powerLoss && ::fsync(fd.get()) != 0) return fail("cannot flush", errno);
  if (!fd.close()) return fail("cannot close", errno);
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int renameError = errno;
    ::unlink(temp.c_str());
    return Status::failure("cannot replace " + path.string() + ": " + errnoText(renameError));
  }
  // Make the rename itself durable. The new file is already in place, so a
  // failure here is not reported as a failed write.
  if (durability == Durability::powerLoss) {
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
  }
  removeStaleTemporaries(folder, path.filename().string());
  return Status::success();
}

}  // namespace foundation
