// Navigation, alerts and the status bar as a user meets them: the bar's
// title and items, the push slide and the back button, an alert's actions
// in order and what a tap on one does, and the rotation notification.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "quartz/Transaction.h"
#include "ui/AlertController.h"
#include "ui/Application.h"
#include "ui/NavigationController.h"
#include "ui/Screen.h"
#include "ui/Window.h"

using namespace ui;

namespace {

struct Page : ViewController {
  int appeared = 0;
  int disappeared = 0;
  void viewWillAppear(bool) override { ++appeared; }
  void viewDidDisappear(bool) override { ++disappeared; }
};

class NavigationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    foundation::RunLoop::useVirtualClock(0);
    Application::shared().reset();
    Screen::main().reset();
    root = std::make_shared<Page>();
    root->setTitle("Settings");
    nav = NavigationController::initWithRootViewController(root);
    window = std::make_shared<Window>(Screen::main().bounds());
    window->setRootViewController(nav);
    window->makeKeyAndVisible();
    turn();
  }
  void TearDown() override { Application::shared().reset(); }

  static void advance(double s) {
    foundation::RunLoop::main().advance(s);
    quartz::Transaction::flush();
  }
  static void turn() { advance(0); }
  static void tap(const View& view) {
    const Point p = view.convertPoint({view.bounds().midX(), view.bounds().midY()}, nullptr);
    Application::shared().sendTouch(TouchPhase::Began, p);
    advance(0.05);
    Application::shared().sendTouch(TouchPhase::Ended, p);
    advance(0.5);
  }

  std::shared_ptr<Page> root;
  std::shared_ptr<NavigationController> nav;
  std::shared_ptr<Window> window;
};

TEST_F(NavigationTest, BarShowsTitleAndRightItemAndTheRootFillsTheRest) {
  auto item = Button::buttonWithType(ButtonType::Custom);
  item->setFrame(Rect(0, 0, 50, 40));
  root->navigationItem().setRightBarButtonItem(item);
  turn();
  NavigationBar& bar = nav->navigationBar();
  EXPECT_EQ(bar.frame(), Rect(0, 0, 375, 44 + 44));
  EXPECT_EQ(bar.titleLabel().text(), "Settings");
  EXPECT_TRUE(bar.backButton().isHidden());
  EXPECT_EQ(item->frame(), Rect(375 - 16 - 50, 44 + 2, 50, 40));
  EXPECT_EQ(root->view()->frame(), Rect(0, 88, 375, 812 - 88));
  root->navigationItem().setTitle("Page");
  EXPECT_EQ(bar.titleLabel().text(), "Page");

  // The window turned: everything follows its new size.
  window->setFrame(Rect(0, 0, 812, 375));
  turn();
  EXPECT_EQ(bar.frame().width(), 812);
  EXPECT_EQ(root->view()->frame(), Rect(0, 88, 812, 375 - 88));
}

TEST_F(NavigationTest, PushSlidesInAndBackPopsOut) {
  auto next = std::make_shared<Page>();
  next->setTitle("Fonts");
  nav->pushViewController(next, true);
  turn();
  // The model is final at once; the layers slide from the trailing edge.
  EXPECT_EQ(next->view()->frame(), Rect(0, 88, 375, 724));
  EXPECT_NE(next->view()->layer()->animationForKey("position"), nullptr);
  EXPECT_EQ(next->view()->layer()->presentationAt(foundation::RunLoop::main().now()).position.x, 375 + 375 / 2.0);
  EXPECT_EQ(root->view()->superview(), nav->view().get());
  EXPECT_EQ(nav->navigationBar().titleLabel().text(), "Fonts");
  advance(NavigationController::kSlideDuration + 0.01);
  EXPECT_EQ(root->view()->superview(), nullptr);
  EXPECT_EQ(root->disappeared, 1);
  EXPECT_EQ(next->navigationController(), nav.get());

  ASSERT_FALSE(nav->navigationBar().backButton().isHidden());
  tap(nav->navigationBar().backButton());
  advance(1);
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  EXPECT_EQ(nav->navigationBar().titleLabel().text(), "Settings");
  EXPECT_EQ(root->view()->superview(), nav->view().get());
  EXPECT_EQ(next->view()->superview(), nullptr);
  EXPECT_EQ(root->appeared, 2);  // at first, and back again
  EXPECT_EQ(next->navigationController(), nullptr);
}

