#pragma once
// A top-level view placed on the screen: its frame is in screen coordinates.
// Windows are hidden until shown (setHidden(false) or makeKeyAndVisible);
// every live window is in the application's window list, ordered by level,
// then by the order in which they were last shown. Displays draw the visible
// windows in that order, back to front.

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/View.h"

namespace ui {

class ViewController;

namespace WindowLevel {
inline constexpr double normal = 0;
inline constexpr double statusBar = 1000;
inline constexpr double alert = 2000;
}  // namespace WindowLevel

class Window : public View {
 public:
  explicit Window(Rect frame = {});
  ~Window() override;
  std::string className() const override { return "Window"; }

  double windowLevel() const { return level_; }
  void setWindowLevel(double level);
  void makeKeyAndVisible();
  void makeKeyWindow();
  bool isKeyWindow() const;
  void setHidden(bool hidden) override;
  // Grows each time the window is shown; orders windows of equal level.
  std::uint64_t orderStamp() const { return orderStamp_; }

  // The controller whose view fills the window (held strongly); its view
  // follows the window's size, as do the views of presented controllers.
  const std::shared_ptr<ViewController>& rootViewController() const { return root_; }
  void setRootViewController(std::shared_ptr<ViewController> controller);
  void layoutSubviews() override;

 private:
  double level_ = WindowLevel::normal;
  std::uint64_t orderStamp_ = 0;
  std::uint64_t creationStamp_ = 0;
  std::shared_ptr<ViewController> root_;
  // Views kept at the window's bounds while they are its subviews
  // (presented controllers' views).
  std::vector<std::weak_ptr<View>> fullWindow_;
  friend class ViewController;
  friend class Application;
};

}  // namespace ui
