#include "ui/ImageView.h"

namespace ui {

ImageView::ImageView(Rect frame) : View(frame) { setUserInteractionEnabled(false); }

ImageView::ImageView(std::shared_ptr<const Image> image)
    : View(image ? Rect(Point{}, image->size()) : Rect()) {
  setUserInteractionEnabled(false);
  setImage(std::move(image));
}

void ImageView::setImage(std::shared_ptr<const Image> image) { layer()->setContents(std::move(image)); }

Size ImageView::sizeThatFits(Size) const { return image() ? image()->size() : Size{}; }

}  // namespace ui
