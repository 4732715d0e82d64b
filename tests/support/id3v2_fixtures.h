#pragma once
// ID3v2 tags built byte by byte, as writers of each version put them into
// files, for the tests of reading, rendering and writing them.
#include <cstdint>
#include <string>
#include <string_view>

namespace sonavex::test {
// Also to be named alone: `using namespace test::tag_bytes;`.
inline namespace tag_bytes {

inline std::string BigEndian(std::uint32_t value, int count, bool synchsafe) {
  std::string bytes(static_cast<std::size_t>(count), '\0');
  const int bits = synchsafe ? 7 : 8;
  for (int i = count - 1; i >= 0; --i, value >>= bits) {
    bytes[static_cast<std::size_t>(i)] = static_cast<char>(value & ((1u << bits) - 1));
  }
  return bytes;
}

// One frame of version `version` (2, 3 or 4) with `flags` (2.3, 2.4).
inline std::string Frame(int version, std::string_view id, std::string_view body,
                         std::uint16_t flags = 0) {
  const auto size = static_cast<std::uint32_t>(body.size());
  if (version == 2) return std::string(id) + BigEndian(size, 3, false) + std::string(body);
  return std::string(id) + BigEndian(size, 4, version == 4) +
         static_cast<char>(flags >> 8) + static_cast<char>(flags & 0xFF) + std::string(body);
}

// A text frame's body: encoding byte and text bytes as given.
inline std::string Text(char encoding, std::string_view bytes) {
  return std::string(1, encoding) + std::string(bytes);
}

// UTF-16 with a byte order mark, little-endian, from code points below
// U+10000.
inline std::string Utf16(std::u32string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char32_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  return bytes;
}

// A tag of `version` around `body` (frames, extended header), `padding`
// zero bytes behind it; the body goes in as given (already unsynchronised
// when `flags` says so). A footer is added when `flags` has 0x10.
inline std::string Tag(int version, std::string_view body, std::size_t padding = 0,
                       std::uint8_t flags = 0) {
  const auto size = static_cast<std::uint32_t>(body.size() + padding);
  std::string tag = "ID3";
  tag += static_cast<char>(version);
  tag += '\0';
  tag += static_cast<char>(flags);
  tag += BigEndian(size, 4, true);
  tag += body;
  tag += std::string(padding, '\0');
  if ((flags & 0x10) != 0) tag += "3DI" + tag.substr(3, 7);
  return tag;
}

// Audio behind the tags: frame headers of MPEG-1 layer III, 128 kbit/s,
// 44.1 kHz, and bytes that differ from frame to frame.
inline std::string Audio(int frames = 8) {
  std::string audio;
  for (int i = 0; i < frames; ++i) {
    std::string frame = "\xFF\xFB\x90\x64";
    for (int k = 4; k < 417; ++k) frame += static_cast<char>((i * 31 + k * 7) & 0xFF);
    audio += frame;
  }
  return audio;
}

// An ID3v1 tag with the given texts (each at most 30 bytes, Windows-1252),
// year, track (0: none, ID3v1.0) and genre.
inline std::string Id3v1(std::string_view title, std::string_view artist, std::string_view album,
                         std::string_view year = "", int track = 0, int genre = 255) {
  const auto field = [](std::string_view text, std::size_t length) {
    std::string bytes(text.substr(0, length));
    bytes.resize(length, '\0');
    return bytes;
  };
  std::string tag = "TAG" + field(title, 30) + field(artist, 30) + field(album, 30) +
                    field(year, 4) + field("", 30) + static_cast<char>(genre);
  if (track != 0) tag[126] = static_cast<char>(track);
  return tag;
}

}  // namespace tag_bytes
}  // namespace sonavex::test
