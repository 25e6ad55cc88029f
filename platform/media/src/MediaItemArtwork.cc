#include "media/MediaItemArtwork.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace media {

namespace {

// Live artworks by description; entries go with their artwork.
std::map<std::string, std::weak_ptr<MediaItemArtwork>>& registry() {
  static auto* artworks = new std::map<std::string, std::weak_ptr<MediaItemArtwork>>();
  return *artworks;
}

}  // namespace

MediaItemArtwork::MediaItemArtwork(foundation::Data image) : image_(std::move(image)) {
  char text[64];
  std::snprintf(text, sizeof text, "<MPMediaItemArtwork: %p>", static_cast<const void*>(this));
  description_ = text;
}

MediaItemArtwork::~MediaItemArtwork() { registry().erase(description_); }

std::shared_ptr<MediaItemArtwork> MediaItemArtwork::initWithImage(foundation::Data encodedImage) {
  std::shared_ptr<MediaItemArtwork> artwork(new MediaItemArtwork(std::move(encodedImage)));
  registry()[artwork->description_] = artwork;
  return artwork;
}

std::string MediaItemArtwork::fileExtension() const {
  static constexpr unsigned char kPng[] = {0x89, 'P', 'N', 'G'};
  if (image_.size() >= 4 && std::equal(kPng, kPng + 4, image_.begin())) return "png";
  if (image_.size() >= 3 && image_[0] == 0xff && image_[1] == 0xd8 && image_[2] == 0xff) return "jpg";
  return "img";
}

std::shared_ptr<MediaItemArtwork> MediaItemArtwork::forValue(const foundation::Value& value) {
  const std::string* text = value.text();
  if (text == nullptr) return nullptr;
  auto it = registry().find(*text);
  return it == registry().end() ? nullptr : it->second.lock();
}

}  // namespace media
