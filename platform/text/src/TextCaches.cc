#include "text/TextCaches.h"

#include "TextEngine.h"

namespace text {

TextCacheUsage textCacheUsage() { return TextEngine::shared().usage(); }

}  // namespace text
