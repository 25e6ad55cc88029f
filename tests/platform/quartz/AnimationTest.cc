#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "quartz/Animation.h"

using namespace quartz;

namespace {

double asDouble(const std::optional<AnimationValue>& v) {
  EXPECT_TRUE(v.has_value());
  return v ? std::get<double>(*v) : std::nan("");
}

BasicAnimation strokeEnd(double duration) {
  BasicAnimation a("strokeEnd");
  a.setFromValue(0.0);
  a.setToValue(1.0);
  a.setDuration(duration);
  a.setBeginTime(10);
  return a;
}

}  // namespace

TEST(BasicAnimation, LinearWithoutTimingFunction) {
  const BasicAnimation a = strokeEnd(2);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(10)), 0);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(10.5)), 0.25);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(11.5)), 0.75);
}

TEST(BasicAnimation, RemovedFillHasNoEffectOutsideActiveSpan) {
  const BasicAnimation a = strokeEnd(2);
  EXPECT_FALSE(a.valueAt(9.99).has_value());
  EXPECT_FALSE(a.valueAt(12).has_value());
}

TEST(BasicAnimation, FillModesHoldEnds) {
  BasicAnimation a = strokeEnd(2);
  a.setFillMode(FillMode::Forwards);
  EXPECT_FALSE(a.valueAt(9).has_value());
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(100)), 1);
  a.setFillMode(FillMode::Backwards);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(9)), 0);
  EXPECT_FALSE(a.valueAt(100).has_value());
  a.setFillMode(FillMode::Both);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(9)), 0);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(100)), 1);
}

TEST(BasicAnimation, ZeroDurationMeansQuarterSecond) {
  BasicAnimation a = strokeEnd(0);
  EXPECT_DOUBLE_EQ(a.activeDuration(), 0.25);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(10.125)), 0.5);
}

TEST(BasicAnimation, AutoreverseAndRepeat) {
  BasicAnimation a = strokeEnd(1);
  a.setAutoreverses(true);
  a.setRepeatCount(2);
  EXPECT_DOUBLE_EQ(a.activeDuration(), 4);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(10.5)), 0.5);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(11.25)), 0.75);  // on the way back
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(12.25)), 0.25);  // second cycle
  a.setFillMode(FillMode::Forwards);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(20)), 0);  // an autoreversed end rests at the start
}

TEST(BasicAnimation, FractionalRepeatEndsMidCycle) {
  BasicAnimation a = strokeEnd(1);
  a.setRepeatCount(1.5);
  a.setFillMode(FillMode::Forwards);
  EXPECT_DOUBLE_EQ(a.endTime(), 11.5);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(50)), 0.5);
}

TEST(BasicAnimation, LargestFloatRepeatsForEver) {
  BasicAnimation a = strokeEnd(1);
  a.setRepeatCount(3.4028235e38);
  EXPECT_TRUE(a.isInfinite());
  EXPECT_TRUE(std::isinf(a.endTime()));
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(10 + 1e6 + 0.5)), 0.5);
}

TEST(BasicAnimation, MissingValuesUseTheBase) {
  BasicAnimation a("opacity");
  a.setToValue(0.0);
  a.setDuration(1);
  a.setBeginTime(1);
  EXPECT_FALSE(a.valueAt(1.5).has_value());  // needs a base
  EXPECT_DOUBLE_EQ(std::get<double>(*a.valueAt(1.5, AnimationValue(0.8))), 0.4);
}

TEST(BasicAnimation, TimingFunctionShapesProgress) {
  BasicAnimation a = strokeEnd(1);
  a.setTimingFunction(TimingFunction::easeInEaseOut());
  const double early = asDouble(a.valueAt(10.1));
  EXPECT_LT(early, 0.1);
  EXPECT_NEAR(asDouble(a.valueAt(10.5)), 0.5, 1e-6);  // symmetric curve
  EXPECT_GT(asDouble(a.valueAt(10.9)), 0.9);
}

TEST(KeyframeAnimation, HoldsFirstValueBeforeFirstKeyTime) {
  KeyframeAnimation a("opacity");
  a.setValues({0.0, 1.0, 0.5});
  a.setKeyTimes({0.1, 0.5, 1.0});
  a.setDuration(10);
  a.setBeginTime(0);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(0)), 0);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(0.9)), 0);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(3)), 0.5);    // halfway between 0.1 and 0.5
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(7.5)), 0.75);  // halfway between 0.5 and 1.0
}

TEST(KeyframeAnimation, EvenlySpacedWithoutKeyTimes) {
  KeyframeAnimation a("opacity");
  a.setValues({0.0, 1.0, 0.0});
  a.setDuration(2);
  a.setBeginTime(0);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(0.5)), 0.5);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(1)), 1);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(1.5)), 0.5);
}

TEST(KeyframeAnimation, ColourListsInterpolatePairwise) {
  KeyframeAnimation a("colors");
  a.setValues({std::vector<Color>{{1, 0, 0, 1}, {1, 0.5, 0, 1}}, std::vector<Color>{{1, 0.5, 0, 1}, {1, 1, 0, 1}}});
  a.setKeyTimes({0, 1});
  a.setDuration(10);
  a.setAutoreverses(true);
  a.setBeginTime(0);
  const auto at = [&](double t) { return std::get<std::vector<Color>>(*a.valueAt(t)); };
  EXPECT_DOUBLE_EQ(at(5)[0].green, 0.25);
  EXPECT_DOUBLE_EQ(at(5)[1].green, 0.75);
  EXPECT_DOUBLE_EQ(at(15)[0].green, 0.25);  // reversing
}

TEST(KeyframeAnimation, DiscreteHoldsEachValue) {
  KeyframeAnimation a("opacity");
  a.setValues({0.0, 1.0, 0.5});
  a.setCalculationMode(CalculationMode::Discrete);
  a.setDuration(3);
  a.setBeginTime(0);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(1.4)), 0);
  EXPECT_DOUBLE_EQ(asDouble(a.valueAt(1.6)), 1);
}

TEST(Interpolation, TransformRotatesThroughDecomposition) {
  const Transform3D from = Transform3D::identity();
  const Transform3D to = concat(Transform3D::makeRotation(std::numbers::pi / 2, 0, 0, 1), Transform3D::makeTranslation(100, 0, 0));
  const auto mid = std::get<Transform3D>(interpolate(from, to, 0.5));
  // Halfway: a 45-degree turn (a matrix blend would shrink it) and half the move.
  const Transform3D expected = concat(Transform3D::makeRotation(std::numbers::pi / 4, 0, 0, 1), Transform3D::makeTranslation(50, 0, 0));
  const double* a = &mid.m11;
  const double* b = &expected.m11;
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], 1e-9) << "element " << i;
}

TEST(Interpolation, TransformEndsAreExact) {
  const Transform3D to = concat(Transform3D::makeRotation(2.0, 1, 1, 1), Transform3D::makeTranslation(30, 40, 0));
  EXPECT_EQ(std::get<Transform3D>(interpolate(Transform3D::identity(), to, 1.0)), to);
  const auto nearly = std::get<Transform3D>(interpolate(Transform3D::identity(), to, 0.999999));
  EXPECT_NEAR(nearly.m12, to.m12, 1e-5);
  EXPECT_NEAR(nearly.m41, to.m41, 1e-4);
}

TEST(Interpolation, MismatchedKindsJumpHalfway) {
  EXPECT_EQ(std::get<double>(interpolate(1.0, Point{2, 2}, 0.4)), 1.0);
  EXPECT_EQ(std::get<Point>(interpolate(1.0, Point{2, 2}, 0.6)), (Point{2, 2}));
}
