#include <gtest/gtest.h>

#include "foundation/RunLoop.h"
#include "quartz/GradientLayer.h"
#include "quartz/Layer.h"
#include "quartz/ShapeLayer.h"
#include "quartz/Transaction.h"

using namespace quartz;

namespace {

class CommitTest : public ::testing::Test {
 protected:
  void SetUp() override { clock = &foundation::RunLoop::useVirtualClock(50); }
  foundation::RunLoop& loop() { return foundation::RunLoop::main(); }
  foundation::VirtualClock* clock = nullptr;
};

}  // namespace

TEST_F(CommitTest, CommitCapturesStateAtTurnEnd) {
  auto layer = Layer::layer();
  layer->setOpacity(0.5);
  EXPECT_TRUE(layer->needsCommit());
  EXPECT_EQ(layer->committed().state.opacity, 1);  // the screen has not seen it
  layer->setOpacity(0.25);
  loop().advance(0);
  EXPECT_FALSE(layer->needsCommit());
  EXPECT_EQ(layer->committed().state.opacity, 0.25);
  EXPECT_EQ(Transaction::lastCommitTime(), 50);
}

TEST_F(CommitTest, CommitFollowsReplacedMainLoop) {
  auto layer = Layer::layer();
  loop().advance(0);
  foundation::RunLoop::useVirtualClock(7);  // drops the loop that knew the observer
  layer->setHidden(true);
  foundation::RunLoop::main().advance(0);
  EXPECT_TRUE(layer->committed().state.hidden);
  EXPECT_EQ(Transaction::lastCommitTime(), 7);
}

TEST_F(CommitTest, LayerDirtiedBeforeLoopReplacementStillCommits) {
  auto layer = Layer::layer();
  layer->setOpacity(0.5);
  foundation::RunLoop::useVirtualClock(3);
  layer->setOpacity(0.25);  // already dirty when the loop changed
  foundation::RunLoop::main().advance(0);
  EXPECT_EQ(layer->committed().state.opacity, 0.25);
}

TEST_F(CommitTest, AnimationCommittedAtTimeZeroStillRuns) {
  foundation::RunLoop::useVirtualClock(0);
  auto layer = Layer::layer();
  BasicAnimation fade("opacity");
  fade.setFromValue(1.0);
  fade.setToValue(0.0);
  fade.setDuration(1);
  layer->addAnimation(fade, "fade");
  foundation::RunLoop::main().advance(0.5);
  EXPECT_NEAR(presentationAt(layer->committed(), 0.5).opacity, 0.5, 1e-9);
}

TEST_F(CommitTest, RemovedAndChangedChildSurvivesItsParentsCommit) {
  auto root = Layer::layer();
  std::weak_ptr<Layer> weak;
  {
    auto child = Layer::layer();
    weak = child;
    root->addSublayer(child);
    loop().advance(0);
    child->removeFromSuperlayer();
    child->setOpacity(0.5);  // dirty, and only the root's committed list holds it
  }
  loop().advance(0);
  EXPECT_TRUE(root->committed().sublayers.empty());
  EXPECT_TRUE(weak.expired());
}

TEST_F(CommitTest, CommittedSublayersAreThoseOfTheCommit) {
  auto root = Layer::layer(), a = Layer::layer(), b = Layer::layer();
  root->addSublayer(a);
  loop().advance(0);
  root->addSublayer(b);
  a->removeFromSuperlayer();
  ASSERT_EQ(root->committed().sublayers.size(), 1u);
  EXPECT_EQ(root->committed().sublayers[0], a);  // still what the screen shows
  loop().advance(0);
  ASSERT_EQ(root->committed().sublayers.size(), 1u);
  EXPECT_EQ(root->committed().sublayers[0], b);
}

TEST_F(CommitTest, AnimationsAreStampedWithCommitTime) {
  auto layer = ShapeLayer::layer();
  BasicAnimation a("strokeEnd");
  a.setFromValue(0.0);
  a.setToValue(1.0);
  a.setDuration(2);
  layer->addAnimation(a, "strokeEnd");
  EXPECT_EQ(layer->animationForKey("strokeEnd")->beginTime(), 0);
  // Changes made between turns are committed by a pass due at once.
  loop().advance(0.5);
  EXPECT_EQ(layer->committed().animations.at(0).animation->beginTime(), 50);
  EXPECT_DOUBLE_EQ(presentationAt(layer->committed(), 51).strokeEnd, 0.5);

  // A commit at time 0 stamps 0 itself, not a stand-in just after it.
  foundation::RunLoop::useVirtualClock(0);
  auto early = ShapeLayer::layer();
  early->addAnimation(a, "strokeEnd");
  loop().advance(0);
  const Animation& stamped = *early->committed().animations.at(0).animation;
  EXPECT_TRUE(stamped.isStamped());
  EXPECT_EQ(stamped.beginTime(), 0.0);
  EXPECT_DOUBLE_EQ(presentationAt(early->committed(), 1).strokeEnd, 0.5);
  loop().advance(0.5);
  EXPECT_EQ(early->committed().animations.at(0).animation->beginTime(), 0.0);  // not restamped
}

