#pragma once
// The volumes the drive selector offers: "/" and the mount points of real
// file systems, plus the check whether a volume can be entered at all.
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace sonavex {

struct MountEntry {
  std::string mountPoint;
  std::string fileSystemType;
};

// The mount lines of /proc/self/mountinfo text, in file order, with the
// kernel's octal escapes ("\040" for a blank) undone.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// proc, sysfs, tmpfs, cgroup and their kin hold no user files.
bool IsPseudoFileSystem(std::string_view type);

// Network and FUSE file systems: their servers may not answer.
bool IsRemoteFileSystem(std::string_view type);

// "/" first, then the other mount points of real file systems, in name
// order, each once. A mount point is never looked at itself, so a volume
// whose server does not answer is listed without waiting for it; whether it
// can be entered shows when it is picked. Only single files bound over the
// tree (as containers do with /etc/hosts) are left out, told by the entry
// that the parent directory lists for the mount point, and only where that
// parent is not on a remote file system.
std::vector<std::string> VolumesFromMounts(const std::vector<MountEntry>& mounts);

// VolumesFromMounts of this process's mount table; just "/" when the table
// cannot be read.
std::vector<std::string> ListVolumes();

// The volume of `volumes` with the longest mount path that holds `path`;
// "/" when none does.
std::string VolumeOf(std::string_view path,
                     const std::vector<std::string>& volumes);

// The volume that holds `directory` itself, with links on the way followed:
// a link to a directory on a stick is on the stick. The lexical VolumeOf when
// the path cannot be resolved.
std::string VolumeHolding(const std::string& directory,
                          const std::vector<std::string>& volumes);

// The mount table of this process; empty when it cannot be read.
std::vector<MountEntry> ReadMountTable();

// Whether `named`, a spelling of `path` that differs from it in letter case
// only, names the same file by the comparison of the volume that holds it.
// The volume finds the file under both spellings as one inode; a FUSE
// driver of FAT or exFAT, which gives each spelling an inode of its own, is
// told by its type in `mounts`, with `named` being no entry of its own.
bool SameFileUnderOtherCase(const std::string& named, const std::string& path,
                            const std::vector<MountEntry>& mounts);

// A failure that means the medium or the server is away, not that the
// directory is wrong: the drive selector warns and goes back for these.
bool IsNotReady(std::error_code ec);

}  // namespace sonavex
