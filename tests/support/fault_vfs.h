#pragma once
// An SQLite VFS for tests that passes everything to the default one, counts
// the opens, writes, syncs and truncations, and fails a chosen one with the
// given result code. Registered as the default for its lifetime, so a
// database opened meanwhile goes through it.
#include <sqlite3.h>

#include <optional>

#include "support/nth_call.h"

namespace sonavex::test {

enum class DbCall { Open, Write, Sync, Truncate };

class FaultVfs {
 public:
  FaultVfs();
  ~FaultVfs();
  FaultVfs(const FaultVfs&) = delete;
  FaultVfs& operator=(const FaultVfs&) = delete;

  // Fails the n-th call (from 1) of `kind`, or of the four kinds together,
  // with `code` (SQLITE_FULL, SQLITE_IOERR, ...).
  void FailNth(int n, int code, std::optional<DbCall> kind = std::nullopt);
  int Count(std::optional<DbCall> kind = std::nullopt) const { return nth_.Count(kind); }
  bool fired() const { return nth_.fired(); }

  // For the wrapped files: SQLITE_OK or the code the call fails with.
  int Decide(DbCall call);
  sqlite3_vfs* real() const { return real_; }

 private:
  sqlite3_vfs* real_;
  sqlite3_vfs vfs_;
  NthCall<DbCall, 4> nth_;
  int code_ = SQLITE_IOERR;
};

}  // namespace sonavex::test
