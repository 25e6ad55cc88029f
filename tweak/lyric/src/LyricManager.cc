#include "lyric/LyricManager.h"

#include <string.h>

#include "foundation/PropertyList.h"
#include "foundation/Text.h"
#include "media/AudioSession.h"

namespace {

enum class App { None, Kuwo, NetEase, QQMusic, Kugou, Migu, Desktop };

App appForBundle(const std::string* bundleId) {
  if (bundleId == nullptr) return App::None;
  const std::string_view id = *bundleId;
  // A desktop player's name never holds a dot, so no desktop identifier can
  // also name one of the five apps; it is asked first all the same.
  if (id.size() > MusicAppBundle::DesktopPrefix.size() && id.starts_with(MusicAppBundle::DesktopPrefix)) {
    return App::Desktop;
  }
  if (id == MusicAppBundle::Kuwo) return App::Kuwo;
  if (id == MusicAppBundle::NetEase) return App::NetEase;
  if (id == MusicAppBundle::QQMusic) return App::QQMusic;
  if (id.find(MusicAppBundle::KugouPrefix) != std::string_view::npos) return App::Kugou;
  if (id == MusicAppBundle::Migu) return App::Migu;
  return App::None;
}

std::string_view fallbackText(App app) {
  switch (app) {
    case App::Kuwo: return "酷我音乐";
    case App::NetEase: return "网易云音乐";
    case App::QQMusic: return "QQ音乐";
    case App::Kugou: return "酷狗音乐";
    case App::Migu: return "咪咕音乐";
    case App::Desktop:
    case App::None: break;
  }
  return "";
}

// One piece scan: split at `separator`; every piece that contains `marker`
// and is at least `minLength` UTF-16 units long sets the result to its
// units [start, length - trim); the last such piece wins.
//
// With `unquotedWhole`, a piece whose text after the marker does not begin
// with a double quote is a one-word value the text form wrote without
// quotes; the result is then that text whole, since the offsets assume the
// quotes around it.
struct PieceRule {
  char separator;
  std::string_view marker;
  std::size_t minLength;
  std::size_t start;
  std::size_t trim;
  bool unquotedWhole = false;
};

// Position of the first `needle` in `text` at or after `from`, or npos.
// glibc's memmem is far quicker than a first-character scan on texts where
// the needle's first letter is common.
std::size_t findFrom(std::string_view text, std::string_view needle, std::size_t from) {
  if (from > text.size()) return std::string_view::npos;
  const void* hit = ::memmem(text.data() + from, text.size() - from, needle.data(), needle.size());
  return hit == nullptr ? std::string_view::npos
                        : static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
}

std::string scanPieces(std::string_view text, const PieceRule& rule) {
  std::string_view match;
  std::size_t matchLength = 0;  // UTF-16 units of `match`
  std::string_view wholeAfter;
  bool found = false;
  bool whole = false;

  // Only pieces that hold the marker matter: find each marker, then the
  // piece around it, and go on after that piece.
  std::size_t pieceStart = 0;  // start of the piece the search is in
  for (;;) {
    const std::size_t at = findFrom(text, rule.marker, pieceStart);
    if (at == std::string_view::npos) break;
    const std::size_t lastSeparator = text.substr(pieceStart, at - pieceStart).rfind(rule.separator);
    if (lastSeparator != std::string_view::npos) pieceStart += lastSeparator + 1;
    std::size_t pieceEnd = text.find(rule.separator, at + rule.marker.size());
    if (pieceEnd == std::string_view::npos) pieceEnd = text.size();
    const std::string_view piece = text.substr(pieceStart, pieceEnd - pieceStart);
    const std::size_t markerAt = at - pieceStart;  // the piece's first marker
    pieceStart = pieceEnd + 1;

    if (rule.unquotedWhole) {
      const std::string_view after = piece.substr(markerAt + rule.marker.size());
      if (after.empty() || after.front() != '"') {
        found = whole = true;
        wholeAfter = after;
        continue;
      }
    }
    // A UTF-8 piece has at least as many bytes as UTF-16 units, so a short
    // piece is rejected without counting.
    if (piece.size() < rule.minLength) continue;
    const std::size_t length = foundation::utf16Length(piece);
    if (length < rule.minLength) continue;
    found = true;
    whole = false;
    match = piece;
    matchLength = length;
  }
  if (!found) return {};
  if (whole) return std::string(wholeAfter);
  return foundation::utf16Substring(match, rule.start, matchLength - rule.trim);
}

// Kugou: the last piece between commas that contains `marker`, from UTF-16
// index `start` to its end. Pieces shorter than `start` do not count.
std::string scanKugou(std::string_view text, std::string_view marker, std::size_t start) {
  std::string result;
  for (const std::string_view piece : foundation::split(text, ",")) {
    if (piece.find(marker) == std::string_view::npos || piece.size() < start) continue;
    const std::size_t length = foundation::utf16Length(piece);
    if (length < start) continue;
    result = foundation::utf16Substring(piece, start, length - start);
  }
  return result;
}

std::string removeBraces(std::string text) {
  std::erase(text, '{');
  std::erase(text, '}');
  return text;
}

// The value of the top-level entry `key` in the text form of a dictionary
// ("{\n    key = value;\n...}"). The form writes raw line feeds only between
// entries, with four spaces before a top-level key and more before nested
// ones, so "\n    key = " can only be a top-level entry. The value is either
// an old-style quoted string, decoded with its escapes, or an unquoted word
// (plain words and numbers are written bare). No value when the entry is
// missing or not in that shape.
std::optional<std::string> describedValue(std::string_view text, std::string_view key) {
  std::string marker = "\n    ";
  marker += key;
  marker += " = ";
  const std::size_t at = findFrom(text, marker, 0);
  if (at == std::string_view::npos) return std::nullopt;
  const std::string_view value = text.substr(at + marker.size());
  if (value.starts_with('"')) {
    std::size_t end = 1;
    while (end < value.size() && value[end] != '"') end += value[end] == '\\' ? 2 : 1;
    if (end >= value.size() || end + 1 >= value.size() || value[end + 1] != ';') return std::nullopt;
    return foundation::parseOldStyleQuotedString(value.substr(0, end + 1));
  }
  const std::size_t end = value.find(';');
  if (end == 0 || end == std::string_view::npos) return std::nullopt;
  const std::string_view word = value.substr(0, end);
  for (const char c : word) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                       c == '.' || c == '-' || c == '+';
    if (!plain) return std::nullopt;
  }
  return std::string(word);
}

