#pragma once
// A view that shows a shared image as its layer's contents, placed by its
// content mode (default scale-to-fill). Tiles of one picture share the image
// and each selects its part through layer()->setContentsRect. Image views
// take no touches by default.

#include <memory>

#include "quartz/Image.h"
#include "ui/View.h"

namespace ui {

using Image = quartz::Image;

class ImageView : public View {
 public:
  explicit ImageView(Rect frame = {});
  // Sized to the image (in points), as the platform does.
  explicit ImageView(std::shared_ptr<const Image> image);
  std::string className() const override { return "ImageView"; }

  const std::shared_ptr<const Image>& image() const { return layer()->contents(); }
  void setImage(std::shared_ptr<const Image> image);
  Size sizeThatFits(Size size) const override;
};

}  // namespace ui
