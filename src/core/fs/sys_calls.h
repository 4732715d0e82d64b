#pragma once
// The system calls through which files are opened, read, written, synced,
// renamed and removed. Everything that changes a user's file goes through
// this table, so a test can put a table of its own in place (one that fails
// a chosen call) and watch the writers cope. The real calls are the
// default; the cost is one indirect call.
#include <sys/types.h>

namespace sonavex {

struct SysCalls {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*pread)(int fd, void* buffer, size_t count, off_t offset);
  ssize_t (*pwrite)(int fd, const void* buffer, size_t count, off_t offset);
  int (*fsync)(int fd);
  int (*ftruncate)(int fd, off_t length);
  // Returns an error number itself, as posix_fallocate does.
  int (*fallocate)(int fd, off_t offset, off_t length);
  int (*fchmod)(int fd, mode_t mode);
  int (*chmod)(const char* path, mode_t mode);
  int (*fchown)(int fd, uid_t owner, gid_t group);
  int (*close)(int fd);
  int (*rename)(const char* from, const char* to);
  int (*renameat2)(int fromDir, const char* from, int toDir, const char* to,
                   unsigned flags);
  int (*link)(const char* from, const char* to);
  int (*unlink)(const char* path);
  // Creates a fresh file from `pattern` (ending in "XXXXXX"), as mkostemp.
  int (*mkostemp)(char* pattern, int flags);
};

// The table of the real calls.
const SysCalls& RealSysCalls();

// The table in use.
const SysCalls& Sys();

// Puts `calls` in place for its lifetime (tests only; not while another
// thread is doing file work). `calls` must outlive the installer.
class ScopedSysCalls {
 public:
  explicit ScopedSysCalls(const SysCalls& calls);
  ~ScopedSysCalls();
  ScopedSysCalls(const ScopedSysCalls&) = delete;
  ScopedSysCalls& operator=(const ScopedSysCalls&) = delete;

 private:
  const SysCalls* previous_;
};

}  // namespace sonavex
