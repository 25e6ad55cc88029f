#pragma once
// The settings panel that opens over the home screen. Every control edits
// one setting of the defaults store directly: it stores the moment it
// changes ("1"/"0" for switches, "%lf" for sliders), posts the setting's
// change notification where it has one, and there is no save or cancel.
// The panel is shown and hidden only through its alpha; the close button
// sets it to 0, and a transparent panel lets touches through.
//
// Controls are created lazily by their getters and kept for the panel's
// life; creating a switch or slider is what reads its initial state from
// the store (once: later changes made elsewhere are not shown, except the
// always-on switch, which follows "CCBundle_aod_switch_changed_noti").
// The colour sliders and the preview button are created by initData, the
// rest by initSubview. layoutSubviews only moves controls; W, the column
// width, is the frame's width, or its height while isHP (the owner turns
// the panel a quarter turn in landscape).
//
// Invariant: colorType() equals colorSegmented's selected segment, and the
// four colour sliders show the stored components of that colour target.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/NotificationCenter.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/ScrollView.h"
#include "ui/SegmentedControl.h"
#include "ui/Slider.h"
#include "ui/Switch.h"
#include "ui/Window.h"

class LyricSettingWindow : public ui::Window, public ui::ScrollViewDelegate {
 public:
  // Light grey background, initData, initSubview, touches enabled.
  static std::shared_ptr<LyricSettingWindow> initWithFrame(const ui::Rect& frame);

  std::string className() const override { return "LyricSettingWindow"; }

  bool isHP() const { return isHP_; }
  // Stores the flag and lays the column out at once.
  void setIsHP(bool isHP);
  std::int64_t colorType() const { return colorType_; }
  // Selects the colour target (0 floating lyric, 1 floating background,
  // 2 always-on lyric, 3 media controls) and loads the four colour sliders
  // and the preview from the store; writes nothing. Other values only
  // refresh the preview (white).
  void setColorType(std::int64_t colorType);
  bool isIpad() const;

  void layoutSubviews() override;

  // ---- Controls (created on first access) ----
  const std::shared_ptr<ui::ScrollView>& scroll();
  const std::shared_ptr<ui::Label>& titleLabel();

  const std::shared_ptr<ui::Label>& floatLockLabel();
  const std::shared_ptr<ui::Switch>& floatLockSwitch();
  const std::shared_ptr<ui::Label>& alwaysOnLabel();
  const std::shared_ptr<ui::Switch>& alwaysOnSwitch();
  const std::shared_ptr<ui::Label>& alwaysOnMediaControlLabel();
  const std::shared_ptr<ui::Switch>& alwaysOnMediaControlSwitch();
  const std::shared_ptr<ui::Label>& alwaysOnHPLabel();
  const std::shared_ptr<ui::Switch>& alwaysOnHPSwitch();
  const std::shared_ptr<ui::Label>& alwaysOnDoubleTapGesLabel();
  const std::shared_ptr<ui::Switch>& alwaysOnDoubleTapGesSwitch();
  const std::shared_ptr<ui::Label>& shortCutOpenAPPLabel();
  const std::shared_ptr<ui::Switch>& shortCutOpenAPPSwitch();

  const std::shared_ptr<ui::Label>& alwaysOnFontSizeLabel();
  const std::shared_ptr<ui::Slider>& alwaysOnFontSizeSlider();
  const std::shared_ptr<ui::Label>& floatWidthLabel();
  const std::shared_ptr<ui::Slider>& floatWidthSlider();
  const std::shared_ptr<ui::Label>& floatHeightLabel();
  const std::shared_ptr<ui::Slider>& floatHeightSlider();
  const std::shared_ptr<ui::Label>& floatCornerLabel();
  const std::shared_ptr<ui::Slider>& floatCornerSlider();
  const std::shared_ptr<ui::Label>& fontLayerShadowNameLabel();
  const std::shared_ptr<ui::Slider>& fontLayerShadowSlider();
  const std::shared_ptr<ui::Label>& fontPathLineWidthNameLabel();
  const std::shared_ptr<ui::Slider>& fontPathLineWidthSlider();
  const std::shared_ptr<ui::Label>& fontPathDurationNameLabel();
  const std::shared_ptr<ui::Slider>& fontPathDurationSlider();
  const std::shared_ptr<ui::Label>& smashDurationNameLabel();
  const std::shared_ptr<ui::Slider>& smashDurationSlider();

