#include "quartz/AttributedString.h"

namespace quartz {

AttributedString::AttributedString(std::string text, TextAttributes attributes) {
  append(std::move(text), std::move(attributes));
}

void AttributedString::append(std::string text, TextAttributes attributes) {
  if (text.empty()) return;
  if (!runs_.empty() && runs_.back().attributes == attributes) {
    runs_.back().text += text;
    return;
  }
  runs_.push_back({std::move(text), std::move(attributes)});
}

void AttributedString::append(const AttributedString& other) {
  for (const TextRun& run : other.runs_) append(run.text, run.attributes);
}

void AttributedString::addAttributes(const TextAttributes& a) {
  std::vector<TextRun> old = std::move(runs_);
  runs_.clear();
  for (TextRun& run : old) {
    if (a.font) run.attributes.font = a.font;
    if (a.foregroundColor) run.attributes.foregroundColor = a.foregroundColor;
    if (a.shadow) run.attributes.shadow = a.shadow;
    append(std::move(run.text), std::move(run.attributes));
  }
}

std::string AttributedString::string() const {
  std::string s;
  for (const TextRun& run : runs_) s += run.text;
  return s;
}

bool AttributedString::empty() const {
  for (const TextRun& run : runs_)
    if (!run.text.empty()) return false;
  return true;
}

}  // namespace quartz
