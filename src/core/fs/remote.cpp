#include "core/fs/remote.h"

#include <sys/vfs.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

namespace sonavex {
namespace {

// The kernel's magic numbers of network file systems and of FUSE, which
// carries sshfs, rclone, cloud drives and NTFS alike.
constexpr std::array<std::uint32_t, 11> kRemoteTypes = {
    0x6969,      // NFS
    0x517B,      // SMB
    0xFF534D42,  // CIFS
    0xFE534D42,  // SMB2
    0x65735546,  // FUSE
    0x00C36400,  // Ceph
    0x5346414F,  // AFS
    0x73757245,  // Coda
    0x01021997,  // 9P
    0x564C,      // NCP
    0x47504653,  // GPFS
};

// Enough requests to cover the round trips of a share that answers in a few
// milliseconds, few enough not to swamp its server.
constexpr int kRemoteReadsInFlight = 16;
constexpr int kMostReadsInFlight = 64;

}  // namespace

bool IsOnRemoteFileSystem(const std::string& path) {
  struct statfs info{};
  if (statfs(path.c_str(), &info) != 0) return false;
  const auto type = static_cast<std::uint32_t>(info.f_type);
  return std::find(kRemoteTypes.begin(), kRemoteTypes.end(), type) != kRemoteTypes.end();
}

}  // namespace sonavex

namespace sonavex {

int ReadsInFlightFor(const std::string& directory) {
  if (const char* forced = std::getenv("SONAVEX_READS_IN_FLIGHT")) {
    const int count = std::atoi(forced);
    if (count >= 1) return std::min(count, kMostReadsInFlight);
  }
  return IsOnRemoteFileSystem(directory) ? kRemoteReadsInFlight : 1;
}

}  // namespace sonavex
