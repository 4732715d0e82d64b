#include "support/fault_vfs.h"

#include <cstddef>

namespace sonavex::test {
namespace {

FaultVfs* active = nullptr;

// Our file, with the real VFS's file right behind it.
struct WrappedFile {
  sqlite3_file base;
  sqlite3_file* real;
};

constexpr std::size_t kRealOffset =
    (sizeof(WrappedFile) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
    alignof(std::max_align_t);

sqlite3_file* RealOf(sqlite3_file* file) { return reinterpret_cast<WrappedFile*>(file)->real; }
const sqlite3_io_methods& M(sqlite3_file* file) { return *RealOf(file)->pMethods; }

int Close(sqlite3_file* f) { return M(f).xClose(RealOf(f)); }
int Read(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
  return M(f).xRead(RealOf(f), buffer, amount, offset);
}
int Write(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
  if (const int rc = active->Decide(DbCall::Write)) return rc;
  return M(f).xWrite(RealOf(f), buffer, amount, offset);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
  if (const int rc = active->Decide(DbCall::Truncate)) return rc;
  return M(f).xTruncate(RealOf(f), size);
}
int Sync(sqlite3_file* f, int flags) {
  if (const int rc = active->Decide(DbCall::Sync)) return rc;
  return M(f).xSync(RealOf(f), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) { return M(f).xFileSize(RealOf(f), size); }
int Lock(sqlite3_file* f, int level) { return M(f).xLock(RealOf(f), level); }
int Unlock(sqlite3_file* f, int level) { return M(f).xUnlock(RealOf(f), level); }
int CheckReservedLock(sqlite3_file* f, int* out) {
  return M(f).xCheckReservedLock(RealOf(f), out);
}
int FileControl(sqlite3_file* f, int op, void* arg) {
  return M(f).xFileControl(RealOf(f), op, arg);
}
int SectorSize(sqlite3_file* f) { return M(f).xSectorSize(RealOf(f)); }
int DeviceCharacteristics(sqlite3_file* f) { return M(f).xDeviceCharacteristics(RealOf(f)); }
int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
  return M(f).xShmMap(RealOf(f), region, size, extend, out);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
  return M(f).xShmLock(RealOf(f), offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) { M(f).xShmBarrier(RealOf(f)); }
int ShmUnmap(sqlite3_file* f, int deleteFlag) { return M(f).xShmUnmap(RealOf(f), deleteFlag); }
int Fetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
  return M(f).xFetch(RealOf(f), offset, amount, out);
}
int Unfetch(sqlite3_file* f, sqlite3_int64 offset, void* page) {
  return M(f).xUnfetch(RealOf(f), offset, page);
}

const sqlite3_io_methods kMethods = {
    3,         Close,       Read,     Write,     Truncate,          Sync,
    FileSize,  Lock,        Unlock,   CheckReservedLock, FileControl, SectorSize,
    DeviceCharacteristics,  ShmMap,   ShmLock,   ShmBarrier,        ShmUnmap,
    Fetch,     Unfetch,
};

int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
  auto* wrapped = reinterpret_cast<WrappedFile*>(file);
  wrapped->base.pMethods = nullptr;
  if (const int rc = active->Decide(DbCall::Open)) return rc;
  wrapped->real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + kRealOffset);
  auto* real = static_cast<sqlite3_vfs*>(vfs->pAppData);
  const int rc = real->xOpen(real, name, wrapped->real, flags, outFlags);
  // The real file's methods come with its own version; ours mirror them.
  if (wrapped->real->pMethods != nullptr) wrapped->base.pMethods = &kMethods;
  return rc;
}

sqlite3_vfs* RealVfs(sqlite3_vfs* vfs) { return static_cast<sqlite3_vfs*>(vfs->pAppData); }

}  // namespace

FaultVfs::FaultVfs() : real_(sqlite3_vfs_find(nullptr)), vfs_() {
  vfs_.iVersion = 2;
  vfs_.szOsFile = static_cast<int>(kRealOffset) + real_->szOsFile;
  vfs_.mxPathname = real_->mxPathname;
  vfs_.zName = "sonavex-fault";
  vfs_.pAppData = real_;
  vfs_.xOpen = Open;
  vfs_.xDelete = [](sqlite3_vfs* v, const char* name, int syncDir) {
    return RealVfs(v)->xDelete(RealVfs(v), name, syncDir);
  };
  vfs_.xAccess = [](sqlite3_vfs* v, const char* name, int flags, int* out) {
    return RealVfs(v)->xAccess(RealVfs(v), name, flags, out);
  };
  vfs_.xFullPathname = [](sqlite3_vfs* v, const char* name, int size, char* out) {
    return RealVfs(v)->xFullPathname(RealVfs(v), name, size, out);
  };
  vfs_.xRandomness = [](sqlite3_vfs* v, int size, char* out) {
    return RealVfs(v)->xRandomness(RealVfs(v), size, out);
  };
  vfs_.xSleep = [](sqlite3_vfs* v, int micro) { return RealVfs(v)->xSleep(RealVfs(v), micro); };
  vfs_.xCurrentTime = [](sqlite3_vfs* v, double* out) {
    return RealVfs(v)->xCurrentTime(RealVfs(v), out);
  };
  vfs_.xGetLastError = [](sqlite3_vfs* v, int size, char* out) {
    return RealVfs(v)->xGetLastError(RealVfs(v), size, out);
  };
  vfs_.xCurrentTimeInt64 = [](sqlite3_vfs* v, sqlite3_int64* out) {
    return RealVfs(v)->xCurrentTimeInt64(RealVfs(v), out);
  };
  active = this;
  sqlite3_vfs_register(&vfs_, 1);
}

FaultVfs::~FaultVfs() {
  sqlite3_vfs_unregister(&vfs_);
  sqlite3_vfs_register(real_, 1);
  active = nullptr;
}

void FaultVfs::FailNth(int n, int code, std::optional<DbCall> kind) {
  code_ = code;
  nth_.Choose(n, kind);
}

int FaultVfs::Decide(DbCall call) { return nth_.Hit(call) ? code_ : SQLITE_OK; }

}  // namespace sonavex::test
