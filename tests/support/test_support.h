#pragma once
// Helpers shared by the test suites: temporary directories and small file
// fixtures. (GoogleTest prints std::u32string by itself.)
#include <cstdlib>
#include <functional>
#include <iosfwd>
#include <optional>
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

// How often `part` occurs in `text`, overlapping ones included.
std::size_t Occurrences(std::string_view text, std::string_view part);

// `arg` in single quotes for the shell, any byte allowed.
std::string ShellQuote(const std::string& arg);

// Runs `check` in a child process that holds no root privileges (uid and gid
// 65534 when the tests run as root), so that permission bits count. Returns
// the child's answer, or nothing when the child cannot enter `directory`.
std::optional<bool> CheckUnprivileged(const std::string& directory,
                                      const std::function<bool()>& check);

// Sets SONAVEX_READS_IN_FLIGHT for its lifetime: a local disk is read and
// changed with that many requests in flight, as a share is.
class ReadsInFlight {
 public:
  explicit ReadsInFlight(int count) {
    setenv("SONAVEX_READS_IN_FLIGHT", std::to_string(count).c_str(), 1);
  }
  ~ReadsInFlight() { unsetenv("SONAVEX_READS_IN_FLIGHT"); }
  ReadsInFlight(const ReadsInFlight&) = delete;
  ReadsInFlight& operator=(const ReadsInFlight&) = delete;
};

}  // namespace sonavex::test
