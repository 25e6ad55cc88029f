// `sheet --out FILE [--title TEXT] [--width POINTS] IMAGE[=CAPTION]...`: a
// contact sheet of PNG files (screenshots of a device run, say), each shown
// WIDTH points wide (default 200) with its caption (default: its file name).

#include <charconv>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "Commands.h"
#include "Preview.h"
#include "Showcase.h"
#include "render/ImageCodec.h"

namespace tool {

namespace {

constexpr double kDefaultWidth = 200;
constexpr double kSheetScale = 1;

}  // namespace

int sheetCommand(Arguments args, CommandIO& io) {
  std::string out;
  std::string title = "hoververse";
  double width = kDefaultWidth;
  std::vector<ShowcaseFrame> frames;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const bool hasValue = i + 1 < args.size();
    if (args[i] == "--out" && hasValue) {
      out = std::string(args[++i]);
    } else if (args[i] == "--title" && hasValue) {
      title = std::string(args[++i]);
    } else if (args[i] == "--width" && hasValue) {
      const std::string_view text = args[++i];
      const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), width);
      if (error != std::errc() || end != text.data() + text.size() || width < 16 || width > 1200) {
        return usageError(io, "sheet: --width takes points from 16 to 1200");
      }
    } else if (args[i].rfind("--", 0) == 0) {
      return usageError(io, "sheet: unexpected argument '" + std::string(args[i]) + "'");
    } else {
      const std::string_view item = args[i];
      const std::size_t equals = item.find('=');
      const std::string file(item.substr(0, equals));
      const std::string caption =
          equals == std::string_view::npos ? std::filesystem::path(file).stem().string() : std::string(item.substr(equals + 1));
      frames.push_back({std::filesystem::path(file).stem().string(), caption, nullptr});
      const auto image = render::readPNG(file);
      if (!image || image->width() == 0) {
        io.err << "hoververse-tool: cannot read the PNG " << file << "\n";
        return kExitFailure;
      }
      // The same pixels at the density that makes them `width` points wide.
      const std::vector<std::uint32_t> pixels(image->data().begin(), image->data().end());
      frames.back().image = quartz::Image::create(image->width(), image->height(), image->width() / width, pixels);
    }
  }
  if (out.empty() || frames.empty()) return usageError(io, "sheet needs --out FILE and at least one image");
  const auto sheet = contactSheet({{title, std::move(frames)}}, kSheetScale);
  if (!sheet || !writeImage(*sheet, out)) {
    io.err << "hoververse-tool: cannot write " << out << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace tool
