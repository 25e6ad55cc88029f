#include "text/TextLayout.h"

#include <algorithm>
#include <cmath>

#include "TextEngine.h"

namespace text {

namespace {

constexpr double kScale = PANGO_SCALE;

bool isWrapping(LineBreakMode m) { return m == LineBreakMode::WordWrap || m == LineBreakMode::CharWrap; }

PangoEllipsizeMode ellipsizeFor(LineBreakMode m) {
  switch (m) {
    case LineBreakMode::TruncateHead: return PANGO_ELLIPSIZE_START;
    case LineBreakMode::TruncateTail: return PANGO_ELLIPSIZE_END;
    case LineBreakMode::TruncateMiddle: return PANGO_ELLIPSIZE_MIDDLE;
    default: return PANGO_ELLIPSIZE_NONE;
  }
}

quartz::Font scaled(quartz::Font f, double factor) {
  f.pointSize *= factor;
  return f;
}

// Puts text and per-run fonts (scaled by `factor`) into the scratch layout.
PangoLayout* prepare(const quartz::AttributedString& text, const std::string& flat, const quartz::Font& font,
                     double factor) {
  TextEngine& engine = TextEngine::shared();
  PangoLayout* layout = engine.scratchLayout();
  pango_layout_set_font_description(layout, engine.description(scaled(font, factor)));
  PangoAttrList* attrs = nullptr;
  std::size_t offset = 0;
  for (const quartz::TextRun& run : text.runs()) {
    if (run.attributes.font) {
      if (!attrs) attrs = pango_attr_list_new();
      PangoAttribute* a = pango_attr_font_desc_new(engine.description(scaled(*run.attributes.font, factor)));
      a->start_index = static_cast<guint>(offset);
      a->end_index = static_cast<guint>(offset + run.text.size());
      pango_attr_list_insert(attrs, a);
    }
    offset += run.text.size();
  }
  pango_layout_set_attributes(layout, attrs);
  if (attrs) pango_attr_list_unref(attrs);
  pango_layout_set_text(layout, flat.data(), static_cast<int>(flat.size()));
  return layout;
}

// Width of the text on one line, unrounded.
double naturalWidth(const quartz::AttributedString& text, const std::string& flat, const quartz::Font& font) {
  PangoLayout* layout = prepare(text, flat, font, 1.0);
  pango_layout_set_width(layout, -1);
  pango_layout_set_height(layout, -1);
  pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_NONE);
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  return logical.width / kScale;
}

}  // namespace

struct LayoutBuilder {
  static void build(TextLayout& out) {
    TextEngine& engine = TextEngine::shared();
    const LayoutOptions& o = out.options_;
    PangoLayout* layout = prepare(out.styled_, out.text_, out.font_, out.fontScale_);
    out.font_ = scaled(out.font_, out.fontScale_);
    pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT);
    pango_layout_set_justify(layout, FALSE);
    bool bounded = o.width > 0 && o.width < quartz::kFloatMax;
    bool wraps = bounded && isWrapping(o.lineBreakMode) && o.numberOfLines != 1;
    PangoEllipsizeMode ellipsize = bounded ? ellipsizeFor(o.lineBreakMode) : PANGO_ELLIPSIZE_NONE;
    pango_layout_set_width(layout, (wraps || ellipsize != PANGO_ELLIPSIZE_NONE)
                                       ? static_cast<int>(std::lround(o.width * kScale))
                                       : -1);
    pango_layout_set_wrap(layout, o.lineBreakMode == LineBreakMode::CharWrap ? PANGO_WRAP_CHAR
                                                                             : PANGO_WRAP_WORD_CHAR);
    pango_layout_set_ellipsize(layout, ellipsize);
    if (ellipsize != PANGO_ELLIPSIZE_NONE) {
      // Truncation keeps as many lines as allowed and ellipsises the last one.
      int lines = o.numberOfLines;
      if (lines <= 0 && o.height > 0 && o.height < quartz::kFloatMax)
        lines = std::max(1, static_cast<int>(std::floor(o.height / engine.lineHeight(out.font_) + 1e-6)));
      pango_layout_set_height(layout, lines > 0 ? -lines : -1);
      if (lines <= 0) pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_NONE);
    } else {
      pango_layout_set_height(layout, -1);
    }
    out.truncated_ = pango_layout_is_ellipsized(layout);
    out.lineHeight_ = engine.lineHeight(out.font_);

    PangoLayoutIter* iter = pango_layout_get_iter(layout);
    double top = -1;
    do {
      PangoLayoutLine* pl = pango_layout_iter_get_line_readonly(iter);
      PangoRectangle logical;
      pango_layout_iter_get_line_extents(iter, nullptr, &logical);
      double baseline = pango_layout_iter_get_baseline(iter) / kScale;
      if (top < 0) top = logical.y / kScale;
      double lineTop = logical.y / kScale - top;
      double lineBottom = lineTop + logical.height / kScale;
      bool lineLimit = o.numberOfLines > 0 && static_cast<int>(out.lines_.size()) >= o.numberOfLines;
      bool heightLimit = o.height > 0 && o.height < quartz::kFloatMax && !out.lines_.empty() &&
                         lineBottom > o.height + 1e-6;
      if (lineLimit || heightLimit) {
        out.truncated_ = true;
        break;
      }
      TextLine line;
      line.width = logical.width / kScale;
      line.ascent = baseline - logical.y / kScale;
      line.descent = logical.height / kScale - line.ascent;
      line.origin = {logical.x / kScale, baseline - top};
      double lineX = 0;
      for (GSList* r = pl->runs; r; r = r->next) {
        auto* item = static_cast<PangoGlyphItem*>(r->data);
        GlyphRun run;
        run.font = engine.face(item->item->analysis.font);
        run.textStart = static_cast<std::size_t>(item->item->offset);
        run.textLength = static_cast<std::size_t>(item->item->length);
        double x = 0;
        for (int g = 0; g < item->glyphs->num_glyphs; ++g) {
          const PangoGlyphInfo& info = item->glyphs->glyphs[g];
          bool ink = info.glyph != PANGO_GLYPH_EMPTY && !(info.glyph & PANGO_GLYPH_UNKNOWN_FLAG);
          if (ink) {
            run.glyphs.push_back(info.glyph);
            run.positions.push_back({x + info.geometry.x_offset / kScale, -info.geometry.y_offset / kScale});
          }
          x += info.geometry.width / kScale;
        }
        // Positions so far are relative to the run; make them relative to the line.
        for (quartz::Point& pt : run.positions) pt.x += lineX;
        run.width = x;
        lineX += x;
        line.runs.push_back(std::move(run));
      }
      out.lines_.push_back(std::move(line));
    } while (pango_layout_iter_next_line(iter));
    pango_layout_iter_free(iter);

    double width = 0;
    for (const TextLine& l : out.lines_) width = std::max(width, l.width);
    double height = 0;
    if (!out.lines_.empty()) height = out.lines_.back().origin.y + out.lines_.back().descent;
    out.size_ = {width, height};

    // Horizontal placement inside the box.
    double box = bounded ? o.width : width;
    for (TextLine& l : out.lines_) {
      double slack = box - l.width;
      switch (o.alignment) {
        case TextAlignment::Center: l.origin.x = slack / 2; break;
        case TextAlignment::Right: l.origin.x = slack; break;
        default: l.origin.x = 0; break;
      }
    }
  }
};

