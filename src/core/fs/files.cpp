// Byte I/O, stat, the write-permission guard and removal.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "core/fs/fs.h"
#include "core/fs/fs_write.h"
#include "core/fs/sys_calls.h"

namespace sonavex {

std::error_code LastError() { return {errno, std::generic_category()}; }

bool IsWriteProtected(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

WritableGuard::WritableGuard(const std::string& path) : path_(path) {
  struct stat st{};
  if (stat(path.c_str(), &st) != 0) {
    error_ = LastError();
    return;
  }
  mode_ = st.st_mode & 07777;
  if ((mode_ & S_IWUSR) != 0) return;
  if (Sys().chmod(path.c_str(), mode_ | S_IWUSR) != 0) {
    error_ = LastError();
    return;
  }
  changed_ = true;
}

WritableGuard::~WritableGuard() { Restore(); }

std::error_code WritableGuard::Restore() {
  if (!changed_) return {};
  if (Sys().chmod(path_.c_str(), mode_) != 0) return LastError();
  changed_ = false;
  return {};
}

namespace {
void FromStat(const struct stat& st, FileStat& out) {
  out.size = st.st_size;
  out.modified = st.st_mtime;
  out.isRegular = S_ISREG(st.st_mode);
  out.isDirectory = S_ISDIR(st.st_mode);
}
}  // namespace

std::error_code StatPath(const std::string& path, FileStat& out) {
  struct stat st{};
  if (stat(path.c_str(), &st) != 0) return LastError();
  FromStat(st, out);
  return {};
}

std::error_code StatFd(int fd, FileStat& out) {
  struct stat st{};
  if (fstat(fd, &st) != 0) return LastError();
  FromStat(st, out);
  return {};
}

bool IsDirectory(const std::string& path) {
  FileStat st;
  return !StatPath(path, st) && st.isDirectory;
}

std::error_code ReadAt(int fd, std::int64_t offset, char* buffer, std::size_t length,
                       std::size_t& done) {
  done = 0;
  while (done < length) {
    const ssize_t n = Sys().pread(fd, buffer + done, length - done,
                            static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return LastError();
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return {};
}

std::error_code ReadAt(int fd, std::int64_t offset, std::size_t length,
                       std::string& out) {
  out.resize(length);
  std::size_t done = 0;
  const std::error_code ec = ReadAt(fd, offset, out.data(), length, done);
  out.resize(done);
  return ec;
}

std::error_code WriteAt(int fd, std::int64_t offset, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = Sys().pwrite(fd, bytes.data() + done, bytes.size() - done,
                             static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return LastError();
    // A device that takes nothing would otherwise be asked forever.
    if (n == 0) return {EIO, std::generic_category()};
    done += static_cast<std::size_t>(n);
  }
  return {};
}

std::error_code TruncateAt(int fd, std::int64_t size) {
  if (Sys().ftruncate(fd, static_cast<off_t>(size)) != 0) return LastError();
  return {};
}

std::error_code RestoreEnd(const std::string& path, std::int64_t size,
                           std::string_view tail) {
  std::error_code ec;
  FileHandle file = OpenReadWrite(path, ec);
  if (!ec) ec = WriteAt(file.fd(), size - static_cast<std::int64_t>(tail.size()), tail);
  if (!ec) ec = TruncateAt(file.fd(), size);
  if (!ec) ec = file.Close();
  return ec;
}

FileHandle::~FileHandle() { Close(); }

FileHandle::FileHandle(FileHandle&& other) noexcept : fd_(other.fd_) {
  other.fd_ = -1;
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

namespace {
// O_NONBLOCK keeps a FIFO that slipped through from hanging the open; the
// flag does nothing for regular files.
int OpenFd(const std::string& path, int flags, std::error_code& ec) {
  const int fd = Sys().open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0);
  ec = fd < 0 ? LastError() : std::error_code{};
  return fd;
}
}  // namespace

FileHandle FileHandle::OpenRead(const std::string& path, std::error_code& ec) {
  return FileHandle(OpenFd(path, O_RDONLY, ec));
}

FileHandle FileHandle::OpenReadForChange(const std::string& path, std::error_code& ec,
                                         bool& writable) {
  FileHandle file(OpenFd(path, O_RDWR, ec));
  writable = !ec;
  // A write-protected file, or one on a volume mounted read-only, is read
  // as always and opened again by the step that changes it.
  return writable ? std::move(file) : OpenRead(path, ec);
}

FileHandle OpenReadWrite(const std::string& path, std::error_code& ec) {
  return FileHandle(OpenFd(path, O_RDWR, ec));
}

FileHandle FileHandle::OpenDirectory(const std::string& path, std::error_code& ec) {
  return FileHandle(OpenFd(path, O_PATH | O_DIRECTORY, ec));
}

std::error_code RemoveFile(const std::string& path) {
  return Sys().unlink(path.c_str()) == 0 ? std::error_code() : LastError();
}

std::int64_t FileHandle::Size(std::error_code& ec) const {
  struct statx st{};
  if (statx(fd_, "", AT_EMPTY_PATH, STATX_SIZE, &st) != 0) {
    ec = LastError();
    return 0;
  }
  ec.clear();
  return static_cast<std::int64_t>(st.stx_size);
}

FileHandle::Known FileHandle::KnownState(std::error_code& ec) const {
  struct statx st{};
  // What the kernel holds is enough: a rename or removal through this
  // system has dropped the link count, and asking a share would cost a
  // request.
  if (statx(fd_, "", AT_EMPTY_PATH | AT_STATX_DONT_SYNC, STATX_NLINK | STATX_SIZE, &st) != 0) {
    ec = LastError();
    return {};
  }
  ec.clear();
  return {st.stx_nlink > 0, static_cast<std::int64_t>(st.stx_size)};
}

std::error_code FileHandle::Close() {
  if (fd_ < 0) return {};
  const int result = Sys().close(fd_);
  fd_ = -1;
  return result != 0 ? LastError() : std::error_code{};
}

}  // namespace sonavex
