#pragma once
// The preference page: the master switch (row A), the switch that makes the
// floating window ignore touches (row B, confirmed through an alert), the
// row that opens the font chooser (row C), a usage hint, a note and a
// button in the navigation bar that restarts the home screen.
//
// The page is rebuilt from nothing 0.01 s after every request for its
// specifiers and after every status-bar frame change (a rotation): the main
// view is emptied at once and the page built 0.01 s later for the main
// view's width, the switches read from the settings file. Nothing else is
// kept between builds: the views below are the ones of the latest build
// (null before the first).
//
// Everything it stores goes to the settings file through
// MMLocalSettingManager; nothing is posted.

#include <memory>
#include <string>
#include <vector>

#include "foundation/NotificationCenter.h"
#include "preferences/ListController.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/ScrollView.h"
#include "ui/Switch.h"

class MMRootListController : public preferences::ListController, public ui::ScrollViewDelegate {
 public:
  static std::shared_ptr<MMRootListController> init();
  std::string className() const override { return "MMRootListController"; }

  // First call: observes the status-bar frame change and loads "Root" with
  // this controller as target. Every call: schedules didChangeRotate 0.01 s
  // later.
  const std::vector<preferences::Specifier>& specifiers() override;
  void didChangeRotate();
  void initSubviews();
  void reloadData();

  void rowASwitchChanged(ui::Switch& sender);
  // Off: stores "0" at once. On: asks first (see the alert); nothing is
  // stored until an action is picked.
  void rowBSwitchChanged(ui::Switch& sender);
  void openFonts();
  void scrollViewWillBeginDragging(ui::ScrollView&) override {}
  // The page text colour: follows the appearance (white in dark, black in
  // light) on systems from 13 on; `flag` picks light grey on older ones.
  ui::Color dynamicChangeColor(bool flag) const;
  void respingAction(ui::Control& sender);
  bool isIpad() const;

  // The command the restart alert's "确定" runs ("killall -9 SpringBoard").
  // Tools and tests replace it with a harmless one.
  static const std::string& restartCommand();
  static void setRestartCommand(std::string command);

  const std::shared_ptr<ui::ScrollView>& scroll() const { return scroll_; }
  const std::shared_ptr<ui::Label>& titleLab() const { return titleLab_; }
  const std::shared_ptr<ui::Label>& titleNameLabel() const { return titleNameLabel_; }
  const std::shared_ptr<ui::View>& viewRowA() const { return viewRowA_; }
  const std::shared_ptr<ui::Label>& labelRowA() const { return labelRowA_; }
  const std::shared_ptr<ui::Switch>& switchRowA() const { return switchRowA_; }
  const std::shared_ptr<ui::View>& viewRowB() const { return viewRowB_; }
  const std::shared_ptr<ui::Label>& labelRowB() const { return labelRowB_; }
  const std::shared_ptr<ui::Switch>& switchRowB() const { return switchRowB_; }
  const std::shared_ptr<ui::View>& viewRowC() const { return viewRowC_; }
  const std::shared_ptr<ui::Label>& labelRowC() const { return labelRowC_; }
  const std::shared_ptr<ui::Label>& moreSettingLabel() const { return moreSettingLabel_; }
  const std::shared_ptr<ui::Label>& bottomTipLabel() const { return bottomTipLabel_; }
  // The navigation bar's right item ("注销").
  const std::shared_ptr<ui::Button>& respringButton() const { return respringButton_; }

  MMRootListController() = default;

 private:
  void build();
  std::shared_ptr<ui::View> makeRow(double y, double width);
  void scheduleOnMain(void (MMRootListController::*step)());

  foundation::Observation rotation_;
  bool observing_ = false;
  std::shared_ptr<ui::ScrollView> scroll_;
  std::shared_ptr<ui::Label> titleLab_;
  std::shared_ptr<ui::Label> titleNameLabel_;
  std::shared_ptr<ui::View> viewRowA_;
  std::shared_ptr<ui::Label> labelRowA_;
  std::shared_ptr<ui::Switch> switchRowA_;
  std::shared_ptr<ui::View> viewRowB_;
  std::shared_ptr<ui::Label> labelRowB_;
  std::shared_ptr<ui::Switch> switchRowB_;
  std::shared_ptr<ui::View> viewRowC_;
  std::shared_ptr<ui::Label> labelRowC_;
  std::shared_ptr<ui::Label> moreSettingLabel_;
  std::shared_ptr<ui::Label> bottomTipLabel_;
  std::shared_ptr<ui::Button> respringButton_;
};
