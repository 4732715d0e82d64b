#pragma once
// The file-system port, its reading part: paths, listings, stat, volumes and
// byte reads, for every layer. What changes a file lies in
// core/fs/fs_write.h. Paths are byte strings (UTF-8 on disk, any byte
// allowed); names handed to the rules are decoded with DecodeUtf8 and
// encoded back with EncodeUtf8, which round-trips every byte.
// Failures come back as std::error_code values in the generic category,
// built from errno.
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/text/path.h"

namespace sonavex {

// The failure the last system call left in errno.
std::error_code LastError();

// True when `name` matches one of the ";"-separated patterns of `mask`.
// "*" matches any run, "?" one character; letter case is ignored for A-Z and
// the umlauts; a pattern ending in ".*" also matches a name without a dot.
// An empty mask matches nothing.
bool MatchesMask(std::u32string_view name, std::u32string_view mask);

// Regular files and symbolic links to regular files of `directory` whose
// names match `mask`, dot-files included, sorted by name ignoring letter
// case (ties in code point order). Never directories, FIFOs, sockets,
// devices or dangling links.
std::vector<std::string> ListFiles(const std::string& directory,
                                   std::u32string_view mask,
                                   std::error_code& ec);

// Every name in `directory` but "." and "..", of whatever kind, unsorted.
std::vector<std::string> ListNames(const std::string& directory, std::error_code& ec);

// Subdirectories of `directory` in the order of ListFiles, without "." and
// "..". Symbolic links are never listed.
std::vector<std::string> ListSubdirectories(const std::string& directory,
                                            std::error_code& ec);

// A directory entry that can be entered: a real directory or a symbolic link
// to one.
struct Subdirectory {
  std::string name;
  bool isLink = false;
  bool operator==(const Subdirectory&) const = default;
};

// Both lists of one directory from a single read of it, each in the order of
// ListFiles.
struct DirectoryListing {
  std::vector<std::string> files;
  std::vector<Subdirectory> subdirectories;
  // Every other name of the directory (files the mask leaves out, FIFOs,
  // sockets, devices, dangling links), unsorted: with the two lists above
  // they are all names a new name could collide with.
  std::vector<std::string> otherNames;
};
DirectoryListing ListDirectory(const std::string& directory,
                               std::u32string_view mask, std::error_code& ec);

// False for a name that would leave its directory or that no file can have:
// empty, ".", "..", or containing "/" or NUL.
bool IsValidFileName(const std::string& name);

// True when the owner's write bit of the file (a link's target) is off: the
// file is read-only. False also when it cannot be looked at.
bool IsWriteProtected(const std::string& path);

struct FileStat {
  std::int64_t size = 0;
  std::time_t modified = 0;
  bool isRegular = false;
  bool isDirectory = false;
};

// stat (follows links).
std::error_code StatPath(const std::string& path, FileStat& out);
// The same for an open file, without looking its path up again.
std::error_code StatFd(int fd, FileStat& out);

bool IsDirectory(const std::string& path);

// Reads up to `length` bytes at `offset`; `out` holds what was read (fewer
// bytes at the end of the file).
std::error_code ReadAt(int fd, std::int64_t offset, std::size_t length,
                       std::string& out);
// The same into `buffer`; `done` is the number of bytes read.
std::error_code ReadAt(int fd, std::int64_t offset, char* buffer, std::size_t length,
                       std::size_t& done);

// An open file descriptor that closes itself.
class FileHandle {
 public:
  FileHandle() = default;
  ~FileHandle();
  FileHandle(FileHandle&& other) noexcept;
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  static FileHandle OpenRead(const std::string& path, std::error_code& ec);
  // Opens a file for reading and, where it may be written, for writing too,
  // so that a batch that changes it after reading it needs no second open:
  // `writable` tells which. Only the executor writes through it.
  static FileHandle OpenReadForChange(const std::string& path, std::error_code& ec,
                                      bool& writable);
  // Declared in core/fs/fs_write.h.
  friend FileHandle OpenReadWrite(const std::string& path, std::error_code& ec);
  // A directory, held only as a place to resolve names from (O_PATH).
  static FileHandle OpenDirectory(const std::string& path, std::error_code& ec);

  int fd() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  std::int64_t Size(std::error_code& ec) const;
  // What this system knows of a file held open since its size was last
  // asked, without asking a share: whether it still has a name (it loses
  // its last one when removed, or replaced by a rename onto its name) and
  // its size, whose changes through this system the kernel has seen. One
  // call answers both.
  struct Known {
    bool linked = true;
    std::int64_t size = 0;
  };
  Known KnownState(std::error_code& ec) const;
  std::error_code Close();

 private:
  explicit FileHandle(int fd) : fd_(fd) {}
  int fd_ = -1;
};

std::error_code ReadWholeFile(const std::string& path, std::string& out);
// The same through a file already open.
std::error_code ReadWholeFile(const FileHandle& file, std::string& out);

// Whether the file at `path` holds exactly `expected`: compared block by
// block as it is read, without a copy of the whole file.
std::error_code FileHolds(const std::string& path, std::string_view expected,
                          bool& holds);

}  // namespace sonavex
