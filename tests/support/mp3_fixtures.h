#pragma once
// Byte builders for the MP3 tests.
#include <cstdint>
#include <initializer_list>
#include <string>

namespace sonavex::test {

inline std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

inline std::string Zeros(std::size_t count) { return std::string(count, '\0'); }

inline std::string BigEndian32(std::uint32_t v) {
  return Bytes({static_cast<int>(v >> 24), static_cast<int>((v >> 16) & 0xFF),
                static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF)});
}

}  // namespace sonavex::test
