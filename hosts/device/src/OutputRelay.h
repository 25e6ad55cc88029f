#pragma once
// Carries what one child writes (stdout and stderr share a pipe) to the
// child's log file as it is, and to the supervisor's stderr a line at a time
// with the child's name and pid in front, so lines of different processes
// never interleave mid-line. Read on the run loop; the relay closes itself at
// end of file (the child and everything it started closed the pipe).

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>

#include "foundation/RunLoop.h"

namespace device {

// An append-only log file, shared by the relays of one process name (a
// restarted SpringBoard keeps writing to SpringBoard.log).
class LogFile {
 public:
  // Opens (creating) the file for appending; an unopenable file is logged
  // nowhere and its lines still reach stderr.
  explicit LogFile(const std::string& path);
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;
  bool isOpen() const { return fd_ >= 0; }
  void append(std::string_view bytes);

 private:
  int fd_ = -1;
};

// Writes all of `bytes` to `fd`, retrying short writes and interruptions;
// gives up on other errors.
void writeAll(int fd, std::string_view bytes);

class OutputRelay {
 public:
  // Takes ownership of `readFd` (non-blocking). `onClosed` runs once, on the
  // loop, after end of file; the relay may be destroyed from it.
  OutputRelay(foundation::RunLoop& loop, int readFd, std::shared_ptr<LogFile> log, int echoFd,
              std::string prefix, std::function<void()> onClosed);
  ~OutputRelay();
  OutputRelay(const OutputRelay&) = delete;
  OutputRelay& operator=(const OutputRelay&) = delete;

 private:
  void readAvailable();
  void echoLines(bool flushPartial);

  int fd_;
  std::shared_ptr<LogFile> log_;
  int echoFd_;
  std::string prefix_;
  std::string partial_;
  std::function<void()> onClosed_;
  foundation::SourceHandle source_;
};

}  // namespace device
