#pragma once
// The bytes of a file as the header search and the tag reader look at them:
// one block in memory at a time, read with a single pread when the caller
// asks for bytes the block does not hold. Views handed out stay valid until
// the next call that reads.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "core/fs/fs.h"

namespace sonavex {

class FileBytes {
 public:
  // The first `size` bytes of an open file; nothing is read yet.
  FileBytes(const FileHandle& file, std::int64_t size);
  // Bytes already in memory.
  explicit FileBytes(std::string_view bytes);
  // Views point into the object.
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;

  std::int64_t size() const { return size_; }

  // The bytes from `offset` up to the end of the block, at least `need` of
  // them unless the end comes first; empty at or beyond the end. When the
  // block does not hold that much, a new block is read that starts at
  // `offset`: 4 KiB for the first read, which covers the start of most
  // files, and 64 KiB for later ones (or `need` when that is more).
  std::string_view From(std::int64_t offset, std::size_t need, std::error_code& ec);

  // Bytes `offset` to `offset + length` (fewer at the end) into `out`: from
  // the block when it holds them, otherwise with a read of their own that
  // leaves the block as it was.
  std::error_code Copy(std::int64_t offset, std::size_t length, std::string& out);

  // From now on the bytes end at `end` (when that is before the size).
  void Limit(std::int64_t end);

 private:
  std::string_view Read(std::int64_t offset, std::size_t length, std::error_code& ec);

  const FileHandle* file_ = nullptr;
  std::int64_t size_ = 0;
  std::int64_t blockStart_ = 0;
  std::string_view block_;
  bool readBefore_ = false;
  // The first block lives here, which spares most files a heap block.
  static constexpr std::size_t kFirstBlock = 4096;
  char first_[kFirstBlock];
  std::unique_ptr<char[]> later_;
  std::size_t laterCapacity_ = 0;
};

}  // namespace sonavex
