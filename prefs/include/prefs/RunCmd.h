#pragma once
// Running a shell command from the page and waiting for it: the command
// goes to "/bin/sh -c" in the page's environment; the page waits until it
// ends. A shell that cannot be started is logged; a failed wait prints the
// system's message for "waitpid" to the error output.

#include <string_view>

extern "C" {
// The bundle's exported entry: runs `command` with "/bin/sh".
void run_cmd(const char* command);
}

namespace prefs {

// run_cmd with another shell (tests start one that does not exist). True
// when the shell started and was waited for.
bool runShellCommand(const char* shell, const char* command);

}  // namespace prefs
