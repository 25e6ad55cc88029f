#pragma once
// Draws a label's text block (quartz::TextBox) with cairo: laid out by the
// text module, centred vertically in the box, each glyph run in its
// attributed colour, with blurred shadows beneath where a shadow is set.

#include <cairo.h>

#include "quartz/DisplayList.h"
#include "text/TextLayout.h"

namespace render {

// The layout the box is drawn with (cached by the text module).
std::shared_ptr<const text::TextLayout> layoutForTextBox(const quartz::TextBox& box);

void drawTextBox(cairo_t* cr, const quartz::TextBox& box, double alpha = 1.0);

}  // namespace render
