#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <numbers>
#include <utility>

#include "foundation/RunLoop.h"
#include "quartz/Transaction.h"
#include "ui/Label.h"
#include "ui/View.h"
#include "ui/Window.h"

using namespace ui;

namespace {

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override { foundation::RunLoop::useVirtualClock(0); }
  void turn() { foundation::RunLoop::main().advance(0); }
};

class CountingView : public View {
 public:
  using View::View;
  int layouts = 0;
  int draws = 0;
  void layoutSubviews() override { ++layouts; }
  void drawRect(quartz::GraphicsContext& ctx, Rect rect) override {
    ++draws;
    ctx.setFillColor(quartz::Color::black());
    ctx.fillRect(rect);
  }
};

}  // namespace

TEST_F(ViewTest, FrameBoundsCenterAgree) {
  auto v = std::make_shared<View>(Rect(20, 80, 300, 40));
  EXPECT_EQ(v->bounds(), Rect(0, 0, 300, 40));
  EXPECT_EQ(v->center(), (Point{170, 100}));
  v->setCenter({200, 200});
  EXPECT_EQ(v->frame(), Rect(50, 180, 300, 40));
}

TEST_F(ViewTest, QuarterTurnExchangesFrameSides) {
  auto v = std::make_shared<View>(Rect(20, 80, 300, 40));
  v->setTransform(AffineTransform::makeRotation(std::numbers::pi / 2));
  EXPECT_EQ(v->frame(), Rect(150, -50, 40, 300));
  EXPECT_EQ(v->bounds().size, (Size{300, 40}));
  // Setting the frame keeps the turn: bounds take the unturned sides.
  v->setFrame(Rect(0, 0, 40, 812));
  EXPECT_EQ(v->bounds().size, (Size{812, 40}));
  EXPECT_EQ(v->frame(), Rect(0, 0, 40, 812));
  EXPECT_EQ(v->center(), (Point{20, 406}));
}

TEST_F(ViewTest, LayoutRunsOnSizeChangeOnly) {
  auto v = std::make_shared<CountingView>(Rect(0, 0, 100, 40));
  turn();
  EXPECT_EQ(v->layouts, 1);  // the first pass lays every view out once
  v->setFrame(Rect(30, 30, 100, 40));
  v->setCenter({0, 0});
  v->setAlpha(0.5);
  turn();
  EXPECT_EQ(v->layouts, 1);
  v->setFrame(Rect(0, 0, 120, 40));
  v->setFrame(Rect(0, 0, 130, 40));
  turn();
  EXPECT_EQ(v->layouts, 2);  // once per turn however many changes
  v->setNeedsLayout();
  v->layoutIfNeeded();
  EXPECT_EQ(v->layouts, 3);
  turn();
  EXPECT_EQ(v->layouts, 3);
}

TEST_F(ViewTest, DrawRectIsRecordedAtCommit) {
  auto v = std::make_shared<CountingView>(Rect(0, 0, 10, 10));
  EXPECT_EQ(v->layer()->displayList(), nullptr);
  turn();
  EXPECT_EQ(v->draws, 1);
  ASSERT_NE(v->layer()->committed().state.displayList, nullptr);
  EXPECT_EQ(v->layer()->committed().state.displayList->ops.size(), 1u);
  v->setFrame(Rect(0, 0, 20, 20));  // default content mode: no redraw on resize
  turn();
  EXPECT_EQ(v->draws, 1);
  v->setNeedsDisplay();
  v->setNeedsDisplay();
  turn();
  EXPECT_EQ(v->draws, 2);
}