TEST_F(NavigationTest, AlertShowsActionsInOrderAndATapRunsOneHandlerOnceAndDismisses) {
  std::vector<std::string> ran;
  auto alert = AlertController::alertControllerWithTitle("Title", "A message", AlertControllerStyle::Alert);
  for (const char* title : {"One", "Two", "Three"}) {
    alert->addAction(AlertAction::actionWithTitle(title, AlertActionStyle::Default,
                                                  [&ran](AlertAction& a) { ran.push_back(a.title()); }));
  }
  root->presentViewController(alert, true);
  advance(0.3);
  ASSERT_EQ(root->presentedViewController(), alert.get());
  EXPECT_EQ(alert->view()->superview(), window.get());
  EXPECT_EQ(alert->view()->frame(), window->bounds());
  std::vector<std::string> titles;
  for (const auto& button : alert->actionButtons()) titles.push_back(button->currentTitle());
  EXPECT_EQ(titles, (std::vector<std::string>{"One", "Two", "Three"}));
  // Three actions stack; the box is centred.
  const View& box = *alert->view()->subviews().front();
  EXPECT_DOUBLE_EQ(box.center().x, 375 / 2.0);
  EXPECT_DOUBLE_EQ(box.center().y, 812 / 2.0);
  EXPECT_LT(alert->actionButtons()[0]->frame().maxY(), alert->actionButtons()[1]->frame().maxY());

  // The window turns: the alert still covers it, its box in the middle.
  window->setFrame(Rect(0, 0, 812, 375));
  turn();
  EXPECT_EQ(alert->view()->frame(), Rect(0, 0, 812, 375));
  EXPECT_DOUBLE_EQ(box.center().y, 375 / 2.0);

  const std::shared_ptr<Button> second = alert->actionButtons()[1];
  tap(*second);
  EXPECT_EQ(ran, std::vector<std::string>{"Two"});
  EXPECT_EQ(root->presentedViewController(), nullptr);
  advance(0.5);
  EXPECT_EQ(alert->view()->superview(), nullptr);
  second->sendActionsForControlEvents(ControlEvent::TouchUpInside);
  EXPECT_EQ(ran, std::vector<std::string>{"Two"});
}

TEST_F(NavigationTest, TwoActionsSitSideBySide) {
  auto alert = AlertController::alertControllerWithTitle("T", "", AlertControllerStyle::Alert);
  alert->addAction(AlertAction::actionWithTitle("OK", AlertActionStyle::Default, nullptr));
  alert->addAction(AlertAction::actionWithTitle("Cancel", AlertActionStyle::Cancel, nullptr));
  root->presentViewController(alert, false);
  turn();
  const Rect a = alert->actionButtons()[0]->frame();
  const Rect b = alert->actionButtons()[1]->frame();
  EXPECT_EQ(a.minY(), b.minY());
  EXPECT_EQ(a.maxX(), b.minX());
  EXPECT_EQ(a.width(), AlertController::kWidth / 2);
  tap(*alert->actionButtons()[1]);  // no handler: only closes
  EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST(StatusBarTest, AFrameChangeIsPostedOnceAfterTheFrameIsInPlace) {
  Application::shared().reset();
  std::vector<Rect> seen;
  foundation::Observation observation = foundation::NotificationCenter::defaultCenter().addObserver(
      kDidChangeStatusBarFrameNotification,
      [&seen](const foundation::Notification&) { seen.push_back(Application::shared().statusBarFrame()); });
  Application::shared().setStatusBarFrame({0, 0, 812, 0});
  Application::shared().setStatusBarFrame({0, 0, 812, 0});
  Application::shared().setStatusBarFrame({0, 0, 375, 44});
  EXPECT_EQ(seen, (std::vector<Rect>{{0, 0, 812, 0}, {0, 0, 375, 44}}));
  Application::shared().reset();
}

}  // namespace
