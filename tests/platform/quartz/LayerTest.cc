#include <gtest/gtest.h>

#include <numbers>

#include "foundation/RunLoop.h"
#include "quartz/GradientLayer.h"
#include "quartz/Layer.h"
#include "quartz/ShapeLayer.h"
#include "quartz/Transaction.h"

using namespace quartz;

namespace {

std::vector<Layer*> rawSublayers(const Layer& l) {
  std::vector<Layer*> out;
  for (const auto& s : l.sublayers()) out.push_back(s.get());
  return out;
}

class LayerTest : public ::testing::Test {
 protected:
  void SetUp() override { foundation::RunLoop::useVirtualClock(100); }
};

}  // namespace

TEST_F(LayerTest, SublayerOrderAndMoves) {
  auto root = Layer::layer(), a = Layer::layer(), b = Layer::layer(), c = Layer::layer();
  root->addSublayer(a);
  root->addSublayer(b);
  root->insertSublayer(c, 0);
  EXPECT_EQ(rawSublayers(*root), (std::vector<Layer*>{c.get(), a.get(), b.get()}));
  root->insertSublayerAbove(c, b.get());
  EXPECT_EQ(rawSublayers(*root), (std::vector<Layer*>{a.get(), b.get(), c.get()}));
  root->insertSublayerBelow(c, a.get());
  EXPECT_EQ(rawSublayers(*root), (std::vector<Layer*>{c.get(), a.get(), b.get()}));
  auto other = Layer::layer();
  other->addSublayer(a);  // moving takes it from its old parent
  EXPECT_EQ(rawSublayers(*root), (std::vector<Layer*>{c.get(), b.get()}));
  EXPECT_EQ(a->superlayer(), other.get());
  b->removeFromSuperlayer();
  EXPECT_EQ(b->superlayer(), nullptr);
  EXPECT_EQ(rawSublayers(*root), (std::vector<Layer*>{c.get()}));
}

TEST_F(LayerTest, RemovingTheLastReferenceDuringRemovalIsSafe) {
  auto root = Layer::layer();
  Layer* child;
  {
    auto l = Layer::layer();
    child = l.get();
    root->addSublayer(l);
  }
  root->sublayers()[0]->removeFromSuperlayer();  // the vector held the only reference
  EXPECT_TRUE(root->sublayers().empty());
  EXPECT_NE(child, nullptr);
}

TEST_F(LayerTest, MaskLeavesItsSuperlayer) {
  auto host = Layer::layer(), label = Layer::layer();
  auto gradient = GradientLayer::layer();
  host->addSublayer(label);
  host->addSublayer(gradient);
  gradient->setMask(label);
  EXPECT_EQ(rawSublayers(*host), (std::vector<Layer*>{gradient.get()}));
  EXPECT_EQ(label->superlayer(), nullptr);
  EXPECT_EQ(label->maskOwner(), gradient.get());
  host->addSublayer(label);  // back into a tree: no longer a mask
  EXPECT_EQ(gradient->mask(), nullptr);
  EXPECT_EQ(label->maskOwner(), nullptr);
}

TEST_F(LayerTest, AddingUnderExistingKeyReplaces) {
  auto layer = ShapeLayer::layer();
  std::vector<std::pair<int, bool>> stops;
  BasicAnimation first("strokeEnd");
  first.setDidStop([&](bool f) { stops.emplace_back(1, f); });
  BasicAnimation second("strokeEnd");
  second.setDuration(3);
  second.setDidStop([&](bool f) { stops.emplace_back(2, f); });
  layer->addAnimation(first, "strokeEnd");
  layer->addAnimation(BasicAnimation("opacity"), "fade");
  layer->addAnimation(second, "strokeEnd");
  EXPECT_EQ(layer->animationKeys(), (std::vector<std::string>{"fade", "strokeEnd"}));
  EXPECT_EQ(layer->animationForKey("strokeEnd")->duration(), 3);
  foundation::RunLoop::main().advance(0);
  EXPECT_EQ(stops, (std::vector<std::pair<int, bool>>{{1, false}}));
  layer->removeAnimationForKey("strokeEnd");
  layer->removeAllAnimations();
  EXPECT_TRUE(layer->animationKeys().empty());
  foundation::RunLoop::main().advance(0);
  EXPECT_EQ(stops, (std::vector<std::pair<int, bool>>{{1, false}, {2, false}}));
}

TEST_F(LayerTest, AddedAnimationIsACopy) {
  auto layer = Layer::layer();
  BasicAnimation a("opacity");
  a.setDuration(2);
  layer->addAnimation(a, "k");
  a.setDuration(9);
  EXPECT_EQ(layer->animationForKey("k")->duration(), 2);
}

TEST_F(LayerTest, PresentationAppliesAnimationsInOrder) {
  auto layer = Layer::layer();
  layer->setOpacity(1);
  BasicAnimation move("transform");
  move.setFromValue(Transform3D::identity());
  move.setToValue(Transform3D::makeTranslation(100, 0, 0));
  move.setDuration(1);
  move.setBeginTime(100);
  BasicAnimation shrink("transform.scale");
  shrink.setFromValue(1.0);
  shrink.setToValue(0.0);
  shrink.setDuration(1);
  shrink.setBeginTime(100);
  layer->addAnimation(move, "move");
  layer->addAnimation(shrink, "shrink");
  const LayerState s = layer->presentationAt(100.5);
  // The scale animation rescales what the move produced, keeping its translation.
  EXPECT_DOUBLE_EQ(s.transform.m11, 0.5);
  EXPECT_DOUBLE_EQ(s.transform.m22, 0.5);
  EXPECT_DOUBLE_EQ(s.transform.m41, 50);
  EXPECT_EQ(layer->transform(), Transform3D::identity());  // the model is untouched
}

TEST_F(LayerTest, TransformScaleKeepsRotation) {
  LayerState s;
  s.transform = Transform3D::makeRotation(std::numbers::pi / 3, 1, 1, 1);
  ASSERT_TRUE(setValueForKeyPath(s, "transform.scale", 0.5));
  EXPECT_NEAR(std::get<double>(*valueForKeyPath(s, "transform.scale")), 0.5, 1e-12);
  const Transform3D expected = concat(Transform3D::makeScale(0.5, 0.5, 0.5), Transform3D::makeRotation(std::numbers::pi / 3, 1, 1, 1));
  EXPECT_NEAR(s.transform.m12, expected.m12, 1e-12);
  EXPECT_NEAR(s.transform.m31, expected.m31, 1e-12);
}

TEST_F(LayerTest, KeyPathsRejectWrongValueKinds) {
  LayerState s;
  EXPECT_FALSE(setValueForKeyPath(s, "opacity", Point{1, 1}));
  EXPECT_FALSE(setValueForKeyPath(s, "no.such.key", 1.0));
  EXPECT_TRUE(setValueForKeyPath(s, "colors", std::vector<Color>{Color::black()}));
  EXPECT_EQ(s.colors.size(), 1u);
}

TEST_F(LayerTest, UncommittedAnimationPresentsItsStart) {
  auto layer = Layer::layer();
  BasicAnimation a("opacity");
  a.setFromValue(0.2);
  a.setToValue(1.0);
  a.setDuration(1);
  layer->addAnimation(a, "fade");
  EXPECT_DOUBLE_EQ(layer->presentationAt(foundation::RunLoop::main().now()).opacity, 0.2);
}
