#pragma once
// The file-system port. Paths are byte strings (UTF-8 on disk, any byte
// allowed); names handed to the rules are decoded with DecodeUtf8 and
// encoded back with EncodeUtf8, which round-trips every byte.
// Failures come back as std::error_code values in the generic category,
// built from errno.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace sonavex {

// directory + "/" + name; a directory that already ends in "/" (the root)
// gets no second one.
std::string JoinPath(std::string_view directory, std::string_view name);

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

// Renames directory/oldName to directory/newName without ever replacing an
// existing file. Equal names: nothing happens, success. A letter-case-only
// change on a case-insensitive file system goes through a temporary name
// (RenameThroughTemporary). An invalid name on either side (empty, ".",
// "..", containing "/" or NUL) gives EINVAL before the system is asked.
// `strandedName`, if given, receives the temporary name the file was left
// under when the old name could not be put back.
std::error_code RenameNoReplace(const std::string& directory,
                                const std::string& oldName,
                                const std::string& newName,
                                std::string* strandedName = nullptr);

// One rename of a full path to another that never replaces an existing
// file.
using RenameStep =
    std::function<std::error_code(const std::string& fromPath, const std::string& toPath)>;
std::error_code RenameStepNoReplace(const std::string& fromPath,
                                    const std::string& toPath);

// Renames in two steps through a fresh temporary name in `directory`, each
// done by `step`. When the second step fails, the old name is put back; if
// even that fails, *strandedName (if given) receives the temporary name, so
// the user can be told where the file is. Returns the failure of the rename.
// `temporaryName`, when given and free, is the temporary name, so that a
// file a killed process left under it can be found again.
std::error_code RenameThroughTemporary(const std::string& directory,
                                       const std::string& oldName,
                                       const std::string& newName,
                                       std::string* strandedName,
                                       const RenameStep& step = RenameStepNoReplace,
                                       std::string_view temporaryName = {});

// True when the owner's write bit of the file (a link's target) is off: the
// file is read-only. False also when it cannot be looked at.
bool IsWriteProtected(const std::string& path);

// Lifts the owner's write permission of a file for the guard's lifetime and
// puts the remembered mode back at the end.
class WritableGuard {
 public:
  explicit WritableGuard(const std::string& path);
  ~WritableGuard();
  WritableGuard(const WritableGuard&) = delete;
  WritableGuard& operator=(const WritableGuard&) = delete;
  // Failure to read the mode or to add the write bit.
  std::error_code error() const { return error_; }
  // Puts the remembered mode back now, so that a writer can tell whether
  // the protection is in place again; on failure the destructor tries once
  // more.
  std::error_code Restore();

 private:
  std::string path_;
  unsigned mode_ = 0;
  bool changed_ = false;
  std::error_code error_;
};

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
// Writes all of `bytes` at `offset`.
std::error_code WriteAt(int fd, std::int64_t offset, std::string_view bytes);
// Cuts the open file down to `size` bytes.
std::error_code TruncateAt(int fd, std::int64_t size);
// Puts the end of a file back after a change of it failed part way: the
// file becomes `size` bytes long, its last tail.size() bytes `tail`. The
// file is opened anew, as the failed change may have lost its handle.
std::error_code RestoreEnd(const std::string& path, std::int64_t size,
                           std::string_view tail);

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
  static FileHandle OpenReadWrite(const std::string& path, std::error_code& ec);
  // A directory, held only as a place to resolve names from (O_PATH).
  static FileHandle OpenDirectory(const std::string& path, std::error_code& ec);

  int fd() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  std::int64_t Size(std::error_code& ec) const;
  std::error_code Close();

 private:
  explicit FileHandle(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// Renames as RenameNoReplace does, keeping the directory of the last rename
// open so that the next one in it is resolved from there instead of from
// the root: a batch renames file after file in one folder. Where the
// directory cannot be opened, the rename goes by full path.
class DirectoryRenamer {
 public:
  // `temporaryName` as for RenameThroughTemporary.
  std::error_code Rename(const std::string& directory, const std::string& oldName,
                         const std::string& newName, std::string* strandedName = nullptr,
                         std::string_view temporaryName = {});

 private:
  std::string directory_;
  FileHandle handle_;
};

// Writes `contents` to a fresh temporary file beside `path` and renames it
// over `path`, so readers see the old or the new file, never a torn one.
// When `path` is a symbolic link, the file it leads to is replaced (beside
// that file) and the link stays. The new file keeps the old one's mode (and
// owner where allowed); a file with more than one hard link is rewritten in
// place, so all its links keep it, and gets its old content back when that
// fails. On failure the file is as it was and no temporary file is left.
// `temporaryName`, when given, names the temporary file, so that one left
// behind by a process that was killed can be found again; when a file of
// that name is already there, a fresh random name is taken instead.
std::error_code ReplaceFileAtomically(const std::string& path,
                                      std::string_view contents,
                                      std::string_view temporaryName = {});

// ReplaceFileAtomically in two halves, for a writer that must know the
// file can be written before it does anything else: Begin creates the
// temporary file (or, for a file with several hard links, opens the file
// itself), Finish writes, syncs and puts the content in place. Until
// Finish, the file is untouched; a replacement dropped unfinished removes
// its temporary file. With Mode::CreateOnly the file must not exist, and
// the content never replaces one that appears meanwhile (EEXIST).
class FileReplacement {
 public:
  enum class Mode { Replace, CreateOnly };
  FileReplacement() = default;
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  std::error_code Begin(const std::string& path, std::string_view temporaryName = {},
                        Mode mode = Mode::Replace);
  std::error_code Finish(std::string_view contents);
  // Whether the file was there when Begin looked.
  bool Existed() const { return exists_; }

 private:
  void Drop();
  std::error_code PutInPlace();

  std::string path_;  // where the links lead
  std::string temporary_;
  int fd_ = -1;
  Mode mode_ = Mode::Replace;
  bool exists_ = false;
  bool inPlace_ = false;
  unsigned oldMode_ = 0;
  unsigned oldOwner_ = 0;
  unsigned oldGroup_ = 0;
};

// Removes the file (the link itself, for a symbolic link).
std::error_code RemoveFile(const std::string& path);

// Where ReplaceFileAtomically(path, ..., temporaryName) puts its temporary
// file: beside the file the links of `path` lead to.
std::string TemporaryPathFor(const std::string& path, std::string_view temporaryName);

std::error_code ReadWholeFile(const std::string& path, std::string& out);

// Whether the file at `path` holds exactly `expected`: compared block by
// block as it is read, without a copy of the whole file.
std::error_code FileHolds(const std::string& path, std::string_view expected,
                          bool& holds);

}  // namespace sonavex