TEST_F(ViewTest, SubviewOrderFollowsLayers) {
  auto root = std::make_shared<View>();
  auto a = std::make_shared<View>(), b = std::make_shared<View>(), c = std::make_shared<View>();
  root->addSubview(a);
  root->addSubview(b);
  auto extra = quartz::Layer::layer();
  root->layer()->addSublayer(extra);  // a hand-made layer on top
  root->insertSubview(c, 1);
  EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>>{a, c, b}));
  EXPECT_EQ(root->layer()->sublayers(), (std::vector<std::shared_ptr<quartz::Layer>>{a->layer(), c->layer(), b->layer(), extra}));
  root->bringSubviewToFront(a.get());
  EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>>{c, b, a}));
  EXPECT_EQ(root->layer()->sublayers().back(), a->layer());
  root->sendSubviewToBack(b.get());
  EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>>{b, c, a}));
  c->removeFromSuperview();
  EXPECT_EQ(c->superview(), nullptr);
  EXPECT_EQ(c->layer()->superlayer(), nullptr);
  EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>>{b, a}));
}

TEST_F(ViewTest, ContentChangesGrowWithWhatTheTreeDrawsNotWithMoves) {
  auto root = std::make_shared<View>();
  auto a = std::make_shared<View>(), b = std::make_shared<View>();
  auto label = std::make_shared<Label>();
  root->addSubview(a);
  root->addSubview(b);
  root->addSubview(label);
  const std::pair<const char*, std::function<void()>> grows[] = {
      {"addSubview", [&] { a->addSubview(std::make_shared<View>()); }},
      {"bringSubviewToFront", [&] { root->bringSubviewToFront(a.get()); }},
      {"sendSubviewToBack", [&] { root->sendSubviewToBack(a.get()); }},
      {"insertSubviewAbove", [&] { root->insertSubviewAbove(a, b.get()); }},
      {"removeFromSuperview", [&] { b->removeFromSuperview(); }},
      {"setText", [&] { label->setText("a new line"); }},
      {"setNeedsDisplay", [&] { a->setNeedsDisplay(); }},
  };
  for (const auto& [what, change] : grows) {
    turn();
    const std::uint64_t before = View::contentChanges();
    change();
    EXPECT_GT(View::contentChanges(), before) << what;
  }
  label->setFrame(Rect{0, 0, 300, 20});
  turn();
  const std::uint64_t before = View::contentChanges();
  label->setFrame(Rect{-40, 0, 300, 20});  // a marquee step
  label->setAlpha(0.5);
  label->setText("a new line");  // the same text
  turn();
  EXPECT_EQ(View::contentChanges(), before);
}

TEST_F(ViewTest, SubviewCannotContainItsAncestor) {
  auto root = std::make_shared<View>();
  auto child = std::make_shared<View>();
  root->addSubview(child);
  child->addSubview(root);
  EXPECT_EQ(root->superview(), nullptr);
  EXPECT_TRUE(child->subviews().empty());
}

TEST_F(ViewTest, LabelUsedAsMaskStaysASubview) {
  auto host = std::make_shared<View>(Rect(0, 0, 100, 40));
  auto label = std::make_shared<Label>(Rect(0, 0, 100, 40));
  host->addSubview(label);
  auto gradient = quartz::Layer::layer();
  host->layer()->addSublayer(gradient);
  gradient->setMask(label->layer());
  EXPECT_EQ(label->superview(), host.get());
  EXPECT_FALSE(host->layer()->containsSublayer(label->layer().get()));
  label->removeFromSuperview();
  EXPECT_EQ(gradient->mask(), label->layer());  // the mask relation is the layer's own
}

TEST_F(ViewTest, ConvertPointThroughTurnedWindow) {
  auto window = std::make_shared<Window>(Rect(0, 0, 300, 40));
  window->setTransform(AffineTransform::makeRotation(std::numbers::pi / 2));
  auto child = std::make_shared<View>(Rect(10, 0, 50, 40));
  window->addSubview(child);
  const Point screen = child->convertPoint({0, 0}, nullptr);
  // The window's centre (150, 20) stays; its top-left corner turns to the top right.
  EXPECT_NEAR(screen.x, 170, 1e-9);
  EXPECT_NEAR(screen.y, -120, 1e-9);
  const Point back = child->convertPointFromView(screen, nullptr);
  EXPECT_NEAR(back.x, 0, 1e-9);
  EXPECT_NEAR(back.y, 0, 1e-9);
}
