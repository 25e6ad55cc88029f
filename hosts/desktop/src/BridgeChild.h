#pragma once
// The bridge as the desktop host's child: started at once, started again
// when it ends (after the delays of hostcommon::RestartPolicy), told to end
// (SIGTERM, then SIGKILL if it lingers) when the host ends, and killed by
// the kernel should the host die first (PR_SET_PDEATHSIG). Its end is seen
// through a pidfd watched by the run loop, so no signal handler is needed.

#include <sys/types.h>

#include <filesystem>
#include <memory>

#include "foundation/RunLoop.h"
#include "hostcommon/RestartPolicy.h"

namespace desktop {

class BridgeChild {
 public:
  BridgeChild(foundation::RunLoop& loop, std::filesystem::path program);
  ~BridgeChild();  // ends the child
  BridgeChild(const BridgeChild&) = delete;
  BridgeChild& operator=(const BridgeChild&) = delete;

  pid_t pid() const { return pid_; }
  int starts() const { return starts_; }

 private:
  void start();
  void ended();

  foundation::RunLoop& loop_;
  std::filesystem::path program_;
  hostcommon::RestartPolicy policy_;
  pid_t pid_ = -1;
  int pidfd_ = -1;
  double startedAt_ = 0;
  int starts_ = 0;
  foundation::SourceHandle watch_;
  std::shared_ptr<foundation::Timer> restart_;
};

// The bridge program: HOVERVERSE_BRIDGE_PROGRAM, else hoververse-bridge
// beside `self`, else the build tree's ../bridge/hoververse-bridge; empty
// when none is executable.
std::filesystem::path findBridgeProgram(const std::filesystem::path& self);

inline constexpr const char* kBridgeProgramVariable = "HOVERVERSE_BRIDGE_PROGRAM";

}  // namespace desktop
