#include "prefs/RunCmd.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/Log.h"

extern char** environ;

namespace prefs {

bool runShellCommand(const char* shell, const char* command) {
  if (shell == nullptr || command == nullptr) return false;
  pid_t pid = 0;
  char arg0[] = "sh";
  char arg1[] = "-c";
  std::string text(command);
  char* argv[] = {arg0, arg1, text.data(), nullptr};
  const int error = ::posix_spawn(&pid, shell, nullptr, nullptr, argv, environ);
  if (error != 0) {
    foundation::logError("hoverversebundle", "RunCmd.cc", __LINE__, "ERROR",
                         foundation::Value("cannot start " + std::string(shell) + " for '" + text +
                                           "': " + std::strerror(error)));
    return false;
  }
  int status = 0;
  // A signal arriving while waiting is no reason to give up the child.
  while (::waitpid(pid, &status, 0) == -1) {
    if (errno == EINTR) continue;
    std::perror("waitpid");
    return false;
  }
  return true;
}

}  // namespace prefs

extern "C" void run_cmd(const char* command) { prefs::runShellCommand("/bin/sh", command); }
