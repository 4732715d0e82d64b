#include "core/mp3/id3v1.h"

#include <algorithm>

#include "core/fs/fs.h"
#include "core/mp3/tinfo.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

// The 30 bytes of `text` at `at`: its first 30 characters, padded with
// blanks. Each character is one byte, so the blanks go after the encoding.
void PutFieldBytes(char* at, std::u32string_view text) {
  const std::u32string_view shown = text.substr(0, kTagFieldLength);
  EncodeWindows1252Into(at, shown);
  std::fill(at + shown.size(), at + kTagFieldLength, ' ');
}

char* FieldAt(std::string& tag, TagField field) {
  return tag.data() + TagFieldOffset(static_cast<std::int64_t>(kTagSize), field);
}

}  // namespace

namespace {

constexpr std::string_view kMarker = "TAG";

}  // namespace

std::string EmptyTag() {
  return std::string(kMarker) + std::string(kTagSize - kMarker.size(), ' ');
}

bool HasTagMarker(std::string_view tag) {
  return tag.size() == kTagSize && tag.starts_with(kMarker);
}

std::u32string DecodeTagField(std::string_view field) {
  std::array<char32_t, kTagFieldLength> text;
  return std::u32string(text.data(), DecodeTagFieldInto(text, field));
}

std::size_t KeptTagBytes(std::span<char, kTagFieldLength> kept, std::string_view field) {
  std::size_t count = 0;
  for (char c : field.substr(0, kTagFieldLength)) {
    if (c != '\0') kept[count++] = c;
  }
  return count;
}

std::size_t DecodeTagFieldInto(std::span<char32_t, kTagFieldLength> out, std::string_view field) {
  char kept[kTagFieldLength];
  const std::size_t count = KeptTagBytes(kept, field);
  DecodeWindows1252Into(out.data(), std::string_view(kept, count));
  return count;
}

void ReadTag(std::string_view tag, TInfo& info) {
  if (tag.size() < kTagSize) return;
  SetTagFields(info.record, tag);
  info.Titel = TagText(info.record, TagField::Titel);
  info.Interpret = TagText(info.record, TagField::Interpret);
  info.Album = TagText(info.record, TagField::Album);
}

std::int64_t TagFieldOffset(std::int64_t fileSize, TagField field) {
  return fileSize - 125 + (static_cast<std::int64_t>(field) - 1) * 30;
}

std::string RenderTagField(std::string_view tag, TagField field,
                           std::u32string_view text) {
  std::string rendered(tag);
  RenderTagFieldInto(rendered, field, text);
  return rendered;
}

void RenderTagFieldInto(std::string& tag, TagField field, std::u32string_view text) {
  if (tag.size() == kTagSize) PutFieldBytes(FieldAt(tag, field), text);
}

void RenderFittedFieldInto(std::string& tag, TagField field, std::u32string_view text) {
  if (tag.size() != kTagSize) return;
  char* const at = FieldAt(tag, field);
  PutFieldBytes(at, text);
  if (text.size() > kTagFieldLength) std::fill(at + kTagFieldLength - 3, at + kTagFieldLength, '.');
}

std::error_code ReadTagTail(const std::string& path, TagTail& out) {
  std::error_code ec;
  const FileHandle file = FileHandle::OpenRead(path, ec);
  return ec ? ec : ReadTagTail(file, out);
}

std::error_code ReadTagTail(const FileHandle& file, TagTail& out) {
  std::error_code ec;
  out.size = file.Size(ec);
  if (ec) return ec;
  const std::int64_t start = std::max<std::int64_t>(0, out.size - std::int64_t{kTagSize});
  return ReadAt(file.fd(), start, static_cast<std::size_t>(out.size - start), out.bytes);
}

std::u32string FitTagField(std::u32string_view text) {
  std::u32string fitted(text);
  if (fitted.size() > kTagFieldLength) {
    fitted.replace(kTagFieldLength - 3, 3, U"...");
  }
  if (fitted.size() < kTagFieldLength) fitted.resize(kTagFieldLength, U' ');
  return fitted;
}

std::string TagFieldBytes(std::u32string_view text) {
  std::string field(kTagFieldLength, ' ');
  PutFieldBytes(field.data(), text);
  return field;
}

}  // namespace sonavex
