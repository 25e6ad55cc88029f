#pragma once
// Text layout through pango: measuring as the platform measures
// (`sizeWithFont:constrainedToSize:lineBreakMode:`), typeset lines with their
// glyph runs, and boxes of wrapped, truncated or shrunk text for labels.
// Sizes are points; pango runs at 72 dpi so that a point is a pixel at scale 1.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "quartz/AttributedString.h"
#include "quartz/Font.h"
#include "quartz/Geometry.h"
#include "quartz/Path.h"
#include "text/FontFace.h"

namespace text {

using quartz::LineBreakMode;
using quartz::TextAlignment;

// Consecutive glyphs drawn with one face.
struct GlyphRun {
  std::shared_ptr<const FontFace> font;  // the face actually used (may be a fallback)
  std::vector<std::uint32_t> glyphs;
  // Glyph origins, y up, relative to the line's origin on its baseline.
  std::vector<quartz::Point> positions;
  std::size_t textStart = 0;   // byte range of the run in the UTF-8 text
  std::size_t textLength = 0;
  double width = 0;            // sum of advances
};

// One laid-out line.
struct TextLine {
  std::vector<GlyphRun> runs;
  // Left end of the baseline in the box, y down from the box's top.
  quartz::Point origin;
  double width = 0;    // typographic width (advances)
  double ascent = 0;   // logical extent above the baseline
  double descent = 0;  // logical extent below the baseline
};

struct LayoutOptions {
  double width = 0;          // box width; 0 = unbounded (no wrapping, no truncation)
  double height = 0;         // box height; 0 = unbounded; lines that do not fit are dropped
  int numberOfLines = 1;     // 0 = unlimited
  LineBreakMode lineBreakMode = LineBreakMode::TruncateTail;
  TextAlignment alignment = TextAlignment::Natural;
  // Shrink to fit (single line): when > 0 and the line is wider than `width`,
  // the font is scaled down, at most to this fraction of its size.
  double minimumScaleFactor = 0;
  bool operator==(const LayoutOptions&) const = default;
};

// An immutable layout. Lines are positioned in a box of `options.width`
// (or of the widest line when unbounded), starting at the box's top.
class TextLayout {
 public:
  // Layouts are cached by (text, font, options): asking twice for the same
  // layout returns the same object.
  static std::shared_ptr<const TextLayout> create(std::string_view text, const quartz::Font& font,
                                                  const LayoutOptions& options = {});
  // Styled text: a run's font replaces `defaultFont` for that run; colours
  // and shadows do not affect layout (the renderer reads them from the runs
  // by each glyph run's text range).
  static std::shared_ptr<const TextLayout> create(const quartz::AttributedString& text,
                                                  const quartz::Font& defaultFont,
                                                  const LayoutOptions& options = {});

  const std::string& text() const { return text_; }
  // The default font the lines were set in (smaller than requested after
  // shrinking; fontScale() tells by how much, 1 when not shrunk).
  const quartz::Font& font() const { return font_; }
  double fontScale() const { return fontScale_; }
  const LayoutOptions& options() const { return options_; }
  const std::vector<TextLine>& lines() const { return lines_; }
  // Width of the widest line and height of all lines, unrounded.
  quartz::Size size() const { return size_; }
  // Height of one line of this font (ascent + descent of the primary face).
  double lineHeight() const { return lineHeight_; }
  // True when text was cut: ellipsised, or lines dropped for lack of room.
  bool isTruncated() const { return truncated_; }

  // Every glyph outline of the layout as one path, y up, relative to the
  // first line's origin (the typeset line's convention).
  quartz::Path glyphPath() const;

  TextLayout(quartz::AttributedString text, quartz::Font font, LayoutOptions options);

 private:
  friend struct LayoutBuilder;
  quartz::AttributedString styled_;  // fonts only
  std::string text_;
  quartz::Font font_;
  double fontScale_ = 1;
  LayoutOptions options_;
  std::vector<TextLine> lines_;
  quartz::Size size_;
  double lineHeight_ = 0;
  bool truncated_ = false;
};

// One line without wrapping or truncation (the platform's typeset line).
std::shared_ptr<const TextLayout> typesetLine(std::string_view text, const quartz::Font& font);

// Single-line size, rounded up to whole points as the platform reports it.
quartz::Size sizeWithFont(std::string_view text, const quartz::Font& font);
// Size of `text` wrapped to `constrained.width` (WordWrap/CharWrap; other
// modes keep one line and truncate it), keeping only the lines that fit
// `constrained.height`; rounded up to whole points. A zero or kFloatMax
// dimension is unbounded.
quartz::Size sizeWithFont(std::string_view text, const quartz::Font& font, quartz::Size constrained,
                          LineBreakMode mode);

}  // namespace text
