#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "TempDeviceRoot.h"
#include "DictionaryFileCache.h"
#include "foundation/PropertyList.h"

namespace {

namespace fs = std::filesystem;
using foundation::Array;
using foundation::Data;
using foundation::Dictionary;
using foundation::Number;
using foundation::PropertyListFormat;
using foundation::PropertyListLimits;
using foundation::Value;

std::string slurp(const fs::path& path) {
  std::string bytes(fs::file_size(path), '\0');
  std::ifstream(path, std::ios::binary).read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

void spit(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> folderEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// A binary property list whose objects are given as raw encodings; object 0
// is the top. References and offsets are four bytes wide.
std::string binaryPlist(const std::vector<std::string>& objects) {
  std::string out = "bplist00";
  std::vector<std::uint32_t> offsets;
  for (const std::string& object : objects) {
    offsets.push_back(static_cast<std::uint32_t>(out.size()));
    out += object;
  }
  auto bigEndian = [](std::uint64_t v, int size) {
    std::string bytes;
    for (int k = size - 1; k >= 0; --k) bytes += static_cast<char>((v >> (8 * k)) & 0xFF);
    return bytes;
  };
  const std::uint64_t tableOffset = out.size();
  for (std::uint32_t offset : offsets) out += bigEndian(offset, 4);
  out += std::string(6, '\0');
  out += '\x04';  // offset size
  out += '\x04';  // reference size
  out += bigEndian(objects.size(), 8);
  out += bigEndian(0, 8);
  out += bigEndian(tableOffset, 8);
  return out;
}

std::string arrayOf(const std::vector<std::uint32_t>& refs) {
  std::string object(1, static_cast<char>(0xA0 | refs.size()));
  for (std::uint32_t ref : refs) {
    for (int k = 3; k >= 0; --k) object += static_cast<char>((ref >> (8 * k)) & 0xFF);
  }
  return object;
}

// An array of any length (the count follows the marker as a 4-byte integer).
std::string longArrayOf(std::uint32_t count, std::uint32_t ref) {
  std::string object = "\xAF\x12";
  for (int k = 3; k >= 0; --k) object += static_cast<char>((count >> (8 * k)) & 0xFF);
  for (std::uint32_t i = 0; i < count; ++i) {
    for (int k = 3; k >= 0; --k) object += static_cast<char>((ref >> (8 * k)) & 0xFF);
  }
  return object;
}

std::string asciiString(const std::string& text) {
  return std::string(1, static_cast<char>(0x50 | text.size())) + text;
}

std::string nestedXmlArrays(int depth) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
  for (int k = 0; k < depth; ++k) xml += "<array>";
  xml += "<string>deep</string>";
  for (int k = 0; k < depth; ++k) xml += "</array>";
  return xml + "</plist>\n";
}

template <class T>
bool holds(const Value& value) {
  const Number* n = value.number();
  return n != nullptr && std::holds_alternative<T>(n->value);
}

Value nestedArrays(int depth) {
  Value v("deep");
  for (int k = 0; k < depth; ++k) v = Value(Array{v});
  return v;
}

Dictionary sampleDictionary() {
  return Dictionary{
      {"text", Value("歌词 <&> \"quoted\"")},
      {"integer", Value(269)},
      {"negative", Value(-5)},
      {"large", Value(Number{std::int64_t{1} << 40})},
      {"real", Value(37.25)},
      {"yes", Value(true)},
      {"no", Value(false)},
      {"data", Value(Data{0x00, 0xFF, 0x10})},
      {"list", Value(Array{Value("a"), Value(1), Value(Dictionary{{"k", Value("v")}})})},
      {"empty", Value(Dictionary{})},
  };
}

class PropertyListFileTest : public ::testing::Test {
 protected:
  hvtest::TempDeviceRoot root_;
  fs::path file_ = root_.path() / "var/mobile/Library/Preferences/1";
};

TEST_F(PropertyListFileTest, XmlAndBinaryRoundTripEveryValueType) {
  for (auto format : {PropertyListFormat::Xml, PropertyListFormat::Binary}) {
    ASSERT_TRUE(foundation::writeDictionaryFile(file_, sampleDictionary(), format).ok());
    auto read = foundation::readDictionaryFile(file_);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, sampleDictionary());
    // Integers stay integral, reals stay real.
    EXPECT_TRUE(holds<std::int64_t>((*read)["integer"]));
    EXPECT_TRUE(holds<double>((*read)["real"]));
  }
}

// libplist's binary writer stops a string at its first invalid UTF-8 byte:
// such bytes are written as U+FFFD instead, in keys and values alike.
TEST_F(PropertyListFileTest, InvalidUtf8IsWrittenAsReplacementCharactersNotCutShort) {
  const Dictionary broken{{"k\xff", Value("a\xff" "b\xc3(z")}};
  const Dictionary expected{{"k\xEF\xBF\xBD", Value("a\xEF\xBF\xBD" "b\xEF\xBF\xBD(z")}};
  for (auto format : {PropertyListFormat::Xml, PropertyListFormat::Binary}) {
    ASSERT_TRUE(foundation::writeDictionaryFile(file_, broken, format).ok());
    EXPECT_EQ(foundation::readDictionaryFile(file_), expected);
  }
}

TEST_F(PropertyListFileTest, NilEntriesAreLeftOutAndNilDocumentsSerializeToNothing) {
  Dictionary withNil{{"kept", Value("1")}, {"dropped", Value()}};
  ASSERT_TRUE(foundation::writeDictionaryFile(file_, withNil).ok());
  EXPECT_EQ(foundation::readDictionaryFile(file_), (Dictionary{{"kept", Value("1")}}));
  EXPECT_EQ(foundation::serializePropertyList(Value(), PropertyListFormat::Xml), "");
}

TEST_F(PropertyListFileTest, DatesReadAsSecondsSinceTheReferenceDate) {
  auto value = foundation::parsePropertyList(
      "<plist><dict><key>d</key><date>2001-01-01T00:01:40Z</date></dict></plist>");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ((*value)["d"], Value(100.0));
}

TEST_F(PropertyListFileTest, BrokenFilesReadAsNothing) {
  const std::string good = foundation::serializePropertyList(Value(sampleDictionary()),
                                                             PropertyListFormat::Xml);
  const std::string binary = foundation::serializePropertyList(Value(sampleDictionary()),
                                                               PropertyListFormat::Binary);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"empty", ""},
      {"garbage", "this is not a property list"},
      {"truncated xml", good.substr(0, good.size() / 2)},
      {"truncated binary", binary.substr(0, binary.size() - 5)},
      {"binary magic only", "bplist00"},
      {"unterminated comment", "<plist><!-- <dict>"},
      {"array, not a dictionary", foundation::serializePropertyList(Value(Array{Value("x")}),
                                                                   PropertyListFormat::Xml)},
      {"text, not a dictionary", "<plist><string>x</string></plist>"},
  };
  for (const auto& [name, bytes] : cases) {
    spit(file_, bytes);
    EXPECT_FALSE(foundation::readDictionaryFile(file_).has_value()) << name;
  }
  EXPECT_FALSE(foundation::readDictionaryFile(root_.path() / "absent").has_value());
  EXPECT_FALSE(foundation::readDictionaryFile(root_.path()).has_value()) << "a folder";
}