TEST_F(CommitTest, RemovedOnCompletionAndStopHandlerOnVirtualClock) {
  auto layer = ShapeLayer::layer();
  std::vector<std::pair<double, bool>> stops;
  BasicAnimation a("strokeEnd");
  a.setFromValue(0.0);
  a.setToValue(1.0);
  a.setDuration(1.5);
  a.setDidStop([&](bool finished) { stops.emplace_back(foundation::RunLoop::main().now(), finished); });
  layer->addAnimation(a, "strokeEnd");
  loop().advance(0);
  loop().advance(1.4);
  EXPECT_TRUE(stops.empty());
  EXPECT_EQ(layer->animationKeys().size(), 1u);
  loop().advance(0.2);
  EXPECT_EQ(stops, (std::vector<std::pair<double, bool>>{{51.5, true}}));
  EXPECT_TRUE(layer->animationKeys().empty());
  EXPECT_TRUE(layer->committed().animations.empty());  // committed in the same turn
}

TEST_F(CommitTest, KeptAnimationReportsFinishOnceAndStays) {
  auto layer = Layer::layer();
  int finished = 0, interrupted = 0;
  BasicAnimation a("opacity");
  a.setFromValue(1.0);
  a.setToValue(0.0);
  a.setDuration(1);
  a.setRemovedOnCompletion(false);
  a.setFillMode(FillMode::Forwards);
  a.setDidStop([&](bool f) { (f ? finished : interrupted)++; });
  layer->addAnimation(a, "fade");
  loop().advance(0);
  loop().advance(2);
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(layer->animationKeys(), std::vector<std::string>{"fade"});
  EXPECT_DOUBLE_EQ(presentationAt(layer->committed(), 60).opacity, 0);
  layer->removeAllAnimations();
  loop().advance(0);
  EXPECT_EQ(interrupted, 0);  // already reported
}

TEST_F(CommitTest, SerialsSeparateMovesFromContentChanges) {
  auto root = Layer::layer();
  auto shape = ShapeLayer::layer();
  root->addSublayer(shape);
  loop().advance(0);
  const CommittedLayer before = shape->committed();
  const std::uint64_t rootTree = root->committed().treeSerial;

  loop().advance(0);  // nothing changed: nothing moves
  EXPECT_EQ(shape->committed().serial, before.serial);
  EXPECT_EQ(root->committed().treeSerial, rootTree);

  shape->setPosition({10, 10});
  loop().advance(0);
  EXPECT_GT(shape->committed().serial, before.serial);
  EXPECT_EQ(shape->committed().contentSerial, before.contentSerial);
  EXPECT_GT(root->committed().treeSerial, rootTree);
  EXPECT_EQ(root->committed().serial, before.serial == 0 ? root->committed().serial : root->committed().serial);

  shape->setStrokeEnd(0.5);
  loop().advance(0);
  EXPECT_GT(shape->committed().contentSerial, before.contentSerial);
}

TEST_F(CommitTest, UnchangedValuesDoNotDirty) {
  auto layer = GradientLayer::layer();
  layer->setColors({Color::black(), Color::white()});
  loop().advance(0);
  layer->setColors({Color::black(), Color::white()});
  layer->setOpacity(1);
  EXPECT_FALSE(layer->needsCommit());
}

TEST_F(CommitTest, SettleTimeCoversSubtreeAnimations) {
  auto root = Layer::layer();
  auto child = GradientLayer::layer();
  root->addSublayer(child);
  loop().advance(0);
  EXPECT_EQ(root->committed().treeAnimationsSettle, -std::numeric_limits<double>::infinity());
  KeyframeAnimation cycle("colors");
  cycle.setValues({std::vector<Color>{Color::black()}, std::vector<Color>{Color::white()}});
  cycle.setDuration(10);
  cycle.setRepeatCount(3.4028235e38);
  cycle.setRemovedOnCompletion(false);
  child->addAnimation(cycle, "chromateAnimate");
  loop().advance(0);
  EXPECT_TRUE(std::isinf(root->committed().treeAnimationsSettle));
  child->removeAllAnimations();
  BasicAnimation fade("opacity");
  fade.setDuration(2);
  child->addAnimation(fade, "fade");
  loop().advance(0);
  EXPECT_EQ(root->committed().treeAnimationsSettle, 52);
}
