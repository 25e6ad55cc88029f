#pragma once
// Waiting on other processes without a fixed sleep: a condition checked
// every 10 ms until it holds or a deadline passes; and a whole file read.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

namespace testsupport {

// Checks `done` every 10 ms until it holds; false after `seconds`.
inline bool eventually(const std::function<bool()>& done, double seconds = 10.0) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// The file's bytes; empty when it cannot be read.
inline std::string slurpFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace testsupport
