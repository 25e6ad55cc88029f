#include <gtest/gtest.h>

#include "foundation/RunLoop.h"
#include "quartz/GradientLayer.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TreeDump.h"
#include "ui/Window.h"

using namespace ui;

namespace {

class NamedView : public View {
 public:
  using View::View;
  std::string className() const override { return "MMNormalView"; }
};

class TreeDumpTest : public ::testing::Test {
 protected:
  void SetUp() override { foundation::RunLoop::useVirtualClock(0); }
};

}  // namespace

TEST_F(TreeDumpTest, JsonShape) {
  auto w = std::make_shared<Window>(Rect(20, 80, 300, 40));
  auto v = std::make_shared<NamedView>(Rect(10, 0, 120.5, 40));
  auto label = std::make_shared<Label>(Rect(0, 0, 120.5, 40));
  label->setText("say \"hi\"\n");
  v->addSubview(label);
  w->addSubview(v);
  v->setAlpha(0.5);
  EXPECT_EQ(treeJson(*w),
            "{\"class\": \"Window\", \"frame\": [20, 80, 300, 40], \"alpha\": 1, \"hidden\": true, \"subviews\": ["
            "{\"class\": \"MMNormalView\", \"frame\": [10, 0, 120.5, 40], \"alpha\": 0.5, \"hidden\": false, \"subviews\": ["
            "{\"class\": \"Label\", \"frame\": [0, 0, 120.5, 40], \"alpha\": 1, \"hidden\": false, "
            "\"text\": \"say \\\"hi\\\"\\n\", \"subviews\": []}]}]}");
}

TEST_F(TreeDumpTest, NamedViewsCarryTheirNameAfterTheClass) {
  auto w = std::make_shared<Window>(Rect(0, 0, 100, 100));
  auto first = std::make_shared<View>(Rect(0, 0, 10, 10));
  auto second = std::make_shared<View>(Rect(0, 10, 10, 10));
  w->addSubview(first);
  w->addSubview(second);
  const std::string json = treeJson(*w, ViewNames{{second.get(), "closeBtn \"x\""}});
  EXPECT_EQ(json,
            "{\"class\": \"Window\", \"frame\": [0, 0, 100, 100], \"alpha\": 1, \"hidden\": true, \"subviews\": ["
            "{\"class\": \"View\", \"frame\": [0, 0, 10, 10], \"alpha\": 1, \"hidden\": false, \"subviews\": []}, "
            "{\"class\": \"View\", \"name\": \"closeBtn \\\"x\\\"\", \"frame\": [0, 10, 10, 10], \"alpha\": 1, "
            "\"hidden\": false, \"subviews\": []}]}");
  EXPECT_EQ(treeJson(*w, {}), treeJson(*w));
}

TEST_F(TreeDumpTest, ExtraLayersAndAnimationsAreListed) {
  auto host = std::make_shared<View>(Rect(0, 0, 100, 40));
  auto label = std::make_shared<Label>(Rect(0, 0, 100, 40));
  host->addSubview(label);
  auto gradient = quartz::GradientLayer::layer();
  gradient->setFrame(host->bounds());
  host->layer()->addSublayer(gradient);
  gradient->setMask(label->layer());
  quartz::KeyframeAnimation cycle("colors");
  cycle.setDuration(10);
  gradient->addAnimation(cycle, "chromateAnimate");
  const std::string json = treeJson(*host);
  EXPECT_NE(json.find("\"layers\": [{\"class\": \"GradientLayer\", \"frame\": [0, 0, 100, 40], \"animations\": "
                      "[{\"key\": \"chromateAnimate\", \"keyPath\": \"colors\", \"duration\": 10"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"mask\": \"Label\""), std::string::npos) << json;
  const std::string text = dumpTree(*host);
  EXPECT_NE(text.find("  + GradientLayer frame=(0, 0, 100, 40) animations=chromateAnimate mask=Label"), std::string::npos)
      << text;
}

TEST_F(TreeDumpTest, TextDumpIndentsAndMarks) {
  auto root = std::make_shared<View>(Rect(0, 0, 50, 50));
  root->setBackgroundColor(Color::blackColor());
  auto image = std::make_shared<ImageView>(Rect(1, 2, 3, 4));
  image->setHidden(true);
  root->addSubview(image);
  EXPECT_EQ(dumpTree(*root), "View frame=(0, 0, 50, 50) bg=(0, 0, 0, 1)\n  ImageView frame=(1, 2, 3, 4) hidden\n");
}
