// `showcase [--out DIR]`: every section's frames as PNG files under
// DIR/<section>/ and one contact sheet, DIR/contact-sheet.png.

#include <filesystem>
#include <ostream>
#include <string>

#include "AlwaysOnPreview.h"
#include "Commands.h"
#include "PanelPreview.h"
#include "PrefsPreview.h"
#include "Preview.h"
#include "Showcase.h"

namespace tool {

namespace {

using SectionSource = std::vector<ShowcaseSection> (*)();

// One line per window of the system that shows itself in the showcase.
const SectionSource kSources[] = {
    floatingShowcaseSections,
    alwaysOnShowcaseSections,
    panelShowcaseSections,
    prefsShowcaseSections,
};

constexpr double kSheetScale = 2;

}  // namespace

int showcaseCommand(Arguments args, CommandIO& io) {
  std::filesystem::path out = "out/preview";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--out" && i + 1 < args.size()) {
      out = std::string(args[++i]);
    } else {
      return usageError(io, "showcase: unexpected argument '" + std::string(args[i]) + "'");
    }
  }

  PreviewSession session;
  std::vector<std::pair<std::string, std::vector<ShowcaseFrame>>> sheet;
  std::size_t written = 0;
  for (SectionSource source : kSources) {
    for (const ShowcaseSection& section : source()) {
      std::vector<ShowcaseFrame> frames = section.produce();
      const std::filesystem::path folder = out / section.path;
      std::error_code ec;
      std::filesystem::create_directories(folder, ec);
      for (const ShowcaseFrame& frame : frames) {
        const std::string file = (folder / (frame.name + ".png")).string();
        if (!frame.image || !writeImage(*frame.image, file)) {
          io.err << "hoververse-tool: cannot write " << file << "\n";
          return kExitFailure;
        }
        ++written;
      }
      sheet.emplace_back(section.title, std::move(frames));
    }
  }
  const std::string sheetFile = (out / "contact-sheet.png").string();
  auto image = contactSheet(sheet, kSheetScale);
  if (!image || !writeImage(*image, sheetFile)) {
    io.err << "hoververse-tool: cannot write " << sheetFile << "\n";
    return kExitFailure;
  }
  io.out << "wrote " << written << " frames and " << sheetFile << "\n";
  return kExitOk;
}

}  // namespace tool
