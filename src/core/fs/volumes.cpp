#include "core/fs/volumes.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "core/fs/fs.h"

namespace sonavex {
namespace {

bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

// The kernel writes blank, tab, line feed and backslash as "\ooo".
std::string UnescapeMountField(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() &&
        IsOctalDigit(field[i + 1]) && IsOctalDigit(field[i + 2]) &&
        IsOctalDigit(field[i + 3])) {
      out += static_cast<char>((field[i + 1] - '0') * 64 +
                               (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::vector<std::string> SplitFields(std::string_view line) {
  std::vector<std::string> fields;
  std::istringstream stream{std::string(line)};
  std::string field;
  while (stream >> field) fields.push_back(field);
  return fields;
}

// Fields: id, parent, major:minor, root, mount point, options, optional
// tags..., "-", type, source, super options.
bool ParseMountLine(std::string_view line, MountEntry& out) {
  const std::vector<std::string> fields = SplitFields(line);
  const auto dash = std::find(fields.begin(), fields.end(), "-");
  if (fields.size() < 5 || dash == fields.end() || dash + 1 == fields.end()) {
    return false;
  }
  out.mountPoint = UnescapeMountField(fields[4]);
  out.fileSystemType = *(dash + 1);
  return true;
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> mounts;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    MountEntry entry;
    if (ParseMountLine(text.substr(start, end - start), entry)) {
      mounts.push_back(std::move(entry));
    }
    start = end + 1;
  }
  return mounts;
}

bool IsPseudoFileSystem(std::string_view type) {
  static constexpr std::array<std::string_view, 27> kPseudo = {
      "proc",       "sysfs",     "tmpfs",      "devtmpfs",   "devpts",
      "cgroup",     "cgroup2",   "mqueue",     "debugfs",    "tracefs",
      "securityfs", "pstore",    "bpf",        "configfs",   "fusectl",
      "hugetlbfs",  "autofs",    "binfmt_misc", "efivarfs",  "rpc_pipefs",
      "nsfs",       "ramfs",     "overlay",    "squashfs",   "nfsd",
      "fuse.gvfsd-fuse", "fuse.portal"};
  return std::find(kPseudo.begin(), kPseudo.end(), type) != kPseudo.end();
}

bool IsRemoteFileSystem(std::string_view type) {
  static constexpr std::array<std::string_view, 13> kRemote = {
      "nfs",  "nfs4",  "cifs", "smb3",   "smbfs", "9p",    "ceph",
      "afs",  "davfs", "ncpfs", "lustre", "glusterfs", "virtiofs"};
  return type == "fuse" || type.starts_with("fuse.") || type == "fuseblk" ||
         std::find(kRemote.begin(), kRemote.end(), type) != kRemote.end();
}

namespace {

bool Holds(std::string_view volume, std::string_view path) {
  return path == volume ||
         (path.starts_with(volume) &&
          (volume.ends_with('/') || path[volume.size()] == '/'));
}

// The mount that holds `path`: the last one with the longest mount path, as
// a later mount hides an earlier one at the same place.
const MountEntry* MountHolding(std::string_view path,
                               const std::vector<MountEntry>& mounts) {
  const MountEntry* best = nullptr;
  for (const MountEntry& mount : mounts) {
    if (Holds(mount.mountPoint, path) &&
        (best == nullptr || mount.mountPoint.size() >= best->mountPoint.size())) {
      best = &mount;
    }
  }
  return best;
}

// The type of `name` as `directory` lists it, without looking at the entry
// itself; DT_UNKNOWN when it is not listed or the directory cannot be read.
unsigned char ListedType(const std::string& directory, std::string_view name) {
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(directory.c_str()), closedir);
  if (!dir) return DT_UNKNOWN;
  while (const dirent* entry = readdir(dir.get())) {
    if (name == entry->d_name) return entry->d_type;
  }
  return DT_UNKNOWN;
}

// Containers bind single files (/etc/hosts) over the tree. The parent lists
// the file that lies under such a mount; the mount point itself is not
// touched, and a parent on a remote file system is not read either.
bool IsFileMount(const std::string& mountPoint,
                 const std::vector<MountEntry>& mounts) {
  if (mountPoint.find('/') == std::string::npos) return false;
  const PathParts parts = SplitPath(mountPoint);
  if (parts.name.empty()) return false;
  const MountEntry* holder = MountHolding(parts.directory, mounts);
  if (holder != nullptr && IsRemoteFileSystem(holder->fileSystemType)) return false;
  const unsigned char type = ListedType(parts.directory, parts.name);
  return type != DT_UNKNOWN && type != DT_DIR;
}

}  // namespace

std::vector<std::string> VolumesFromMounts(
    const std::vector<MountEntry>& mounts) {
  std::vector<std::string> others;
  for (const MountEntry& mount : mounts) {
    if (mount.mountPoint == "/" || IsPseudoFileSystem(mount.fileSystemType)) {
      continue;
    }
    others.push_back(mount.mountPoint);
  }
  std::sort(others.begin(), others.end());
  others.erase(std::unique(others.begin(), others.end()), others.end());
  std::erase_if(others, [&](const std::string& mountPoint) {
    return IsFileMount(mountPoint, mounts);
  });
  others.insert(others.begin(), "/");
  return others;
}

std::vector<MountEntry> ReadMountTable() {
  std::ifstream file("/proc/self/mountinfo");
  if (!file) return {};
  std::ostringstream text;
  text << file.rdbuf();
  return ParseMountInfo(text.str());
}

std::vector<std::string> ListVolumes() { return VolumesFromMounts(ReadMountTable()); }

namespace {

// FUSE drivers of file systems that ignore letter case in names.
bool IsCaseBlindFuse(std::string_view type) {
  static constexpr std::array<std::string_view, 4> kTypes = {
      "fuse.fusefat", "fuse.exfat", "fuse.exfat-fuse", "fuseblk"};
  return std::find(kTypes.begin(), kTypes.end(), type) != kTypes.end();
}

}  // namespace

bool SameFileUnderOtherCase(const std::string& named, const std::string& path,
                            const std::vector<MountEntry>& mounts) {
  struct stat a{}, b{};
  if (named == path || stat(named.c_str(), &a) != 0 || stat(path.c_str(), &b) != 0 ||
      a.st_dev != b.st_dev) {
    return false;
  }
  if (a.st_ino == b.st_ino) return true;
  const MountEntry* mount = MountHolding(path, mounts);
  if (mount == nullptr || !IsCaseBlindFuse(mount->fileSystemType)) return false;
  const PathParts parts = SplitPath(named);
  std::error_code ec;
  const std::vector<std::string> names = ListNames(parts.directory, ec);
  return !ec && std::find(names.begin(), names.end(), parts.name) == names.end();
}

std::string VolumeOf(std::string_view path,
                     const std::vector<std::string>& volumes) {
  std::string best = "/";
  for (const std::string& volume : volumes) {
    if (Holds(volume, path) && volume.size() > best.size()) best = volume;
  }
  return best;
}

std::string VolumeHolding(const std::string& directory,
                          const std::vector<std::string>& volumes) {
  const std::unique_ptr<char, void (*)(void*)> resolved(
      realpath(directory.c_str(), nullptr), std::free);
  return VolumeOf(resolved ? std::string_view(resolved.get()) : directory, volumes);
}

bool IsNotReady(std::error_code ec) {
  if (ec.category() != std::generic_category() &&
      ec.category() != std::system_category()) {
    return false;
  }
  switch (ec.value()) {
    case EIO: case ENOMEDIUM: case ENOTCONN: case ESTALE: case EHOSTDOWN:
    case ETIMEDOUT:
      return true;
    default:
      return false;
  }
}

}  // namespace sonavex
