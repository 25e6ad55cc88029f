#pragma once
// Text and JSON descriptions of a view tree, for debugging, tools and tests.
//
// dumpTree: one line per view, indented two spaces per level:
//   ClassName frame=(x, y, w, h) [alpha=a] [hidden] [bg=(r, g, b, a)]
//   [text="..."] [clips] [transform=(a, b, c, d, tx, ty)]
//   [animations=key1,key2]
// followed by lines for layers that belong to no subview ("+ GradientLayer
// frame=... animations=...").
//
// treeJson: each view an object with "class" (className()), "frame"
// [x, y, width, height] in its superview, "alpha", "hidden", "subviews"
// (array), "text" for views with debug text, "backgroundColor" [r, g, b, a]
// when set, "animations" (keys on the view's layer) when any, and "layers"
// (the extra sublayers: "class", "frame", "animations", "hasMask") when any.

#include <string>

namespace ui {

class View;

std::string dumpTree(const View& view);
std::string treeJson(const View& view);

}  // namespace ui
