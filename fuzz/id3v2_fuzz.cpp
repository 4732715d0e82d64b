// The ID3v2 tag: reading any bytes as a tag, and rendering a changed field
// into any tag, which must read back as that tag with the new text (also
// field by field), and render to the same bytes a second time.
#include <algorithm>
#include <cstdint>
#include <string>

#include "core/mp3/id3v2.h"
#include "fuzz_support.h"

namespace sonavex::fuzz {
namespace {

// Texts that a frame holds as they are: no zero (a separator of texts), no
// byte order mark, no code point that stands for a byte.
bool PlainText(const std::u32string& text) {
  return std::all_of(text.begin(), text.end(), [](char32_t c) {
    return c >= 0x20 && c < 0xD800 && c != 0xFEFF;
  });
}

void Check(FuzzedDataProvider& in) {
  const auto field = static_cast<Id3v2Field>(in.ConsumeIntegralInRange(0, 2));
  const std::u32string text = TakeText(in, 80);
  const std::string tag = in.ConsumeRemainingBytesAsString();
  const Id3v2Info read = ReadId3v2(tag);
  Require(read.size == Id3v2Length(tag), "size is not the header's");
  Id3v2Changes changes;
  changes[static_cast<std::size_t>(field)] = text;
  const Id3v2Rendering rendered = RenderId3v2(tag, changes);
  if (!rendered.refusal.empty()) return;
  Require(rendered.bytes.size() == static_cast<std::size_t>(Id3v2Length(rendered.bytes)),
          "rendered tag's size is not its header's");
  const Id3v2Info again = ReadId3v2(rendered.bytes);
  Require(again.readable, "rendered tag is unreadable");
  Require(again.version == (tag.empty() ? 3 : read.version), "version changed");
  // Title, artist, album and track read frame by frame as the whole tag
  // reads them.
  const Id3v2Info own = ReadId3v2(rendered.bytes, Id3v2FieldSet{0b1111});
  Require(std::equal(own.texts.begin(), own.texts.begin() + 4, again.texts.begin()),
          "a field read on its own reads otherwise");
  if (PlainText(text) && text.find_first_not_of(U' ') != std::u32string::npos) {
    Require(again.Text(field) == text, "changed field does not read back");
  }
  Require(RenderId3v2(rendered.bytes, changes).bytes == rendered.bytes,
          "second rendering differs");
}

}  // namespace
}  // namespace sonavex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return sonavex::fuzz::WithProvider(data, size, sonavex::fuzz::Check);
}
