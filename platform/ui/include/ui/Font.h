#pragma once
// Fonts are shared with the layer model (text drawing is recorded in layers).
#include "quartz/Font.h"

namespace ui {
using Font = quartz::Font;
}  // namespace ui
