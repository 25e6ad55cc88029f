// The panel's controls, each built once by its getter, and the layout of
// the column: switch rows, slider rows, the colour editor, the two groups of
// animation switches and the close button.

#include <vector>

#include "foundation/UserDefaults.h"
#include "panel/LyricSettingWindow.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"

namespace {

foundation::UserDefaults& store() { return foundation::UserDefaults::standardUserDefaults(); }

std::shared_ptr<ui::Label> rowLabel(std::string text, bool shrinksToFit) {
  auto label = std::make_shared<ui::Label>();
  label->setTextColor(ui::Color::colorWithRed(0.2, 0.2, 0.2, 1));
  label->setFont(ui::Font::systemFont(14));
  label->setText(std::move(text));
  label->setTextAlignment(ui::TextAlignment::Left);
  label->setNumberOfLines(1);
  label->setAdjustsFontSizeToFitWidth(shrinksToFit);
  return label;
}

std::shared_ptr<ui::Label> sectionTitle(std::string text) {
  auto label = std::make_shared<ui::Label>();
  label->setTextColor(ui::Color::colorWithRed(0.6, 0.6, 0.6, 1));
  label->setFont(ui::Font::systemFont(20));
  label->setText(std::move(text));
  label->setTextAlignment(ui::TextAlignment::Left);
  return label;
}

// The getters' one pattern: build once, on first access.
template <class T, class Make>
const std::shared_ptr<T>& lazily(std::shared_ptr<T>& slot, Make&& make) {
  if (!slot) slot = make();
  return slot;
}

// Row gaps of the column.
constexpr double kFirstSwitchRowY = 130;
constexpr double kSwitchRowGap = 20;
constexpr double kRowGap = 10;
constexpr double kCloseButtonGap = 80;
constexpr double kContentBottomMargin = 40;

}  // namespace

// ---- Builders ----

std::shared_ptr<ui::Switch> LyricSettingWindow::makeSwitch(std::string_view key, SwitchHandler handler) {
  auto control = std::make_shared<ui::Switch>();
  foundation::UserDefaults& defaults = store();
  const bool on = settingBool(key, defaults);
  defaults.synchronize();
  control->setOn(on);
  control->addTarget(this, handler, ui::ControlEvent::ValueChanged);
  return control;
}

std::shared_ptr<ui::Slider> LyricSettingWindow::makeSlider(float minimum, float maximum, std::string_view key,
                                                           SliderHandler handler) {
  auto control = std::make_shared<ui::Slider>();
  control->setContinuous(true);
  control->setMinimumValue(minimum);
  control->setMaximumValue(maximum);
  foundation::UserDefaults& defaults = store();
  const float value = settingNumber(key, defaults);
  defaults.synchronize();
  control->setValue(value);
  control->addTarget(this, handler, ui::ControlEvent::ValueChanged);
  return control;
}

std::shared_ptr<ui::Slider> LyricSettingWindow::makeColorSlider(float minimum, SliderHandler handler) {
  auto control = std::make_shared<ui::Slider>();
  control->setContinuous(true);
  control->setMinimumValue(minimum);
  control->setMaximumValue(1);
  control->addTarget(this, handler, ui::ControlEvent::ValueChanged);
  return control;
}

// ---- Getters ----

