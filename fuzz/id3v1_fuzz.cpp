// The ID3v1 tag: reading any 128 bytes, and writing any text into a field
// of any tag, which must touch that field's 30 bytes alone and read back as
// what was written.
#include <algorithm>
#include <cstdint>
#include <string>

#include "core/mp3/id3v1.h"
#include "core/mp3/tinfo.h"
#include "fuzz_support.h"

namespace sonavex::fuzz {
namespace {

const std::u32string& FieldOf(const TInfo& info, TagField field) {
  switch (field) {
    case TagField::Titel: return info.Titel;
    case TagField::Interpret: return info.Interpret;
    case TagField::Album: break;
  }
  return info.Album;
}

void CheckRead(const std::string& tag) {
  TInfo info;
  ReadTag(tag, info);
  for (const TagField field : {TagField::Titel, TagField::Interpret, TagField::Album}) {
    const std::u32string& text = FieldOf(info, field);
    Require(text.size() <= kTagFieldLength, "field longer than 30 characters");
    Require(text.find(U'\0') == std::u32string::npos, "zero byte kept in a field");
  }
}

void CheckRender(const std::string& tag, TagField field, const std::u32string& text) {
  const std::string rendered = RenderTagField(tag, field, text);
  Require(rendered.size() == kTagSize, "rendered tag is not 128 bytes");
  const std::size_t begin = 3 + (static_cast<std::size_t>(field) - 1) * kTagFieldLength;
  const std::string bytes = TagFieldBytes(text);
  Require(bytes.size() == kTagFieldLength, "field bytes are not 30");
  Require(rendered.substr(begin, kTagFieldLength) == bytes, "field bytes not in place");
  Require(rendered.substr(0, begin) == tag.substr(0, begin) &&
              rendered.substr(begin + kTagFieldLength) ==
                  tag.substr(begin + kTagFieldLength),
          "bytes outside the field changed");
  TInfo info;
  ReadTag(rendered, info);
  std::u32string expected = DecodeWindows1252(bytes);
  std::erase(expected, U'\0');
  Require(FieldOf(info, field) == expected, "written field does not read back");
}

void CheckFit(const std::u32string& text) {
  const std::u32string fitted = FitTagField(text);
  Require(fitted.size() >= kTagFieldLength, "fitted text shorter than 30");
  Require(fitted.compare(0, std::min<std::size_t>(text.size(), 27), text, 0,
                         std::min<std::size_t>(text.size(), 27)) == 0,
          "fitted text lost its start");
  if (text.size() > kTagFieldLength) {
    Require(fitted.substr(27, 3) == U"...", "cut text without \"...\"");
  }
}

}  // namespace
}  // namespace sonavex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sonavex;
  FuzzedDataProvider in(data, size);
  const auto field = static_cast<TagField>(in.ConsumeIntegralInRange(1, 3));
  const std::u32string text = fuzz::TakeText(in, 80);
  std::string tag = in.ConsumeBytesAsString(kTagSize);
  tag.resize(kTagSize, ' ');
  fuzz::CheckRead(tag);
  fuzz::CheckRender(tag, field, text);
  fuzz::CheckFit(text);
  return 0;
}