// Opening a FIFO for reading waits for a writer: a settings path that is a
// FIFO must read as nothing at once instead of hanging every reader.
TEST_F(PropertyListFileTest, AFifoInPlaceOfTheFileReadsAsNothingWithoutWaiting) {
  fs::create_directories(file_.parent_path());
  ASSERT_EQ(::mkfifo(file_.c_str(), 0600), 0);
  auto read = std::async(std::launch::async, [this] { return foundation::readDictionaryFile(file_); });
  if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    // Let the blocked reader go (a writer that opens and closes at once).
    const int fd = ::open(file_.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
    ADD_FAILURE() << "reading a FIFO waited for a writer";
  }
  EXPECT_FALSE(read.get().has_value());
}

TEST_F(PropertyListFileTest, FilesOverTheSizeLimitAreNotRead) {
  Dictionary big{{"k", Value(std::string(2u << 20, 'x'))}};
  ASSERT_TRUE(foundation::writeDictionaryFile(file_, big).ok());
  EXPECT_FALSE(foundation::readDictionaryFile(file_).has_value());

  ASSERT_TRUE(foundation::writeDictionaryFile(file_, sampleDictionary()).ok());
  const std::size_t size = fs::file_size(file_);
  EXPECT_TRUE(foundation::readDictionaryFile(file_, PropertyListLimits{size, 16}).has_value());
  EXPECT_FALSE(foundation::readDictionaryFile(file_, PropertyListLimits{size - 1, 16}).has_value());
}