bool hasKey(const foundation::Value& dic, std::string_view key) {
  const foundation::Dictionary* d = dic.dictionary();
  return d != nullptr && d->find(key) != d->end();
}

std::string_view textOf(const foundation::Value& value) {
  const std::string* text = value.text();
  return text != nullptr ? std::string_view(*text) : std::string_view();
}

}  // namespace

LyricManager& LyricManager::shareManager() {
  static LyricManager* const manager = new LyricManager();
  return *manager;
}

std::optional<std::string> LyricManager::dicToLyric(const foundation::Value& dic) {
  lyricInfoDic_ = dic;
  return lyricFromStoredDictionary();
}

std::optional<std::string> LyricManager::dicToLyric(foundation::Value&& dic) {
  lyricInfoDic_ = std::move(dic);
  return lyricFromStoredDictionary();
}

std::optional<std::string> LyricManager::lyricFromStoredDictionary() {
  const bool wireless = isBleToothOutput();
  if (!hasKey(lyricInfoDic_, "lyric")) return std::string();

  const std::string_view text = textOf(lyricInfoDic_["lyric"]);
  const foundation::Value& bundleId = lyricInfoDic_["bundleId"];
  musicAppIdentifier_ = bundleId.text() != nullptr ? std::optional<std::string>(*bundleId.text())
                                                   : std::nullopt;

  const App app = appForBundle(bundleId.text());
  std::string result;
  switch (app) {
    case App::Kuwo:
      result = wireless ? scanPieces(text, {';', "title = ", 11, 10, 10})
                        : scanPieces(text, {';', "artist = ", 13, 12, 12});
      break;
    case App::NetEase:
      result = wireless ? scanPieces(text, {';', "title = ", 16, 14, 15, true})
                        : scanPieces(text, {';', "albumTitle = ", 21, 19, 20, true});
      break;
    case App::QQMusic:
      result = wireless ? scanPieces(text, {';', "title = ", 16, 14, 15, true})
                        : scanPieces(text, {';', "artist = ", 17, 15, 16, true});
      break;
    case App::Kugou:
      if (foundation::contains(text, "lyrics = ") && foundation::contains(text, "albumTitle")) {
        result = removeBraces(scanKugou(text, "lyrics = ", 11));
      }
      break;
    case App::Migu:
      result = scanPieces(text, {',', "artist", 16, 15, 16});
      break;
    case App::Desktop: {
      // The bridge's own format, decoded whole: no cutting, no second
      // decoding. An empty line is a line (a pause), not a missing one.
      std::optional<std::string> line = describedValue(text, "lyricLine");
      if (!line) return bundleId.text()->substr(MusicAppBundle::DesktopPrefix.size());
      return line;
    }
    case App::None:
      return replaceUnicode("");
  }
  if (result.empty()) result = fallbackText(app);
  return replaceUnicode(result);
}

