#pragma once
// A row of equally wide segments with titles, one of which may be selected
// (selectedSegmentIndex, noSegment = -1 for none). Lifting the finger on a
// segment other than the selected one selects it and sends ValueChanged;
// lifting it on the selected one sends nothing; setting the index from code
// sends nothing. The selected segment shows as a white pill (a sublayer
// with a soft shadow, which slides to a newly tapped segment) on a light
// grey rounded background; drawRect records the background and separators,
// and the titles into a sublayer above the pill.

#include <optional>
#include <string>
#include <vector>

#include "ui/Control.h"
#include "ui/Font.h"

namespace ui {

class SegmentedControl : public Control {
 public:
  static constexpr long noSegment = -1;

  explicit SegmentedControl(std::vector<std::string> items = {}, Rect frame = {});
  std::string className() const override { return "SegmentedControl"; }

  long numberOfSegments() const { return static_cast<long>(titles_.size()); }
  void insertSegmentWithTitle(const std::string& title, long index, bool animated = false);
  void removeSegmentAtIndex(long index, bool animated = false);
  void removeAllSegments();
  void setTitle(const std::string& title, long segment);
  std::string titleForSegmentAtIndex(long segment) const;  // empty when out of range

  long selectedSegmentIndex() const { return selected_; }
  // Out of range (or noSegment) selects nothing.
  void setSelectedSegmentIndex(long index);

  // The selected pill (default white) and the titles (default black).
  Color selectedSegmentTintColor() const;
  void setSelectedSegmentTintColor(std::optional<Color> color);
  Color titleColor() const;
  void setTitleColor(std::optional<Color> color);
  const Font& font() const { return font_; }
  void setFont(Font font);

  // The segment under `p` (bounds space), or noSegment.
  long segmentAtPoint(Point p) const;
  Rect rectForSegment(long segment) const;

  Size sizeThatFits(Size size) const override;
  void layoutSubviews() override;
  void drawRect(quartz::GraphicsContext& context, Rect rect) override;
  bool beginTracking(const Touch& touch) override;
  void endTracking(const Touch& touch) override;
  void traitCollectionDidChange() override;
  // "selectedSegmentIndex", "segments" (the titles).
  void addDebugFields(DebugFields& fields) const override;

  const std::shared_ptr<quartz::Layer>& selectionLayer() const { return pill_; }

 private:
  void updatePill(bool animated);
  std::vector<std::string> titles_;
  long selected_ = noSegment;
  std::optional<Color> pillTint_;
  std::optional<Color> titleColor_;
  Font font_ = Font::systemFont(13);
  std::shared_ptr<quartz::Layer> pill_;
  std::shared_ptr<quartz::Layer> titlesLayer_;  // above the pill
};

}  // namespace ui