TEST_F(PropertyListFileTest, HugelyNestedInputIsRejectedBeforeParsing) {
  // libplist 2.2 recurses on nesting and would overflow the stack on these.
  spit(file_, nestedXmlArrays(100000));
  EXPECT_FALSE(foundation::readDictionaryFile(file_).has_value());
  EXPECT_FALSE(foundation::parsePropertyList(nestedXmlArrays(100000)).has_value());

  std::vector<std::string> objects;
  for (std::uint32_t k = 0; k + 1 < 100000; ++k) objects.push_back(arrayOf({k + 1}));
  objects.push_back(arrayOf({}));
  const std::string deepBinary = binaryPlist(objects);
  ASSERT_LT(deepBinary.size(), PropertyListLimits{}.maxBytes);
  EXPECT_FALSE(foundation::parsePropertyList(deepBinary).has_value());
}

TEST_F(PropertyListFileTest, NestingIsAllowedUpToTheLimitExactly) {
  const PropertyListLimits limits{1u << 20, 4};
  for (auto format : {PropertyListFormat::Xml, PropertyListFormat::Binary}) {
    const std::string within = foundation::serializePropertyList(nestedArrays(4), format);
    const std::string beyond = foundation::serializePropertyList(nestedArrays(5), format);
    EXPECT_EQ(foundation::parsePropertyList(within, limits), nestedArrays(4));
    EXPECT_FALSE(foundation::parsePropertyList(beyond, limits).has_value());
  }
  // Without the <plist> wrapper the XML pre-scan has a level to spare; the
  // conversion still enforces the container depth.
  EXPECT_FALSE(foundation::parsePropertyList(
                   "<array><array><array><array><array><string>x</string></array></array>"
                   "</array></array></array>",
                   limits)
                   .has_value());
}

TEST_F(PropertyListFileTest, BinaryGraphsWithCyclesOrBadReferencesAreRejected) {
  EXPECT_FALSE(foundation::parsePropertyList(binaryPlist({arrayOf({0})})).has_value());
  EXPECT_FALSE(foundation::parsePropertyList(binaryPlist({arrayOf({1}), arrayOf({0})})).has_value());
  EXPECT_FALSE(foundation::parsePropertyList(binaryPlist({arrayOf({7})})).has_value());
  // A dictionary whose key is not a string (libplist 2.2 aborts on it).
  const std::string badKey = "\xD1" + std::string("\0\0\0\1", 4) + std::string("\0\0\0\2", 4);
  EXPECT_FALSE(foundation::parsePropertyList(binaryPlist({badKey, arrayOf({}), asciiString("v")})).has_value());
  const std::string goodKey = "\xD1" + std::string("\0\0\0\1", 4) + std::string("\0\0\0\2", 4);
  EXPECT_EQ(foundation::parsePropertyList(binaryPlist({goodKey, asciiString("k"), asciiString("v")})),
            Value(Dictionary{{"k", Value("v")}}));
  // Keys holding a NUL, in ASCII or UTF-16 (libplist 2.2 aborts on those too).
  for (const std::string& key : {asciiString(std::string("k\0y", 3)), std::string("\x62\0k\0\0", 5)})
    EXPECT_FALSE(foundation::parsePropertyList(binaryPlist({goodKey, key, asciiString("v")})).has_value());
  EXPECT_EQ(foundation::parsePropertyList(binaryPlist({goodKey, std::string("\x61\0k", 3), asciiString("v")})),
            Value(Dictionary{{"k", Value("v")}}));
  EXPECT_EQ(foundation::parsePropertyList(binaryPlist({arrayOf({1}), asciiString("ok")})),
            Value(Array{Value("ok")}));
}

TEST_F(PropertyListFileTest, SharedBinaryObjectsCountAtTheirDeepestUse) {
  // 0 = [1, 2], 1 = ["x"], 2 = [1]: object 1 sits at depth 2 directly and at
  // depth 3 through object 2.
  const std::string shared =
      binaryPlist({arrayOf({1, 2}), arrayOf({3}), arrayOf({1}), asciiString("x")});
  const Value inner(Array{Value("x")});
  const Value expected(Array{inner, Value(Array{inner})});
  EXPECT_EQ(foundation::parsePropertyList(shared, PropertyListLimits{1u << 20, 3}), expected);
  EXPECT_FALSE(foundation::parsePropertyList(shared, PropertyListLimits{1u << 20, 2}).has_value());
}

