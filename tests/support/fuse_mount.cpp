#include "support/fuse_mount.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "core/fs/volumes.h"

// The slow passthrough's path, where the test binary was told it.
#ifndef SONAVEX_SLOWFS
#define SONAVEX_SLOWFS ""
#endif

namespace sonavex::test {
namespace {

using namespace std::chrono_literals;


// Runs a shell command with its output thrown away; true when it succeeds.
bool Run(const std::string& command) {
  const int raw = std::system((command + " >/dev/null 2>&1 </dev/null").c_str());
  return WIFEXITED(raw) && WEXITSTATUS(raw) == 0;
}

// The first line a shell command prints, without its line feed.
std::string FirstLineOf(const std::string& command) {
  FILE* pipe = popen((command + " 2>/dev/null </dev/null").c_str(), "r");
  if (pipe == nullptr) return {};
  char line[512] = {};
  const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
  pclose(pipe);
  std::string text = read ? line : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

bool HaveTool(const std::string& tool) { return Run("command -v " + ShellQuote(tool)); }

std::string ResolvedPath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string out = resolved;
  std::free(resolved);
  return out;
}

bool IsFuseMountedAt(const std::string& mountPoint) {
  std::ifstream file("/proc/self/mountinfo");
  std::stringstream text;
  text << file.rdbuf();
  for (const MountEntry& entry : ParseMountInfo(text.str())) {
    if (entry.mountPoint == mountPoint && entry.fileSystemType.starts_with("fuse")) {
      return true;
    }
  }
  return false;
}

// The tools each kind needs, and the command that makes its empty image.
struct KindInfo {
  const char* name;
  std::vector<std::string> tools;
  const char* makeImage;  // with the image path appended
};

const KindInfo& Info(FuseKind kind) {
  static const KindInfo kInfo[] = {
      {"FAT", {"mkfs.vfat", "fusefat", "fusermount"}, "mkfs.vfat"},
      {"exFAT", {"mkfs.exfat", "mount.exfat-fuse", "losetup", "fusermount"}, "mkfs.exfat"},
      {"NTFS", {"mkntfs", "ntfs-3g", "fusermount"}, "mkntfs -F -q"},
      {"share", {"fusermount"}, ""},
  };
  return kInfo[static_cast<int>(kind)];
}

}  // namespace

const char* FuseKindName(FuseKind kind) { return Info(kind).name; }

void PrintTo(FuseKind kind, std::ostream* out) { *out << FuseKindName(kind); }

FuseMount::FuseMount(FuseKind kind) : kind_(kind) {}

std::unique_ptr<FuseMount> FuseMount::Create(FuseKind kind, std::string& why,
                                             int latencyMs) {
  if (access("/dev/fuse", R_OK | W_OK) != 0) {
    why = "/dev/fuse is missing or not usable";
    return nullptr;
  }
  for (const std::string& tool : Info(kind).tools) {
    if (!HaveTool(tool)) {
      why = tool + " is not installed";
      return nullptr;
    }
  }
  std::unique_ptr<FuseMount> mount(new FuseMount(kind));
  if (!mount->Mount(latencyMs, why)) return nullptr;
  return mount;
}

bool FuseMount::Mount(int latencyMs, std::string& why) {
  mkdir((scratch_ / "mnt").c_str(), 0755);
  mountPoint_ = ResolvedPath(scratch_ / "mnt");
  image_ = scratch_ / "image";
  if (kind_ == FuseKind::SlowShare) {
    if (std::string(SONAVEX_SLOWFS).empty() || access(SONAVEX_SLOWFS, R_OK) != 0) {
      why = "the slow passthrough slowfs.py was not found at configure time";
      return false;
    }
    source_ = scratch_ / "source";
    mkdir(source_.c_str(), 0755);
    server_ = fork();
    if (server_ == 0) {
      const std::string latency = std::to_string(latencyMs);
      const int null = open("/dev/null", O_RDWR);
      dup2(null, 0), dup2(null, 1), dup2(null, 2);
      execl("/usr/bin/python3", "python3", SONAVEX_SLOWFS, source_.c_str(),
            mountPoint_.c_str(), latency.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  } else {
    const std::string image = ShellQuote(image_);
    const std::string mnt = ShellQuote(mountPoint_);
    if (!Run("truncate -s 16M " + image) ||
        !Run(std::string(Info(kind_).makeImage) + " " + image)) {
      why = std::string("cannot make the ") + FuseKindName(kind_) + " image";
      return false;
    }
    bool started = false;
    if (kind_ == FuseKind::Fat) {
      started = Run("fusefat -o rw+ " + image + " " + mnt);
    } else if (kind_ == FuseKind::Ntfs) {
      started = Run("ntfs-3g " + image + " " + mnt);
    } else {
      // exfat-fuse run by root mounts block devices only.
      loopDevice_ = FirstLineOf("losetup -f --show " + image);
      started = !loopDevice_.empty() &&
                Run("mount.exfat-fuse " + ShellQuote(loopDevice_) + " " + mnt);
      if (loopDevice_.empty()) why = "no loop device for the exFAT image";
    }
    if (!started) {
      if (why.empty()) why = std::string("cannot mount the ") + FuseKindName(kind_) + " image";
      Unmount();
      return false;
    }
  }
  if (!WaitUntilMounted()) {
    why = std::string("the ") + FuseKindName(kind_) + " mount did not come up";
    Unmount();
    return false;
  }
  return true;
}

bool FuseMount::WaitUntilMounted() const {
  for (int i = 0; i < 100; ++i) {
    if (IsFuseMountedAt(mountPoint_)) return true;
    if (server_ > 0 && waitpid(server_, nullptr, WNOHANG) == server_) return false;
    std::this_thread::sleep_for(50ms);
  }
  return false;
}

bool FuseMount::mounted() const { return IsFuseMountedAt(mountPoint_); }

std::string FuseMount::operator/(const std::string& relative) const {
  return mountPoint_ + "/" + relative;
}

void FuseMount::DetachLazily() {
  Run("fusermount -u -z " + ShellQuote(mountPoint_));
  // A detached mount still serves the files held open; a share off the net
  // serves none, so its server goes too.
  if (kind_ == FuseKind::SlowShare && server_ > 0) {
    kill(server_, SIGKILL);
    waitpid(server_, nullptr, 0);
    server_ = -1;
  }
}

bool FuseMount::Remount(int latencyMs) {
  Unmount();
  std::string why;
  return Mount(latencyMs, why);
}

void FuseMount::Unmount() {
  if (mounted() && !Run("fusermount -u " + ShellQuote(mountPoint_))) DetachLazily();
  if (server_ > 0) {
    // The passthrough ends when its mount goes; one that hangs is killed.
    bool ended = false;
    for (int i = 0; i < 100 && !ended; ++i) {
      ended = waitpid(server_, nullptr, WNOHANG) == server_;
      if (!ended) std::this_thread::sleep_for(20ms);
    }
    if (!ended) {
      kill(server_, SIGKILL);
      waitpid(server_, nullptr, 0);
    }
    server_ = -1;
  }
  // A busy loop device is let go as soon as exfat-fuse closes it.
  if (!loopDevice_.empty()) Run("losetup -d " + ShellQuote(loopDevice_));
  loopDevice_.clear();
}

FuseMount::~FuseMount() { Unmount(); }

}  // namespace sonavex::test
