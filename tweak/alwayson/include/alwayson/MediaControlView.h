#pragma once
// The control bar at the foot of the always-on window: a previous button at
// the left (the skip symbol turned half a turn), the song name in the middle
// (shortened in the middle of the line) and a next button at the right.
// Layout is fixed at creation from the bar's own size. A tap on a button
// calls changeSong with -1 or 1; the bar knows nothing of tracks. Owns its
// buttons and label for its whole life.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "alwayson/PathButtonView.h"
#include "foundation/NotificationCenter.h"
#include "foundation/UserDefaults.h"
#include "ui/Color.h"
#include "ui/Label.h"
#include "ui/View.h"

class MediaControlView : public ui::View {
 public:
  static std::shared_ptr<MediaControlView> init() { return initWithFrame({}); }
  // initSubviews, initColor, then the colour observer.
  static std::shared_ptr<MediaControlView> initWithFrame(const ui::Rect& frame);

  std::string className() const override { return "MediaControlView"; }

  using ChangeSong = std::function<void(std::int64_t direction)>;
  const ChangeSong& changeSong() const { return changeSong_; }
  void setChangeSong(ChangeSong handler) { changeSong_ = std::move(handler); }

  const std::shared_ptr<PathButtonView>& leftButton() const { return leftButton_; }
  const std::shared_ptr<ui::Label>& nameLabel() const { return nameLabel_; }
  const std::shared_ptr<PathButtonView>& rightButton() const { return rightButton_; }
  const ui::Color& mmColor() const { return mmColor_; }

  void initColor();
  void receivedColorChangeNoti(const foundation::Notification& notification);

  // The control colour from the four "USERKEY_13_mediaControlColor" keys:
  // opaque white while the alpha is missing or the text "(null)", otherwise
  // the stored components unscaled (missing ones read 0). Synchronises the
  // store afterwards.
  static ui::Color controlColor(foundation::UserDefaults& defaults);

  // Shown until the window gives the first song name.
  static constexpr const char* kNoSongText = "暂无歌曲信息";

  struct Tag {};
  MediaControlView(Tag, const ui::Rect& frame) : ui::View(frame) {}

 private:
  void initSubviews();
  ChangeSong changeSong_;
  std::shared_ptr<PathButtonView> leftButton_;
  std::shared_ptr<ui::Label> nameLabel_;
  std::shared_ptr<PathButtonView> rightButton_;
  ui::Color mmColor_;
  foundation::Observation colorObservation_;
};
