#pragma once
// Text and JSON descriptions of a view tree, for debugging, tools and tests.
//
// dumpTree: one line per view, indented two spaces per level:
//   ClassName frame=(x, y, w, h) [alpha=a] [hidden] [bg=(r, g, b, a)]
//   [text="..."] [key=value ...] [clips] [transform=(a, b, c, d, tx, ty)]
//   [animations=key1,key2]
// followed by lines for layers that belong to no subview ("+ GradientLayer
// frame=... animations=...").
//
// treeJson: each view an object with "class" (className()), "frame"
// [x, y, width, height] in its superview, "alpha", "hidden", "subviews"
// (array), "text" for views with debug text, "backgroundColor" [r, g, b, a]
// when set, "animations" (keys on the view's layer) when any, and "layers"
// (the extra sublayers: "class", "frame", "animations", "hasMask") when any.
//
// Views add state of their own through View::addDebugFields: each field
// becomes a JSON member after "text" (a switch: "on": true, a slider:
// "value": 0.5) and a `key=value` item on the view's line of dumpTree.

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ui/Geometry.h"

namespace ui {

class View;

// Named values a view reports for tree dumps, kept in the order added.
// Values are stored as JSON text; numbers print in their shortest exact form
// (a float prints as a float: 0.1f is 0.1).
class DebugFields {
 public:
  void add(const std::string& key, bool value);
  void add(const std::string& key, int value);
  void add(const std::string& key, long value);
  void add(const std::string& key, float value);
  void add(const std::string& key, double value);
  void add(const std::string& key, const std::string& value);
  void add(const std::string& key, const char* value) { add(key, std::string(value)); }
  void add(const std::string& key, Size value);   // [width, height]
  void add(const std::string& key, Point value);  // [x, y]
  void add(const std::string& key, const std::vector<std::string>& values);
  // (key, JSON text) pairs.
  const std::vector<std::pair<std::string, std::string>>& fields() const { return fields_; }

 private:
  std::vector<std::pair<std::string, std::string>> fields_;
};

// Names a tool gives particular views (for instance, the properties of the
// window that holds them). treeJson prints a named view's name as "name",
// right after "class".
using ViewNames = std::unordered_map<const View*, std::string>;

std::string dumpTree(const View& view);
std::string treeJson(const View& view);
std::string treeJson(const View& view, const ViewNames& names);

}  // namespace ui
