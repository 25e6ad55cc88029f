// The plain and gradient lyric labels and the three gradient managers.

#include <gtest/gtest.h>

#include <string>

#include "FloatingTestEnvironment.h"
#include "floating/MMGradientHPView.h"
#include "floating/MMGradientManager.h"
#include "floating/MMGradientView.h"
#include "floating/MMNormalView.h"
#include "foundation/NotificationCenter.h"
#include "quartz/Transaction.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"
#include "ui/Color.h"

namespace {

using SettingKey::colorComponent;

class LyricViewsTest : public FloatingTest {
 protected:
  static void setLyricColor(const char* r, const char* g, const char* b, const char* a) {
    set(colorComponent(SettingKey::hoverVerseColor, SettingKey::ColorSuffixR), r);
    set(colorComponent(SettingKey::hoverVerseColor, SettingKey::ColorSuffixG), g);
    set(colorComponent(SettingKey::hoverVerseColor, SettingKey::ColorSuffixB), b);
    set(colorComponent(SettingKey::hoverVerseColor, SettingKey::ColorSuffixA), a);
  }
  static std::size_t countOf(const quartz::Layer& host, const quartz::Layer* layer) {
    std::size_t n = 0;
    for (const auto& sub : host.sublayers()) n += sub.get() == layer;
    return n;
  }
};

// --- MMNormalView ---

TEST_F(LyricViewsTest, NormalViewLaysOutTheLineInTheLyricColourAndFont) {
  setLyricColor("1", "0.5", "0", "0.75");
  auto view = MMNormalView::initWithFrame(ui::Rect(10, 0, 120, 30));
  EXPECT_EQ(view->className(), "MMNormalView");
  view->setLyric("歌词 line");
  ui::Label& label = *view->lyricLabel();
  EXPECT_EQ(label.superview(), view.get());
  EXPECT_EQ(label.frame(), ui::Rect(0, 0, 120, 30));
  EXPECT_EQ(label.font(), ui::Font::fontWithName("PingFangSC-Regular", 20));
  EXPECT_EQ(label.textAlignment(), ui::TextAlignment::Center);
  ASSERT_EQ(label.attributedText().runs().size(), 1u);
  const auto& run = label.attributedText().runs()[0];
  EXPECT_EQ(run.text, "歌词 line");
  EXPECT_EQ(run.attributes.foregroundColor, quartz::Color::rgba(1, 0.5, 0, 0.75));
  EXPECT_FALSE(run.attributes.shadow.has_value());
  EXPECT_EQ(fileSettingText(SettingKey::ROWC_FONTS), "PingFangSC-Regular");
}

TEST_F(LyricViewsTest, NormalViewShadowOnlyWithTheSwitchAndWithTheStoredStrength) {
  auto view = MMNormalView::initWithFrame(ui::Rect(0, 0, 100, 40));
  set(SettingKey::fontLayerShadow, "0.600000");
  view->setLyric("a");
  EXPECT_FALSE(view->lyricLabel()->attributedText().runs()[0].attributes.shadow.has_value());

  set(SettingKey::fontShadow_animation, "1");
  view->setLyric("a");
  auto shadow = view->lyricLabel()->attributedText().runs()[0].attributes.shadow;
  ASSERT_TRUE(shadow.has_value());
  EXPECT_EQ(shadow->blurRadius, 6);
  EXPECT_EQ(shadow->offset, ui::Size(0, 0));
  EXPECT_EQ(shadow->color, quartz::Color::rgba(0.2, 0.2, 0.2, 0.6f));

  // Switch on, strength missing: a shadow that cannot be seen.
  defaults().removeObjectForKey(SettingKey::fontLayerShadow);
  view->setLyric("a");
  shadow = view->lyricLabel()->attributedText().runs()[0].attributes.shadow;
  ASSERT_TRUE(shadow.has_value());
  EXPECT_EQ(shadow->color.alpha, 0);
}

TEST_F(LyricViewsTest, NormalViewRecolourOnNotificationAndRereadsOnLayout) {
  auto view = MMNormalView::initWithFrame(ui::Rect(0, 0, 100, 40));
  view->setLyric("a");
  setLyricColor("0", "1", "0", "1");
  EXPECT_NE(view->lyricLabel()->textColor(), ui::Color::colorWithRed(0, 1, 0, 1));
  foundation::NotificationCenter::defaultCenter().post(std::string(SettingNotification::NOTI_Lyric_Color));
  EXPECT_EQ(view->lyricLabel()->textColor(), ui::Color::colorWithRed(0, 1, 0, 1));
  // The next layout builds the attributed text from the settings again.
  view->setLyric("b");
  EXPECT_EQ(view->lyricLabel()->attributedText().runs()[0].attributes.foregroundColor, quartz::Color::rgba(0, 1, 0, 1));

  // A dead view no longer observes.
  const auto before = foundation::NotificationCenter::defaultCenter().observerCount();
  view.reset();
  EXPECT_EQ(foundation::NotificationCenter::defaultCenter().observerCount(), before - 1);
}

TEST_F(LyricViewsTest, NormalViewRelaysOutWhenItsSizeChanges) {
  auto view = MMNormalView::initWithFrame(ui::Rect(0, 0, 100, 40));
  view->setLyric("a");
  view->setFrame(ui::Rect(0, 0, 150, 60));
  quartz::Transaction::flush();
  EXPECT_EQ(view->lyricLabel()->frame(), ui::Rect(0, 0, 150, 60));
  EXPECT_EQ(view->lyricLabel()->font().pointSize, 40);
}

// --- Gradient managers and views ---

TEST_F(LyricViewsTest, ColourCycleParameters) {
  const quartz::KeyframeAnimation a = MMGradientChromatoManager::createGradientChromatoKeyAnimation();
  EXPECT_EQ(a.keyPath(), "colors");
  using C = quartz::Color;
  const C red{1, 0, 0, 1}, orange{1, 0.5, 0, 1}, yellow{1, 1, 0, 1}, green{0, 1, 0, 1}, cyan{0, 1, 1, 1},
      blue{0, 0, 1, 1}, purple{0.5, 0, 0.5, 1};
  const std::vector<quartz::AnimationValue> values = {
      std::vector<C>{red, orange},  std::vector<C>{orange, yellow}, std::vector<C>{yellow, green},
      std::vector<C>{green, cyan},  std::vector<C>{cyan, blue},     std::vector<C>{blue, purple},
      std::vector<C>{purple, red}};
  EXPECT_EQ(a.values(), values);
  EXPECT_EQ(a.keyTimes(), (std::vector<double>{0.1, 0.14, 0.28, 0.42, 0.6, 0.78, 1}));
  EXPECT_EQ(a.duration(), 10);
  EXPECT_TRUE(a.autoreverses());
  EXPECT_EQ(static_cast<float>(a.repeatCount()), 3.4028235e38f);
  EXPECT_TRUE(a.isInfinite());
  EXPECT_FALSE(a.isRemovedOnCompletion());
  EXPECT_EQ(a.calculationMode(), quartz::CalculationMode::Linear);
  EXPECT_FALSE(a.timingFunction().has_value());
  EXPECT_EQ(a.fillMode(), quartz::FillMode::Removed);
  // 20 s a cycle: the colours at 5 s and at 15 s (the way back) agree.
  quartz::KeyframeAnimation stamped = a;
  stamped.setBeginTime(1);
  EXPECT_EQ(stamped.valueAt(6), stamped.valueAt(16));
  EXPECT_EQ(stamped.valueAt(1 + 10), quartz::AnimationValue(std::vector<C>{purple, red}));
}

TEST_F(LyricViewsTest, ManagersAreThreeSeparateOnceOnlyInstances) {
  auto& a = MMGradientManager::sharedManager();
  auto& b = MMFullScreenGradientManager::sharedManager();
  auto& c = MMFullScreenGradientHPManager::sharedManager();
  EXPECT_EQ(&a, &MMGradientManager::sharedManager());
  EXPECT_NE(static_cast<MMGradientChromatoManager*>(&a), static_cast<MMGradientChromatoManager*>(&b));
  EXPECT_NE(static_cast<MMGradientChromatoManager*>(&b), static_cast<MMGradientChromatoManager*>(&c));
  EXPECT_NE(a.chromatoLayer(), b.chromatoLayer());
  EXPECT_EQ(a.chromatoLayer(), MMGradientManager::sharedManager().chromatoLayer());
}

TEST_F(LyricViewsTest, GradientMissingHostOrLabelDoesNothingAtAll) {
  auto& manager = MMFullScreenGradientManager::sharedManager();
  auto host = std::make_shared<ui::View>(ui::Rect(0, 0, 100, 40));
  auto label = std::make_shared<ui::Label>(ui::Rect(0, 0, 100, 40));
  host->addSubview(label);
  manager.addGradientChromatoAnimationForLableText(host.get(), nullptr);
  manager.addGradientChromatoAnimationForLableText(nullptr, label.get());
  EXPECT_TRUE(manager.chromatoLayer()->colors().empty());
  EXPECT_TRUE(manager.chromatoLayer()->animationKeys().empty());
  EXPECT_EQ(manager.chromatoLayer()->superlayer(), nullptr);
}

TEST_F(LyricViewsTest, GradientViewPaintsItsLabelOnceAndKeepsTheCycleAcrossLines) {
  auto view = MMGradientView::initWithFrame(ui::Rect(30, 0, 200, 40));
  EXPECT_EQ(view->className(), "MMGradientView");
  view->setLyric("first line");
  auto& manager = MMGradientManager::sharedManager();
  const auto& layer = manager.chromatoLayer();
  ASSERT_EQ(layer->superlayer(), view->layer().get());
  EXPECT_EQ(view->layer()->sublayers().back(), layer);  // topmost
  EXPECT_EQ(layer->mask(), view->lyricLabel()->layer());
  EXPECT_EQ(layer->frame(), ui::Rect(0, 0, 200, 40));
  EXPECT_EQ(layer->colors(), (std::vector<quartz::Color>{quartz::Color::hsba(0.3, 0.3, 0.38, 1),
                                                          quartz::Color::hsba(0.95, 0.99, 0.88, 1)}));
  EXPECT_EQ(layer->startPoint(), ui::Point(0, 0));
  EXPECT_EQ(layer->endPoint(), ui::Point(1, 0));
  EXPECT_EQ(layer->locations(), (std::vector<double>{0, 1}));
  EXPECT_EQ(view->lyricLabel()->text(), "first line");
  EXPECT_EQ(view->lyricLabel()->font(), ui::Font::fontWithName("PingFangSC-Regular", 40 / 1.5));
  EXPECT_EQ(view->lyricLabel()->frame(), ui::Rect(0, 0, 200, 40));
  ASSERT_EQ(layer->animationKeys(), std::vector<std::string>{"chromateAnimate"});

  advance(0.1);  // committed: the cycle's begin is stamped
  const auto running = layer->animationForKey("chromateAnimate");
  const double began = running->beginTime();
  EXPECT_GT(began, 0);
  advance(3);
  view->setFrame(ui::Rect(0, 0, 260, 40));
  view->setLyric("second, longer line");
  advance(0.1);
  EXPECT_EQ(layer->animationForKey("chromateAnimate"), running);
  EXPECT_EQ(layer->animationForKey("chromateAnimate")->beginTime(), began);
  EXPECT_EQ(countOf(*view->layer(), layer.get()), 1u);
  EXPECT_EQ(layer->frame(), ui::Rect(0, 0, 260, 40));
}

TEST_F(LyricViewsTest, RemoveGradientLayerOnlyFromItsHost) {
  auto view = MMGradientView::initWithFrame(ui::Rect(0, 0, 100, 40));
  view->setLyric("x");
  auto& manager = MMGradientManager::sharedManager();
  auto other = std::make_shared<ui::View>();
  manager.removeGradientLayer(other.get());
  EXPECT_EQ(manager.chromatoLayer()->superlayer(), view->layer().get());
  manager.removeGradientLayer(view.get());
  EXPECT_EQ(manager.chromatoLayer()->superlayer(), nullptr);
  EXPECT_TRUE(manager.chromatoLayer()->animationKeys().empty());
  // Painting again restores both.
  view->setLyric("y");
  EXPECT_EQ(manager.chromatoLayer()->superlayer(), view->layer().get());
  EXPECT_EQ(manager.chromatoLayer()->animationKeys(), std::vector<std::string>{"chromateAnimate"});
}

TEST_F(LyricViewsTest, HPViewSizeFromTheAlwaysOnFontSize) {
  auto view = MMGradientHPView::initWithFrame(ui::Rect(0, 0, 300, 60));
  EXPECT_EQ(view->className(), "MMGradientHPView");
  struct Case {
    const char* stored;  // nullptr: absent
    double size;
  };
  for (const Case& c : {Case{nullptr, 28}, Case{"", 28}, Case{"4.9", 28}, Case{"5", 10}, Case{"12", 24},
                        Case{"50.000000", 100}}) {
    if (c.stored) set(SettingKey::alwaysOnFontSize, c.stored);
    else defaults().removeObjectForKey(SettingKey::alwaysOnFontSize);
    view->setLyric("line");
    EXPECT_EQ(view->lyricLabel()->font().pointSize, c.size) << (c.stored ? c.stored : "(absent)");
  }
  EXPECT_EQ(view->lyricLabel()->frame(), ui::Rect(0, 0, 300, 60));
  // Its own manager, not the floating window's.
  EXPECT_EQ(MMFullScreenGradientHPManager::sharedManager().chromatoLayer()->superlayer(), view->layer().get());
  EXPECT_NE(MMGradientManager::sharedManager().chromatoLayer()->superlayer(), view->layer().get());
}

}  // namespace

