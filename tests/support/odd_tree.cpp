#include "support/odd_tree.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "core/fs/fs.h"
#include "core/text/encoding.h"
#include "support/test_support.h"

namespace sonavex::test {
namespace {

// A name of 255 bytes, the longest a Linux file system takes.
std::string LongName() { return std::string(251, 'l') + ".mp3"; }

// Files around the 128 bytes of an ID3v1 tag: too short for one, just
// one, one byte more.
std::string Sized(std::size_t size) {
  const std::string tagged = "TAG" + std::string(200, 'x');
  return size >= 128 ? std::string(size - 128, 'a') + tagged.substr(0, 128)
                     : std::string(size, 'a');
}

// Undecodable bytes come back from DecodeUtf8 as U+DC80 to U+DCFF.
bool IsUtf8(const std::string& name) {
  const std::u32string text = DecodeUtf8(name);
  return std::none_of(text.begin(), text.end(),
                      [](char32_t c) { return c >= 0xDC80 && c <= 0xDCFF; });
}

void Check(bool done, const std::string& what) {
  if (!done) throw std::runtime_error("odd tree: cannot make " + what);
}

void MakeSocket(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  Check(path.size() < sizeof address.sun_path, "socket (path too long)");
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  Check(fd >= 0, "socket");
  const bool bound = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  Check(bound, "socket " + path);
}

}  // namespace

std::vector<OddFile> OddTreeFiles(bool utf8Only) {
  std::vector<OddFile> files = {
      {"caf\xe9.mp3", "latin-1 name"},
      {"line\nbreak.mp3", "line break"},
      {LongName(), "long name"},
      {"size0.mp3", Sized(0)},
      {"size1.mp3", Sized(1)},
      {"size127.mp3", Sized(127)},
      {"size128.mp3", Sized(128)},
      {"size129.mp3", Sized(129)},
      {"\xc3(\xff.mp3", "broken utf-8"},
  };
  if (utf8Only) {
    std::erase_if(files, [](const OddFile& file) { return !IsUtf8(file.name); });
  }
  return files;
}

const std::vector<std::string>& OddTreeOthers() {
  static const std::vector<std::string> kOthers = {
      "fifo.mp3", "socket.mp3", "loop.mp3", "dangling.mp3", "up", "locked"};
  return kOthers;
}

void BuildOddTree(const std::string& directory, bool utf8Only) {
  for (const OddFile& file : OddTreeFiles(utf8Only)) {
    WriteFile(JoinPath(directory, file.name), file.content);
  }
  Check(mkfifo(JoinPath(directory, "fifo.mp3").c_str(), 0644) == 0, "FIFO");
  MakeSocket(JoinPath(directory, "socket.mp3"));
  Check(symlink("loop.mp3", JoinPath(directory, "loop.mp3").c_str()) == 0, "link loop");
  Check(symlink("nowhere.mp3", JoinPath(directory, "dangling.mp3").c_str()) == 0,
        "dangling link");
  Check(symlink(".", JoinPath(directory, "up").c_str()) == 0, "link to the tree");
  WriteFile(JoinPath(directory, "locked/inside.mp3"), "inside");
  Check(chmod(JoinPath(directory, "locked").c_str(), 0) == 0, "locked folder");
}

}  // namespace sonavex::test
