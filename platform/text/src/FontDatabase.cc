#include "text/FontDatabase.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <memory>
#include <set>
#include <strings.h>

#include "text/TextLayout.h"

namespace text {

namespace {

struct PatternDestroy {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FontSetDestroy {
  void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
struct ObjectSetDestroy {
  void operator()(FcObjectSet* s) const { FcObjectSetDestroy(s); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDestroy>;

std::string stringOf(FcPattern* p, const char* object) {
  FcChar8* v = nullptr;
  if (FcPatternGetString(p, object, 0, &v) == FcResultMatch && v) return reinterpret_cast<const char*>(v);
  return {};
}

int intOf(FcPattern* p, const char* object, int fallback) {
  int v = 0;
  if (FcPatternGetInteger(p, object, 0, &v) == FcResultMatch) return v;
  double d = 0;
  if (FcPatternGetDouble(p, object, 0, &d) == FcResultMatch) return static_cast<int>(d);
  return fallback;
}

FaceInfo faceOf(FcPattern* p) {
  FaceInfo f;
  f.postScriptName = stringOf(p, FC_POSTSCRIPT_NAME);
  f.familyName = stringOf(p, FC_FAMILY);
  f.file = stringOf(p, FC_FILE);
  f.index = intOf(p, FC_INDEX, 0);
  f.weight = intOf(p, FC_WEIGHT, FC_WEIGHT_REGULAR);
  f.slant = intOf(p, FC_SLANT, FC_SLANT_ROMAN);
  f.width = intOf(p, FC_WIDTH, FC_WIDTH_NORMAL);
  return f;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

FontDatabase& FontDatabase::shared() {
  static FontDatabase* db = new FontDatabase();
  return *db;
}

FontDatabase::FontDatabase() {
  FcInit();
  PatternPtr all(FcPatternCreate());
  std::unique_ptr<FcObjectSet, ObjectSetDestroy> objects(FcObjectSetBuild(
      FC_FAMILY, FC_POSTSCRIPT_NAME, FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, FC_WIDTH, nullptr));
  std::unique_ptr<FcFontSet, FontSetDestroy> set(FcFontList(nullptr, all.get(), objects.get()));
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      FaceInfo f = faceOf(set->fonts[i]);
      if (f.postScriptName.empty() || f.familyName.empty()) continue;
      listed_.emplace_back(f.familyName, f.postScriptName);
      faces_.push_back(std::move(f));
    }
  }
  std::sort(faces_.begin(), faces_.end(), [](const FaceInfo& a, const FaceInfo& b) {
    return a.postScriptName < b.postScriptName;
  });
  faces_.erase(std::unique(faces_.begin(), faces_.end(),
                           [](const FaceInfo& a, const FaceInfo& b) { return a.postScriptName == b.postScriptName; }),
               faces_.end());
}

std::vector<std::string> FontDatabase::familyNames() const {
  std::set<std::string_view> seen;
  std::vector<std::string> names;
  for (const auto& [family, name] : listed_)
    if (seen.insert(family).second) names.push_back(family);
  return names;
}

std::vector<std::string> FontDatabase::fontNamesForFamilyName(std::string_view family) const {
  std::set<std::string_view> seen;
  std::vector<std::string> names;
  for (const auto& [f, name] : listed_)
    if (f == family && seen.insert(name).second) names.push_back(name);
  return names;
}

bool FontDatabase::isInstalled(std::string_view name) const {
  if (name.empty()) return false;
  for (const FaceInfo& f : faces_)
    if (f.postScriptName == name || equalsIgnoringCase(f.familyName, name)) return true;
  return false;
}

FaceInfo FontDatabase::resolve(const quartz::Font& font) const {
  if (!font.isSystemFont()) {
    auto it = std::lower_bound(faces_.begin(), faces_.end(), font.name,
                               [](const FaceInfo& f, const std::string& n) { return f.postScriptName < n; });
    if (it != faces_.end() && it->postScriptName == font.name && !font.bold) return *it;
  }
  // A family (or the system family) goes through fontconfig's matching so that
  // weight and style pick the face a renderer would pick.
  std::string family = kSystemFamily;
  if (!font.isSystemFont()) {
    for (const FaceInfo& f : faces_)
      if (f.postScriptName == font.name || equalsIgnoringCase(f.familyName, font.name)) {
        family = f.familyName;
        break;
      }
  }
  PatternPtr pattern(FcPatternCreate());
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, font.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
  FcPatternAddInteger(pattern.get(), FC_WIDTH, FC_WIDTH_NORMAL);
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
  if (!match) return faces_.empty() ? FaceInfo{} : faces_.front();
  return faceOf(match.get());
}

FaceInfo FontDatabase::faceForText(const quartz::Font& font, std::string_view text) const {
  FaceInfo primary = resolve(font);
  auto line = typesetLine(text, font);
  for (const TextLine& l : line->lines())
    for (const GlyphRun& run : l.runs) {
      const std::string& name = run.font->postScriptName();
      if (name == primary.postScriptName) continue;
      for (const FaceInfo& f : faces_)
        if (f.postScriptName == name) return f;
    }
  return primary;
}

}  // namespace text