namespace {

TEST_F(LyricViewsTest, CommittedGradientShowsTheCycleMovingOn) {
  auto view = MMGradientView::initWithFrame(ui::Rect(0, 0, 100, 40));
  view->setLyric("x");
  advance(0.01);
  const auto& layer = *MMGradientManager::sharedManager().chromatoLayer();
  const double began = layer.animationForKey("chromateAnimate")->beginTime();
  using C = quartz::Color;
  // Before the first key time the first pair holds; at 10 s the last pair.
  EXPECT_EQ(quartz::presentationAt(layer.committed(), began + 0.5).colors, (std::vector<C>{{1, 0, 0, 1}, {1, 0.5, 0, 1}}));
  EXPECT_EQ(quartz::presentationAt(layer.committed(), began + 10).colors, (std::vector<C>{{0.5, 0, 0.5, 1}, {1, 0, 0, 1}}));
  const auto atGreen = quartz::presentationAt(layer.committed(), began + 4.2).colors;
  ASSERT_EQ(atGreen.size(), 2u);
  EXPECT_NEAR(atGreen[0].red, 0, 1e-9);
  EXPECT_NEAR(atGreen[0].green, 1, 1e-9);
  EXPECT_NEAR(atGreen[1].blue, 1, 1e-9);
}

}  // namespace
