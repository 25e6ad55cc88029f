#pragma once
// Cover artwork of a now-playing item, after the platform's media item
// artwork: the encoded image (PNG or JPEG bytes) as the app gave it,
// immutable and shared. A now-playing dictionary holds it as the text
// value() ("<MPMediaItemArtwork: 0x…>", which is how the platform prints an
// artwork in a dictionary); forValue() finds the artwork again while it is
// alive, which is how the info centre publishes the image.

#include <memory>
#include <string>

#include "foundation/Value.h"

namespace media {

class MediaItemArtwork {
 public:
  static std::shared_ptr<MediaItemArtwork> initWithImage(foundation::Data encodedImage);
  ~MediaItemArtwork();
  MediaItemArtwork(const MediaItemArtwork&) = delete;
  MediaItemArtwork& operator=(const MediaItemArtwork&) = delete;

  const foundation::Data& imageData() const { return image_; }
  // "png", "jpg", or "img" when the bytes are neither.
  std::string fileExtension() const;
  const std::string& description() const { return description_; }
  foundation::Value value() const { return foundation::Value(description_); }

  // The live artwork a dictionary value stands for; nothing for any other
  // value. Main thread only.
  static std::shared_ptr<MediaItemArtwork> forValue(const foundation::Value& value);

 private:
  explicit MediaItemArtwork(foundation::Data image);
  foundation::Data image_;
  std::string description_;
};

}  // namespace media
