// The column's layout: rows from y = 130, switch rows ending at the switch's
// own bottom, slider and colour rows, the animation sections, the close
// button 80 below and the content 40 below it; the tablet's column without
// the landscape row; and the turned panel whose column is its frame height.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PanelTestEnv.h"

namespace {

using P = LyricSettingWindow;

// Row tops on a phone. Switch rows are the switch's 31 points plus 20;
// slider rows 20 plus 10; animation rows 31 plus 10, starting right at
// their section title (40 high, 10 below what precedes it).
struct Row {
  const char* name;
  std::shared_ptr<ui::View> (*get)(P&);
  double y;
  enum { Switch, Slider, Full } kind;
};

template <auto Getter>
std::shared_ptr<ui::View> view(P& panel) {
  return (panel.*Getter)();
}

const Row kPhoneRows[] = {
    {"floatLockSwitch", view<&P::floatLockSwitch>, 130, Row::Switch},
    {"alwaysOnSwitch", view<&P::alwaysOnSwitch>, 181, Row::Switch},
    {"alwaysOnMediaControlSwitch", view<&P::alwaysOnMediaControlSwitch>, 232, Row::Switch},
    {"alwaysOnHPSwitch", view<&P::alwaysOnHPSwitch>, 283, Row::Switch},
    {"alwaysOnDoubleTapGesSwitch", view<&P::alwaysOnDoubleTapGesSwitch>, 334, Row::Switch},
    {"shortCutOpenAPPSwitch", view<&P::shortCutOpenAPPSwitch>, 385, Row::Switch},
    {"alwaysOnFontSizeSlider", view<&P::alwaysOnFontSizeSlider>, 426, Row::Slider},
    {"floatWidthSlider", view<&P::floatWidthSlider>, 456, Row::Slider},
    {"floatHeightSlider", view<&P::floatHeightSlider>, 486, Row::Slider},
    {"floatCornerSlider", view<&P::floatCornerSlider>, 516, Row::Slider},
    {"fontLayerShadowSlider", view<&P::fontLayerShadowSlider>, 546, Row::Slider},
    {"fontPathLineWidthSlider", view<&P::fontPathLineWidthSlider>, 576, Row::Slider},
    {"fontPathDurationSlider", view<&P::fontPathDurationSlider>, 606, Row::Slider},
    {"smashDurationSlider", view<&P::smashDurationSlider>, 636, Row::Slider},
    {"colorSegmented", view<&P::colorSegmented>, 666, Row::Full},
    {"previewColorBtn", view<&P::previewColorBtn>, 706, Row::Full},
    {"lyricAslider", view<&P::lyricAslider>, 736, Row::Slider},
    {"lyricRslider", view<&P::lyricRslider>, 766, Row::Slider},
    {"lyricGslider", view<&P::lyricGslider>, 796, Row::Slider},
    {"lyricBslider", view<&P::lyricBslider>, 826, Row::Slider},
    {"animationNameLabel", view<&P::animationNameLabel>, 856, Row::Full},
    {"fontShadowSwitch", view<&P::fontShadowSwitch>, 896, Row::Switch},
    {"randomColorSwitch", view<&P::randomColorSwitch>, 937, Row::Switch},
    {"fontPathSwitch", view<&P::fontPathSwitch>, 978, Row::Switch},
    {"aodAnimationNameLabel", view<&P::aodAnimationNameLabel>, 1019, Row::Full},
    {"aodGradientAnimationSwitch", view<&P::aodGradientAnimationSwitch>, 1059, Row::Switch},
    {"aodSmashAnimationSwitch", view<&P::aodSmashAnimationSwitch>, 1100, Row::Switch},
    {"closeBtn", view<&P::closeBtn>, 1211, Row::Full},
};

class LayoutTest : public PanelTest {
 protected:
  // Checks every row against the phone's tops moved up by `shift` after the
  // landscape row (the tablet drops it), in a column `W` wide.
  void expectRows(double W, double shift) {
    bool afterLandscapeRow = false;
    for (const Row& row : kPhoneRows) {
      const std::string name = row.name;
      if (name == "alwaysOnHPSwitch" && shift != 0) {
        afterLandscapeRow = true;
        continue;
      }
      const double y = row.y - (afterLandscapeRow ? shift : 0);
      const ui::Rect frame = row.get(*panel)->frame();
      switch (row.kind) {
        case Row::Switch: EXPECT_EQ(frame, ui::Rect(W - 60, y, 51, 31)) << name; break;
        case Row::Slider: EXPECT_EQ(frame, ui::Rect(160, y, W - 170, 20)) << name; break;
        case Row::Full: EXPECT_EQ(frame.x(), 10) << name; EXPECT_EQ(frame.y(), y) << name;
          EXPECT_EQ(frame.width(), W - 20) << name; break;
      }
    }
    EXPECT_EQ(panel->titleLabel()->frame(), ui::Rect(0, 40, W, 30));
    EXPECT_EQ(panel->floatLockLabel()->frame(), ui::Rect(10, 130, 150, 20));
    EXPECT_EQ(panel->floatWidthLabel()->frame(), ui::Rect(10, 456 - shift, 150, 20));
    EXPECT_EQ(panel->fontPathLabel()->frame(), ui::Rect(10, 978 - shift, 150, 40));
    EXPECT_EQ(panel->colorSegmented()->frame().height(), 30);
    EXPECT_EQ(panel->previewColorBtn()->frame().height(), 20);
    EXPECT_EQ(panel->closeBtn()->frame().height(), 40);
    EXPECT_EQ(panel->scroll()->contentSize(), ui::Size(W, 1291 - shift));
  }
};

TEST_F(LayoutTest, PhoneColumnFromTheRules) {
  open();
  EXPECT_EQ(panel->scroll()->frame(), ui::Rect(0, 0, 375, 812));
  expectRows(375, 0);
  // Content order: the column's views in the order initSubview adds them.
  const auto& content = panel->scroll()->subviews();
  ASSERT_GE(content.size(), 4u);
  EXPECT_EQ(content.front(), panel->titleLabel());
  EXPECT_EQ(content[1], panel->floatLockLabel());
  EXPECT_EQ(content.back(), panel->closeBtn());
  // Scrolled to the end, the close button shows 40 points above the bottom.
  reveal(*panel->closeBtn());
  EXPECT_EQ(panel->scroll()->contentOffset().y, 1291 - 812);
}

TEST_F(LayoutTest, TabletColumnHasNoLandscapeRow) {
  open(ui::UserInterfaceIdiom::Pad);
  expectRows(1024, 51);
}

TEST_F(LayoutTest, TurnedPanelUsesItsFrameHeightAsTheColumnWidthAtOnce) {
  open();
  // As the rotation handler turns it: a quarter turn, half the screen high.
  panel->setTransform(quartz::rotate(panel->transform(), 1.5707963267948966));
  panel->setFrame({0, 0, 375, 406});
  panel->setIsHP(true);
  EXPECT_TRUE(panel->isHP());
  // Laid out already, before any commit.
  expectRows(406, 0);
  EXPECT_EQ(panel->scroll()->frame(), ui::Rect(0, 0, 406, 375));
  panel->setIsHP(false);
  EXPECT_EQ(panel->floatLockSwitch()->frame().x(), 375 - 60) << "the frame's width again";
}

}  // namespace
