#include "core/session/drive_memory.h"

#include "core/fs/fs.h"

namespace sonavex {

std::string DriveMemory::DirectoryFor(const std::string& drive) const {
  const auto left = leftIn_.find(drive);
  return left != leftIn_.end() && IsDirectory(left->second) ? left->second : drive;
}

void DriveMemory::Entered(const std::string& drive, const std::string& directory) {
  leftIn_[drive] = directory;
}

std::string DriveMemory::FallbackFor(const std::string& drive) const {
  return lastGood_ == drive ? std::string() : lastGood_;
}

}  // namespace sonavex
