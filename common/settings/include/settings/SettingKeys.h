#pragma once
// Names of every setting and of every settings change notification.
//
// Constants drop the common prefix of their store: "USERKEY_13_width" is
// SettingKey::width, "USER_KEY_HVXI_BUNDLESETTING_ROWA_SWI" is
// SettingKey::ROWA_SWI; names without a prefix keep their whole text.
// Colours are four keys each: a stem plus "_R", "_G", "_B" or "_A".

#include <string>
#include <string_view>

namespace SettingKey {

// --- The settings file (MMLocalSettingManager) ---
inline constexpr std::string_view ROWA_SWI = "USER_KEY_HVXI_BUNDLESETTING_ROWA_SWI";    // lyrics enabled
inline constexpr std::string_view ROWB_SWI = "USER_KEY_HVXI_BUNDLESETTING_ROWB_SWI";    // touches disabled
inline constexpr std::string_view ROWC_FONTS = "USER_KEY_HVXI_BUNDLESETTING_ROWC_FONTS";  // lyric font

// --- The defaults store: floating window and gestures ---
inline constexpr std::string_view CCBundle_UserDefaults_Narv_Switch = "CCBundle_UserDefaults_Narv_Switch";
inline constexpr std::string_view lock = "USERKEY_13_lock";
inline constexpr std::string_view width = "USERKEY_13_width";
inline constexpr std::string_view height = "USERKEY_13_height";
inline constexpr std::string_view corner = "USERKEY_13_corner";
inline constexpr std::string_view X = "USERKEY_13_X";  // orientation 1
inline constexpr std::string_view Y = "USERKEY_13_Y";
inline constexpr std::string_view D_X = "USERKEY_13_D_X";  // orientation 2
inline constexpr std::string_view D_Y = "USERKEY_13_D_Y";
inline constexpr std::string_view B_X = "USERKEY_13_B_X";  // orientation 3
inline constexpr std::string_view B_Y = "USERKEY_13_B_Y";
inline constexpr std::string_view C_X = "USERKEY_13_C_X";  // orientation 4
inline constexpr std::string_view C_Y = "USERKEY_13_C_Y";
inline constexpr std::string_view shortCutOpenAPPS = "USERKEY_13_shortCutOpenAPPS";

// --- The defaults store: look of the floating lyric ---
inline constexpr std::string_view randomColor_animation = "USERKEY_13_randomColor_animation";
inline constexpr std::string_view fontPath_animation = "USERKEY_13_fontPath_animation";
inline constexpr std::string_view fontShadow_animation = "USERKEY_13_fontShadow_animation";
inline constexpr std::string_view fontLayerShadow = "USERKEY_13_fontLayerShadow";
inline constexpr std::string_view fontPathLineWidth = "USERKEY_13_fontPathLineWidth";
inline constexpr std::string_view fontPathDuration = "USERKEY_13_fontPathDuration";

// --- The defaults store: always-on display ---
inline constexpr std::string_view alwaysOn = "USERKEY_13_alwaysOn";
inline constexpr std::string_view alwaysOnDoubleTapGes = "USERKEY_13_alwaysOnDoubleTapGes";
inline constexpr std::string_view alwaysOnMediaControl = "USERKEY_13_alwaysOnMediaControl";
inline constexpr std::string_view alwaysOnShowHP = "USERKEY_13_alwaysOnShowHP";
inline constexpr std::string_view alwaysOnFontSize = "USERKEY_13_alwaysOnFontSize";
inline constexpr std::string_view aod_gradientAnimation = "USERKEY_13_aod_gradientAnimation";
inline constexpr std::string_view aod_smashAnimation = "USERKEY_13_aod_smashAnimation";
inline constexpr std::string_view smashDuration = "USERKEY_13_smashDuration";

// --- Colour stems (defaults store) ---
inline constexpr std::string_view hoverVerseColor = "USERKEY_13_hoverVerseColor";        // floating lyric
inline constexpr std::string_view bgColor = "USERKEY_13_bgColor";                        // floating window
inline constexpr std::string_view aodLyricColor = "USERKEY_13_aodLyricColor";            // always-on lyric
inline constexpr std::string_view mediaControlColor = "USERKEY_13_mediaControlColor";    // always-on controls

inline constexpr std::string_view ColorSuffixR = "_R";
inline constexpr std::string_view ColorSuffixG = "_G";
inline constexpr std::string_view ColorSuffixB = "_B";
inline constexpr std::string_view ColorSuffixA = "_A";

// "USERKEY_13_bgColor" + "_A" -> "USERKEY_13_bgColor_A".
inline std::string colorComponent(std::string_view stem, std::string_view suffix) {
  std::string key(stem);
  key += suffix;
  return key;
}

}  // namespace SettingKey

namespace SettingNotification {

inline constexpr std::string_view NOTI_bgColor = "NOTI_bgColor";
inline constexpr std::string_view NOTI_Lyric_Color = "NOTI_Lyric_Color";
inline constexpr std::string_view MediaCOntrol_Color_Change_Niti = "MediaCOntrol_Color_Change_Niti";
inline constexpr std::string_view NOTI_alwaysOnFontSize = "NOTI_alwaysOnFontSize";
inline constexpr std::string_view SettingVC_aod_switch_changed_noti = "SettingVC_aod_switch_changed_noti";
inline constexpr std::string_view CCBundle_aod_switch_changed_noti = "CCBundle_aod_switch_changed_noti";
// Object: the text "1" (next track) or "-1" (previous), made with "%ld".
inline constexpr std::string_view Noti_MediaTrack_Changed = "Noti_MediaTrack_Changed";

}  // namespace SettingNotification

// The settings file shared by the preference pane and the home screen, as a
// device path (it resolves under the device root).
inline constexpr std::string_view kLocalSettingsFilePath = "/var/mobile/Library/Preferences/1";

// The font every lyric view falls back to (and stores) when none is chosen.
inline constexpr std::string_view kDefaultLyricFontName = "PingFangSC-Regular";
