#include "alwayson/MediaControlView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <variant>
#include <vector>

#include "AlwaysOnTestEnv.h"
#include "foundation/NotificationCenter.h"
#include "quartz/DisplayList.h"
#include "ui/Window.h"

namespace {

using quartz::Color;

class MediaControlViewTest : public AlwaysOnTest {
 protected:
  std::shared_ptr<MediaControlView> bar() { return MediaControlView::initWithFrame({10, 752, 355, 40}); }
  static Color color(const ui::Color& c) { return c.cgColor(); }
  static void setColor(const char* r, const char* g, const char* b, const char* a) {
    if (r) set("USERKEY_13_mediaControlColor_R", r);
    if (g) set("USERKEY_13_mediaControlColor_G", g);
    if (b) set("USERKEY_13_mediaControlColor_B", b);
    if (a) set("USERKEY_13_mediaControlColor_A", a);
  }
};

TEST_F(MediaControlViewTest, LaysOutButtonsAndNameFromItsOwnSize) {
  auto view = bar();
  EXPECT_EQ(view->leftButton()->frame(), ui::Rect(30, 10, 40, 20));
  EXPECT_EQ(view->rightButton()->frame(), ui::Rect(285, 10, 40, 20));
  EXPECT_EQ(view->nameLabel()->frame(), ui::Rect(80, 0, 195, 40));
  // The previous button is the next button's drawing turned half a turn.
  const ui::AffineTransform t = view->leftButton()->transform();
  EXPECT_NEAR(t.a, -1, 1e-12);
  EXPECT_NEAR(t.d, -1, 1e-12);
  EXPECT_TRUE(view->rightButton()->transform().isIdentity());
  EXPECT_EQ(view->nameLabel()->text(), "暂无歌曲信息");
  EXPECT_EQ(view->nameLabel()->lineBreakMode(), ui::LineBreakMode::TruncateMiddle);
  EXPECT_EQ(view->nameLabel()->textAlignment(), ui::TextAlignment::Center);
  EXPECT_EQ(view->nameLabel()->font(), ui::Font::systemFont(14));
  // Subview order: left, right, name.
  ASSERT_EQ(view->subviews().size(), 3u);
  EXPECT_EQ(view->subviews()[0], view->leftButton());
  EXPECT_EQ(view->subviews()[1], view->rightButton());
  EXPECT_EQ(view->subviews()[2], view->nameLabel());
}

TEST_F(MediaControlViewTest, ColourIsWhiteWhileAlphaIsMissingWhateverTheOtherComponents) {
  setColor("0.2", "0.4", "0.6", nullptr);
  auto view = bar();
  EXPECT_EQ(color(view->mmColor()), Color::white());
  EXPECT_EQ(color(view->leftButton()->mmColor()), Color::white());
  EXPECT_EQ(color(view->nameLabel()->textColor()), Color::white());

  // The stored text "(null)" counts as missing too.
  setColor(nullptr, nullptr, nullptr, "(null)");
  view = bar();
  EXPECT_EQ(color(view->rightButton()->mmColor()), Color::white());
}

TEST_F(MediaControlViewTest, AlphaAloneGivesBlackWithThatAlpha) {
  setColor(nullptr, nullptr, nullptr, "0.500000");
  auto view = bar();
  const Color expected = Color::rgba(0, 0, 0, 0.5);
  EXPECT_EQ(color(view->mmColor()), expected);
  EXPECT_EQ(color(view->leftButton()->mmColor()), expected);
  EXPECT_EQ(color(view->rightButton()->mmColor()), expected);
  EXPECT_EQ(color(view->nameLabel()->textColor()), expected);
}

TEST_F(MediaControlViewTest, ColourNotificationRecoloursButtonsAndNameInPlace) {
  auto view = bar();
  const PathButtonView* left = view->leftButton().get();
  const ui::Label* name = view->nameLabel().get();
  turn();
  EXPECT_FALSE(view->leftButton()->needsDisplay());

  setColor("1", "0", "0", "0.800000");
  const Color red = Color::rgba(1, 0, 0, static_cast<double>(0.8f));
  EXPECT_EQ(color(view->leftButton()->mmColor()), Color::white()) << "no notification yet";
  foundation::NotificationCenter::defaultCenter().post("MediaCOntrol_Color_Change_Niti");
  EXPECT_EQ(view->leftButton().get(), left);
  EXPECT_EQ(view->nameLabel().get(), name);
  EXPECT_EQ(color(view->mmColor()), red);
  EXPECT_EQ(color(view->nameLabel()->textColor()), red);
  EXPECT_EQ(color(view->leftButton()->mmColor()), red);
  EXPECT_EQ(color(view->rightButton()->mmColor()), red);
  EXPECT_TRUE(view->leftButton()->needsDisplay());
  EXPECT_TRUE(view->rightButton()->needsDisplay());
}

TEST_F(MediaControlViewTest, SymbolIsTwoTrianglesMeetingAtTheCentre) {
  setColor("0", "1", "0", "1");
  auto button = PathButtonView::initWithFrame({0, 0, 40, 20});
  quartz::GraphicsContext context(button->bounds());
  button->drawRect(context, button->bounds());
  const auto& ops = context.displayList().ops;
  ASSERT_EQ(ops.size(), 1u);
  const auto* fill = std::get_if<quartz::op::FillPath>(&ops[0]);
  ASSERT_NE(fill, nullptr);
  EXPECT_EQ(fill->color, Color::rgba(0, 1, 0, 1));
  std::vector<ui::Point> points;
  for (const auto& element : fill->path.elements())
    if (element.op != quartz::Path::Op::Close) points.push_back(element.points[0]);
  const std::vector<ui::Point> expected{{0, 0}, {20, 10}, {20, 0}, {40, 10}, {20, 20}, {20, 10}, {0, 20}, {0, 0}};
  EXPECT_EQ(points, expected);
}

TEST_F(MediaControlViewTest, ButtonsCallChangeSongWithTheirDirection) {
  auto view = bar();
  std::vector<std::int64_t> calls;
  view->setChangeSong([&](std::int64_t direction) { calls.push_back(direction); });
  view->leftButton()->clickAction();
  view->rightButton()->clickAction();
  EXPECT_EQ(calls, (std::vector<std::int64_t>{-1, 1}));
}

TEST_F(MediaControlViewTest, WithoutAHandlerATapOnlyFlashes) {
  auto view = bar();
  PathButtonView& button = *view->rightButton();
  turn();
  button.clickAction();
  EXPECT_EQ(button.alpha(), 0);
  auto fade = button.layer()->animationForKey("opacity");
  ASSERT_NE(fade, nullptr);
  EXPECT_DOUBLE_EQ(fade->duration(), 0.25);
  // Half-way through the flash the button is back on its way to opaque.
  advance(0.3);
  EXPECT_EQ(button.alpha(), 1);
  auto back = button.layer()->animationForKey("opacity");
  ASSERT_NE(back, nullptr);
  EXPECT_DOUBLE_EQ(back->duration(), 0.25);
  advance(0.3);
  EXPECT_EQ(button.alpha(), 1);
  EXPECT_EQ(button.layer()->animationForKey("opacity"), nullptr);
}

TEST_F(MediaControlViewTest, EveryTapCallsOnceAlsoDuringAFlash) {
  auto window = std::make_shared<ui::Window>(ui::Rect(0, 0, 375, 812));
  auto view = bar();
  window->addSubview(view);
  window->setHidden(false);
  int calls = 0;
  std::vector<std::int64_t> directions;
  view->setChangeSong([&](std::int64_t d) {
    ++calls;
    directions.push_back(d);
  });
  turn();
  // The next button's centre on screen: bar origin (10, 752) + (305, 20).
  const ui::Point next{315, 772};
  auto tap = [&] {
    ui::Application::shared().sendTouch(ui::TouchPhase::Began, next);
    ui::Application::shared().sendTouch(ui::TouchPhase::Ended, next);
  };
  tap();
  EXPECT_EQ(calls, 1);
  // Faded out (alpha 0) by its flash, the button still takes the tap.
  advance(0.1);
  EXPECT_EQ(view->rightButton()->alpha(), 0);
  tap();
  EXPECT_EQ(calls, 2);
  // And while it fades back in.
  advance(0.2);
  tap();
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(directions, (std::vector<std::int64_t>{1, 1, 1}));
  advance(1.0);
  EXPECT_EQ(view->rightButton()->alpha(), 1);
  // Faded out by someone else, it takes no touches: the tap reaches the bar.
  view->rightButton()->setAlpha(0);
  tap();
  EXPECT_EQ(calls, 3);
}

}  // namespace
