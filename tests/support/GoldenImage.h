#pragma once
// Reference-image checks. References live beside the test sources; they are
// exact unless a test declares a tolerance (largest channel difference and
// number of pixels allowed to exceed it). A missing reference fails.
// UPDATE_GOLDENS=1 writes the actual image as the new reference. On failure
// the actual image and a difference image (differing pixels red on grey)
// are written to golden-failures/ in the working directory.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "render/ImageCodec.h"

namespace hvtest {

struct Tolerance {
  int maxChannelDifference = 0;
  int maxDifferingPixels = 0;
};

inline int channelDifference(std::uint32_t a, std::uint32_t b) {
  int worst = 0;
  for (int shift = 0; shift < 32; shift += 8)
    worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xff) - static_cast<int>((b >> shift) & 0xff)));
  return worst;
}

inline ::testing::AssertionResult matchesGolden(const quartz::Image& actual, const std::string& directory,
                                                const std::string& name, Tolerance tolerance = {}) {
  namespace fs = std::filesystem;
  std::string reference = directory + "/" + name + ".png";
  const char* update = std::getenv("UPDATE_GOLDENS");
  if (update && std::string(update) == "1") {
    fs::create_directories(directory);
    if (!render::writePNG(actual, reference)) return ::testing::AssertionFailure() << "cannot write " << reference;
    return ::testing::AssertionSuccess() << "updated " << reference;
  }
  auto expected = render::readPNG(reference);
  auto fail = [&](const std::string& why) {
    fs::create_directories("golden-failures");
    render::writePNG(actual, "golden-failures/" + name + ".actual.png");
    if (expected && expected->width() == actual.width() && expected->height() == actual.height()) {
      std::vector<std::uint32_t> diff(static_cast<std::size_t>(actual.width() * actual.height()));
      for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x) {
          int d = channelDifference(actual.pixelAt(x, y), expected->pixelAt(x, y));
          diff[static_cast<std::size_t>(y * actual.width() + x)] =
              d > tolerance.maxChannelDifference ? 0xffff0000u : (d > 0 ? 0xff808080u : 0xff404040u);
        }
      render::writePNG(*quartz::Image::create(actual.width(), actual.height(), 1.0, std::move(diff)),
                       "golden-failures/" + name + ".diff.png");
    }
    return ::testing::AssertionFailure() << name << ": " << why << " (actual and difference written to "
                                         << fs::absolute("golden-failures").string() << ")";
  };
  if (!expected) return fail("missing reference " + reference + " (run with UPDATE_GOLDENS=1 to create it)");
  if (expected->width() != actual.width() || expected->height() != actual.height())
    return fail("size " + std::to_string(actual.width()) + "x" + std::to_string(actual.height()) + ", expected " +
                std::to_string(expected->width()) + "x" + std::to_string(expected->height()));
  int differing = 0, worst = 0;
  for (int y = 0; y < actual.height(); ++y)
    for (int x = 0; x < actual.width(); ++x) {
      int d = channelDifference(actual.pixelAt(x, y), expected->pixelAt(x, y));
      worst = std::max(worst, d);
      if (d > tolerance.maxChannelDifference) ++differing;
    }
  if (differing > tolerance.maxDifferingPixels)
    return fail(std::to_string(differing) + " pixels differ by more than " +
                std::to_string(tolerance.maxChannelDifference) + " (largest difference " + std::to_string(worst) +
                "); allowed " + std::to_string(tolerance.maxDifferingPixels));
  return ::testing::AssertionSuccess();
}

}  // namespace hvtest
