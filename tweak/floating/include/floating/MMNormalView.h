#pragma once
// The plain lyric label: the line in the user's lyric colour, with an
// optional soft shadow, at font size height / 1.5 in the lyric font. Every
// layout reads the settings again; "NOTI_Lyric_Color" recolours the label at
// once. The owner sets the frame first, then the line.

#include <memory>
#include <string>

#include "foundation/NotificationCenter.h"
#include "foundation/UserDefaults.h"
#include "ui/Label.h"
#include "ui/View.h"

class MMNormalView : public ui::View {
 public:
  // Creates the view, then initData (defaults store, colour observer) and
  // initSubviews (adds lyricLabel). Use this, not the constructor.
  static std::shared_ptr<MMNormalView> initWithFrame(const ui::Rect& frame = {});

  std::string className() const override { return "MMNormalView"; }

  const std::string& lyric() const { return lyric_; }
  // Stores the line and lays the view out at once.
  void setLyric(std::string lyric);
  // Created on first access: system font 14, red, centred (placeholders the
  // layout replaces).
  const std::shared_ptr<ui::Label>& lyricLabel();
  foundation::UserDefaults& userDefaults() const { return *userDefaults_; }

  void layoutSubviews() override;
  void receivedLyricColorNoti(const foundation::Notification& notification);

  // Shadow drawn under the text while "USERKEY_13_fontShadow_animation" is on.
  static constexpr double kShadowBlurRadius = 6;

  struct Tag {};
  MMNormalView(Tag, const ui::Rect& frame) : ui::View(frame) {}

 private:
  void initData();
  void initSubviews();
  std::string lyric_;
  std::shared_ptr<ui::Label> lyricLabel_;
  foundation::UserDefaults* userDefaults_ = nullptr;
  foundation::Observation lyricColorObservation_;
};
