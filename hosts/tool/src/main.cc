// hoververse-tool: shows what the system reads (settings file, lyric line,
// property lists) so its behaviour can be checked from outside.

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "Commands.h"

namespace tool {
namespace {

const Command kCommands[] = {
    {"settings",
     "settings get KEY          print the settings file's value for KEY (empty line when absent)\n"
     "settings set KEY TEXT     store TEXT under KEY in the settings file\n"
     "settings path             print the settings file's real path",
     settingsCommand},
    {"defaults",
     "defaults get KEY          print the home screen's defaults value for KEY as \"%@\" text\n"
     "defaults set KEY TEXT     store TEXT under KEY in the home screen's defaults store\n"
     "defaults list             print the whole defaults store as \"%@\" text",
     defaultsCommand},
    {"lyric",
     "lyric --bundle ID [--route PORTTYPE] [--song] [--sample]\n"
     "                          read a now-playing text form on stdin (or the embedded sample)\n"
     "                          and print the lyric line, then with --song the song name;\n"
     "                          exit 1 when the system yields no value",
     lyricCommand},
    {"describe", "describe                  print an XML or binary property list (stdin) as \"%@\" text",
     describeCommand},
    {"demo", "demo                      the embedded NetEase sample, end to end", demoCommand},
    {"preview",
     "preview floating --lyric TEXT [--frame X,Y,W,H] [--landscape] [--set KEY=VALUE]... [--at SECONDS]\n"
     "                 [--png FILE] [--dump]\n"
     "                          the floating window with TEXT after SECONDS on a virtual clock:\n"
     "                          PNG of the window and/or its view tree as JSON (default)\n"
     "preview alwayson --lyric TEXT [--previous TEXT] [--idiom phone|pad] [--song NAME]\n"
     "                 [--artwork FILE] [--set KEY=VALUE]... [--at SECONDS] [--png FILE] [--dump]\n"
     "                          the always-on window (375 x 812, or 1024 x 1366 for pad) with\n"
     "                          TEXT after SECONDS; --previous is shown first and settles\n"
     "preview panel [--idiom phone|pad] [--landscape] [--do CONTROL=VALUE]... [--notifications]\n"
     "              [--set KEY=VALUE]... [--at SECONDS] [--png FILE] [--dump]\n"
     "                          the settings panel opened; each --do through real touches in order\n"
     "                          (switch on|off, slider NUMBER, colorSegmented INDEX, button tap);\n"
     "                          --notifications prints the names posted as JSON on stderr\n"
     "preview prefs [--page root|fonts] [--idiom phone|pad] [--appearance light|dark] [--landscape]\n"
     "              [--do ACTION=VALUE]... [--set KEY=VALUE]... [--at SECONDS] [--png FILE] [--dump]\n"
     "                          the preference page (or its font chooser) in the Settings app; each\n"
     "                          --do through real touches in order: switchRowA=on|off,\n"
     "                          switchRowB=on|off, alert=ACTION-TITLE, rowC=tap, font=NAME,\n"
     "                          respring=tap (the restart command is replaced by ':')",
     previewCommand},
    {"showcase", "showcase [--out DIR]       render an embedded song in every presentation (default out/preview)",
     showcaseCommand},
    {"sheet",
     "sheet --out FILE [--title TEXT] [--width POINTS] IMAGE[=CAPTION]...\n"
     "                          a contact sheet of PNG files, each WIDTH points wide (default 200)",
     sheetCommand},
};

void printUsage(std::ostream& out) {
  out << "usage: hoververse-tool COMMAND [ARGS]\n"
         "HOVERVERSE_ROOT selects the device root.\n\n";
  for (const Command& command : kCommands) {
    std::string_view usage = command.usage;
    while (!usage.empty()) {
      const std::size_t end = std::min(usage.find('\n'), usage.size());
      out << "  " << usage.substr(0, end) << "\n";
      usage.remove_prefix(std::min(end + 1, usage.size()));
    }
  }
}

}  // namespace

int usageError(CommandIO& io, std::string_view problem) {
  io.err << "hoververse-tool: " << problem << "\n";
  printUsage(io.err);
  return kExitUsage;
}

std::string readAll(std::istream& in) {
  std::string bytes;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
  }
  return bytes;
}

int run(Arguments args, CommandIO& io) {
  if (args.empty()) return usageError(io, "no command given");
  if (args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
    printUsage(io.out);
    return kExitOk;
  }
  for (const Command& command : kCommands) {
    if (command.name == args[0]) return command.run(args.subspan(1), io);
  }
  return usageError(io, "unknown command '" + std::string(args[0]) + "'");
}

}  // namespace tool

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  tool::CommandIO io{std::cin, std::cout, std::cerr};
  const int code = tool::run(args, io);
  std::cout.flush();
  return code;
}
