#pragma once
// The installed fonts as fontconfig sees them. Names follow the platform:
// a font is named by its PostScript name ("DejaVuSans-Bold"), a family by
// its first (English) family name ("DejaVu Sans").

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "quartz/Font.h"

namespace text {

// One installed face.
struct FaceInfo {
  std::string postScriptName;
  std::string familyName;
  std::string file;
  int index = 0;     // face index inside a collection file
  int weight = 80;   // fontconfig weight (80 regular, 200 bold)
  int slant = 0;     // fontconfig slant (0 roman)
  int width = 100;   // fontconfig width (100 normal, 87 semi-condensed, 75 condensed)
  bool operator==(const FaceInfo&) const = default;
};

// Process-wide catalogue built once from fontconfig's current configuration
// (FONTCONFIG_FILE is honoured, so tests can pin their fonts). Never released.
class FontDatabase {
 public:
  static FontDatabase& shared();

  // Family names in the order fontconfig lists the faces (each at its first
  // face), without duplicates.
  std::vector<std::string> familyNames() const;
  // PostScript names of the faces of `family`, in fontconfig's order,
  // without duplicates; empty for an unknown family.
  std::vector<std::string> fontNamesForFamilyName(std::string_view family) const;
  // True when `name` is an installed PostScript or family name.
  bool isInstalled(std::string_view name) const;
  // The face `font` resolves to for text its own face covers: the named face
  // when installed (PostScript name first, then family name), otherwise the
  // system font's face. Bold system fonts take the bold face.
  FaceInfo resolve(const quartz::Font& font) const;
  // The face that draws the first character of `text` that the resolved face
  // lacks (fontconfig fallback by coverage); resolve(font) when it covers all.
  FaceInfo faceForText(const quartz::Font& font, std::string_view text) const;

  // Family name used for the system font.
  static constexpr const char* kSystemFamily = "sans-serif";

 private:
  FontDatabase();
  std::vector<FaceInfo> faces_;  // sorted by postScriptName
  // (family, PostScript name) of every face, as fontconfig listed them.
  std::vector<std::pair<std::string, std::string>> listed_;
};

}  // namespace text
