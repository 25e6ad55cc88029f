#pragma once
// Every page test runs on a fresh virtual clock, in a fresh temporary device
// root (so there is no settings file), on a phone with the default screen
// and the pinned test fonts. The page is hosted as the Settings app hosts
// it: a window whose root is a navigation controller with the page, the
// bundle's resources from the source tree. The user's side is played with
// real touches.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "TempDeviceRoot.h"
#include "TestFonts.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "prefs/MMRootListController.h"
#include "quartz/Transaction.h"
#include "settings/MMLocalSettingManager.h"
#include "ui/AlertController.h"
#include "ui/Application.h"
#include "ui/Device.h"
#include "ui/NavigationController.h"
#include "ui/Screen.h"
#include "ui/Window.h"

class PrefsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    foundation::RunLoop::useVirtualClock(0);
    ui::Device::current().reset();
    ui::Screen::main().reset();
    ui::Application::shared().reset();
    foundation::clearLoggedLines();
  }

  void TearDown() override {
    window.reset();
    nav.reset();
    page.reset();
    MMRootListController::setRestartCommand("killall -9 SpringBoard");
    ui::Device::current().reset();
    ui::Screen::main().reset();
    ui::Application::shared().reset();
  }

  static std::string resources() { return hvtest::supportDirectory() + "/../../prefs/resources"; }

  // The Settings app opens the page: pushed under its navigation bar, built
  // 0.01 s after the request for its specifiers and 0.01 s after that.
  void open(ui::UserInterfaceIdiom idiom = ui::UserInterfaceIdiom::Phone, std::string bundle = resources()) {
    ui::Device::current().setUserInterfaceIdiom(idiom);
    if (idiom == ui::UserInterfaceIdiom::Pad) ui::Screen::main().setBounds({0, 0, 1024, 1366});
    page = MMRootListController::init();
    page->setBundle(preferences::Bundle(bundle));
    nav = ui::NavigationController::initWithRootViewController(page);
    window = std::make_shared<ui::Window>(ui::Screen::main().bounds());
    window->setRootViewController(nav);
    window->makeKeyAndVisible();
    advance(0.05);
  }

  static void advance(double s) {
    foundation::RunLoop::main().advance(s);
    quartz::Transaction::flush();
  }

  static void tap(const ui::View& view) {
    const ui::Point p = view.convertPoint({view.bounds().midX(), view.bounds().midY()}, nullptr);
    ui::Application::shared().sendTouch(ui::TouchPhase::Began, p);
    advance(0.05);
    ui::Application::shared().sendTouch(ui::TouchPhase::Ended, p);
    advance(0.5);
  }

  ui::AlertController* alert() const {
    return dynamic_cast<ui::AlertController*>(page->presentedViewController());
  }
  // Taps the action of the alert being shown.
  void pick(std::string_view title) {
    ui::AlertController* shown = alert();
    ASSERT_NE(shown, nullptr);
    for (std::size_t i = 0; i < shown->actions().size(); ++i)
      if (shown->actions()[i]->title() == title) {
        tap(*shown->actionButtons()[i]);
        return;
      }
    FAIL() << "no action " << title;
  }

  static void store(std::string_view key, std::string_view value) {
    MMLocalSettingManager::shared().saveValue(foundation::Value(value), foundation::Value(key));
  }
  // The stored text, "absent" when there is none.
  static std::string stored(std::string_view key) {
    const foundation::Value v = MMLocalSettingManager::shared().getValueForKey(key);
    const std::string* text = v.text();
    return text == nullptr ? "not text" : text->empty() ? "absent" : *text;
  }

  hvtest::TempDeviceRoot root;
  std::shared_ptr<MMRootListController> page;
  std::shared_ptr<ui::NavigationController> nav;
  std::shared_ptr<ui::Window> window;
};
