#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "quartz/Color.h"
#include "quartz/Geometry.h"
#include "quartz/Layer.h"
#include "quartz/Path.h"

using namespace quartz;

TEST(Geometry, ConcatAppliesFirstThenSecond) {
  const auto t = concat(AffineTransform::makeScale(2, 2), AffineTransform::makeTranslation(10, 0));
  EXPECT_EQ(t.apply(Point{1, 1}), (Point{12, 2}));
  // translate(t, …) applies the translation before t.
  const auto u = translate(AffineTransform::makeScale(2, 2), 10, 0);
  EXPECT_EQ(u.apply(Point{1, 1}), (Point{22, 2}));
}

TEST(Geometry, InvertedUndoesTransform) {
  const auto t = concat(AffineTransform::makeRotation(0.3), AffineTransform::makeTranslation(5, -7));
  const Point p = t.inverted().apply(t.apply(Point{3, 4}));
  EXPECT_NEAR(p.x, 3, 1e-12);
  EXPECT_NEAR(p.y, 4, 1e-12);
}

TEST(Geometry, Transform3DRotationAboutZMatchesAffineRotation) {
  const auto r3 = Transform3D::makeRotation(0.7, 0, 0, 1).affine();
  const auto r2 = AffineTransform::makeRotation(0.7);
  EXPECT_NEAR(r3.a, r2.a, 1e-12);
  EXPECT_NEAR(r3.b, r2.b, 1e-12);
  EXPECT_NEAR(r3.c, r2.c, 1e-12);
  EXPECT_NEAR(r3.d, r2.d, 1e-12);
}

TEST(Geometry, RotationThenTranslationOrder) {
  // Rotation applied first, translation second: the translation is not turned.
  const auto t = concat(Transform3D::makeRotation(std::numbers::pi / 2, 0, 0, 1), Transform3D::makeTranslation(5, 0, 0));
  EXPECT_NEAR(t.m41, 5, 1e-12);
  EXPECT_NEAR(t.m42, 0, 1e-12);
}

TEST(Geometry, HsbaConvertsThePrimaryHues) {
  const Color red = Color::hsba(0, 1, 1, 1);
  EXPECT_EQ(red, (Color{1, 0, 0, 1}));
  const Color cyan = Color::hsba(0.5, 1, 1, 0.5);
  EXPECT_NEAR(cyan.red, 0, 1e-12);
  EXPECT_NEAR(cyan.green, 1, 1e-12);
  EXPECT_NEAR(cyan.blue, 1, 1e-12);
  EXPECT_EQ(cyan.alpha, 0.5);
  const Color wrapped = Color::hsba(1.0 + 1.0 / 3.0, 1, 1, 1);
  EXPECT_NEAR(wrapped.green, 1, 1e-12);
  EXPECT_NEAR(wrapped.red, 0, 1e-12);
}

TEST(Geometry, RectIntersectionOfDisjointIsEmpty) {
  EXPECT_EQ(Rect(0, 0, 10, 10).intersection(Rect(20, 20, 5, 5)), Rect());
  EXPECT_EQ(Rect(0, 0, 10, 10).intersection(Rect(5, 5, 10, 10)), Rect(5, 5, 5, 5));
}

TEST(Geometry, PathBoundingBoxIncludesControlPoints) {
  Path p;
  p.moveTo({0, 0});
  p.quadTo({5, 20}, {10, 0});
  EXPECT_EQ(p.boundingBox(), Rect(0, 0, 10, 20));
  Path moved = p.transformed(AffineTransform::makeTranslation(1, 2));
  EXPECT_EQ(moved.boundingBox(), Rect(1, 2, 10, 20));
}

// Frame semantics: bounding box of the bounds transformed about the anchor.
TEST(LayerGeometry, FrameWithoutTransform) {
  LayerState s;
  s.bounds = Rect(0, 0, 100, 40);
  s.position = {70, 40};
  EXPECT_EQ(s.frame(), Rect(20, 20, 100, 40));
}

TEST(LayerGeometry, QuarterTurnSwapsFrameSidesExactly) {
  Layer layer;
  layer.setFrame(Rect(20, 80, 300, 40));
  layer.setAffineTransform(AffineTransform::makeRotation(std::numbers::pi / 2));
  // Centre stays at (170, 100); the box is 40 wide and 300 high, exactly.
  EXPECT_EQ(layer.frame(), Rect(150, -50, 40, 300));
  EXPECT_EQ(layer.bounds(), Rect(0, 0, 300, 40));
}

TEST(LayerGeometry, SettingFrameKeepsQuarterTurn) {
  Layer layer;
  layer.setAffineTransform(AffineTransform::makeRotation(std::numbers::pi / 2));
  layer.setFrame(Rect(10, 20, 40, 300));
  EXPECT_EQ(layer.bounds().size, (Size{300, 40}));
  EXPECT_EQ(layer.frame(), Rect(10, 20, 40, 300));
  EXPECT_EQ(layer.affineTransform().b, AffineTransform::makeRotation(std::numbers::pi / 2).b);
}

TEST(LayerGeometry, SettingFrameKeepsTranslationAndScale) {
  Layer layer;
  layer.setAffineTransform(concat(AffineTransform::makeScale(2, 2), AffineTransform::makeTranslation(5, 0)));
  layer.setFrame(Rect(0, 0, 100, 50));
  EXPECT_EQ(layer.bounds().size, (Size{50, 25}));
  EXPECT_EQ(layer.frame(), Rect(0, 0, 100, 50));
  EXPECT_EQ(layer.position(), (Point{45, 25}));
}

TEST(LayerGeometry, AnchorPointMovesTheFrame) {
  Layer layer;
  layer.setBounds(Rect(0, 0, 10, 10));
  layer.setPosition({0, 0});
  layer.setAnchorPoint({0, 0});
  EXPECT_EQ(layer.frame(), Rect(0, 0, 10, 10));
}

TEST(LayerGeometry, BoundsOriginShiftsSublayerSpace) {
  LayerState s;
  s.bounds = Rect(10, 0, 100, 100);
  s.position = {50, 50};
  // The bounds origin (10, 0) is what appears at the frame's top-left corner.
  const Point p = s.transformToSuperlayer().apply(Point{10, 0});
  EXPECT_EQ(p, (Point{0, 0}));
}