  const std::shared_ptr<ui::SegmentedControl>& colorSegmented();
  const std::shared_ptr<ui::Button>& previewColorBtn();
  const std::shared_ptr<ui::Label>& lyricALabel();
  const std::shared_ptr<ui::Slider>& lyricAslider();
  const std::shared_ptr<ui::Label>& lyricRLabel();
  const std::shared_ptr<ui::Slider>& lyricRslider();
  const std::shared_ptr<ui::Label>& lyricGLabel();
  const std::shared_ptr<ui::Slider>& lyricGslider();
  const std::shared_ptr<ui::Label>& lyricBLabel();
  const std::shared_ptr<ui::Slider>& lyricBslider();

  const std::shared_ptr<ui::Label>& animationNameLabel();
  const std::shared_ptr<ui::Label>& fontShadowLabel();
  const std::shared_ptr<ui::Switch>& fontShadowSwitch();
  const std::shared_ptr<ui::Label>& randomColorLabel();
  const std::shared_ptr<ui::Switch>& randomColorSwitch();
  const std::shared_ptr<ui::Label>& fontPathLabel();
  const std::shared_ptr<ui::Switch>& fontPathSwitch();

  const std::shared_ptr<ui::Label>& aodAnimationNameLabel();
  const std::shared_ptr<ui::Label>& aodGradientAnimationLabel();
  const std::shared_ptr<ui::Switch>& aodGradientAnimationSwitch();
  const std::shared_ptr<ui::Label>& aodSmashAnimationLabel();
  const std::shared_ptr<ui::Switch>& aodSmashAnimationSwitch();

  const std::shared_ptr<ui::Button>& closeBtn();

  // ---- Handlers (attached to the controls' value changes) ----
  // The companion control-centre module changed "USERKEY_13_alwaysOn": the
  // always-on switch follows; nothing is stored or posted.
  void receivedNoti(const foundation::Notification& notification);

  void floatLockChaged(ui::Switch& sender);
  // Also posts "SettingVC_aod_switch_changed_noti".
  void alwaysOnChaged(ui::Switch& sender);
  void alwaysMediaControlChaged(ui::Switch& sender);
  void alwaysOnHPChaged(ui::Switch& sender);
  void alwaysOnDoubleTapGesSwitchChaged(ui::Switch& sender);
  void shortCutOpenAPPSwitchChaged(ui::Switch& sender);

  // Also posts "NOTI_alwaysOnFontSize".
  void alwaysOnFontSizeSliderChanged(ui::Slider& sender);
  void floatWidthSliderChanged(ui::Slider& sender);
  void floatHeightSliderChanged(ui::Slider& sender);
  void floatCornerSliderChanged(ui::Slider& sender);
  void fontLayerShadowSliderChanged(ui::Slider& sender);
  void fontPathLineWidthSliderChanged(ui::Slider& sender);
  void fontPathDurationSliderChanged(ui::Slider& sender);
  void smashDurationSliderChanged(ui::Slider& sender);

  void segmentedChanged(ui::SegmentedControl& sender);
  // Each stores one component of the colour target and posts the target's
  // notification ("NOTI_Lyric_Color", "NOTI_bgColor", none for the
  // always-on lyric, "MediaCOntrol_Color_Change_Niti").
  void lyricAsliderChanged(ui::Slider& sender);
  void lyricRsliderChanged(ui::Slider& sender);
  void lyricGsliderChanged(ui::Slider& sender);
  void lyricBsliderChanged(ui::Slider& sender);
  // Paints the preview button with the target's stored colour.
  void preViewTintColor();

