// File names and tag bytes: any bytes decode and encode back to themselves,
// as UTF-8 with escaped stray bytes and as Windows-1252.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/text/encoding.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sonavex;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u32string utf8 = DecodeUtf8(bytes);
  fuzz::Require(EncodeUtf8(utf8) == bytes, "UTF-8 round trip lost bytes");
  std::string appended = "x";
  EncodeUtf8Into(appended, utf8);
  fuzz::Require(appended == "x" + std::string(bytes), "appending encoder differs");
  for (const char32_t c : utf8) {
    fuzz::Require(c <= 0x10FFFF && (c < 0xD800 || (c >= 0xDC80 && c <= 0xDCFF) || c > 0xDFFF),
                  "decoded a code point that is neither a character nor an escape");
  }
  const std::u32string cp1252 = DecodeWindows1252(bytes);
  fuzz::Require(cp1252.size() == bytes.size(), "Windows-1252 is one character a byte");
  fuzz::Require(EncodeWindows1252(cp1252) == bytes, "Windows-1252 round trip lost bytes");
  // A name's escaped bytes go into a tag as those bytes.
  fuzz::Require(EncodeWindows1252(utf8).size() == utf8.size(),
                "Windows-1252 writes one byte a character");
  return 0;
}