TextLayout::TextLayout(quartz::AttributedString text, quartz::Font font, LayoutOptions options)
    : styled_(std::move(text)), text_(styled_.string()), font_(std::move(font)), options_(options) {}

std::shared_ptr<const TextLayout> TextLayout::create(std::string_view text, const quartz::Font& font,
                                                     const LayoutOptions& options) {
  return create(quartz::AttributedString(std::string(text)), font, options);
}

std::shared_ptr<const TextLayout> TextLayout::create(const quartz::AttributedString& text,
                                                     const quartz::Font& font, const LayoutOptions& options) {
  // Only fonts shape the layout; other attributes are left out of the key.
  quartz::AttributedString fontsOnly;
  for (const quartz::TextRun& run : text.runs()) {
    quartz::TextAttributes a;
    a.font = run.attributes.font;
    fontsOnly.append(run.text, a);
  }
  auto& cache = TextEngine::shared().layouts();
  LayoutKey key{fontsOnly, font, options};
  if (const std::shared_ptr<const TextLayout>* cached = cache.find(key)) return *cached;

  auto layout = std::make_shared<TextLayout>(fontsOnly, font, options);
  bool bounded = options.width > 0 && options.width < quartz::kFloatMax;
  if (options.minimumScaleFactor > 0 && bounded && options.numberOfLines == 1) {
    double natural = naturalWidth(layout->styled_, layout->text_, font);
    if (natural > options.width)
      layout->fontScale_ = std::max(options.minimumScaleFactor, options.width / natural * 0.9999);
  }
  LayoutBuilder::build(*layout);
  return cache.insert(std::move(key), std::move(layout));
}

quartz::Path TextLayout::glyphPath() const {
  quartz::Path path;
  if (lines_.empty()) return path;
  quartz::Point first = lines_.front().origin;
  for (const TextLine& line : lines_) {
    double dx = line.origin.x - first.x;
    double dy = -(line.origin.y - first.y);  // later lines lie lower: negative y in y-up space
    for (const GlyphRun& run : line.runs)
      for (std::size_t i = 0; i < run.glyphs.size(); ++i)
        run.font->addPathForGlyph(
            run.glyphs[i], quartz::AffineTransform::makeTranslation(run.positions[i].x + dx, run.positions[i].y + dy),
            path);
  }
  return path;
}

std::shared_ptr<const TextLayout> typesetLine(std::string_view text, const quartz::Font& font) {
  LayoutOptions o;
  o.width = 0;
  o.numberOfLines = 1;
  o.lineBreakMode = LineBreakMode::Clip;
  o.alignment = TextAlignment::Left;
  return TextLayout::create(text, font, o);
}

quartz::Size sizeWithFont(std::string_view text, const quartz::Font& font) {
  if (text.empty()) return {0, 0};
  quartz::Size s = typesetLine(text, font)->size();
  return {std::ceil(s.width - 1e-9), std::ceil(s.height - 1e-9)};
}

quartz::Size sizeWithFont(std::string_view text, const quartz::Font& font, quartz::Size constrained,
                          LineBreakMode mode) {
  if (text.empty()) return {0, 0};
  LayoutOptions o;
  o.width = constrained.width >= quartz::kFloatMax ? 0 : constrained.width;
  o.height = constrained.height >= quartz::kFloatMax ? 0 : constrained.height;
  o.numberOfLines = isWrapping(mode) ? 0 : 1;
  o.lineBreakMode = mode;
  o.alignment = TextAlignment::Left;
  quartz::Size s = TextLayout::create(text, font, o)->size();
  return {std::ceil(s.width - 1e-9), std::ceil(s.height - 1e-9)};
}

}  // namespace text