TEST_F(PropertyListFileTest, SharedObjectsThatExpandBeyondTheNodeBoundAreRefused) {
  // 160 KB on disk, 4 x 10^8 nodes once libplist copies every shared use.
  const std::string bomb =
      binaryPlist({longArrayOf(20000, 1), longArrayOf(20000, 2), asciiString("x")});
  spit(file_, bomb);
  EXPECT_FALSE(foundation::readDictionaryFile(file_).has_value());
  EXPECT_FALSE(foundation::parsePropertyList(bomb).has_value());

  // The bound is exact: 1 + 99 x (1 + 1000) nodes.
  const std::string shared =
      binaryPlist({longArrayOf(99, 1), longArrayOf(1000, 2), asciiString("x")});
  PropertyListLimits limits;
  limits.maxNodes = 99'100;
  std::optional<Value> parsed = foundation::parsePropertyList(shared, limits);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->array()->size(), 99u);
  limits.maxNodes = 99'099;
  EXPECT_FALSE(foundation::parsePropertyList(shared, limits).has_value());

  // XML cannot share, but its elements are bounded the same way; keys count.
  const Value dict(Dictionary{{"a", Value("1")}, {"b", Value("2")}});
  const std::string xml = foundation::serializePropertyList(dict, PropertyListFormat::Xml);
  limits.maxNodes = 5;
  EXPECT_EQ(foundation::parsePropertyList(xml, limits), dict);
  limits.maxNodes = 4;
  EXPECT_FALSE(foundation::parsePropertyList(xml, limits).has_value());
}

TEST_F(PropertyListFileTest, WritingCreatesFoldersAndLeavesNoTemporaryFiles) {
  ASSERT_TRUE(foundation::writeDictionaryFile(file_, {{"a", Value("1")}}).ok());
  ASSERT_TRUE(foundation::writeDictionaryFile(file_, {{"b", Value("2")}}).ok());
  EXPECT_EQ(folderEntries(file_.parent_path()), std::vector<std::string>{"1"});
  EXPECT_EQ(foundation::readDictionaryFile(file_), (Dictionary{{"b", Value("2")}}));
  EXPECT_EQ(fs::status(file_).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                fs::perms::others_read);
}

TEST_F(PropertyListFileTest, ASaveClearsTemporariesThatKilledWritersLeftBehind) {
  const fs::path folder = file_.parent_path();
  const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(5);
  auto leftover = [&](const std::string& name, bool stale) {
    spit(folder / name, "partial");
    if (stale) fs::last_write_time(folder / name, old);
  };
  leftover(".1.a1B2c3", true);          // a killed writer of this file
  leftover(".1.Zz9Yy8", false);         // a writer still at work elsewhere
  leftover(".10.q1w2e3", true);         // another file's temporary
  leftover(".1.toolongname", true);     // not a name mkostemp makes
  leftover("notes", true);
  ASSERT_TRUE(foundation::writeDictionaryFile(file_, {{"a", Value("1")}}).ok());
  EXPECT_EQ(folderEntries(folder),
            (std::vector<std::string>{".1.Zz9Yy8", ".1.toolongname", ".10.q1w2e3", "1", "notes"}));
}

TEST_F(PropertyListFileTest, FailedWritesReportWhyAndKeepNothingBehind) {
  // A folder where the file should be: the rename fails.
  fs::create_directories(file_ / "occupied");
  foundation::Status status = foundation::writeDictionaryFile(file_, {{"a", Value("1")}});
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find(file_.string()), std::string::npos) << status.message();
  EXPECT_EQ(folderEntries(file_.parent_path()), std::vector<std::string>{"1"});

  // A regular file where a parent folder should be.
  spit(root_.path() / "blocker", "x");
  status = foundation::writeDictionaryFile(root_.path() / "blocker" / "sub" / "f.plist",
                                           {{"a", Value("1")}});
  EXPECT_FALSE(status.ok());
  EXPECT_FALSE(status.message().empty());
}

TEST_F(PropertyListFileTest, AWriteThatFailsHalfwayLeavesThePreviousFileByteIdentical) {
  ASSERT_TRUE(foundation::writeDictionaryFile(file_, sampleDictionary()).ok());
  const std::string before = slurp(file_);

  // Cap the file size so the new, larger contents cannot be written in full
  // (this works for every user, root included).
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto* oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit capped = old;
  capped.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &capped), 0);
  foundation::Status status =
      foundation::writeDictionaryFile(file_, {{"big", Value(std::string(100000, 'y'))}});
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find("cannot write"), std::string::npos) << status.message();
  EXPECT_EQ(slurp(file_), before);
  EXPECT_EQ(folderEntries(file_.parent_path()), std::vector<std::string>{"1"});
}

