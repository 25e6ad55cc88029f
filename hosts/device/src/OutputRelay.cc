#include "OutputRelay.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace device {

namespace {

// A line longer than this reaches stderr in pieces rather than being held.
constexpr std::size_t kMaxHeldLine = 4096;
// Bytes read in one turn, so one chatty child cannot starve the loop.
constexpr std::size_t kMaxReadPerTurn = 256 * 1024;

}  // namespace

void writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty() && fd >= 0) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

LogFile::LogFile(const std::string& path)
    : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)) {}

LogFile::~LogFile() {
  if (fd_ >= 0) ::close(fd_);
}

void LogFile::append(std::string_view bytes) { writeAll(fd_, bytes); }

OutputRelay::OutputRelay(foundation::RunLoop& loop, int readFd, std::shared_ptr<LogFile> log,
                         int echoFd, std::string prefix, std::function<void()> onClosed)
    : fd_(readFd),
      log_(std::move(log)),
      echoFd_(echoFd),
      prefix_(std::move(prefix)),
      onClosed_(std::move(onClosed)) {
  source_ = loop.addFileDescriptor(fd_, [this] { readAvailable(); });
}

OutputRelay::~OutputRelay() {
  source_.reset();
  if (fd_ >= 0) ::close(fd_);
}

void OutputRelay::readAvailable() {
  char buffer[16384];
  std::size_t total = 0;
  while (total < kMaxReadPerTurn) {
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (n <= 0) {
      echoLines(true);
      source_.reset();
      ::close(fd_);
      fd_ = -1;
      // Last: the owner may destroy this relay.
      if (auto closed = std::move(onClosed_)) closed();
      return;
    }
    const std::string_view bytes(buffer, static_cast<std::size_t>(n));
    total += bytes.size();
    if (log_) log_->append(bytes);
    partial_.append(bytes);
    echoLines(false);
  }
}

void OutputRelay::echoLines(bool flushPartial) {
  std::string out;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = partial_.find('\n', start);
    if (end == std::string::npos) break;
    out += prefix_;
    out.append(partial_, start, end + 1 - start);
    start = end + 1;
  }
  partial_.erase(0, start);
  if (!partial_.empty() && (flushPartial || partial_.size() >= kMaxHeldLine)) {
    out += prefix_ + partial_ + "\n";
    partial_.clear();
  }
  writeAll(echoFd_, out);
}

}  // namespace device
