#include "Preview.h"

#include <stdlib.h>

#include <charconv>
#include <cstdlib>
#include <ostream>

#include "HomeScreen.h"
#include "foundation/DeviceRoot.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "foundation/Value.h"
#include "quartz/Transaction.h"
#include "render/ImageCodec.h"
#include "render/Renderer.h"
#include "settings/MMLocalSettingManager.h"
#include "ui/Screen.h"
#include "ui/TreeDump.h"
#include "ui/View.h"

namespace tool {

namespace {

constexpr std::string_view kSettingsFilePrefix = "USER_KEY_HVXI_BUNDLESETTING_";

std::optional<double> parseNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<std::vector<double>> parseNumberList(std::string_view text, std::size_t count) {
  std::vector<double> numbers;
  while (true) {
    const std::size_t comma = text.find(',');
    auto number = parseNumber(text.substr(0, comma));
    if (!number) return std::nullopt;
    numbers.push_back(*number);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (numbers.size() != count) return std::nullopt;
  return numbers;
}

bool parsePreviewOption(Arguments args, std::size_t& i, PreviewOptions& options, std::string& error) {
  const std::string_view arg = args[i];
  const bool takesValue = arg == "--set" || arg == "--at" || arg == "--png";
  if (!takesValue && arg != "--dump") return false;
  if (arg == "--dump") {
    options.dump = true;
    return true;
  }
  if (i + 1 >= args.size()) {
    error = std::string(arg) + " needs a value";
    return true;
  }
  const std::string_view value = args[++i];
  if (arg == "--set") {
    const std::size_t eq = value.find('=');
    if (eq == std::string_view::npos || eq == 0) {
      error = "--set expects KEY=VALUE, got '" + std::string(value) + "'";
      return true;
    }
    options.settings.emplace_back(std::string(value.substr(0, eq)), std::string(value.substr(eq + 1)));
  } else if (arg == "--at") {
    auto seconds = parseNumber(value);
    if (!seconds || *seconds < 0) {
      error = "--at expects a number of seconds >= 0, got '" + std::string(value) + "'";
      return true;
    }
    options.at = *seconds;
  } else {
    options.png = std::string(value);
  }
  return true;
}

PreviewSession::PreviewSession() {
  const char* env = std::getenv("HOVERVERSE_ROOT");
  if (env == nullptr || *env == '\0') {
    std::string pattern = (std::filesystem::temp_directory_path() / "hoververse-preview-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) {
      root_ = pattern;
      temporary_ = true;
      foundation::DeviceRoot::setRoot(root_);
    }
  }
  if (!temporary_) root_ = foundation::DeviceRoot::root();
  // The windows previewed live in the home screen and use its defaults store.
  becomeHomeScreen();
  foundation::RunLoop::useVirtualClock();
  ui::Screen::main().reset();
}

PreviewSession::~PreviewSession() {
  foundation::UserDefaults::resetStandardUserDefaults();
  if (temporary_) {
    foundation::DeviceRoot::setRoot({});
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
}

void storeSetting(std::string_view key, std::string_view value) {
  if (key.starts_with(kSettingsFilePrefix)) {
    MMLocalSettingManager::shared().saveValue(foundation::Value(value), foundation::Value(key));
  } else {
    foundation::UserDefaults::standardUserDefaults().setObject(foundation::Value(value), key);
  }
}

void storeSettings(const PreviewOptions& options) {
  for (const auto& [key, value] : options.settings) storeSetting(key, value);
  foundation::UserDefaults::standardUserDefaults().synchronize();
}

void runFor(double seconds) {
  foundation::RunLoop::main().advance(seconds);
  quartz::Transaction::flush();
}

std::shared_ptr<const quartz::Image> renderWindow(const ui::View& window, double scale) {
  quartz::Transaction::flush();
  return render::Renderer::shared().renderImage(*window.layer(), foundation::RunLoop::main().now(), scale);
}

bool writeImage(const quartz::Image& image, const std::string& path) { return render::writePNG(image, path); }

int finishPreview(const ui::View& window, const PreviewOptions& options, CommandIO& io, const ui::ViewNames* names) {
  quartz::Transaction::flush();
  int code = kExitOk;
  if (!options.png.empty()) {
    auto image = renderWindow(window, ui::Screen::main().scale());
    if (!image || !writeImage(*image, options.png)) {
      io.err << "hoververse-tool: cannot write " << options.png << "\n";
      code = kExitFailure;
    }
  }
  if (options.dump) io.out << (names ? ui::treeJson(window, *names) : ui::treeJson(window)) << "\n";
  return code;
}

}  // namespace tool
