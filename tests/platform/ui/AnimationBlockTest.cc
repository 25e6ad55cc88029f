#include <gtest/gtest.h>

#include "foundation/RunLoop.h"
#include "ui/ImageView.h"
#include "ui/View.h"

using namespace ui;

namespace {

class AnimationBlockTest : public ::testing::Test {
 protected:
  void SetUp() override { foundation::RunLoop::useVirtualClock(10); }
  foundation::RunLoop& loop() { return foundation::RunLoop::main(); }
};

}  // namespace

TEST_F(AnimationBlockTest, AlphaAnimatesFromPresentationToModel) {
  auto v = std::make_shared<View>(Rect(0, 0, 10, 10));
  std::vector<std::pair<double, bool>> done;
  View::animate(0.25, [&] { v->setAlpha(0); },
                [&](bool finished) { done.emplace_back(loop().now(), finished); });
  EXPECT_EQ(v->alpha(), 0);  // the model changes at once
  auto a = std::dynamic_pointer_cast<const quartz::BasicAnimation>(v->layer()->animationForKey("opacity"));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(std::get<double>(*a->fromValue()), 1);
  EXPECT_EQ(std::get<double>(*a->toValue()), 0);
  EXPECT_EQ(a->duration(), 0.25);
  EXPECT_EQ(a->timingFunction(), quartz::TimingFunction::easeInEaseOut());
  loop().advance(0);
  EXPECT_NEAR(quartz::presentationAt(v->layer()->committed(), 10.125).opacity, 0.5, 1e-6);
  loop().advance(0.2);
  EXPECT_TRUE(done.empty());
  loop().advance(0.1);
  EXPECT_EQ(done, (std::vector<std::pair<double, bool>>{{10.25, true}}));
  EXPECT_TRUE(v->layer()->animationKeys().empty());
}

TEST_F(AnimationBlockTest, ChainedFlashRunsSecondBlockFromCompletion) {
  auto v = std::make_shared<View>(Rect(0, 0, 40, 20));
  std::vector<double> ends;
  View::animate(0.25, [&] { v->setAlpha(0); }, [&](bool) {
    ends.push_back(loop().now());
    View::animate(0.25, [&] { v->setAlpha(1); }, [&](bool) { ends.push_back(loop().now()); });
  });
  loop().advance(1);
  EXPECT_EQ(ends, (std::vector<double>{10.25, 10.5}));
  EXPECT_EQ(v->alpha(), 1);
}

TEST_F(AnimationBlockTest, InterruptedBlockCompletesUnfinished) {
  auto v = std::make_shared<View>(Rect(0, 0, 40, 20));
  std::vector<bool> results;
  View::animate(1, [&] { v->setAlpha(0); }, [&](bool f) { results.push_back(f); });
  loop().advance(0.5);
  View::animate(1, [&] { v->setAlpha(1); }, [&](bool f) { results.push_back(f); });
  // The new animation starts where the screen is now: half-way.
  auto a = std::dynamic_pointer_cast<const quartz::BasicAnimation>(v->layer()->animationForKey("opacity"));
  EXPECT_NEAR(std::get<double>(*a->fromValue()), 0.5, 1e-6);
  loop().advance(2);
  EXPECT_EQ(results, (std::vector<bool>{false, true}));
}

TEST_F(AnimationBlockTest, NothingToAnimateCompletesNextTurn) {
  auto v = std::make_shared<View>(Rect(0, 0, 40, 20));
  int calls = 0;
  View::animate(1, [&] { v->setAlpha(1); }, [&](bool f) { calls += f ? 1 : 100; });
  EXPECT_EQ(calls, 0);
  loop().advance(0);
  EXPECT_EQ(calls, 1);
  View::animate(0, [&] { v->setAlpha(0.5); }, [&](bool f) { calls += f ? 1 : 100; });
  EXPECT_TRUE(v->layer()->animationKeys().empty());  // zero length: no animation
  loop().advance(0);
  EXPECT_EQ(calls, 2);
}

TEST_F(AnimationBlockTest, FrameChangeAnimatesPositionAndBounds) {
  auto v = std::make_shared<View>(Rect(0, 0, 100, 40));
  View::animate(0.5, [&] { v->setFrame(Rect(50, 0, 200, 40)); });
  EXPECT_EQ(v->layer()->animationKeys(), (std::vector<std::string>{"bounds", "position"}));
  loop().advance(0);
  const auto mid = quartz::presentationAt(v->layer()->committed(), 10.25);
  EXPECT_NEAR(mid.bounds.width(), 150, 1e-6);
  EXPECT_NEAR(mid.position.x, 100, 1e-6);
}

TEST_F(AnimationBlockTest, LayerTransformOfViewAnimatesAlongsideExplicitAnimations) {
  auto tile = std::make_shared<ImageView>(Rect(0, 0, 10, 10));
  const auto target = quartz::concat(quartz::Transform3D::makeRotation(1, 1, 1, 1), quartz::Transform3D::makeTranslation(30, 40, 0));
  bool finished = false;
  View::animate(1, [&] {
    tile->layer()->setTransform(target);
    quartz::BasicAnimation fade("opacity");
    fade.setFromValue(1.0);
    fade.setToValue(0.0);
    fade.setDuration(1);
    fade.setRemovedOnCompletion(false);
    fade.setFillMode(quartz::FillMode::Forwards);
    tile->layer()->addAnimation(fade, "opacity-fade");
  }, [&](bool f) { finished = f; });
  EXPECT_EQ(tile->layer()->animationKeys(), (std::vector<std::string>{"transform", "opacity-fade"}));
  loop().advance(0);
  const auto end = quartz::presentationAt(tile->layer()->committed(), 12);
  EXPECT_EQ(end.transform, target);
  EXPECT_EQ(end.opacity, 0);  // the explicit animation holds its end
  loop().advance(1);
  EXPECT_TRUE(finished);
}

TEST_F(AnimationBlockTest, PerformWithoutAnimationInsideBlock) {
  auto v = std::make_shared<View>(Rect(0, 0, 40, 20));
  View::animate(1, [&] { View::performWithoutAnimation([&] { v->setAlpha(0.3); }); });
  EXPECT_TRUE(v->layer()->animationKeys().empty());
  EXPECT_EQ(v->alpha(), 0.3);
}

TEST_F(AnimationBlockTest, DelayHoldsTheStartValue) {
  auto v = std::make_shared<View>(Rect(0, 0, 40, 20));
  View::animate(1, 0.5, AnimationOptions{}, [&] { v->setAlpha(0); });
  loop().advance(0);
  EXPECT_EQ(quartz::presentationAt(v->layer()->committed(), 10.4).opacity, 1);
  EXPECT_NEAR(quartz::presentationAt(v->layer()->committed(), 11.0).opacity, 0.5, 1e-6);
}
