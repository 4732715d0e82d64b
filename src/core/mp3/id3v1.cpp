#include "core/mp3/id3v1.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/fs/fs_write.h"
#include "core/mp3/tinfo.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

constexpr std::string_view kMarker = "TAG";

std::u32string FieldText(std::string_view tag, std::size_t offset) {
  char kept[kTagFieldLength];
  std::size_t count = 0;
  for (char c : tag.substr(offset, kTagFieldLength)) {
    if (c != '\0') kept[count++] = c;
  }
  return DecodeWindows1252(std::string_view(kept, count));
}

// The last 128 bytes of a file; nothing for a shorter file.
std::error_code ReadLastTag(int fd, std::int64_t size, std::string& out) {
  out.clear();
  if (size < static_cast<std::int64_t>(kTagSize)) return {};
  return ReadAt(fd, size - static_cast<std::int64_t>(kTagSize), kTagSize, out);
}

bool IsTagged(const std::string& path) {
  std::error_code ec;
  FileHandle file = FileHandle::OpenRead(path, ec);
  if (ec) return false;
  const std::int64_t size = file.Size(ec);
  std::string tag;
  return !ec && !ReadLastTag(file.fd(), size, tag) && HasTagMarker(tag);
}

using FieldWrite = std::pair<TagField, std::string>;

// The one place that writes into a tag. A file that has lost its tag (or
// never got one, say because the disk was full) is given an empty tag with
// the fields in it, so field bytes never land in the audio data. The tag
// goes out in one write; one that fails part way is taken back, so the file
// keeps its old end.
std::error_code WriteInTag(const std::string& path,
                           const std::vector<FieldWrite>& writes) {
  WritableGuard guard(path);  // its own failure shows up in the open below
  std::error_code ec;
  FileHandle file = OpenReadWrite(path, ec);
  if (ec) return ec;
  const std::int64_t size = file.Size(ec);
  if (ec) return ec;
  std::string old;
  if ((ec = ReadLastTag(file.fd(), size, old))) return ec;
  const bool tagged = HasTagMarker(old);
  if (tagged && writes.empty()) return file.Close();
  std::string tag = tagged ? old : EmptyTag();
  for (const auto& [field, bytes] : writes) {
    tag.replace(static_cast<std::size_t>(TagFieldOffset(kTagSize, field)), bytes.size(), bytes);
  }
  const std::int64_t start = tagged ? size - static_cast<std::int64_t>(kTagSize) : size;
  // A file whose write protection cannot be put back does not keep the
  // change either: the user finds it as it was, and is told.
  if ((ec = WriteAt(file.fd(), start, tag)) || (ec = file.Close()) ||
      (ec = guard.Restore())) {
    RestoreEnd(path, size, tagged ? std::string_view(old) : std::string_view());
  }
  return ec;
}

}  // namespace

std::string EmptyTag() {
  return std::string(kMarker) + std::string(kTagSize - kMarker.size(), ' ');
}

bool HasTagMarker(std::string_view tag) {
  return tag.size() == kTagSize && tag.starts_with(kMarker);
}

void ReadTag(std::string_view tag, TInfo& info) {
  if (tag.size() < kTagSize) return;
  info.Titel = FieldText(tag, 3);
  info.Interpret = FieldText(tag, 33);
  info.Album = FieldText(tag, 63);
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
  const auto offset =
      static_cast<std::size_t>(TagFieldOffset(static_cast<std::int64_t>(kTagSize), field));
  if (tag.size() == kTagSize) tag.replace(offset, kTagFieldLength, TagFieldBytes(text));
}

std::error_code ReadTagTail(const std::string& path, TagTail& out) {
  std::error_code ec;
  FileHandle file = FileHandle::OpenRead(path, ec);
  if (ec) return ec;
  out.size = file.Size(ec);
  if (ec) return ec;
  const std::int64_t start = std::max<std::int64_t>(0, out.size - std::int64_t{kTagSize});
  return ReadAt(file.fd(), start, static_cast<std::size_t>(out.size - start), out.bytes);
}

std::error_code AppendEmptyTag(const std::string& path) { return WriteInTag(path, {}); }

std::u32string FitTagField(std::u32string_view text) {
  std::u32string fitted(text);
  if (fitted.size() > kTagFieldLength) {
    fitted.replace(kTagFieldLength - 3, 3, U"...");
  }
  if (fitted.size() < kTagFieldLength) fitted.resize(kTagFieldLength, U' ');
  return fitted;
}

std::string TagFieldBytes(std::u32string_view text) {
  // Each character is one byte, so the blanks are added after encoding.
  std::string field = EncodeWindows1252(text.substr(0, kTagFieldLength));
  field.resize(kTagFieldLength, ' ');
  return field;
}

std::error_code EnsureTag(const std::string& path) {
  // Checked read-only first: a tagged file, the usual case, is neither
  // opened for writing nor has its permissions touched.
  return IsTagged(path) ? std::error_code() : AppendEmptyTag(path);
}

std::error_code WriteTagField(const std::string& path, TagField field,
                              std::u32string_view text) {
  return WriteInTag(path, {{field, TagFieldBytes(text)}});
}

std::error_code WriteTagFields(const std::string& path, const TagTexts& texts) {
  std::vector<FieldWrite> writes;
  const auto add = [&](TagField field, const std::optional<std::u32string>& text) {
    if (text) writes.emplace_back(field, TagFieldBytes(FitTagField(*text)));
  };
  add(TagField::Titel, texts.Titel);
  add(TagField::Interpret, texts.Interpret);
  add(TagField::Album, texts.Album);
  return WriteInTag(path, writes);
}

}  // namespace sonavex
