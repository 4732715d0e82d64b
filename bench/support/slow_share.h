#pragma once
// A folder mounted through slowfs, the FUSE passthrough that answers every
// request after a fixed latency the way a network share does. Needs
// /dev/fuse, /usr/bin/python3 with fusepy and fusermount; where one is
// missing the share is not mounted and why() tells the reason.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/fs/remote.h"
#include "support/plain_timing.h"
#include "support/process.h"

namespace sonavex::bench {

class SlowShare {
 public:
  SlowShare(const std::string& source, double latencyMs, const std::string& script) {
    if (access("/dev/fuse", R_OK | W_OK) != 0) {
      why_ = "/dev/fuse is missing";
    } else if (access(kPython, X_OK) != 0 || access(kFusermount, X_OK) != 0) {
      why_ = std::string(kPython) + " or " + kFusermount + " is missing";
    } else if (script.empty()) {
      why_ = "slowfs.py was not found (-DSONAVEX_SLOWFS_SCRIPT=PATH or SONAVEX_SLOWFS)";
    } else if (access(script.c_str(), R_OK) != 0) {
      why_ = script + " is missing";
    } else {
      Mount(source, latencyMs, script);
    }
  }
  ~SlowShare() {
    if (pid_ <= 0) return;
    if (RunProcess({kFusermount, "-u", mountPoint_}, "/dev/null") != 0) kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    rmdir(mountPoint_.c_str());
  }
  SlowShare(const SlowShare&) = delete;
  SlowShare& operator=(const SlowShare&) = delete;

  bool ok() const { return why_.empty(); }
  const std::string& why() const { return why_; }
  const std::string& mountPoint() const { return mountPoint_; }

 private:
  static constexpr const char* kPython = "/usr/bin/python3";
  static constexpr const char* kFusermount = "/usr/bin/fusermount";

  void Mount(const std::string& source, double latencyMs, const std::string& script) {
    mountPoint_ = MakeScratchFolder(source + "/..", "sonavex-share");
    std::vector<std::string> args = {kPython, script, source, mountPoint_,
                                     std::to_string(latencyMs)};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, kPython, nullptr, nullptr, argv.data(), environ) != 0) {
      pid_ = 0;
      why_ = "slowfs could not be started";
      return;
    }
    // The mount shows as a FUSE file system once slowfs serves it.
    for (int tries = 0; tries < 200; ++tries) {
      if (IsOnRemoteFileSystem(mountPoint_)) return;
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = 0;  // slowfs gave up; its exit is collected
        rmdir(mountPoint_.c_str());
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    why_ = "slowfs did not mount " + mountPoint_;
  }

  std::string mountPoint_;
  std::string why_;
  pid_t pid_ = 0;
};

}  // namespace sonavex::bench