std::optional<std::string> LyricManager::getSongName() const {
  if (!lyricInfoDic_.isDictionary()) return std::string();
  const bool wireless = isBleToothOutput();
  if (!hasKey(lyricInfoDic_, "lyric")) return std::string();

  const std::string_view text = textOf(lyricInfoDic_["lyric"]);
  std::string result;
  switch (appForBundle(lyricInfoDic_["bundleId"].text())) {
    case App::Kuwo:
      result = scanPieces(text, {';', "title = ", 11, 10, 10});
      break;
    case App::NetEase:
      result = wireless ? scanPieces(text, {';', "albumTitle = ", 21, 19, 20, true})
                        : scanPieces(text, {';', "title = ", 16, 14, 15, true});
      break;
    case App::QQMusic:
      result = wireless ? scanPieces(text, {';', "artist = ", 17, 15, 16, true})
                        : scanPieces(text, {';', "title = ", 16, 14, 15, true});
      break;
    case App::Kugou:
      if (foundation::contains(text, "lyrics = ") && foundation::contains(text, "title = ")) {
        result = scanKugou(text, "title = ", 10);
      }
      break;
    case App::Migu:
      result = scanPieces(text, {',', "title", 15, 12, 13});
      break;
    case App::Desktop:
      return describedValue(text, "title").value_or("");
    case App::None:
      break;
  }
  return replaceUnicode(result);
}

std::optional<std::string> LyricManager::replaceUnicode(std::string_view text) const {
  // One pass over the text: every backslash-u becomes backslash-U, and the result is put
  // in double quotes for the old-style reader. A double quote that the text
  // form already escaped (an odd run of backslashes before it) stays as it
  // is; escaping it again would end the string early and lose the line.
  std::string quoted(text.size() * 2 + 2, '\0');
  char* out = quoted.data();
  *out++ = '"';
  std::size_t backslashes = 0;
  for (const char c : text) {
    if (c == '"' && backslashes % 2 == 0) *out++ = '\\';
    *out++ = c == 'u' && backslashes > 0 ? 'U' : c;
    backslashes = c == '\\' ? backslashes + 1 : 0;
  }
  *out++ = '"';
  quoted.resize(static_cast<std::size_t>(out - quoted.data()));

  std::optional<std::string> parsed = foundation::parseOldStyleQuotedString(quoted);
  if (!parsed) return std::nullopt;
  // The four characters \r\n left after decoding stand for one line feed.
  if (parsed->find("\\r\\n") != std::string::npos) return foundation::replaceAll(*parsed, "\\r\\n", "\n");
  return parsed;
}

bool LyricManager::isMusicAppWithString(std::string_view text) const {
  using namespace std::string_view_literals;
  for (const std::string_view app : {"com.yeelion.kwplayer"sv, "com.netease.cloudmusic"sv, "com.tencent.QQMusic"sv,
                                     "com.kugou"sv, "com.migu"sv, MusicAppBundle::DesktopPrefix}) {
    if (foundation::contains(text, app)) return true;
  }
  return false;
}

bool LyricManager::isBleToothOutput() const {
  const auto& outputs = media::AudioSession::sharedInstance().currentRoute().outputs;
  if (outputs.empty()) return false;
  const std::string& portType = outputs.front().portType;
  return portType == media::AudioSessionPortBluetoothA2DP || portType == media::AudioSessionPortAirPlay;
}
