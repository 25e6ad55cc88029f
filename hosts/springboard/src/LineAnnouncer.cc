#include "LineAnnouncer.h"

#include <ctime>
#include <vector>

#include "ui/Application.h"

namespace springboard {

namespace {

constexpr std::string_view kFloatingWindowClass = "MMLyricSuperWindow";

std::chrono::nanoseconds monotonicNow() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

}  // namespace

std::string floatingWindowText(const ui::View& window) {
  std::string out;
  std::vector<const ui::View*> pending{&window};
  while (!pending.empty()) {
    const ui::View* v = pending.back();
    pending.pop_back();
    if (auto text = v->debugText(); text && !text->empty()) {
      if (!out.empty()) out += '\n';
      out += *text;
    }
    // Depth first, in subview order.
    for (auto it = v->subviews().rbegin(); it != v->subviews().rend(); ++it) pending.push_back(it->get());
  }
  return out;
}

LineAnnouncer::LineAnnouncer(foundation::RunLoop& loop, Announce announce, std::function<void()> settle)
    : announce_(std::move(announce)), settle_(std::move(settle)) {
  observer_ = loop.addTurnObserver([this] { check(); });
}

void LineAnnouncer::check() {
  std::shared_ptr<ui::View> window = window_.lock();
  // The texts cannot differ while no view changed what it draws.
  if (window && ui::View::contentChanges() == checkedAt_) return;
  if (!window) {
    for (ui::Window* w : ui::Application::shared().windows()) {
      if (w->className() == kFloatingWindowClass) {
        window = w->shared_from_this();
        window_ = window;
        break;
      }
    }
    if (!window) return;
  }
  checkedAt_ = ui::View::contentChanges();
  std::string text = floatingWindowText(*window);
  if (text == shown_) return;
  shown_ = std::move(text);
  if (settle_) settle_();
  if (announce_) announce_(shown_, monotonicNow());
}

}  // namespace springboard
