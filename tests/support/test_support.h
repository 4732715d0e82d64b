#pragma once
// Helpers shared by the test suites: temporary directories and small file
// fixtures. (GoogleTest prints std::u32string by itself.)
#include <iosfwd>
#include <string>
#include <string_view>

namespace sonavex::test {

// A fresh directory under $TMPDIR, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path + "/" + relative
  std::string operator/(std::string_view relative) const;

 private:
  std::string path_;
};

// Writes `contents` to `path`, creating parent directories.
void WriteFile(const std::string& path, std::string_view contents);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);

}  // namespace sonavex::test
