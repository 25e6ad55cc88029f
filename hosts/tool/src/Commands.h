#pragma once
// The commands of hoververse-tool. Each command lives in its own file and is
// listed once in the table in main.cc; it gets the arguments after its name
// and the standard streams, and returns the process exit code.

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

namespace tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the system yielded nothing, or a write failed
inline constexpr int kExitUsage = 2;    // unknown command or bad arguments

struct CommandIO {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

using Arguments = std::span<const std::string_view>;
using CommandFunction = int (*)(Arguments args, CommandIO& io);

struct Command {
  std::string_view name;
  std::string_view usage;  // one or more lines, each starting with the name
  CommandFunction run;
};

// Writes "hoververse-tool: <problem>" and the usage of every command to
// io.err; returns kExitUsage.
int usageError(CommandIO& io, std::string_view problem);

// Reads the whole of a stream as bytes.
std::string readAll(std::istream& in);

int settingsCommand(Arguments args, CommandIO& io);
int defaultsCommand(Arguments args, CommandIO& io);
int lyricCommand(Arguments args, CommandIO& io);
int describeCommand(Arguments args, CommandIO& io);
int demoCommand(Arguments args, CommandIO& io);
int previewCommand(Arguments args, CommandIO& io);
int showcaseCommand(Arguments args, CommandIO& io);
int sheetCommand(Arguments args, CommandIO& io);

}  // namespace tool
