#pragma once
// The black always-on window shown while the device is locked. For every
// line it chooses a presentation from the settings, first match wins:
// sideways strip (never on a tablet), moving gradient, shatter, plain label.
// Below the line it can show the artwork and a control bar with the song
// name; a tap on a control posts "Noti_MediaTrack_Changed" with "-1" or "1".
//
// The window creates and owns every presentation view for its whole life,
// including the artwork view: a square image view centred just above the
// control bar, shown and hidden with the bar. Artwork arrives as Base64
// text; the same text twice in a row is decoded once.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "alwayson/FullScreenHPView.h"
#include "alwayson/MediaControlView.h"
#include "alwayson/NarvSmashView.h"
#include "foundation/UserDefaults.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/Window.h"

class FullScreenWindow : public ui::Window {
 public:
  // Black background, initData, initSubview.
  static std::shared_ptr<FullScreenWindow> initWithFrame(const ui::Rect& frame);

  std::string className() const override { return "FullScreenWindow"; }

  const std::shared_ptr<ui::Label>& label();
  const std::shared_ptr<ui::Label>& gradientLabel();
  const std::shared_ptr<NarvSmashView>& smashView() const { return smashView_; }
  const std::shared_ptr<ui::Label>& dateLabel();
  const std::shared_ptr<ui::ImageView>& artImgView() const { return artImgView_; }
  const std::shared_ptr<MediaControlView>& mediaControlView() const { return mediaControlView_; }
  foundation::UserDefaults& userDefaults() const { return *userDefaults_; }
  const std::shared_ptr<FullScreenHPView>& hpView() const { return hpView_; }
  const std::optional<std::string>& currentImgBase64Str() const { return currentImgBase64Str_; }

  // Shows one new line in the mode the settings choose.
  void fullScreenAddLyric(const std::string& lyric);
  // New artwork as Base64 text (characters outside the alphabet ignored);
  // decoded only when it differs from the last text and
  // "USERKEY_13_alwaysOnMediaControl" has any stored value.
  void addImageBase64(const std::optional<std::string>& base64);

  // The handler installed as the control bar's changeSong: posts
  // "Noti_MediaTrack_Changed" with the direction as "%ld" text.
  static void changeSongHandler(std::int64_t direction);

  // The always-on font size: the stored "USERKEY_13_alwaysOnFontSize" when
  // present, non-empty and at least 5; otherwise 14.
  static double fontSize(foundation::UserDefaults& defaults);
  // Side of the square artwork view.
  static constexpr double kArtworkSide = 120;

  struct Tag {};
  FullScreenWindow(Tag, const ui::Rect& frame) : ui::Window(frame) {}

 private:
  void initData();
  void initSubview();
  void initMediaItems();
  void initArtwork();
  std::shared_ptr<ui::Label> label_;
  std::shared_ptr<ui::Label> gradientLabel_;
  std::shared_ptr<NarvSmashView> smashView_;
  std::shared_ptr<ui::Label> dateLabel_;
  std::shared_ptr<ui::ImageView> artImgView_;
  std::shared_ptr<MediaControlView> mediaControlView_;
  foundation::UserDefaults* userDefaults_ = nullptr;
  std::shared_ptr<FullScreenHPView> hpView_;
  std::optional<std::string> currentImgBase64Str_ = std::string();
};
