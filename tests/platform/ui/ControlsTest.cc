#include <gtest/gtest.h>

#include "foundation/RunLoop.h"
#include "ui/Application.h"
#include "ui/Device.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/Screen.h"
#include "ui/Window.h"

using namespace ui;

namespace {

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override { foundation::RunLoop::useVirtualClock(0); }
  void TearDown() override {
    Application::shared().reset();
    Device::current().reset();
    Screen::main().reset();
  }
  void turn() { foundation::RunLoop::main().advance(0); }
};

}  // namespace

TEST_F(ControlsTest, NamedColours) {
  EXPECT_EQ(Color::orangeColor().cgColor(), (quartz::Color{1, 0.5, 0, 1}));
  EXPECT_EQ(Color::purpleColor().cgColor(), (quartz::Color{0.5, 0, 0.5, 1}));
  EXPECT_EQ(Color::cyanColor().cgColor(), (quartz::Color{0, 1, 1, 1}));
  EXPECT_EQ(Color::clearColor().cgColor().alpha, 0);
}

TEST_F(ControlsTest, DynamicColourFollowsStyle) {
  auto v = std::make_shared<View>(Rect(0, 0, 10, 10));
  auto w = std::make_shared<Window>(Rect(0, 0, 10, 10));
  w->addSubview(v);
  v->setBackgroundColor(Color::systemBackgroundColor());
  EXPECT_EQ(v->layer()->backgroundColor(), quartz::Color::white());
  Application::shared().setUserInterfaceStyle(UserInterfaceStyle::Dark);
  EXPECT_EQ(v->layer()->backgroundColor(), quartz::Color::black());
}

TEST_F(ControlsTest, LabelRecordsOneTextBox) {
  auto label = std::make_shared<Label>(Rect(0, 0, 200, 40));
  label->setFont(Font::fontWithName("PingFangSC-Regular", 26));
  label->setTextColor(Color::colorWithRed(1, 0, 0, 1));
  label->setLineBreakMode(LineBreakMode::TruncateMiddle);
  AttributedString text("歌词", {std::nullopt, quartz::Color{0, 0, 1, 1}, quartz::Shadow{{0, 0}, 6, {0.2, 0.2, 0.2, 0}}});
  label->setAttributedText(text);
  EXPECT_EQ(label->text(), "歌词");
  turn();
  const auto& list = label->layer()->committed().state.displayList;
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->ops.size(), 1u);
  const auto& box = std::get<quartz::op::DrawText>(list->ops[0]).box;
  EXPECT_EQ(box.rect, Rect(0, 0, 200, 40));
  EXPECT_EQ(box.defaultFont.name, "PingFangSC-Regular");
  EXPECT_EQ(box.defaultColor, (quartz::Color{1, 0, 0, 1}));
  EXPECT_EQ(box.lineBreakMode, LineBreakMode::TruncateMiddle);
  EXPECT_EQ(box.text.runs().at(0).attributes.shadow->blurRadius, 6);
  label->setText("");
  turn();
  EXPECT_EQ(label->layer()->committed().state.displayList, nullptr);
}

TEST_F(ControlsTest, LabelTextColourRecoloursTheWholeAttributedText) {
  auto label = std::make_shared<Label>(Rect(0, 0, 200, 40));
  const quartz::Shadow shadow{{0, 0}, 6, {0.2, 0.2, 0.2, 0.5}};
  AttributedString text("歌词", {std::nullopt, quartz::Color{0, 0, 1, 1}, shadow});
  text.append(" line", {quartz::Font::fontWithName("DejaVuSans", 20), quartz::Color{0, 1, 0, 1}, std::nullopt});
  label->setAttributedText(text);
  turn();
  label->setTextColor(Color::colorWithRed(1, 0, 0, 1));
  turn();
  const auto& box = std::get<quartz::op::DrawText>(label->layer()->committed().state.displayList->ops[0]).box;
  EXPECT_EQ(box.defaultColor, (quartz::Color{1, 0, 0, 1}));
  ASSERT_EQ(box.text.runs().size(), 2u);
  EXPECT_EQ(box.text.string(), "歌词 line");
  for (const auto& run : box.text.runs()) EXPECT_FALSE(run.attributes.foregroundColor.has_value()) << run.text;
  EXPECT_EQ(box.text.runs()[0].attributes.shadow, shadow);
  EXPECT_EQ(box.text.runs()[1].attributes.font, quartz::Font::fontWithName("DejaVuSans", 20));
}

TEST_F(ControlsTest, LabelRedrawsOnResizeButNotOnMove) {
  auto label = std::make_shared<Label>(Rect(0, 0, 200, 40));
  label->setText("a");
  turn();
  const auto content = label->layer()->committed().contentSerial;
  label->setFrame(Rect(-30, 0, 200, 40));
  turn();
  EXPECT_EQ(label->layer()->committed().contentSerial, content);
  label->setFrame(Rect(-30, 0, 250, 40));
  turn();
  EXPECT_GT(label->layer()->committed().contentSerial, content);
  EXPECT_EQ(std::get<quartz::op::DrawText>(label->layer()->committed().state.displayList->ops[0]).box.rect.width(), 250);
}

TEST_F(ControlsTest, ImageViewTilesShareOneImage) {
  auto image = quartz::Image::create(40, 20);
  auto whole = std::make_shared<ImageView>(image);
  EXPECT_EQ(whole->frame(), Rect(0, 0, 40, 20));
  auto tile = std::make_shared<ImageView>(Rect(4, 2, 4, 2));
  tile->setImage(image);
  tile->layer()->setContentsRect(Rect(0.1, 0.1, 0.1, 0.1));
  turn();
  EXPECT_EQ(tile->layer()->committed().state.contents.get(), image.get());
  EXPECT_EQ(tile->layer()->committed().state.contentsRect, Rect(0.1, 0.1, 0.1, 0.1));
  EXPECT_FALSE(tile->isUserInteractionEnabled());
}

TEST_F(ControlsTest, DeviceAndScreenDefaultsAndSettings) {
  EXPECT_EQ(Screen::main().bounds(), Rect(0, 0, 375, 812));
  EXPECT_EQ(Device::current().userInterfaceIdiom(), UserInterfaceIdiom::Phone);
  EXPECT_EQ(static_cast<int>(UserInterfaceIdiom::Pad), 1);
  Device::current().setValue(foundation::Value(3), "orientation");
  EXPECT_EQ(Device::current().orientation(), 3);
  EXPECT_EQ(Device::current().valueForKey("orientation").integerValue(), 3);
}

TEST_F(ControlsTest, OpenURLGoesThroughHostHandler) {
  std::vector<std::string> opened;
  Application::shared().setURLHandler([](const std::string& u) { return u.rfind("music:", 0) == 0; },
                                      [&](const std::string& u) { opened.push_back(u); return true; });
  EXPECT_TRUE(Application::shared().canOpenURL("music://x"));
  EXPECT_FALSE(Application::shared().canOpenURL("other://x"));
  bool ok = false;
  Application::shared().openURL("music://x", [&](bool s) { ok = s; });
  turn();
  EXPECT_TRUE(ok);
  EXPECT_EQ(opened, std::vector<std::string>{"music://x"});
}
