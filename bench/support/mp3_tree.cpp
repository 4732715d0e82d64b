#include "support/mp3_tree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/fs/fs.h"
#include "core/mp3/id3v1.h"

namespace sonavex::bench {
namespace {

std::string Frames(int count) {
  std::string frame("\xFF\xFB\x90\x44", 4);
  frame.resize(417, '\x55');
  std::string out;
  for (int i = 0; i < count; ++i) out += frame;
  return out;
}

// "ID3" v2.3 with 2 KiB of tag data (a picture-like run holding FF F0 pairs).
std::string Id3v2Tag() {
  std::string data(2048, '\0');
  for (std::size_t i = 0; i + 1 < data.size(); i += 64) {
    data[i] = '\xFF';
    data[i + 1] = '\xF0';
  }
  return std::string("ID3\x03\x00\x00\x00\x00\x10\x00", 10) + data;
}

// Built with append: GCC 12 warns falsely (-Wrestrict) about operator+ on
// short literals in optimised builds.
std::string Numbered(const char* prefix, int i) {
  std::string text(prefix);
  text.append(std::to_string(i));
  return text;
}

std::string Id3v1Tag(const std::string& title) {
  std::string tag(128, ' ');
  tag.replace(0, 3, "TAG");
  tag.replace(3, title.size(), title);
  return tag;
}

std::string FileBytes(int i) {
  std::string bytes = Frames(8);
  if (i % 3 == 0) bytes += Id3v1Tag(Numbered("Title ", i));
  if (i % 3 == 1) bytes = Id3v2Tag() + bytes;
  // Every file ends in an ID3v1 tag, the empty one where it has no other,
  // as reading it in the program would give it.
  if (i % 3 != 0) bytes += EmptyTag();
  return bytes;
}

}  // namespace

Mp3Tree::Mp3Tree(int files, int perDirectory) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base && *base ? base : "/tmp") + "/sonavex-bench-XXXXXX";
  root_ = mkdtemp(pattern.data());
  for (int i = 0; i < files; ++i) {
    const std::string directory =
        perDirectory > 0 ? JoinPath(root_, Numbered("d", i / perDirectory))
                         : root_;
    std::filesystem::create_directories(directory);
    const std::string path = JoinPath(directory, Numbered("Song ", i).append(".mp3"));
    std::ofstream(path, std::ios::binary) << FileBytes(i);
    paths_.push_back(path);
  }
}

Mp3Tree::~Mp3Tree() { std::filesystem::remove_all(root_); }

}  // namespace sonavex::bench
