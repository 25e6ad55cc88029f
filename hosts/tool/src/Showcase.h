#pragma once
// The showcase: an embedded song rendered through the system's windows on
// the virtual clock, written as PNG frames and one contact sheet. Content
// comes in sections; each window of the system contributes a function that
// returns its sections (listed in ShowcaseCommand.cc). All sections share one
// preview session (one device root and one virtual clock, which keeps
// running from section to section), so a section stores every setting it
// depends on.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "quartz/Image.h"

namespace tool {

struct ShowcaseFrame {
  std::string name;     // file name stem, e.g. "03-long-2.5s"
  std::string caption;  // shown under the frame on the contact sheet
  std::shared_ptr<const quartz::Image> image;
};

struct ShowcaseSection {
  std::string path;   // folder under the output directory, e.g. "floating/plain"
  std::string title;  // heading on the contact sheet
  std::function<std::vector<ShowcaseFrame>()> produce;
};

// The floating window: plain, shadow, gradient and outline presentations.
std::vector<ShowcaseSection> floatingShowcaseSections();

// The lines of the embedded song, in order: Chinese and English lines that
// fit a 300-point window, and lines too long for it.
const std::vector<std::string>& showcaseSong();

// `image` laid over a home-screen-like backdrop (a soft diagonal gradient),
// at the image's scale, so light text and dark shadows both read.
std::shared_ptr<const quartz::Image> overWallpaper(const quartz::Image& image);

// A grid of the sections' frames with headings and captions.
std::shared_ptr<const quartz::Image> contactSheet(
    const std::vector<std::pair<std::string, std::vector<ShowcaseFrame>>>& sections, double scale);

}  // namespace tool
