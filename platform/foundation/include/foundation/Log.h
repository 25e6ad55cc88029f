#pragma once
// Error log lines in the platform's format "[%s: %s:%d] %s: %@", written to
// stderr and kept in a small in-process record that tests can read.

#include <string>
#include <string_view>
#include <vector>

#include "foundation/Value.h"

namespace foundation {

// "[tag: file:line] level: describe(message)"
std::string formatLogLine(std::string_view tag, std::string_view file, int line,
                          std::string_view level, const Value& message);
void logError(std::string_view tag, std::string_view file, int line, std::string_view level,
              const Value& message);

// Lines logged so far in this process (most recent last); clearable for tests.
const std::vector<std::string>& loggedLines();
void clearLoggedLines();

}  // namespace foundation
