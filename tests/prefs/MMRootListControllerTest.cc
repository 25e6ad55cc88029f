// The preference page as the user sees it: its layout on phones and
// tablets, in light and dark, the switches and what they store, row B's
// warning, rotation, the restart button, and what a missing "Root" list or
// a broken restart command leave behind.

#include "prefs/MMRootListController.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "PrefsTestEnv.h"
#include "prefs/FontsVC.h"
#include "settings/SettingKeys.h"

namespace {

using Strings = std::vector<std::string>;

class MMRootListControllerTest : public PrefsTest {};

Strings actionTitles(const ui::AlertController& alert) {
  Strings titles;
  for (const auto& a : alert.actions()) titles.push_back(a->title());
  return titles;
}

TEST_F(MMRootListControllerTest, LaysThePageOutForPhonesAndTablets) {
  struct Case {
    ui::UserInterfaceIdiom idiom;
    double e, m;
  };
  for (const Case& c : {Case{ui::UserInterfaceIdiom::Phone, 375, 20}, Case{ui::UserInterfaceIdiom::Pad, 1024, 40}}) {
    open(c.idiom);
    ASSERT_TRUE(page->scroll()) << c.e;
    const double rowWidth = c.e - 2 * c.m;
    EXPECT_EQ(page->view()->bounds().width(), c.e);
    EXPECT_EQ(page->scroll()->frame(), ui::Rect(0, 0, c.e, page->view()->bounds().height()));
    EXPECT_EQ(page->titleLab()->frame(), ui::Rect(0, 20, c.e, 40));
    EXPECT_EQ(page->titleLab()->text(), "HoverlyraXI");
    EXPECT_EQ(page->titleNameLabel()->frame(), ui::Rect(0, 60, c.e, 30));
    EXPECT_EQ(page->viewRowA()->frame(), ui::Rect(c.m, 100, rowWidth, 50));
    EXPECT_EQ(page->viewRowB()->frame(), ui::Rect(c.m, 160, rowWidth, 50));
    EXPECT_EQ(page->viewRowC()->frame(), ui::Rect(c.m, 220, rowWidth, 50));
    EXPECT_EQ(page->switchRowA()->frame().origin, ui::Point(rowWidth - 70, 10));
    EXPECT_EQ(page->labelRowB()->frame(), ui::Rect(10, 10, rowWidth / 2, 30));
    EXPECT_EQ(page->labelRowA()->text(), "启用");
    EXPECT_EQ(page->labelRowB()->text(), "关闭用户交互");
    EXPECT_EQ(page->labelRowC()->text(), "更改字体");
    EXPECT_EQ(page->moreSettingLabel()->frame(), ui::Rect(20, 280, c.e - 40, 50));
    EXPECT_EQ(page->bottomTipLabel()->frame(), ui::Rect(20, 340, c.e - 40, 220));
    EXPECT_EQ(page->scroll()->contentSize(), ui::Size(c.e, 570));
    EXPECT_EQ(nav->navigationBar().titleLabel().text(), "HoverlyraXI");
    ASSERT_TRUE(page->respringButton());
    EXPECT_EQ(page->respringButton()->currentTitle(), "注销");
    EXPECT_EQ(page->respringButton()->frame().size, ui::Size(50, 40));
    EXPECT_EQ(nav->navigationBar().rightView(), page->respringButton());
    // Only the page itself is in the main view.
    EXPECT_EQ(page->view()->subviews().size(), 1u);
  }
}

TEST_F(MMRootListControllerTest, PageTextFollowsTheAppearance) {
  open();
  EXPECT_EQ(page->titleLab()->textColor().cgColor(), quartz::Color::black());
  ui::Application::shared().setUserInterfaceStyle(ui::UserInterfaceStyle::Dark);
  EXPECT_EQ(page->titleLab()->textColor().cgColor(), quartz::Color::white());
  EXPECT_EQ(page->labelRowC()->textBox().defaultColor, quartz::Color::white());
  // Systems before 13 have no appearance: black, or light grey when asked.
  ui::Device::current().setSystemVersion("12.4");
  EXPECT_EQ(page->dynamicChangeColor(false).cgColor(), quartz::Color::black());
  EXPECT_EQ(page->dynamicChangeColor(true).cgColor(), quartz::Color::rgba(220 / 255.0, 220 / 255.0, 220 / 255.0, 1));
}

TEST_F(MMRootListControllerTest, SwitchesShowTheStoredValuesAndRowAStoresEachTap) {
  struct Case {
    const char* a;
    const char* b;
    bool onA, onB;
  };
  const Case cases[] = {{nullptr, nullptr, false, false}, {"1", "0", true, false}, {"0", "YES", false, true},
                        {"", " +07", false, true}};
  for (const Case& c : cases) {
    if (c.a) store(SettingKey::ROWA_SWI, c.a);
    if (c.b) store(SettingKey::ROWB_SWI, c.b);
    open();
    EXPECT_EQ(page->switchRowA()->isOn(), c.onA) << (c.a ? c.a : "none");
    EXPECT_EQ(page->switchRowB()->isOn(), c.onB) << (c.b ? c.b : "none");
  }
  store(SettingKey::ROWA_SWI, "0");
  open();
  tap(*page->switchRowA());
  EXPECT_EQ(stored(SettingKey::ROWA_SWI), "1");
  tap(*page->switchRowA());
  EXPECT_EQ(stored(SettingKey::ROWA_SWI), "0");
  EXPECT_EQ(page->presentedViewController(), nullptr);
}

TEST_F(MMRootListControllerTest, RowBAsksBeforeStoringOnAndStoresOffAtOnce) {
  open();
  tap(*page->switchRowB());
  ASSERT_NE(alert(), nullptr);
  EXPECT_EQ(alert()->title(), "⚠️");
  EXPECT_EQ(alert()->message(), "打开此开关，悬浮窗将不可点击，不可拖动！");
  EXPECT_EQ(actionTitles(*alert()), (Strings{"朕知道了", "取消"}));
  EXPECT_EQ(alert()->actions()[1]->style(), ui::AlertActionStyle::Default);
  EXPECT_EQ(stored(SettingKey::ROWB_SWI), "absent");  // nothing until a pick

  pick("取消");
  EXPECT_EQ(alert(), nullptr);
  EXPECT_EQ(stored(SettingKey::ROWB_SWI), "0");
  EXPECT_FALSE(page->switchRowB()->isOn());

  tap(*page->switchRowB());
  pick("朕知道了");
  EXPECT_EQ(stored(SettingKey::ROWB_SWI), "1");
  EXPECT_TRUE(page->switchRowB()->isOn());

  tap(*page->switchRowB());  // off: no question
  EXPECT_EQ(alert(), nullptr);
  EXPECT_EQ(stored(SettingKey::ROWB_SWI), "0");
}

TEST_F(MMRootListControllerTest, RotatingRebuildsThePageForTheNewWidthWithTheStoredStates) {
  store(SettingKey::ROWA_SWI, "1");
  open(ui::UserInterfaceIdiom::Pad);
  const ui::View* before = page->viewRowA().get();
  // The Settings app turns: the window takes the new size, then the status
  // bar's frame changes.
  window->setFrame(ui::Rect(0, 0, 1366, 1024));
  ui::Application::shared().setStatusBarFrame({0, 0, 1366, 24});
  advance(0.005);
  EXPECT_TRUE(page->view()->subviews().empty());  // emptied at once
  advance(0.05);
  ASSERT_NE(page->viewRowA().get(), before);
  EXPECT_EQ(page->viewRowA()->frame(), ui::Rect(40, 100, 1366 - 80, 50));
  EXPECT_TRUE(page->switchRowA()->isOn());
  EXPECT_FALSE(page->switchRowB()->isOn());
  EXPECT_EQ(page->view()->subviews().size(), 1u);
}

TEST_F(MMRootListControllerTest, RowBsAnswerAfterARotationShowsOnTheRebuiltPage) {
  for (const char* answer : {"朕知道了", "取消"}) {
    store(SettingKey::ROWB_SWI, "0");
    open();
    tap(*page->switchRowB());
    ASSERT_NE(alert(), nullptr);
    window->setFrame(ui::Rect(0, 0, 812, 375));
    ui::Application::shared().setStatusBarFrame({0, 0, 812, 0});
    advance(0.05);
    EXPECT_FALSE(page->switchRowB()->isOn()) << answer;  // rebuilt from the store: "0"
    pick(answer);
    const bool on = std::string(answer) == "朕知道了";
    EXPECT_EQ(stored(SettingKey::ROWB_SWI), on ? "1" : "0") << answer;
    EXPECT_EQ(page->switchRowB()->isOn(), on) << answer;
    ui::Application::shared().setStatusBarFrame({0, 0, 375, 44});
  }
}

TEST_F(MMRootListControllerTest, RestartAsksThenRunsTheCommandOnlyOnOK) {
  const std::filesystem::path mark = root.path() / "restarted";
  MMRootListController::setRestartCommand("echo restarted >> '" + mark.string() + "'");
  open();
  tap(*page->respringButton());
  ASSERT_NE(alert(), nullptr);
  EXPECT_EQ(alert()->title(), "注销设备");
  EXPECT_EQ(alert()->message(), "");
  EXPECT_EQ(actionTitles(*alert()), (Strings{"确定", "取消"}));
  EXPECT_EQ(alert()->actions()[1]->style(), ui::AlertActionStyle::Cancel);
  pick("取消");
  EXPECT_FALSE(std::filesystem::exists(mark));
  tap(*page->respringButton());
  pick("确定");
  std::ifstream in(mark);
  std::string line;
  EXPECT_TRUE(std::getline(in, line));
  EXPECT_EQ(line, "restarted");
  EXPECT_FALSE(std::getline(in, line));  // ran once, and was waited for
}

TEST_F(MMRootListControllerTest, RowCOpensTheChooser) {
  open();
  tap(*page->viewRowC());
  advance(1);
  ASSERT_EQ(nav->viewControllers().size(), 2u);
  EXPECT_NE(dynamic_cast<FontsVC*>(nav->topViewController()), nullptr);
}

TEST_F(MMRootListControllerTest, AMissingRootListIsLoggedAndThePageStillShows) {
  open(ui::UserInterfaceIdiom::Phone, root.path().string());
  EXPECT_TRUE(page->specifiers().empty());
  bool logged = false;
  for (const std::string& line : foundation::loggedLines())
    logged = logged || line.find("no property list named \"Root\"") != std::string::npos;
  EXPECT_TRUE(logged);
  ASSERT_TRUE(page->switchRowA());
  EXPECT_EQ(page->viewRowC()->frame(), ui::Rect(20, 220, 335, 50));
  // With the list present, the page's target is the page itself.
  open();
  ASSERT_FALSE(page->specifiers().empty());
  EXPECT_EQ(page->specifiers().front().target, page.get());
}

}  // namespace
