#pragma once
// Where the user was on each drive: a drive change lands in the directory
// that drive was left in, and a drive that is not ready gives way to the
// last one that could be entered.
#include <map>
#include <string>

namespace sonavex {

class DriveMemory {
 public:
  // The directory to enter when `drive` is chosen: the one it was left in
  // while that is still a directory, else the drive's root.
  std::string DirectoryFor(const std::string& drive) const;
  // `directory` on `drive` was entered; choosing the drive again lands there.
  void Entered(const std::string& drive, const std::string& directory);
  // `drive` could be entered: it is the one to go back to.
  void Reached(const std::string& drive) { lastGood_ = drive; }
  // The drive to select again when `drive` turned out not ready; empty
  // when there is none other.
  std::string FallbackFor(const std::string& drive) const;
  const std::string& lastGood() const { return lastGood_; }

 private:
  std::map<std::string, std::string> leftIn_;
  std::string lastGood_;
};

}  // namespace sonavex
