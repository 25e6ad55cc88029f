#include "prefs/MMRootListController.h"

#include <cstdlib>

#include "foundation/RunLoop.h"
#include "foundation/Text.h"
#include "prefs/FontsVC.h"
#include "prefs/RunCmd.h"
#include "settings/MMLocalSettingManager.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"
#include "ui/AlertController.h"
#include "ui/Application.h"
#include "ui/Device.h"
#include "ui/GestureRecognizer.h"
#include "ui/NavigationController.h"

namespace {

constexpr double kRebuildDelay = 0.01;
constexpr double kRowHeight = 50;

std::string& restartCommandStorage() {
  static std::string* command = new std::string("killall -9 SpringBoard");
  return *command;
}

bool systemVersionAtLeast13() {
  return std::atoi(ui::Device::current().systemVersion().c_str()) >= 13;
}

std::shared_ptr<ui::Label> makeLabel(const ui::Rect& frame, double size, const ui::Color& color, std::string text) {
  auto label = std::make_shared<ui::Label>(frame);
  label->setFont(ui::Font::systemFont(size));
  label->setTextColor(color);
  label->setText(std::move(text));
  return label;
}

void store(std::string_view key, bool on) {
  MMLocalSettingManager::shared().saveValue(foundation::Value(foundation::format("%d", on ? 1 : 0)),
                                            foundation::Value(key));
}

}  // namespace

std::shared_ptr<MMRootListController> MMRootListController::init() { return std::make_shared<MMRootListController>(); }

const std::string& MMRootListController::restartCommand() { return restartCommandStorage(); }
void MMRootListController::setRestartCommand(std::string command) { restartCommandStorage() = std::move(command); }

void MMRootListController::scheduleOnMain(void (MMRootListController::*step)()) {
  std::weak_ptr<ViewController> weak = weak_from_this();
  foundation::RunLoop::main().dispatchAfter(kRebuildDelay, [weak, step] {
    if (auto self = std::static_pointer_cast<MMRootListController>(weak.lock())) ((*self).*step)();
  });
}

const std::vector<preferences::Specifier>& MMRootListController::specifiers() {
  if (!heldSpecifiers()) {
    if (!observing_) {
      observing_ = true;
      std::weak_ptr<ViewController> weak = weak_from_this();
      rotation_ = foundation::NotificationCenter::defaultCenter().addObserver(
          ui::kDidChangeStatusBarFrameNotification, [weak](const foundation::Notification&) {
            if (auto self = std::static_pointer_cast<MMRootListController>(weak.lock())) self->didChangeRotate();
          });
    }
    setHeldSpecifiers(loadSpecifiersFromPlistName("Root", this));
  }
  scheduleOnMain(&MMRootListController::didChangeRotate);
  return *heldSpecifiers();
}

void MMRootListController::didChangeRotate() {
  const std::shared_ptr<ui::View>& main = view();
  while (!main->subviews().empty()) main->subviews().back()->removeFromSuperview();
  scheduleOnMain(&MMRootListController::build);
}

void MMRootListController::build() {
  initSubviews();
  reloadData();
}

bool MMRootListController::isIpad() const {
  return ui::Device::current().userInterfaceIdiom() == ui::UserInterfaceIdiom::Pad;
}

ui::Color MMRootListController::dynamicChangeColor(bool flag) const {
  if (systemVersionAtLeast13()) {
    return ui::Color::colorWithDynamicProvider([](ui::UserInterfaceStyle style) {
      return style == ui::UserInterfaceStyle::Dark ? ui::Color::whiteColor() : ui::Color::blackColor();
    });
  }
  return flag ? ui::Color::colorWithWhite(220 / 255.0, 1) : ui::Color::blackColor();
}

