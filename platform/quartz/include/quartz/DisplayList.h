#pragma once
// Recorded drawing. The model never rasterises: custom drawing (a view's
// drawRect, a label's text) is recorded as a list of operations that the
// renderer replays. Every fill, stroke and text operation carries its full
// style, so a replayer only tracks the transform and clip stack (Save/Restore,
// ConcatCTM, ClipRect, ClipPath). Coordinates are the layer's bounds space.

#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "quartz/AttributedString.h"
#include "quartz/Color.h"
#include "quartz/Font.h"
#include "quartz/Geometry.h"
#include "quartz/Image.h"
#include "quartz/Path.h"

namespace quartz {

// A block of text for the renderer's text engine, laid out in `rect` the way
// a label lays out: lines broken by `lineBreakMode` (wrapping modes wrap;
// clip and truncation modes keep one line per paragraph unless
// numberOfLines allows more, truncating the last visible line), at most
// `numberOfLines` lines (0 = unlimited, but only lines that fit the rect's
// height are shown), the block centred vertically in rect, each line aligned
// by `alignment` (Natural = Left for left-to-right text). When
// adjustsFontSizeToFitWidth is set and numberOfLines is 1, the font shrinks
// down to minimumScaleFactor times its size until the line fits the width.
struct TextBox {
  AttributedString text;
  Font defaultFont = Font::systemFont(17);
  Color defaultColor = Color::black();
  std::optional<Shadow> defaultShadow;
  Rect rect;
  TextAlignment alignment = TextAlignment::Natural;
  int numberOfLines = 1;
  LineBreakMode lineBreakMode = LineBreakMode::TruncateTail;
  bool adjustsFontSizeToFitWidth = false;
  double minimumScaleFactor = 0;
  bool operator==(const TextBox&) const = default;
};

namespace op {
struct Save { bool operator==(const Save&) const = default; };
struct Restore { bool operator==(const Restore&) const = default; };
struct ConcatCTM { AffineTransform transform; bool operator==(const ConcatCTM&) const = default; };
struct ClipRect { Rect rect; bool operator==(const ClipRect&) const = default; };
struct ClipPath { Path path; bool evenOdd = false; bool operator==(const ClipPath&) const = default; };
struct FillRect { Rect rect; Color color; bool operator==(const FillRect&) const = default; };
struct FillPath { Path path; Color color; bool evenOdd = false; bool operator==(const FillPath&) const = default; };
struct StrokePath {
  Path path;
  Color color;
  double lineWidth = 1;
  LineJoin lineJoin = LineJoin::Miter;
  LineCap lineCap = LineCap::Butt;
  double miterLimit = 10;
  bool operator==(const StrokePath&) const = default;
};
// The image is scaled to fill rect (y down, the image's first row at the top).
struct DrawImage { std::shared_ptr<const Image> image; Rect rect; bool operator==(const DrawImage&) const = default; };
struct DrawText { TextBox box; bool operator==(const DrawText&) const = default; };
}  // namespace op

using DisplayOp = std::variant<op::Save, op::Restore, op::ConcatCTM, op::ClipRect, op::ClipPath,
                               op::FillRect, op::FillPath, op::StrokePath, op::DrawImage,
                               op::DrawText>;

// Immutable once handed to a layer (shared as std::shared_ptr<const DisplayList>).
struct DisplayList {
  std::vector<DisplayOp> ops;
  bool isEmpty() const { return ops.empty(); }
  bool operator==(const DisplayList&) const = default;
};

// Records drawing calls into a display list, tracking the graphics state
// (colours, line style) that save/restore brackets so that each recorded
// operation is self-contained.
class GraphicsContext {
 public:
  GraphicsContext() = default;
  explicit GraphicsContext(Rect bounds) : bounds_(bounds) {}

  Rect bounds() const { return bounds_; }  // what is being drawn (the view's bounds)

  void saveGState();
  void restoreGState();  // unmatched restores are ignored
  void translateCTM(double x, double y);
  void scaleCTM(double sx, double sy);
  void rotateCTM(double radians);
  void concatCTM(const AffineTransform& t);
  void clipToRect(const Rect& r);
  void clipToPath(const Path& path, bool evenOdd = false);

  void setFillColor(const Color& c) { state_.fill = c; }
  void setStrokeColor(const Color& c) { state_.stroke = c; }
  void setLineWidth(double w) { state_.lineWidth = w; }
  void setLineJoin(LineJoin j) { state_.join = j; }
  void setLineCap(LineCap c) { state_.cap = c; }
  void setMiterLimit(double m) { state_.miterLimit = m; }
  Color fillColor() const { return state_.fill; }
  Color strokeColor() const { return state_.stroke; }
  double lineWidth() const { return state_.lineWidth; }

  void fillRect(const Rect& r);
  void fillPath(const Path& path, bool evenOdd = false);
  void strokePath(const Path& path);
  void strokeRect(const Rect& r);
  void drawImage(std::shared_ptr<const Image> image, const Rect& r);
  void drawText(TextBox box);

  const DisplayList& displayList() const { return list_; }
  DisplayList takeDisplayList();  // leaves the context empty

 private:
  struct State {
    Color fill = Color::black();
    Color stroke = Color::black();
    double lineWidth = 1;
    LineJoin join = LineJoin::Miter;
    LineCap cap = LineCap::Butt;
    double miterLimit = 10;
  };
  Rect bounds_;
  State state_;
  std::vector<State> stack_;
  DisplayList list_;
};

}  // namespace quartz
