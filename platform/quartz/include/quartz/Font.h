#pragma once
// A font reference: a PostScript or family name and a size in points. The
// name is resolved to an installed face by the text module (fontconfig);
// a name that is not installed falls back to a face that covers the text.

#include <string>

namespace quartz {

struct Font {
  std::string name;       // PostScript or family name; empty for the system font
  double pointSize = 14;
  bool bold = false;

  static Font fontWithName(std::string name, double size) { return {std::move(name), size, false}; }
  static Font systemFont(double size) { return {"", size, false}; }
  static Font boldSystemFont(double size) { return {"", size, true}; }
  bool isSystemFont() const { return name.empty(); }
  bool operator==(const Font&) const = default;
};

}  // namespace quartz