  void fontShadowSwitchSwitchChaged(ui::Switch& sender);
  void randomColorSwitchChaged(ui::Switch& sender);
  void fontPathSwitchChaged(ui::Switch& sender);
  // The three floating-lyric effects ("shadow", "color", "path") exclude one
  // another: the named one takes `isOn`, the other two are stored and shown
  // off. Other names do nothing.
  void setAnimtion(std::string_view name, bool isOn);
  // The always-on pair excludes each other the same way.
  void aodGradientSwitchChaged(ui::Switch& sender);
  void aodSmashAnimationSwitchChaged(ui::Switch& sender);

  void closeBtnAction(ui::Control& sender);

  struct Tag {};
  LyricSettingWindow(Tag, const ui::Rect& frame) : ui::Window(frame) {}

 private:
  using SwitchHandler = void (LyricSettingWindow::*)(ui::Switch&);
  using SliderHandler = void (LyricSettingWindow::*)(ui::Slider&);

  void initData();
  void initSubview();
  std::shared_ptr<ui::Switch> makeSwitch(std::string_view key, SwitchHandler handler);
  std::shared_ptr<ui::Slider> makeSlider(float minimum, float maximum, std::string_view key, SliderHandler handler);
  std::shared_ptr<ui::Slider> makeColorSlider(float minimum, SliderHandler handler);
  void storeSwitch(std::string_view key, const ui::Switch& sender);
  void storeSlider(std::string_view key, const ui::Slider& sender);
  void storeColorComponent(std::string_view suffix, const ui::Slider& sender);

  bool isHP_ = false;
  std::int64_t colorType_ = 0;
  foundation::Observation aodSwitchObservation_;

  std::shared_ptr<ui::ScrollView> scroll_;
  std::shared_ptr<ui::Label> titleLabel_;
  std::shared_ptr<ui::Label> floatLockLabel_, alwaysOnLabel_, alwaysOnMediaControlLabel_, alwaysOnHPLabel_,
      alwaysOnDoubleTapGesLabel_, shortCutOpenAPPLabel_;
  std::shared_ptr<ui::Switch> floatLockSwitch_, alwaysOnSwitch_, alwaysOnMediaControlSwitch_, alwaysOnHPSwitch_,
      alwaysOnDoubleTapGesSwitch_, shortCutOpenAPPSwitch_;
  std::shared_ptr<ui::Label> alwaysOnFontSizeLabel_, floatWidthLabel_, floatHeightLabel_, floatCornerLabel_,
      fontLayerShadowNameLabel_, fontPathLineWidthNameLabel_, fontPathDurationNameLabel_, smashDurationNameLabel_;
  std::shared_ptr<ui::Slider> alwaysOnFontSizeSlider_, floatWidthSlider_, floatHeightSlider_, floatCornerSlider_,
      fontLayerShadowSlider_, fontPathLineWidthSlider_, fontPathDurationSlider_, smashDurationSlider_;
  std::shared_ptr<ui::SegmentedControl> colorSegmented_;
  std::shared_ptr<ui::Button> previewColorBtn_;
  std::shared_ptr<ui::Label> lyricALabel_, lyricRLabel_, lyricGLabel_, lyricBLabel_;
  std::shared_ptr<ui::Slider> lyricAslider_, lyricRslider_, lyricGslider_, lyricBslider_;
  std::shared_ptr<ui::Label> animationNameLabel_, fontShadowLabel_, randomColorLabel_, fontPathLabel_;
  std::shared_ptr<ui::Switch> fontShadowSwitch_, randomColorSwitch_, fontPathSwitch_;
  std::shared_ptr<ui::Label> aodAnimationNameLabel_, aodGradientAnimationLabel_, aodSmashAnimationLabel_;
  std::shared_ptr<ui::Switch> aodGradientAnimationSwitch_, aodSmashAnimationSwitch_;
  std::shared_ptr<ui::Button> closeBtn_;
};
