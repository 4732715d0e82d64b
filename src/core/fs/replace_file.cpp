// Whole-file reads and the atomic replacement of a file's contents.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "core/fs/fs.h"
#include "core/fs/fs_write.h"
#include "core/fs/sys_calls.h"

namespace sonavex {
namespace {

// Sets the mode of the new file. A file system that keeps no modes (FAT
// through FUSE has no chmod at all) gives its files the one it has.
std::error_code SetMode(int fd, mode_t mode) {
  if (Sys().fchmod(fd, mode) == 0 || errno == ENOSYS || errno == EOPNOTSUPP) return {};
  return LastError();
}

// The process's file mode creation mask. Only setting it tells it, so it
// is put back at once.
mode_t CreationMask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

// The new file takes the old one's owner where the user may give it; a
// failed change (not allowed) keeps the user's own.
void TakeOwner(int fd, const struct stat& old) {
  if (old.st_uid != geteuid() || old.st_gid != getegid()) {
    (void)!Sys().fchown(fd, old.st_uid, old.st_gid);
  }
}

// A file with further hard links is written in place, so that every link
// keeps it: its room is reserved first, so a full disk mostly stops the
// write before any byte of the old content is lost, and a write that fails
// after all puts the old content back. `fd` is the file open for writing;
// it is closed here.
std::error_code WriteInPlace(int fd, const std::string& path, std::string_view contents) {
  std::string old;
  std::error_code ec = ReadWholeFile(path, old);
  if (!ec && !contents.empty()) {
    const int err = Sys().fallocate(fd, 0, static_cast<off_t>(contents.size()));
    if (err != 0 && err != EOPNOTSUPP && err != EINVAL) ec = {err, std::generic_category()};
  }
  const bool untouched = static_cast<bool>(ec);
  if (!ec) ec = WriteAt(fd, 0, contents);
  if (!ec && Sys().ftruncate(fd, static_cast<off_t>(contents.size())) != 0) ec = LastError();
  if (!ec && Sys().fsync(fd) != 0) ec = LastError();
  if (Sys().close(fd) != 0 && !ec) ec = LastError();
  if (ec && !untouched) RestoreEnd(path, static_cast<std::int64_t>(old.size()), old);
  return ec;
}

// Where a chain of symbolic links named `path` ends. The links stay links:
// the file they lead to gets the new contents, and a link that leads nowhere
// yet names the file to create. `found` gets the status of what is there,
// `exists` whether anything is.
std::error_code FollowLinks(std::string& path, struct stat& found, bool& exists) {
  constexpr int kMaxHops = 40;  // what the kernel allows before ELOOP
  for (int hop = 0; hop < kMaxHops; ++hop) {
    struct stat& st = found;
    exists = lstat(path.c_str(), &st) == 0;
    if (!exists || !S_ISLNK(st.st_mode)) return {};
    std::string target(PATH_MAX, '\0');
    const ssize_t length = readlink(path.c_str(), target.data(), target.size());
    if (length < 0) return LastError();
    if (static_cast<std::size_t>(length) == target.size()) {
      return {ENAMETOOLONG, std::generic_category()};
    }
    target.resize(static_cast<std::size_t>(length));
    path = target.front() == '/' ? target : JoinPath(SplitPath(path).directory, target);
  }
  return {ELOOP, std::generic_category()};
}

// Creates the temporary file in `directory`, exclusively, so that it never
// takes the place of a file of the user's: under `name` when one is given
// and free, with `mode` (less the creation mask), else under a short random
// name that fits beside a name of full length, readable by its owner only.
// Its path goes to `temporary`, the mode it got to `created`.
int CreateTemporary(const std::string& directory, std::string_view name, mode_t mode,
                    std::string& temporary, mode_t& created) {
  if (!name.empty()) {
    temporary = JoinPath(directory, name);
    const int fd = Sys().open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    created = mode & ~CreationMask();
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  temporary = JoinPath(directory, "~XXXXXX");
  created = 0600;
  return Sys().mkostemp(temporary.data(), O_CLOEXEC);
}

}  // namespace

std::string TemporaryPathFor(const std::string& linkOrPath, std::string_view temporaryName) {
  std::string path = linkOrPath;
  struct stat found{};
  bool exists = false;
  if (FollowLinks(path, found, exists)) path = linkOrPath;
  return JoinPath(SplitPath(path).directory, temporaryName);
}

std::error_code ReplaceFileAtomically(const std::string& linkOrPath,
                                      std::string_view contents,
                                      std::string_view temporaryName) {
  FileReplacement replacement;
  if (std::error_code ec = replacement.Begin(linkOrPath, temporaryName)) return ec;
  return replacement.Finish(contents);
}

FileReplacement::~FileReplacement() { Drop(); }

void FileReplacement::Drop() {
  if (fd_ >= 0) Sys().close(fd_);
  if (!temporary_.empty()) Sys().unlink(temporary_.c_str());
  fd_ = -1;
  temporary_.clear();
}

std::error_code FileReplacement::Begin(const std::string& linkOrPath,
                                       std::string_view temporaryName, Mode mode) {
  Drop();
  path_ = linkOrPath;
  mode_ = mode;
  struct stat old{};
  if (std::error_code ec = FollowLinks(path_, old, exists_)) return ec;
  if (exists_ && mode == Mode::CreateOnly) return {EEXIST, std::generic_category()};
  oldOwner_ = old.st_uid;
  oldGroup_ = old.st_gid;
  inPlace_ = exists_ && old.st_nlink > 1;
  // The new file gets the old one's mode, or what a plain create gives.
  wantedMode_ = exists_ ? old.st_mode & 07777 : 0666 & ~CreationMask();
  std::string temporary;
  fd_ = inPlace_ ? Sys().open(path_.c_str(), O_WRONLY | O_CLOEXEC, 0)
                 : CreateTemporary(SplitPath(path_).directory, temporaryName,
                                   exists_ ? wantedMode_ & 0777 : 0666, temporary, createdMode_);
  if (fd_ < 0) return LastError();
  temporary_ = std::move(temporary);
  return {};
}

std::error_code FileReplacement::Finish(std::string_view contents) {
  if (fd_ < 0) return {EBADF, std::generic_category()};
  if (inPlace_) return WriteInPlace(std::exchange(fd_, -1), path_, contents);
  const std::error_code ec = Stage(contents);
  return ec ? ec : Commit();
}

std::error_code FileReplacement::Stage(std::string_view contents) {
  if (fd_ < 0 || inPlace_) return {EBADF, std::generic_category()};
  struct stat old{};
  old.st_uid = oldOwner_;
  old.st_gid = oldGroup_;
  std::error_code ec = WriteAt(fd_, 0, contents);
  if (!ec && exists_) TakeOwner(fd_, old);
  // Mostly the file got its mode as it was made; else it gets it now.
  if (!ec && createdMode_ != wantedMode_) ec = SetMode(fd_, wantedMode_);
  if (!ec && Sys().fsync(fd_) != 0) ec = LastError();
  const int fd = std::exchange(fd_, -1);
  if (Sys().close(fd) != 0 && !ec) ec = LastError();
  if (ec) Drop();
  return ec;
}

std::error_code FileReplacement::Commit() {
  if (temporary_.empty()) return {EBADF, std::generic_category()};
  const std::error_code ec = PutInPlace();
  if (ec) Drop();
  temporary_.clear();
  return ec;
}

// A replacement renames over the old file; a creation never replaces one
// that appeared meanwhile.
std::error_code FileReplacement::PutInPlace() {
  if (mode_ == Mode::CreateOnly) return RenameStepNoReplace(temporary_, path_);
  return Sys().rename(temporary_.c_str(), path_.c_str()) == 0 ? std::error_code()
                                                               : LastError();
}

std::error_code ReadWholeFile(const std::string& path, std::string& out) {
  std::error_code ec;
  const FileHandle file = FileHandle::OpenRead(path, ec);
  return ec ? ec : ReadWholeFile(file, out);
}

std::error_code ReadWholeFile(const FileHandle& file, std::string& out) {
  std::error_code ec;
  const std::int64_t size = file.Size(ec);
  if (ec) return ec;
  return ReadAt(file.fd(), 0, static_cast<std::size_t>(size), out);
}

std::error_code FileHolds(const std::string& path, std::string_view expected,
                          bool& holds) {
  holds = false;
  std::error_code ec;
  FileHandle file = FileHandle::OpenRead(path, ec);
  if (ec) return ec;
  const std::int64_t size = file.Size(ec);
  if (ec || size != static_cast<std::int64_t>(expected.size())) return ec;
  constexpr std::size_t kBlock = std::size_t{1} << 16;
  static thread_local char block[kBlock];
  for (std::size_t at = 0; at < expected.size();) {
    const std::size_t want = std::min(kBlock, expected.size() - at);
    std::size_t done = 0;
    if ((ec = ReadAt(file.fd(), static_cast<std::int64_t>(at), block, want, done))) return ec;
    // A file that got shorter meanwhile holds something else.
    if (done == 0 || std::memcmp(block, expected.data() + at, done) != 0) return {};
    at += done;
  }
  // Anything beyond the expected bytes makes it another content.
  std::size_t extra = 0;
  if ((ec = ReadAt(file.fd(), size, block, 1, extra))) return ec;
  holds = extra == 0;
  return {};
}

}  // namespace sonavex
