#pragma once
// File systems mounted through FUSE for the tests: FAT, exFAT and NTFS
// images (made fresh in a temporary directory) and the slow passthrough
// that stands in for a network share. Each mount is taken down again when
// its object goes, also when the test fails.
#include <sys/types.h>

#include <memory>
#include <ostream>
#include <string>

#include "support/test_support.h"

namespace sonavex::test {

enum class FuseKind { Fat, ExFat, Ntfs, SlowShare };

const char* FuseKindName(FuseKind kind);
// For GoogleTest's messages.
void PrintTo(FuseKind kind, std::ostream* out);

class FuseMount {
 public:
  // Mounts a fresh, empty file system of `kind`; for SlowShare a
  // passthrough of a fresh source directory with `latencyMs` per request.
  // Nothing when FUSE or a tool is missing or the mount fails: `why` then
  // says what is missing, for the test to skip with.
  static std::unique_ptr<FuseMount> Create(FuseKind kind, std::string& why,
                                           int latencyMs = 1);
  ~FuseMount();
  FuseMount(const FuseMount&) = delete;
  FuseMount& operator=(const FuseMount&) = delete;

  // Where the file system is mounted (a resolved path).
  const std::string& path() const { return mountPoint_; }
  // path() + "/" + relative
  std::string operator/(const std::string& relative) const;
  // The share's source directory on the local disk (SlowShare only): what
  // is really there, also after the share went away.
  const std::string& source() const { return source_; }
  bool mounted() const;
  // Detaches the mount at once, as a share does that drops off the net
  // (fusermount -uz); requests in flight fail from then on, and on a
  // SlowShare also those on files held open, as its server ends.
  void DetachLazily();
  // The share back at its place after it went away (SlowShare only), its
  // source as it is now. False when it does not come up.
  bool Remount(int latencyMs = 1);

 private:
  explicit FuseMount(FuseKind kind);
  bool Mount(int latencyMs, std::string& why);
  bool WaitUntilMounted() const;
  void Unmount();

  FuseKind kind_;
  TempDir scratch_;
  std::string image_;
  std::string mountPoint_;
  std::string source_;
  std::string loopDevice_;
  pid_t server_ = -1;
};

}  // namespace sonavex::test
