#include "ui/TreeDump.h"

#include <charconv>
#include <cmath>
#include <string>
#include <unordered_set>

#include "ui/View.h"

namespace ui {

namespace {

std::string num(double v) {
  if (!std::isfinite(v)) return v > 0 ? "1e999" : (v < 0 ? "-1e999" : "0");
  if (v == 0) v = 0;  // no "-0"
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string numFloat(float v) {
  if (!std::isfinite(v)) return num(v);
  if (v == 0) v = 0;
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

std::string rectJson(const quartz::Rect& r) {
  return "[" + num(r.x()) + ", " + num(r.y()) + ", " + num(r.width()) + ", " + num(r.height()) + "]";
}

std::string colorJson(const quartz::Color& c) {
  return "[" + num(c.red) + ", " + num(c.green) + ", " + num(c.blue) + ", " + num(c.alpha) + "]";
}

std::string animationsJson(const quartz::Layer& layer) {
  std::string out = "[";
  bool first = true;
  for (const auto& ka : layer.animations()) {
    const quartz::Animation& a = *ka.animation;
    if (!first) out += ", ";
    first = false;
    out += "{\"key\": " + quoted(ka.key) + ", \"keyPath\": " + quoted(a.keyPath()) +
           ", \"duration\": " + num(a.effectiveDuration()) + ", \"beginTime\": " + num(a.beginTime()) +
           ", \"repeatCount\": " + num(a.repeatCount()) + ", \"autoreverses\": " + (a.autoreverses() ? "true" : "false") +
           ", \"removedOnCompletion\": " + (a.isRemovedOnCompletion() ? "true" : "false") + "}";
  }
  return out + "]";
}

// Sublayers that belong to no subview (added by hand, e.g. a gradient).
std::vector<const quartz::Layer*> extraLayers(const View& v) {
  std::unordered_set<const quartz::Layer*> own;
  for (const auto& s : v.subviews()) own.insert(s->layer().get());
  std::vector<const quartz::Layer*> out;
  for (const auto& l : v.layer()->sublayers())
    if (!own.count(l.get())) out.push_back(l.get());
  return out;
}

std::string maskName(const quartz::Layer& l) {
  if (!l.mask()) return "";
  if (const auto* owner = dynamic_cast<const View*>(l.mask()->delegate())) return owner->className();
  return l.mask()->className();
}

DebugFields debugFields(const View& v) {
  DebugFields fields;
  v.addDebugFields(fields);
  return fields;
}

void json(const View& v, const ViewNames* names, std::string& out) {
  out += "{\"class\": " + quoted(v.className());
  if (names) {
    if (auto it = names->find(&v); it != names->end()) out += ", \"name\": " + quoted(it->second);
  }
  out += ", \"frame\": " + rectJson(v.frame());
  out += ", \"alpha\": " + num(v.alpha());
  out += std::string(", \"hidden\": ") + (v.isHidden() ? "true" : "false");
  if (auto text = v.debugText()) out += ", \"text\": " + quoted(*text);
  const DebugFields fields = debugFields(v);
  for (const auto& [key, value] : fields.fields()) out += ", " + quoted(key) + ": " + value;
  if (v.backgroundColor()) out += ", \"backgroundColor\": " + colorJson(v.backgroundColor()->cgColor());
  if (!v.transform().isIdentity()) {
    const auto t = v.transform();
    out += ", \"transform\": [" + num(t.a) + ", " + num(t.b) + ", " + num(t.c) + ", " + num(t.d) + ", " +
           num(t.tx) + ", " + num(t.ty) + "]";
  }
  if (v.clipsToBounds()) out += ", \"clipsToBounds\": true";
  if (!v.layer()->animations().empty()) out += ", \"animations\": " + animationsJson(*v.layer());
  const auto extras = extraLayers(v);
  if (!extras.empty()) {
    out += ", \"layers\": [";
    bool first = true;
    for (const quartz::Layer* l : extras) {
      if (!first) out += ", ";
      first = false;
      out += "{\"class\": " + quoted(l->className()) + ", \"frame\": " + rectJson(l->frame()) +
             ", \"animations\": " + animationsJson(*l);
      if (l->mask()) out += ", \"mask\": " + quoted(maskName(*l));
      out += "}";
    }
    out += "]";
  }
  out += ", \"subviews\": [";
  bool first = true;
  for (const auto& s : v.subviews()) {
    if (!first) out += ", ";
    first = false;
    json(*s, names, out);
  }
  out += "]}";
}

std::string rectText(const quartz::Rect& r) {
  return "(" + num(r.x()) + ", " + num(r.y()) + ", " + num(r.width()) + ", " + num(r.height()) + ")";
}

std::string keysText(const quartz::Layer& l) {
  std::string out;
  for (const auto& k : l.animationKeys()) out += (out.empty() ? "" : ",") + k;
  return out;
}

void text(const View& v, int depth, std::string& out) {
  const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
  out += indent + v.className() + " frame=" + rectText(v.frame());
  if (v.alpha() != 1) out += " alpha=" + num(v.alpha());
  if (v.isHidden()) out += " hidden";
  if (v.backgroundColor()) {
    const auto c = v.backgroundColor()->cgColor();
    out += " bg=(" + num(c.red) + ", " + num(c.green) + ", " + num(c.blue) + ", " + num(c.alpha) + ")";
  }
  if (auto t = v.debugText()) out += " text=" + quoted(*t);
  const DebugFields fields = debugFields(v);
  for (const auto& [key, value] : fields.fields()) out += " " + key + "=" + value;
  if (v.clipsToBounds()) out += " clips";
  if (!v.transform().isIdentity()) {
    const auto t = v.transform();
    out += " transform=(" + num(t.a) + ", " + num(t.b) + ", " + num(t.c) + ", " + num(t.d) + ", " + num(t.tx) +
           ", " + num(t.ty) + ")";
  }
  if (!v.layer()->animations().empty()) out += " animations=" + keysText(*v.layer());
  out += "\n";
  for (const quartz::Layer* l : extraLayers(v)) {
    out += indent + "  + " + l->className() + " frame=" + rectText(l->frame());
    if (!l->animations().empty()) out += " animations=" + keysText(*l);
    if (l->mask()) out += " mask=" + maskName(*l);
    out += "\n";
  }
  for (const auto& s : v.subviews()) text(*s, depth + 1, out);
}

}  // namespace

void DebugFields::add(const std::string& key, bool value) { fields_.emplace_back(key, value ? "true" : "false"); }
void DebugFields::add(const std::string& key, int value) { fields_.emplace_back(key, std::to_string(value)); }
void DebugFields::add(const std::string& key, long value) { fields_.emplace_back(key, std::to_string(value)); }
void DebugFields::add(const std::string& key, float value) { fields_.emplace_back(key, numFloat(value)); }
void DebugFields::add(const std::string& key, double value) { fields_.emplace_back(key, num(value)); }
void DebugFields::add(const std::string& key, const std::string& value) { fields_.emplace_back(key, quoted(value)); }
void DebugFields::add(const std::string& key, Size value) {
  fields_.emplace_back(key, "[" + num(value.width) + ", " + num(value.height) + "]");
}
void DebugFields::add(const std::string& key, Point value) {
  fields_.emplace_back(key, "[" + num(value.x) + ", " + num(value.y) + "]");
}
void DebugFields::add(const std::string& key, const std::vector<std::string>& values) {
  std::string out = "[";
  for (std::size_t i = 0; i < values.size(); ++i) out += (i ? ", " : "") + quoted(values[i]);
  fields_.emplace_back(key, out + "]");
}

std::string treeJson(const View& view) {
  std::string out;
  json(view, nullptr, out);
  return out;
}

std::string treeJson(const View& view, const ViewNames& names) {
  std::string out;
  json(view, &names, out);
  return out;
}

std::string dumpTree(const View& view) {
  std::string out;
  text(view, 0, out);
  return out;
}

}  // namespace ui