// Root ignores folder permissions, so as root the write is attempted by a
// child process that has dropped to an unprivileged user.
TEST_F(PropertyListFileTest, AnUnwritableFolderFailsAndKeepsTheOldFile) {
  ASSERT_TRUE(foundation::writeDictionaryFile(file_, sampleDictionary()).ok());
  const std::string before = slurp(file_);
  const bool asRoot = ::geteuid() == 0;
  if (asRoot) {
    // Let the unprivileged user reach the file but not write into its folder.
    for (fs::path p = file_.parent_path(); p != root_.path().parent_path(); p = p.parent_path())
      fs::permissions(p, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
  } else {
    fs::permissions(file_.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
  }
  auto attempt = [&] {
    foundation::Status status = foundation::writeDictionaryFile(file_, {{"a", Value("1")}});
    return !status.ok() && status.message().find("temporary") != std::string::npos;
  };
  bool failedAsExpected = false;
  if (asRoot) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
      ::_exit(dropped && attempt() ? 0 : 1);
    }
    int wstatus = 0;
    ASSERT_EQ(::waitpid(child, &wstatus, 0), child);
    failedAsExpected = WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0;
  } else {
    failedAsExpected = attempt();
  }
  fs::permissions(file_.parent_path(), fs::perms::owner_all);
  EXPECT_TRUE(failedAsExpected);
  EXPECT_EQ(slurp(file_), before);
  EXPECT_EQ(folderEntries(file_.parent_path()), std::vector<std::string>{"1"});
}

}  // namespace

// Reading a file nobody changed is served from memory, and every kind of
// change is seen: a rename over it, an in-place rewrite of another size, and
// (the racy case) an in-place rewrite of the same size within one tick of
// the file's clock, which only the refusal to cache recent files catches.
TEST(DictionaryFileCacheTest, UnchangedFilesAreNotParsedAgainAndEveryChangeIsSeen) {
  hvtest::TempDeviceRoot root;
  const fs::path file = root.path() / "settings.plist";
  auto textOf = [&] {
    const std::optional<Dictionary> d = foundation::readDictionaryFile(file);
    return d ? foundation::describe(Value(*d)) : std::string("(unreadable)");
  };
  auto rewriteInPlace = [&](const Dictionary& d) {
    const std::string bytes = foundation::serializePropertyList(Value(d), foundation::PropertyListFormat::Xml);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);  // same inode
    out << bytes;
  };
  foundation::detail::forgetDictionaries();

  // Recent files: never cached, so a same-size rewrite is seen at once.
  rewriteInPlace({{"k", Value("aaaa")}});
  EXPECT_EQ(textOf(), foundation::describe(Value(Dictionary{{"k", Value("aaaa")}})));
  rewriteInPlace({{"k", Value("bbbb")}});
  EXPECT_EQ(textOf(), foundation::describe(Value(Dictionary{{"k", Value("bbbb")}})));

  // Files treated as settled at once: the second read of an unchanged file
  // parses nothing.
  foundation::detail::setRacyNanosecondsForTests(0);
  const std::size_t before = foundation::detail::dictionaryFilesParsedForTests();
  EXPECT_EQ(textOf(), foundation::describe(Value(Dictionary{{"k", Value("bbbb")}})));
  EXPECT_EQ(textOf(), foundation::describe(Value(Dictionary{{"k", Value("bbbb")}})));
  EXPECT_EQ(foundation::detail::dictionaryFilesParsedForTests(), before + 1);
  // Shared readers get the one dictionary held, not a copy, until it changes.
  const auto shared = foundation::readSharedDictionaryFile(file);
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(foundation::readSharedDictionaryFile(file).get(), shared.get());

  ASSERT_TRUE(foundation::writeDictionaryFile(file, {{"k", Value("renamed over")}}, foundation::PropertyListFormat::Binary).ok());
  EXPECT_EQ(textOf(), foundation::describe(Value(Dictionary{{"k", Value("renamed over")}})));
  EXPECT_NE(foundation::readSharedDictionaryFile(file).get(), shared.get());
  EXPECT_EQ(shared->at("k"), Value("bbbb"));  // what a reader holds stays as it was read
  rewriteInPlace({{"k", Value("another size")}, {"n", Value(1)}});
  EXPECT_EQ(textOf(), foundation::describe(Value(Dictionary{{"k", Value("another size")}, {"n", Value(1)}})));
  fs::remove(file);
  EXPECT_EQ(textOf(), "(unreadable)");

  foundation::detail::setRacyNanosecondsForTests(2'000'000'000LL);
  foundation::detail::forgetDictionaries();
}
