#pragma once
// A WAV file of silence carrying a title in its RIFF INFO list (INAM), which
// players publish as the track's title: how tests give a real player a line.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace testsupport {

inline void writeSilentWav(const std::filesystem::path& path, const std::string& title, int seconds) {
  const std::uint32_t rate = 8000;
  std::string name = title + '\0';
  if (name.size() % 2 != 0) name += '\0';
  auto u32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                       static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
  };
  auto u16 = [](std::uint16_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; };
  const std::string fmt = "fmt " + u32(16) + u16(1) + u16(1) + u32(rate) + u32(rate) + u16(1) + u16(8);
  const std::string info = "INFO" + std::string("INAM") + u32(static_cast<std::uint32_t>(title.size() + 1)) + name;
  const std::string list = "LIST" + u32(static_cast<std::uint32_t>(info.size())) + info;
  const std::uint32_t samples = rate * static_cast<std::uint32_t>(seconds);
  const std::string data = "data" + u32(samples) + std::string(samples, static_cast<char>(0x80));
  const std::string body = "WAVE" + fmt + list + data;
  std::ofstream out(path, std::ios::binary);
  out << "RIFF" << u32(static_cast<std::uint32_t>(body.size())) << body;
}

}  // namespace testsupport