const std::shared_ptr<ui::ScrollView>& LyricSettingWindow::scroll() {
  if (!scroll_) {
    scroll_ = std::make_shared<ui::ScrollView>();
    scroll_->setDelegate(this);
    scroll_->setAlwaysBounceVertical(true);
  }
  return scroll_;
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::titleLabel() {
  if (!titleLabel_) {
    titleLabel_ = std::make_shared<ui::Label>();
    titleLabel_->setTextColor(ui::Color::colorWithRed(0.2, 0.2, 0.2, 1));
    titleLabel_->setFont(ui::Font::systemFont(30));
    titleLabel_->setText("HoverlyraXI");
    titleLabel_->setTextAlignment(ui::TextAlignment::Center);
  }
  return titleLabel_;
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::floatLockLabel() {
  return lazily(floatLockLabel_, [&] { return rowLabel("锁定悬浮窗(不可拖动)", false); });
}

const std::shared_ptr<ui::Switch>& LyricSettingWindow::floatLockSwitch() {
  return lazily(floatLockSwitch_, [&] { return makeSwitch(SettingKey::lock, &LyricSettingWindow::floatLockChaged); });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::alwaysOnLabel() {
  return lazily(alwaysOnLabel_, [&] { return rowLabel("熄屏显示", false); });
}

const std::shared_ptr<ui::Switch>& LyricSettingWindow::alwaysOnSwitch() {
  return lazily(alwaysOnSwitch_, [&] { return makeSwitch(SettingKey::alwaysOn, &LyricSettingWindow::alwaysOnChaged); });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::alwaysOnMediaControlLabel() {
  return lazily(alwaysOnMediaControlLabel_, [&] { return rowLabel("熄屏媒体控制（测试功能）", true); });
}

const std::shared_ptr<ui::Switch>& LyricSettingWindow::alwaysOnMediaControlSwitch() {
  return lazily(alwaysOnMediaControlSwitch_, [&] {
    return makeSwitch(SettingKey::alwaysOnMediaControl, &LyricSettingWindow::alwaysMediaControlChaged);
  });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::alwaysOnHPLabel() {
  return lazily(alwaysOnHPLabel_, [&] { return rowLabel("熄屏横屏显示", false); });
}

const std::shared_ptr<ui::Switch>& LyricSettingWindow::alwaysOnHPSwitch() {
  return lazily(alwaysOnHPSwitch_,
                [&] { return makeSwitch(SettingKey::alwaysOnShowHP, &LyricSettingWindow::alwaysOnHPChaged); });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::alwaysOnDoubleTapGesLabel() {
  return lazily(alwaysOnDoubleTapGesLabel_, [&] { return rowLabel("熄屏双击关闭", false); });
}

const std::shared_ptr<ui::Switch>& LyricSettingWindow::alwaysOnDoubleTapGesSwitch() {
  return lazily(alwaysOnDoubleTapGesSwitch_, [&] {
    return makeSwitch(SettingKey::alwaysOnDoubleTapGes, &LyricSettingWindow::alwaysOnDoubleTapGesSwitchChaged);
  });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::shortCutOpenAPPLabel() {
  return lazily(shortCutOpenAPPLabel_, [&] { return rowLabel("长按悬浮窗打开APP", true); });
}

const std::shared_ptr<ui::Switch>& LyricSettingWindow::shortCutOpenAPPSwitch() {
  return lazily(shortCutOpenAPPSwitch_, [&] {
    return makeSwitch(SettingKey::shortCutOpenAPPS, &LyricSettingWindow::shortCutOpenAPPSwitchChaged);
  });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::alwaysOnFontSizeLabel() {
  return lazily(alwaysOnFontSizeLabel_, [&] { return rowLabel("熄屏显示歌词大小", false); });
}

const std::shared_ptr<ui::Slider>& LyricSettingWindow::alwaysOnFontSizeSlider() {
  return lazily(alwaysOnFontSizeSlider_, [&] {
    return makeSlider(14, isIpad() ? 120 : 50, SettingKey::alwaysOnFontSize,
                      &LyricSettingWindow::alwaysOnFontSizeSliderChanged);
  });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::floatWidthLabel() {
  return lazily(floatWidthLabel_, [&] { return rowLabel("悬浮窗宽度", false); });
}

const std::shared_ptr<ui::Slider>& LyricSettingWindow::floatWidthSlider() {
  return lazily(floatWidthSlider_,
                [&] { return makeSlider(0.1f, 1, SettingKey::width, &LyricSettingWindow::floatWidthSliderChanged); });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::floatHeightLabel() {
  return lazily(floatHeightLabel_, [&] { return rowLabel("悬浮窗高度(字体大小)", true); });
}

const std::shared_ptr<ui::Slider>& LyricSettingWindow::floatHeightSlider() {
  return lazily(floatHeightSlider_, [&] {
    return makeSlider(15, isIpad() ? 150 : 100, SettingKey::height, &LyricSettingWindow::floatHeightSliderChanged);
  });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::floatCornerLabel() {
  return lazily(floatCornerLabel_, [&] { return rowLabel("悬浮窗圆角", false); });
}

const std::shared_ptr<ui::Slider>& LyricSettingWindow::floatCornerSlider() {
  return lazily(floatCornerSlider_,
                [&] { return makeSlider(0, 20, SettingKey::corner, &LyricSettingWindow::floatCornerSliderChanged); });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::fontLayerShadowNameLabel() {
  return lazily(fontLayerShadowNameLabel_, [&] { return rowLabel("字体阴影(悬浮窗)", false); });
}

const std::shared_ptr<ui::Slider>& LyricSettingWindow::fontLayerShadowSlider() {
  return lazily(fontLayerShadowSlider_, [&] {
    return makeSlider(0, 1, SettingKey::fontLayerShadow, &LyricSettingWindow::fontLayerShadowSliderChanged);
  });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::fontPathLineWidthNameLabel() {
  return lazily(fontPathLineWidthNameLabel_, [&] { return rowLabel("字体路径宽度", false); });
}

const std::shared_ptr<ui::Slider>& LyricSettingWindow::fontPathLineWidthSlider() {
  return lazily(fontPathLineWidthSlider_, [&] {
    return makeSlider(0.5f, 3, SettingKey::fontPathLineWidth, &LyricSettingWindow::fontPathLineWidthSliderChanged);
  });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::fontPathDurationNameLabel() {
  return lazily(fontPathDurationNameLabel_, [&] { return rowLabel("字体路径动画时长", false); });
}

const std::shared_ptr<ui::Slider>& LyricSettingWindow::fontPathDurationSlider() {
  return lazily(fontPathDurationSlider_, [&] {
    return makeSlider(0.1f, 3, SettingKey::fontPathDuration, &LyricSettingWindow::fontPathDurationSliderChanged);
  });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::smashDurationNameLabel() {
  return lazily(smashDurationNameLabel_, [&] { return rowLabel("熄屏破碎动画时长", false); });
}

const std::shared_ptr<ui::Slider>& LyricSettingWindow::smashDurationSlider() {
  return lazily(smashDurationSlider_, [&] {
    return makeSlider(0.25f, 2, SettingKey::smashDuration, &LyricSettingWindow::smashDurationSliderChanged);
  });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::lyricALabel() {
  return lazily(lyricALabel_, [&] { return rowLabel("透明度", false); });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::lyricRLabel() {
  return lazily(lyricRLabel_, [&] { return rowLabel("红色", false); });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::lyricGLabel() {
  return lazily(lyricGLabel_, [&] { return rowLabel("绿色", false); });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::lyricBLabel() {
  return lazily(lyricBLabel_, [&] { return rowLabel("蓝色", false); });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::fontShadowLabel() {
  return lazily(fontShadowLabel_, [&] { return rowLabel("字体阴影", false); });
}

const std::shared_ptr<ui::Switch>& LyricSettingWindow::fontShadowSwitch() {
  return lazily(fontShadowSwitch_, [&] {
    return makeSwitch(SettingKey::fontShadow_animation, &LyricSettingWindow::fontShadowSwitchSwitchChaged);
  });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::randomColorLabel() {
  return lazily(randomColorLabel_, [&] { return rowLabel("动态渐变色", false); });
}

const std::shared_ptr<ui::Switch>& LyricSettingWindow::randomColorSwitch() {
  return lazily(randomColorSwitch_, [&] {
    return makeSwitch(SettingKey::randomColor_animation, &LyricSettingWindow::randomColorSwitchChaged);
  });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::fontPathLabel() {
  return lazily(fontPathLabel_, [&] { return rowLabel("文字路径动画", false); });
}

const std::shared_ptr<ui::Switch>& LyricSettingWindow::fontPathSwitch() {
  return lazily(fontPathSwitch_,
                [&] { return makeSwitch(SettingKey::fontPath_animation, &LyricSettingWindow::fontPathSwitchChaged); });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::aodGradientAnimationLabel() {
  return lazily(aodGradientAnimationLabel_,
                [&] { return rowLabel(isIpad() ? "动态渐变色" : "动态渐变色(横屏｜竖屏)", true); });
}

const std::shared_ptr<ui::Switch>& LyricSettingWindow::aodGradientAnimationSwitch() {
  return lazily(aodGradientAnimationSwitch_, [&] {
    return makeSwitch(SettingKey::aod_gradientAnimation, &LyricSettingWindow::aodGradientSwitchChaged);
  });
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::aodSmashAnimationLabel() {
  return lazily(aodSmashAnimationLabel_, [&] { return rowLabel(isIpad() ? "碎裂动画" : "碎裂动画(竖屏)", true); });
}

const std::shared_ptr<ui::Switch>& LyricSettingWindow::aodSmashAnimationSwitch() {
  return lazily(aodSmashAnimationSwitch_, [&] {
    return makeSwitch(SettingKey::aod_smashAnimation, &LyricSettingWindow::aodSmashAnimationSwitchChaged);
  });
}

const std::shared_ptr<ui::Slider>& LyricSettingWindow::lyricAslider() {
  if (!lyricAslider_) lyricAslider_ = makeColorSlider(0.2f, &LyricSettingWindow::lyricAsliderChanged);
  return lyricAslider_;
}

const std::shared_ptr<ui::Slider>& LyricSettingWindow::lyricRslider() {
  if (!lyricRslider_) lyricRslider_ = makeColorSlider(0, &LyricSettingWindow::lyricRsliderChanged);
  return lyricRslider_;
}

const std::shared_ptr<ui::Slider>& LyricSettingWindow::lyricGslider() {
  if (!lyricGslider_) lyricGslider_ = makeColorSlider(0, &LyricSettingWindow::lyricGsliderChanged);
  return lyricGslider_;
}

const std::shared_ptr<ui::Slider>& LyricSettingWindow::lyricBslider() {
  if (!lyricBslider_) lyricBslider_ = makeColorSlider(0, &LyricSettingWindow::lyricBsliderChanged);
  return lyricBslider_;
}

const std::shared_ptr<ui::SegmentedControl>& LyricSettingWindow::colorSegmented() {
  if (!colorSegmented_) {
    colorSegmented_ = std::make_shared<ui::SegmentedControl>(
        std::vector<std::string>{"歌词颜色", "背景颜色", "熄屏歌词颜色", "媒体控制颜色"});
    colorSegmented_->addTarget(this, &LyricSettingWindow::segmentedChanged, ui::ControlEvent::ValueChanged);
    colorSegmented_->setSelectedSegmentIndex(0);
  }
  return colorSegmented_;
}

const std::shared_ptr<ui::Button>& LyricSettingWindow::previewColorBtn() {
  if (!previewColorBtn_) {
    previewColorBtn_ = ui::Button::buttonWithType(ui::ButtonType::System);
    previewColorBtn_->layer()->setCornerRadius(5);
    previewColorBtn_->setTitle("颜色预览区域", ui::ControlState::Normal);
    previewColorBtn_->titleLabel()->setFont(ui::Font::systemFont(14));
    previewColorBtn_->setTitleColor(ui::Color::brownColor(), ui::ControlState::Normal);
    previewColorBtn_->layer()->setBorderWidth(1);
    previewColorBtn_->layer()->setBorderColor(quartz::Color::black());
  }
  return previewColorBtn_;
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::animationNameLabel() {
  if (!animationNameLabel_) animationNameLabel_ = sectionTitle("悬浮窗歌词动画");
  return animationNameLabel_;
}

const std::shared_ptr<ui::Label>& LyricSettingWindow::aodAnimationNameLabel() {
  if (!aodAnimationNameLabel_) aodAnimationNameLabel_ = sectionTitle("熄屏歌词动画");
  return aodAnimationNameLabel_;
}

const std::shared_ptr<ui::Button>& LyricSettingWindow::closeBtn() {
  if (!closeBtn_) {
    closeBtn_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    closeBtn_->setBackgroundColor(ui::Color::colorWithRed(21.0 / 255, 125.0 / 255, 251.0 / 255, 1));
    closeBtn_->layer()->setCornerRadius(5);
    closeBtn_->setClipsToBounds(true);
    closeBtn_->setTitle("关闭", ui::ControlState::Normal);
    closeBtn_->setTitleColor(ui::Color::whiteColor(), ui::ControlState::Normal);
    closeBtn_->addTarget(this, &LyricSettingWindow::closeBtnAction, ui::ControlEvent::TouchUpInside);
  }
  return closeBtn_;
}

// ---- Column ----

void LyricSettingWindow::initSubview() {
  addSubview(scroll());
  ui::ScrollView& column = *scroll_;
  column.addSubview(titleLabel());
  column.addSubview(floatLockLabel());
  column.addSubview(floatLockSwitch());
  column.addSubview(alwaysOnLabel());
  column.addSubview(alwaysOnSwitch());
  column.addSubview(alwaysOnMediaControlLabel());
  column.addSubview(alwaysOnMediaControlSwitch());
  if (!isIpad()) {
    column.addSubview(alwaysOnHPLabel());
    column.addSubview(alwaysOnHPSwitch());
  }
  column.addSubview(alwaysOnDoubleTapGesLabel());
  column.addSubview(alwaysOnDoubleTapGesSwitch());
  column.addSubview(shortCutOpenAPPLabel());
  column.addSubview(shortCutOpenAPPSwitch());
  column.addSubview(alwaysOnFontSizeLabel());
  column.addSubview(alwaysOnFontSizeSlider());
  column.addSubview(floatWidthLabel());
  column.addSubview(floatWidthSlider());
  column.addSubview(floatHeightLabel());
  column.addSubview(floatHeightSlider());
  column.addSubview(floatCornerLabel());
  column.addSubview(floatCornerSlider());
  column.addSubview(fontLayerShadowNameLabel());
  column.addSubview(fontLayerShadowSlider());
  column.addSubview(fontPathLineWidthNameLabel());
  column.addSubview(fontPathLineWidthSlider());
  column.addSubview(fontPathDurationNameLabel());
  column.addSubview(fontPathDurationSlider());
  column.addSubview(smashDurationNameLabel());
  column.addSubview(smashDurationSlider());
  column.addSubview(colorSegmented());
  column.addSubview(previewColorBtn());
  column.addSubview(lyricRLabel());
  column.addSubview(lyricGLabel());
  column.addSubview(lyricBLabel());
  column.addSubview(lyricALabel());
  column.addSubview(lyricRslider());
  column.addSubview(lyricGslider());
  column.addSubview(lyricBslider());
  column.addSubview(lyricAslider());
  column.addSubview(animationNameLabel());
  column.addSubview(fontShadowLabel());
  column.addSubview(fontShadowSwitch());
  column.addSubview(randomColorLabel());
  column.addSubview(randomColorSwitch());
  column.addSubview(fontPathLabel());
  column.addSubview(fontPathSwitch());
  column.addSubview(aodAnimationNameLabel());
  column.addSubview(aodGradientAnimationLabel());
  column.addSubview(aodGradientAnimationSwitch());
  column.addSubview(aodSmashAnimationLabel());
  column.addSubview(aodSmashAnimationSwitch());
  column.addSubview(closeBtn());
}

void LyricSettingWindow::layoutSubviews() {
  ui::Window::layoutSubviews();
  const double W = isHP_ ? frame().height() : frame().width();
  scroll()->setFrame(bounds());
  titleLabel()->setFrame({0, 40, W, 30});

  // Switch rows: a switch keeps its natural size, so a row ends where its
  // switch ends.
  double y = kFirstSwitchRowY;
  auto switchRow = [&](ui::Label& label, ui::Switch& control) {
    label.setFrame({10, y, 150, 20});
    control.setFrame({W - 60, y, 50, 20});
    y = control.frame().maxY() + kSwitchRowGap;
    return control.frame().maxY();
  };
  double bottom = 0;
  switchRow(*floatLockLabel(), *floatLockSwitch());
  switchRow(*alwaysOnLabel(), *alwaysOnSwitch());
  bottom = switchRow(*alwaysOnMediaControlLabel(), *alwaysOnMediaControlSwitch());
  if (isIpad()) {
    alwaysOnHPLabel()->setHidden(true);
    alwaysOnHPSwitch()->setHidden(true);
  } else {
    switchRow(*alwaysOnHPLabel(), *alwaysOnHPSwitch());
  }
  switchRow(*alwaysOnDoubleTapGesLabel(), *alwaysOnDoubleTapGesSwitch());
  bottom = switchRow(*shortCutOpenAPPLabel(), *shortCutOpenAPPSwitch());

  // Slider rows, then the colour editor's rows built the same way.
  y = bottom + kRowGap;
  auto sliderRow = [&](ui::Label& label, ui::Slider& control) {
    label.setFrame({10, y, 150, 20});
    control.setFrame({160, y, W - 170, 20});
    y = control.frame().maxY() + kRowGap;
  };
  sliderRow(*alwaysOnFontSizeLabel(), *alwaysOnFontSizeSlider());
  sliderRow(*floatWidthLabel(), *floatWidthSlider());
  sliderRow(*floatHeightLabel(), *floatHeightSlider());
  sliderRow(*floatCornerLabel(), *floatCornerSlider());
  sliderRow(*fontLayerShadowNameLabel(), *fontLayerShadowSlider());
  sliderRow(*fontPathLineWidthNameLabel(), *fontPathLineWidthSlider());
  sliderRow(*fontPathDurationNameLabel(), *fontPathDurationSlider());
  sliderRow(*smashDurationNameLabel(), *smashDurationSlider());

  colorSegmented()->setFrame({10, y, W - 20, 30});
  previewColorBtn()->setFrame({10, colorSegmented_->frame().maxY() + kRowGap, W - 20, 20});
  y = previewColorBtn_->frame().maxY() + kRowGap;
  sliderRow(*lyricALabel(), *lyricAslider());
  sliderRow(*lyricRLabel(), *lyricRslider());
  sliderRow(*lyricGLabel(), *lyricGslider());
  sliderRow(*lyricBLabel(), *lyricBslider());

  // Animation sections: the first row starts right at its section title.
  auto animationRow = [&](ui::Label& label, ui::Switch& control) {
    label.setFrame({10, y, 150, 40});
    control.setFrame({W - 60, y, 50, 40});
    y = control.frame().maxY() + kRowGap;
    return control.frame().maxY();
  };
  animationNameLabel()->setFrame({10, lyricBslider_->frame().maxY() + kRowGap, W - 20, 40});
  y = animationNameLabel_->frame().maxY();
  animationRow(*fontShadowLabel(), *fontShadowSwitch());
  animationRow(*randomColorLabel(), *randomColorSwitch());
  bottom = animationRow(*fontPathLabel(), *fontPathSwitch());

  aodAnimationNameLabel()->setFrame({10, bottom + kRowGap, W - 20, 40});
  y = aodAnimationNameLabel_->frame().maxY();
  animationRow(*aodGradientAnimationLabel(), *aodGradientAnimationSwitch());
  bottom = animationRow(*aodSmashAnimationLabel(), *aodSmashAnimationSwitch());

  closeBtn()->setFrame({10, bottom + kCloseButtonGap, W - 20, 40});
  scroll_->setContentSize({W, closeBtn_->frame().maxY() + kContentBottomMargin});
}
