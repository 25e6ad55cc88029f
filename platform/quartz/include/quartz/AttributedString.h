#pragma once
// Styled text handed from labels to the renderer's text engine: runs of
// UTF-8 text, each with optional attributes. A missing attribute falls back
// to the defaults of whoever draws the text (a label's font and colour).

#include <optional>
#include <string>
#include <vector>

#include "quartz/Color.h"
#include "quartz/Font.h"
#include "quartz/Geometry.h"

namespace quartz {

struct Shadow {
  Size offset;
  double blurRadius = 0;
  Color color = Color::rgba(0, 0, 0, 1.0 / 3.0);
  bool operator==(const Shadow&) const = default;
};

struct TextAttributes {
  std::optional<Font> font;
  std::optional<Color> foregroundColor;
  std::optional<Shadow> shadow;
  bool operator==(const TextAttributes&) const = default;
};

struct TextRun {
  std::string text;  // UTF-8
  TextAttributes attributes;
  bool operator==(const TextRun&) const = default;
};

// Value type; adjacent runs with equal attributes are merged on append.
class AttributedString {
 public:
  AttributedString() = default;
  explicit AttributedString(std::string text, TextAttributes attributes = {});

  void append(std::string text, TextAttributes attributes = {});
  void append(const AttributedString& other);
  // Sets the given attributes on every run (unset fields are left alone).
  void addAttributes(const TextAttributes& attributes);

  const std::vector<TextRun>& runs() const { return runs_; }
  std::string string() const;  // the concatenated text
  bool empty() const;
  bool operator==(const AttributedString&) const = default;

 private:
  std::vector<TextRun> runs_;
};

enum class TextAlignment { Left, Center, Right, Justified, Natural };

enum class LineBreakMode {
  WordWrap,
  CharWrap,
  Clip,
  TruncateHead,
  TruncateTail,
  TruncateMiddle,
};

}  // namespace quartz
