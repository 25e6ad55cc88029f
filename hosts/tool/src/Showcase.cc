#include "Showcase.h"

#include <algorithm>
#include <cmath>

#include "Preview.h"
#include "quartz/GradientLayer.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/View.h"

namespace tool {

namespace {

constexpr double kSheetWidth = 1328;  // four 300-point frames a row
constexpr double kMargin = 24;
constexpr double kGap = 16;
constexpr double kTitleHeight = 30;
constexpr double kCaptionHeight = 18;

std::shared_ptr<ui::View> wallpaperView(ui::Rect frame) {
  auto view = std::make_shared<ui::View>(frame);
  auto gradient = quartz::GradientLayer::layer();
  gradient->setFrame(ui::Rect(0, 0, frame.width(), frame.height()));
  gradient->setColors({quartz::Color::rgba(0.30, 0.42, 0.58, 1), quartz::Color::rgba(0.52, 0.38, 0.52, 1)});
  gradient->setStartPoint({0, 0});
  gradient->setEndPoint({1, 1});
  view->layer()->addSublayer(gradient);
  return view;
}

std::shared_ptr<ui::Label> label(const std::string& text, ui::Rect frame, double size, quartz::Color color) {
  auto l = std::make_shared<ui::Label>(frame);
  l->setText(text);
  l->setFont(ui::Font::systemFont(size));
  l->setTextColor(color);
  l->setTextAlignment(ui::TextAlignment::Left);
  return l;
}

}  // namespace

const std::vector<std::string>& showcaseSong() {
  static const std::vector<std::string> song = {
      "等待歌词...",
      "风吹过城市的灯火",
      "Hold on to the light",
      "这是一句很长很长的歌词，长到窗口放不下，只好来回滚动",
      "Every road we never took still hums along the way home",
  };
  return song;
}

std::shared_ptr<const quartz::Image> overWallpaper(const quartz::Image& image) {
  const ui::Size size = image.size();
  auto root = wallpaperView(ui::Rect(0, 0, size.width, size.height));
  auto content = std::make_shared<ui::ImageView>(ui::Rect(0, 0, size.width, size.height));
  content->setImage(std::make_shared<quartz::Image>(image));
  root->addSubview(content);
  return renderWindow(*root, image.scale());
}

std::shared_ptr<const quartz::Image> contactSheet(
    const std::vector<std::pair<std::string, std::vector<ShowcaseFrame>>>& sections, double scale) {
  auto root = std::make_shared<ui::View>(ui::Rect(0, 0, kSheetWidth, 100));
  root->setBackgroundColor(ui::Color::colorWithRed(0.11, 0.12, 0.14, 1));
  double y = kMargin;
  for (const auto& [title, frames] : sections) {
    root->addSubview(label(title, ui::Rect(kMargin, y, kSheetWidth - 2 * kMargin, kTitleHeight - 6), 17,
                           quartz::Color::rgba(0.95, 0.95, 0.95, 1)));
    y += kTitleHeight;
    double x = kMargin;
    double rowHeight = 0;
    for (const ShowcaseFrame& frame : frames) {
      if (!frame.image) continue;
      const ui::Size size = frame.image->size();
      if (x > kMargin && x + size.width > kSheetWidth - kMargin) {
        x = kMargin;
        y += rowHeight + kGap;
        rowHeight = 0;
      }
      auto image = std::make_shared<ui::ImageView>(ui::Rect(x, y, size.width, size.height));
      image->setImage(frame.image);
      root->addSubview(image);
      root->addSubview(label(frame.caption, ui::Rect(x, y + size.height + 2, size.width, kCaptionHeight - 2), 12,
                             quartz::Color::rgba(0.7, 0.72, 0.75, 1)));
      x += size.width + kGap;
      rowHeight = std::max(rowHeight, size.height + kCaptionHeight);
    }
    y += rowHeight + kGap + 8;
  }
  root->setFrame(ui::Rect(0, 0, kSheetWidth, std::ceil(y + kMargin - kGap)));
  return renderWindow(*root, scale);
}

}  // namespace tool
