#pragma once
// A file-system table for tests that counts the program's file calls and
// fails a chosen one, as a full disk, a failing device or a refusal would.
#include <array>
#include <mutex>
#include <optional>
#include <string>

#include "core/fs/sys_calls.h"
#include "support/nth_call.h"

namespace sonavex::test {

enum class Call {
  Open, Read, Write, Sync, Truncate, Allocate, Chmod, Chown, Close,
  Rename, Link, Unlink, CreateTemporary,
};
inline constexpr std::size_t kCallKinds = 13;

enum class Fault {
  NoSpace,        // ENOSPC
  Io,             // EIO
  Access,         // EACCES
  ShortWrite,     // a write takes half of the bytes; later calls succeed
  ShortThenFull,  // a write takes half, and from then on no file can grow
};

std::string FaultName(Fault fault);
// The faults a sweep tries: every kind above.
inline constexpr std::array<Fault, 5> kAllFaults = {
    Fault::NoSpace, Fault::Io, Fault::Access, Fault::ShortWrite, Fault::ShortThenFull};

// Installed for its lifetime; one at a time.
class FaultFs {
 public:
  FaultFs();
  ~FaultFs();
  FaultFs(const FaultFs&) = delete;
  FaultFs& operator=(const FaultFs&) = delete;

  // Fails the n-th call (counted from 1) of `kind`, or of any kind when
  // none is given. The short faults only touch writes: they count writes
  // whatever `kind` says.
  void FailNth(int n, Fault fault, std::optional<Call> kind = std::nullopt);
  // Calls made so far, of `kind` or of every kind.
  int Count(std::optional<Call> kind = std::nullopt) const { return nth_.Count(kind); }
  // With `unsupported`, every rename that must not replace its target fails
  // with EINVAL, as on file systems without that flag (not a fault).
  void SetNoReplaceUnsupported(bool unsupported) { noReplaceUnsupported_ = unsupported; }
  bool NoReplaceUnsupported() const { return noReplaceUnsupported_; }
  // True once the chosen call was failed.
  bool fired() const { return nth_.fired(); }

  // For the table's functions: whether this call fails, and with which
  // error number (0: it goes through).
  int Decide(Call call);
  bool ShortNow() const { return shortNow_; }
  bool DiskFull() const { return diskFull_; }
  void WroteShort() { shortNow_ = false; }

 private:
  std::mutex mutex_;
  NthCall<Call, kCallKinds> nth_;
  Fault fault_ = Fault::NoSpace;
  bool shortNow_ = false;
  bool diskFull_ = false;
  bool noReplaceUnsupported_ = false;
  ScopedSysCalls installed_;
};

}  // namespace sonavex::test
