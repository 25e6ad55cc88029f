#pragma once
// Timed lyrics in the LRC form: "[mm:ss.xx]text" lines, several stamps on one
// line for a repeated line, "[offset:±ms]" moving every stamp, and the
// metadata tags ti, ar and al. A stamp with no text after it is a pause: the
// line shown becomes empty until the next stamp.
//
// Parsing never fails: a line without a valid stamp or known tag is skipped,
// so a damaged file loses only its damaged lines. Lines are sorted by time,
// and lines with the same time keep their order in the file.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace musicapp {

struct LrcLine {
  double time = 0;  // seconds from the start of the song, offset applied
  std::string text;  // trimmed; empty for a pause
  bool operator==(const LrcLine&) const = default;
};

struct Lrc {
  std::string title;   // [ti:]
  std::string artist;  // [ar:]
  std::string album;   // [al:]
  // Seconds every stamp was moved earlier by "[offset:]" (positive offsets
  // show lines sooner); stamps that would fall before 0 are at 0.
  double offset = 0;
  std::vector<LrcLine> lines;

  static Lrc parse(std::string_view text);

  // The line showing at `time`: the last whose time is not after it; none
  // before the first line. Of lines with the same time the last one shows.
  std::optional<std::size_t> lineIndexAt(double time) const;
  // The first time after `time` at which another line starts; none after
  // the last line.
  std::optional<double> nextLineTimeAfter(double time) const;
};

}  // namespace musicapp
