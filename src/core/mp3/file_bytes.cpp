#include "core/mp3/file_bytes.h"

#include <algorithm>

namespace sonavex {
namespace {

constexpr std::size_t kLaterBlock = 64 * 1024;

}  // namespace

FileBytes::FileBytes(const FileHandle& file, std::int64_t size)
    : file_(&file), size_(std::max<std::int64_t>(size, 0)) {}

FileBytes::FileBytes(std::string_view bytes)
    : size_(static_cast<std::int64_t>(bytes.size())), block_(bytes) {}

std::string_view FileBytes::From(std::int64_t offset, std::size_t need,
                                 std::error_code& ec) {
  ec.clear();
  if (offset < 0 || offset >= size_) return {};
  const std::int64_t blockEnd = blockStart_ + static_cast<std::int64_t>(block_.size());
  const auto wanted = std::min(offset + static_cast<std::int64_t>(need), size_);
  if (offset >= blockStart_ && wanted <= blockEnd) {
    return block_.substr(static_cast<std::size_t>(offset - blockStart_));
  }
  if (file_ == nullptr) return {};  // bytes in memory hold all there is
  return Read(offset, std::max(need, readBefore_ ? kLaterBlock : kFirstBlock), ec);
}

std::string_view FileBytes::Read(std::int64_t offset, std::size_t length,
                                 std::error_code& ec) {
  // Never asking beyond the end saves the read that would only find it.
  length = static_cast<std::size_t>(
      std::min(static_cast<std::int64_t>(length), size_ - offset));
  char* buffer = first_;
  if (length > sizeof first_) {
    if (length > laterCapacity_) {
      later_ = std::make_unique_for_overwrite<char[]>(length);
      laterCapacity_ = length;
    }
    buffer = later_.get();
  }
  readBefore_ = true;
  std::size_t done = 0;
  ec = ReadAt(file_->fd(), offset, buffer, length, done);
  blockStart_ = offset;
  block_ = std::string_view(buffer, ec ? 0 : done);
  // A file that shrank since its size was taken ends where the read ended.
  if (!ec && done < length) size_ = offset + static_cast<std::int64_t>(done);
  return block_;
}

std::error_code FileBytes::Copy(std::int64_t offset, std::size_t length,
                                std::string& out) {
  out.clear();
  if (offset < 0 || offset >= size_) return {};
  length = static_cast<std::size_t>(
      std::min(static_cast<std::int64_t>(length), size_ - offset));
  const std::int64_t blockEnd = blockStart_ + static_cast<std::int64_t>(block_.size());
  if (offset >= blockStart_ && offset + static_cast<std::int64_t>(length) <= blockEnd) {
    out = block_.substr(static_cast<std::size_t>(offset - blockStart_), length);
    return {};
  }
  if (file_ == nullptr) return {};
  return ReadAt(file_->fd(), offset, length, out);
}

void FileBytes::Limit(std::int64_t end) {
  if (end >= size_) return;
  size_ = std::max<std::int64_t>(end, 0);
  const std::int64_t kept = std::clamp<std::int64_t>(
      size_ - blockStart_, 0, static_cast<std::int64_t>(block_.size()));
  block_ = block_.substr(0, static_cast<std::size_t>(kept));
}

}  // namespace sonavex
