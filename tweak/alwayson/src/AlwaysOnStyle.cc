#include "AlwaysOnStyle.h"

#include "foundation/Text.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"

namespace alwayson {

double fontSize(foundation::UserDefaults& defaults) {
  const std::string text = settingText(SettingKey::alwaysOnFontSize, defaults);
  if (isMissingSettingText(text)) return 14;
  const float size = foundation::floatValue(text);
  return size < 5 ? 14 : size;
}

ui::Color lyricColor(foundation::UserDefaults& defaults) {
  const SettingColor c = settingColor(SettingKey::aodLyricColor, defaults);
  return ui::Color::colorWithRed(c.red, c.green, c.blue, c.alpha);
}

}  // namespace alwayson
