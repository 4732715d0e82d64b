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

// "/" first, then the other mount points of real file systems that are
// directories, in name order, each once.
std::vector<std::string> VolumesFromMounts(const std::vector<MountEntry>& mounts);

// VolumesFromMounts of this process's mount table; just "/" when the table
// cannot be read.
std::vector<std::string> ListVolumes();

// The volume of `volumes` with the longest mount path that holds `path`;
// "/" when none does.
std::string VolumeOf(std::string_view path,
                     const std::vector<std::string>& volumes);

// A failure that means the medium or the server is away, not that the
// directory is wrong: the drive selector warns and goes back for these.
bool IsNotReady(std::error_code ec);

}  // namespace sonavex