std::shared_ptr<ui::View> MMRootListController::makeRow(double y, double width) {
  auto row = std::make_shared<ui::View>(ui::Rect(isIpad() ? 40 : 20, y, width, kRowHeight));
  row->setBackgroundColor(ui::Color::colorWithRed(1, 237 / 255.0, 222 / 255.0, 0.2));
  quartz::Layer& layer = *row->layer();
  layer.setCornerRadius(10);
  layer.setBorderWidth(0.2);
  layer.setBorderColor(dynamicChangeColor(false).cgColor());
  return row;
}

void MMRootListController::initSubviews() {
  const std::shared_ptr<ui::View>& main = view();
  const double e = main->bounds().width();
  const double m = isIpad() ? 40 : 20;
  const double rowWidth = e - 2 * m;
  const ui::Color text = dynamicChangeColor(false);

  scroll_ = std::make_shared<ui::ScrollView>(ui::Rect(0, 0, e, main->bounds().height()));
  scroll_->setAlwaysBounceVertical(true);
  scroll_->setDelegate(this);
  main->addSubview(scroll_);

  titleLab_ = makeLabel(ui::Rect(0, 20, e, 40), 30, text, "HoverlyraXI");
  titleLab_->setTextAlignment(ui::TextAlignment::Center);
  scroll_->addSubview(titleLab_);
  titleNameLabel_ = makeLabel(ui::Rect(0, titleLab_->frame().maxY(), e, 30), 14, text, "悬浮歌词，随歌而动");
  titleNameLabel_->setTextAlignment(ui::TextAlignment::Center);
  scroll_->addSubview(titleNameLabel_);

  viewRowA_ = makeRow(titleNameLabel_->frame().maxY() + 10, rowWidth);
  scroll_->addSubview(viewRowA_);
  labelRowA_ = makeLabel(ui::Rect(10, 10, rowWidth / 2, 30), 14, text, "启用");
  viewRowA_->addSubview(labelRowA_);
  switchRowA_ = std::make_shared<ui::Switch>(ui::Rect(rowWidth - 70, 10, 60, 30));
  switchRowA_->addTarget(this, &MMRootListController::rowASwitchChanged, ui::ControlEvent::ValueChanged);
  viewRowA_->addSubview(switchRowA_);

  viewRowB_ = makeRow(viewRowA_->frame().maxY() + 10, rowWidth);
  scroll_->addSubview(viewRowB_);
  labelRowB_ = makeLabel(ui::Rect(10, 10, rowWidth / 2, 30), 14, text, "关闭用户交互");
  viewRowB_->addSubview(labelRowB_);
  switchRowB_ = std::make_shared<ui::Switch>(ui::Rect(rowWidth - 70, 10, 60, 30));
  switchRowB_->addTarget(this, &MMRootListController::rowBSwitchChanged, ui::ControlEvent::ValueChanged);
  viewRowB_->addSubview(switchRowB_);

  viewRowC_ = makeRow(viewRowB_->frame().maxY() + 10, rowWidth);
  viewRowC_->setUserInteractionEnabled(true);
  std::weak_ptr<ViewController> weak = weak_from_this();
  viewRowC_->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>([weak](ui::GestureRecognizer& tap) {
    if (tap.state() != ui::GestureRecognizerState::Ended) return;
    if (auto self = std::static_pointer_cast<MMRootListController>(weak.lock())) self->openFonts();
  }));
  scroll_->addSubview(viewRowC_);
  labelRowC_ = makeLabel(ui::Rect(10, 10, rowWidth / 2, 30), 14, text, "更改字体");
  viewRowC_->addSubview(labelRowC_);

  moreSettingLabel_ = makeLabel(ui::Rect(20, viewRowC_->frame().maxY() + 10, e - 40, 50), 14,
                                ui::Color::colorWithRed(216 / 255.0, 104 / 255.0, 81 / 255.0, 1),
                                "播放音乐后，点击悬浮窗进入歌词相关设置界面(大小、颜色、动画等)");
  moreSettingLabel_->setNumberOfLines(0);
  scroll_->addSubview(moreSettingLabel_);
  bottomTipLabel_ = makeLabel(ui::Rect(20, moreSettingLabel_->frame().maxY() + 10, e - 40, 220), 12,
                              ui::Color::colorWithRed(1, 0.2, 0.2, 1),
                              "注意:\n1、app内部，悬浮窗点击事件不可穿透，建议悬浮窗放在不影响操作的位置");
  bottomTipLabel_->setNumberOfLines(0);
  scroll_->addSubview(bottomTipLabel_);
  scroll_->setContentSize({e, bottomTipLabel_->frame().maxY() + 10});

  navigationItem().setTitle("HoverlyraXI");
  respringButton_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
  respringButton_->setFrame(ui::Rect(0, 0, 50, 40));
  respringButton_->setTitle("注销", ui::ControlState::Normal);
  respringButton_->titleLabel()->setFont(ui::Font::systemFont(16));
  respringButton_->setTitleColor(ui::Color::colorWithRed(16 / 255.0, 126 / 255.0, 251 / 255.0, 1),
                                 ui::ControlState::Normal);
  respringButton_->addTarget(this, &MMRootListController::respingAction, ui::ControlEvent::TouchUpInside);
  navigationItem().setRightBarButtonItem(respringButton_);
}

