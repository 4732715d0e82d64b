#include "support/fault_fs.h"

#include <errno.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sonavex::test {
namespace {

FaultFs* active = nullptr;

const SysCalls& Real() { return RealSysCalls(); }

// -1 with errno set when the call is to fail.
bool Fails(Call call) {
  const int error = active->Decide(call);
  if (error == 0) return false;
  errno = error;
  return true;
}

// On a full disk a write may overwrite bytes a file has but not add any.
bool Grows(int fd, off_t end) {
  struct stat st{};
  return fstat(fd, &st) != 0 || end > st.st_size;
}

ssize_t Pwrite(int fd, const void* buffer, size_t count, off_t offset) {
  if (Fails(Call::Write)) return -1;
  if (active->ShortNow() && count > 1) {
    active->WroteShort();
    return Real().pwrite(fd, buffer, count / 2, offset);
  }
  if (active->DiskFull() && Grows(fd, offset + static_cast<off_t>(count))) {
    errno = ENOSPC;
    return -1;
  }
  return Real().pwrite(fd, buffer, count, offset);
}

int Fallocate(int fd, off_t offset, off_t length) {
  if (Fails(Call::Allocate)) return errno;
  if (active->DiskFull() && Grows(fd, offset + length)) return ENOSPC;
  return Real().fallocate(fd, offset, length);
}

// A failed close still gives the descriptor back, as on Linux.
int Close(int fd) {
  const int error = active->Decide(Call::Close);
  const int result = Real().close(fd);
  if (error == 0) return result;
  errno = error;
  return -1;
}

int Renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
  if (Fails(Call::Rename)) return -1;
  if (active->NoReplaceUnsupported() && (flags & RENAME_NOREPLACE) != 0) {
    errno = EINVAL;
    return -1;
  }
  return Real().renameat2(fromDir, from, toDir, to, flags);
}

const SysCalls kFaulty = {
    [](const char* path, int flags, mode_t mode) {
      return Fails(Call::Open) ? -1 : Real().open(path, flags, mode);
    },
    [](int fd, void* buffer, size_t count, off_t offset) -> ssize_t {
      return Fails(Call::Read) ? -1 : Real().pread(fd, buffer, count, offset);
    },
    Pwrite,
    [](int fd) { return Fails(Call::Sync) ? -1 : Real().fsync(fd); },
    [](int fd, off_t length) {
      return Fails(Call::Truncate) ? -1 : Real().ftruncate(fd, length);
    },
    Fallocate,
    [](int fd, mode_t mode) { return Fails(Call::Chmod) ? -1 : Real().fchmod(fd, mode); },
    [](const char* path, mode_t mode) {
      return Fails(Call::Chmod) ? -1 : Real().chmod(path, mode);
    },
    [](int fd, uid_t owner, gid_t group) {
      return Fails(Call::Chown) ? -1 : Real().fchown(fd, owner, group);
    },
    Close,
    [](const char* from, const char* to) {
      return Fails(Call::Rename) ? -1 : Real().rename(from, to);
    },
    Renameat2,
    [](const char* from, const char* to) {
      return Fails(Call::Link) ? -1 : Real().link(from, to);
    },
    [](const char* path) { return Fails(Call::Unlink) ? -1 : Real().unlink(path); },
    [](char* pattern, int flags) {
      return Fails(Call::CreateTemporary) ? -1 : Real().mkostemp(pattern, flags);
    },
};

int ErrorOf(Fault fault) {
  switch (fault) {
    case Fault::NoSpace: return ENOSPC;
    case Fault::Io: return EIO;
    case Fault::Access: return EACCES;
    case Fault::ShortWrite:
    case Fault::ShortThenFull: break;
  }
  return 0;
}

bool IsShort(Fault fault) {
  return fault == Fault::ShortWrite || fault == Fault::ShortThenFull;
}

}  // namespace

std::string FaultName(Fault fault) {
  switch (fault) {
    case Fault::NoSpace: return "ENOSPC";
    case Fault::Io: return "EIO";
    case Fault::Access: return "EACCES";
    case Fault::ShortWrite: return "short write";
    case Fault::ShortThenFull: return "short write, then full";
  }
  return "?";
}

FaultFs::FaultFs() : installed_(kFaulty) { active = this; }

FaultFs::~FaultFs() { active = nullptr; }

void FaultFs::FailNth(int n, Fault fault, std::optional<Call> kind) {
  fault_ = fault;
  nth_.Choose(n, IsShort(fault) ? std::optional(Call::Write) : kind);
}

int FaultFs::Decide(Call call) {
  // Several files may be synced at once, on threads of their own.
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!nth_.Hit(call)) return 0;
  if (!IsShort(fault_)) return ErrorOf(fault_);
  shortNow_ = true;
  diskFull_ = fault_ == Fault::ShortThenFull;
  return 0;
}

}  // namespace sonavex::test
