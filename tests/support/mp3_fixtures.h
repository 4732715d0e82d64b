#pragma once
// Byte builders for the MP3 tests.
#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <thread>

#include "core/mp3/id3v1.h"

namespace sonavex::test {

inline std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

inline std::string Zeros(std::size_t count) { return std::string(count, '\0'); }

// A stream of frames `length` bytes long: `first` (a frame's opening bytes)
// padded with zeros, then frames with the same header and zeros up to
// `size` bytes; the last frame may be cut short.
inline std::string Frames(const std::string& first, std::size_t length, std::size_t size) {
  std::string out = first;
  out.resize(length, '\0');
  std::string next = first.substr(0, 4);
  next.resize(length, '\0');
  while (out.size() < size) out += next;
  out.resize(size);
  return out;
}

// Two MPEG-1 Layer III frames, 128 kbit/s, 44100 Hz, joint stereo.
inline std::string TwoFrames() {
  std::string frame("\xFF\xFB\x90\x44", 4);
  frame.resize(417, '\x55');
  return frame + frame;
}

// Bytes that stand for a file's audio in front of its tag.
inline const std::string kAudio(300, 'a');

// 128 tag bytes: an empty tag with the three text fields set.
inline std::string TagWith(const std::string& title, const std::string& artist,
                           const std::string& album) {
  std::string tag = EmptyTag();
  tag.replace(3, title.size(), title);
  tag.replace(33, artist.size(), artist);
  tag.replace(63, album.size(), album);
  return tag;
}

inline std::string BigEndian32(std::uint32_t v) {
  return Bytes({static_cast<int>(v >> 24), static_cast<int>((v >> 16) & 0xFF),
                static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF)});
}

// The change time of a file, taken before a pause long enough for the
// kernel's coarse clock to move on, so that a later change of mode shows.
inline timespec ChangeTimeOf(const std::string& path) {
  struct stat st{};
  stat(path.c_str(), &st);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return st.st_ctim;
}

inline bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace sonavex::test
