#pragma once
// Starting the device's processes. A child runs in a process group of its
// own (so it and whatever it starts can be signalled together), with the
// default signal mask and dispositions, only descriptors 0-2 open, and is
// killed by the kernel if the supervisor dies (PR_SET_PDEATHSIG): a device
// never leaves processes behind, even when its supervisor is killed.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace device {

struct SpawnRequest {
  std::filesystem::path program;
  std::vector<std::string> arguments;  // arguments[0] is the process name
  // Set in the child's environment (which is otherwise the supervisor's);
  // an empty value removes the variable.
  std::vector<std::pair<std::string, std::string>> environment;
  int stdoutFd = -1;  // -1: /dev/null
  int stderrFd = -1;  // -1: /dev/null
};

// The child's pid, or nothing with `error` set when the program could not be
// started (exec failures are reported here, not as an exiting child).
std::optional<pid_t> spawnChild(const SpawnRequest& request, std::string& error);

// A pipe whose read end is non-blocking; both ends close-on-exec.
struct Pipe {
  int read = -1;
  int write = -1;
};
std::optional<Pipe> makePipe(std::string& error);

}  // namespace device
