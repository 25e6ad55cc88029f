#include "NowPlayingMetadata.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace media::mpris {

namespace {

enum class Kind { Text, TextList, Integer, Microseconds };

struct Field {
  const char* key;    // now-playing dictionary
  const char* field;  // MPRIS metadata
  Kind kind;
};

constexpr Field kFields[] = {
    {"title", "xesam:title", Kind::Text},
    {"artist", "xesam:artist", Kind::TextList},
    {"albumTitle", "xesam:album", Kind::Text},
    {"albumArtist", "xesam:albumArtist", Kind::TextList},
    {"genre", "xesam:genre", Kind::TextList},
    {"composer", "xesam:composer", Kind::TextList},
    {"lyricist", "xesam:lyricist", Kind::TextList},
    {"albumTrackNumber", "xesam:trackNumber", Kind::Integer},
    {"discNumber", "xesam:discNumber", Kind::Integer},
    {"playbackDuration", "mpris:length", Kind::Microseconds},
    {"MPNowPlayingInfoPropertyAssetURL", "xesam:url", Kind::Text},
    {"lyrics", "xesam:asText", Kind::Text},
};

// Texts as they are, numbers as the platform prints them.
std::string textOf(const foundation::Value& value) {
  return value.isText() ? *value.text() : foundation::describe(value);
}

}  // namespace

Metadata toMetadata(const foundation::Dictionary& info, const std::string& trackId,
                    const std::string& artUrl) {
  Metadata metadata;
  metadata["mpris:trackid"] = sdbus::Variant(sdbus::ObjectPath(trackId));
  if (!artUrl.empty()) metadata["mpris:artUrl"] = sdbus::Variant(artUrl);
  const foundation::Value all(info);
  for (const Field& f : kFields) {
    const foundation::Value& value = all[f.key];
    if (value.isNil() || value.isArray() || value.isDictionary() || value.isData()) continue;
    switch (f.kind) {
      case Kind::Text:
        metadata[f.field] = sdbus::Variant(textOf(value));
        break;
      case Kind::TextList:
        metadata[f.field] = sdbus::Variant(std::vector<std::string>{textOf(value)});
        break;
      case Kind::Integer:
        if (value.isNumber()) metadata[f.field] = sdbus::Variant(static_cast<int32_t>(value.integerValue()));
        break;
      case Kind::Microseconds: {
        const double seconds = value.doubleValue();
        if (std::isfinite(seconds) && seconds >= 0 && seconds < 1e12) {
          metadata[f.field] = sdbus::Variant(static_cast<int64_t>(std::llround(seconds * 1e6)));
        }
        break;
      }
    }
  }
  return metadata;
}

foundation::Dictionary fromMetadata(const Metadata& metadata) {
  foundation::Dictionary info;
  for (const Field& f : kFields) {
    auto it = metadata.find(f.field);
    if (it == metadata.end()) continue;
    const sdbus::Variant& v = it->second;
    try {
      if (v.containsValueOfType<std::string>()) {
        info[f.key] = foundation::Value(v.get<std::string>());
      } else if (v.containsValueOfType<std::vector<std::string>>()) {
        std::string joined;
        for (const std::string& item : v.get<std::vector<std::string>>()) {
          joined += joined.empty() ? item : ", " + item;
        }
        info[f.key] = foundation::Value(joined);
      } else if (v.containsValueOfType<int32_t>()) {
        info[f.key] = foundation::Value(static_cast<long long>(v.get<int32_t>()));
      } else if (v.containsValueOfType<int64_t>()) {
        const int64_t n = v.get<int64_t>();
        if (f.kind == Kind::Microseconds) {
          if (n % 1000000 == 0) {
            info[f.key] = foundation::Value(static_cast<long long>(n / 1000000));
          } else {
            info[f.key] = foundation::Value(static_cast<double>(n) / 1e6);
          }
        } else {
          info[f.key] = foundation::Value(static_cast<long long>(n));
        }
      } else if (v.containsValueOfType<uint64_t>() && f.kind == Kind::Microseconds) {
        info[f.key] = foundation::Value(static_cast<double>(v.get<uint64_t>()) / 1e6);
      }
    } catch (const sdbus::Error&) {
      // A value that does not read as its type is left out.
    }
  }
  return info;
}

}  // namespace media::mpris
