#pragma once
// The ID3v1 tag in the last 128 bytes of a file: its layout, reading the
// three text fields and rendering new tag bytes. Texts are Windows-1252 on
// disk, one byte per character. Nothing here writes a file: the executor
// (core/apply) puts rendered tags into files.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

namespace sonavex {

class FileHandle;

struct TInfo;

inline constexpr std::size_t kTagSize = 128;
inline constexpr std::size_t kTagFieldLength = 30;
enum class TagField { Titel = 1, Interpret = 2, Album = 3 };

// "TAG" followed by 125 blanks.
std::string EmptyTag();

// True when `tag` (the last 128 bytes of a file) begins with "TAG".
bool HasTagMarker(std::string_view tag);

// The text of one field's 30 bytes: zero bytes dropped wherever they
// stand, everything else, trailing blanks included, kept.
std::u32string DecodeTagField(std::string_view field);
// The bytes of one field with its zero bytes dropped, into `kept`: their
// number.
std::size_t KeptTagBytes(std::span<char, kTagFieldLength> kept, std::string_view field);
// DecodeTagField into `out`: the number of characters.
std::size_t DecodeTagFieldInto(std::span<char32_t, kTagFieldLength> out, std::string_view field);

// Fills Titel, Interpret and Album from the 128 tag bytes. Zero bytes are
// dropped wherever they stand; everything else, trailing blanks included,
// is kept.
void ReadTag(std::string_view tag, TInfo& info);

// `tag` (128 bytes) with field `field` set to TagFieldBytes(text).
std::string RenderTagField(std::string_view tag, TagField field,
                           std::u32string_view text);
// The same in place; a `tag` of another size stays as it is.
void RenderTagFieldInto(std::string& tag, TagField field, std::u32string_view text);
// RenderTagFieldInto of FitTagField(text).
void RenderFittedFieldInto(std::string& tag, TagField field, std::u32string_view text);

// A file's size and its last 128 bytes (all of it when it is shorter).
struct TagTail {
  std::int64_t size = 0;
  std::string bytes;
};
std::error_code ReadTagTail(const std::string& path, TagTail& out);
std::error_code ReadTagTail(const FileHandle& file, TagTail& out);

// Offset of field `field` in a file of `fileSize` bytes that ends in a tag.
std::int64_t TagFieldOffset(std::int64_t fileSize, TagField field);

// The text padded with blanks to at least 30 characters; a longer text gets
// "..." in characters 28 to 30 so that a cut field shows it was cut.
std::u32string FitTagField(std::u32string_view text);

// The 30 bytes written for `text`: its first 30 characters, padded with
// blanks, in Windows-1252 ("?" for characters it cannot hold).
std::string TagFieldBytes(std::u32string_view text);

// The fields a tag rule gives a file: each text present is fitted with
// FitTagField and goes into its field; the others keep their bytes.
struct TagTexts {
  std::optional<std::u32string> Titel;
  std::optional<std::u32string> Interpret;
  std::optional<std::u32string> Album;
};

}  // namespace sonavex
