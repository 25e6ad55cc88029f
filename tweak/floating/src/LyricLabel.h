#pragma once
// The lyric label the floating lyric views share (internal to this module):
// how it starts out, and how the plain and gradient views size it.

#include <memory>
#include <string>

#include "ui/Label.h"

// A new label with placeholder looks -- system font 14, red, centred -- that
// the owning view's layout replaces.
inline std::shared_ptr<ui::Label> makeLyricLabel() {
  auto label = std::make_shared<ui::Label>();
  label->setFont(ui::Font::systemFont(14));
  label->setTextColor(ui::Color::redColor());
  label->setTextAlignment(ui::TextAlignment::Center);
  return label;
}

// Fills `bounds` with the label (frame first, then the font) in the lyric font
// `fontName` at size height / 1.5.
inline void fitLyricLabel(ui::Label& label, const ui::Rect& bounds, const std::string& fontName) {
  label.setFrame(bounds);
  label.setFont(ui::Font::fontWithName(fontName, bounds.height() / 1.5));
}
