#pragma once
// Outcome of an operation that can fail for expected reasons; carries a
// message naming what was expected and what happened instead.

#include <string>
#include <utility>

namespace foundation {

class [[nodiscard]] Status {
 public:
  static Status success() { return Status(); }
  static Status failure(std::string message) { return Status(std::move(message)); }

  bool ok() const { return ok_; }
  explicit operator bool() const { return ok_; }
  const std::string& message() const { return message_; }

 private:
  Status() = default;
  explicit Status(std::string message) : ok_(false), message_(std::move(message)) {}
  bool ok_ = true;
  std::string message_;
};

}  // namespace foundation