void MMRootListController::reloadData() {
  if (switchRowA_) switchRowA_->setOn(fileSettingBool(SettingKey::ROWA_SWI));
  if (switchRowB_) switchRowB_->setOn(fileSettingBool(SettingKey::ROWB_SWI));
}

void MMRootListController::rowASwitchChanged(ui::Switch& sender) { store(SettingKey::ROWA_SWI, sender.isOn()); }

void MMRootListController::rowBSwitchChanged(ui::Switch& sender) {
  if (!sender.isOn()) {
    store(SettingKey::ROWB_SWI, false);
    return;
  }
  auto alert = ui::AlertController::alertControllerWithTitle("⚠️", "打开此开关，悬浮窗将不可点击，不可拖动！",
                                                             ui::AlertControllerStyle::Alert);
  // The actions store the state of the switch that asked. A rotation may
  // have rebuilt the page meanwhile (its new switch read the store before
  // anything was stored): the page's current switch shows the result too.
  std::shared_ptr<ui::Switch> sw = std::static_pointer_cast<ui::Switch>(sender.shared_from_this());
  std::weak_ptr<ViewController> weak = weak_from_this();
  auto show = [weak](bool on) {
    auto self = std::static_pointer_cast<MMRootListController>(weak.lock());
    if (self && self->switchRowB_) self->switchRowB_->setOn(on, true);
  };
  alert->addAction(ui::AlertAction::actionWithTitle("朕知道了", ui::AlertActionStyle::Default,
                                                    [sw, show](ui::AlertAction&) {
                                                      store(SettingKey::ROWB_SWI, sw->isOn());
                                                      show(sw->isOn());
                                                    }));
  alert->addAction(ui::AlertAction::actionWithTitle("取消", ui::AlertActionStyle::Default, [sw, show](ui::AlertAction&) {
    store(SettingKey::ROWB_SWI, false);
    sw->setOn(false, true);
    show(false);
  }));
  presentViewController(alert, true);
}

void MMRootListController::openFonts() {
  if (ui::NavigationController* nav = navigationController()) nav->pushViewController(FontsVC::init(), true);
}

void MMRootListController::respingAction(ui::Control&) {
  auto alert = ui::AlertController::alertControllerWithTitle("注销设备", "", ui::AlertControllerStyle::Alert);
  alert->addAction(ui::AlertAction::actionWithTitle("确定", ui::AlertActionStyle::Default,
                                                    [](ui::AlertAction&) { run_cmd(restartCommand().c_str()); }));
  alert->addAction(ui::AlertAction::actionWithTitle("取消", ui::AlertActionStyle::Cancel, nullptr));
  presentViewController(alert, true);
}
