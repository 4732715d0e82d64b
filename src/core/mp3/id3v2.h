#pragma once
// The ID3v2 tag at the start of a file (versions 2.2, 2.3 and 2.4): reading
// its text fields and rendering new tag bytes. TagLib parses the tag and
// renders the frames we change; the frames we do not change keep their
// bytes. Nothing here reads or writes a file: the reader hands the tag's
// bytes in, and the executor (core/apply) puts rendered tags into files.
#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace sonavex {

enum class Id3v2Field : std::uint8_t { Titel, Interpret, Album, Track, Jahr, Kommentar, Genre };
inline constexpr std::size_t kId3v2FieldCount = 7;

// One text per field, empty where the tag has no such frame. The year is
// the recording time's text ("2001", "2001-05-03"), the genre a name
// ("Rock" also for "(17)"), the track the frame's text ("3/12").
using Id3v2Texts = std::array<std::u32string, kId3v2FieldCount>;

// What a file's first ID3v2 tag is, as read.
struct Id3v2Info {
  int version = 0;        // 2, 3 or 4
  std::int64_t size = 0;  // bytes from the header to the end of footer or padding
  // False for a tag whose frames cannot be made out (TagLib's reading
  // aside): its texts are empty and it is never rewritten.
  bool readable = false;
  Id3v2Texts texts;
  const std::u32string& Text(Id3v2Field field) const {
    return texts[static_cast<std::size_t>(field)];
  }
};

// The length of the ID3v2 tag (header, data and footer) that `bytes` start
// with, or 0 when they start with none of versions 2.2 to 2.4.
std::int64_t Id3v2Length(std::string_view bytes);

// A set of fields, one bit per Id3v2Field.
using Id3v2FieldSet = std::bitset<kId3v2FieldCount>;
inline constexpr Id3v2FieldSet kAllId3v2Fields{(1u << kId3v2FieldCount) - 1};

// Reads the tag `tag` (exactly Id3v2Length(tag) bytes). The texts of
// `fields` are read; where those are only title, artist, album or track,
// TagLib reads each one's frame on its own and the other texts stay empty
// (a tag operation that changes the title needs nothing else).
Id3v2Info ReadId3v2(std::string_view tag, Id3v2FieldSet fields = kAllId3v2Fields);

// New texts for some fields; an empty text removes the field's frame.
using Id3v2Changes = std::array<std::optional<std::u32string>, kId3v2FieldCount>;

// A rendered tag, or why there is none (a German text for the user).
struct Id3v2Rendering {
  std::string bytes;
  std::u32string refusal;
};

// Padding given to a new tag, and to one that outgrows its old size.
inline constexpr std::size_t kId3v2Padding = 1024;

// A tag taken apart once, to read its texts and to render it changed
// without taking it apart again. It points into the bytes it was given,
// which must outlive it.
class Id3v2Tag {
 public:
  // `bytes`: exactly Id3v2Length(bytes) bytes, or none for a file without
  // a tag (whose rendering is a new tag).
  explicit Id3v2Tag(std::string_view bytes);
  ~Id3v2Tag();
  Id3v2Tag(Id3v2Tag&&) noexcept;
  Id3v2Tag& operator=(Id3v2Tag&&) noexcept;

  std::string_view bytes() const { return bytes_; }
  // What ReadId3v2 above and RenderId3v2 below give for these bytes.
  Id3v2Info Read(Id3v2FieldSet fields = kAllId3v2Fields) const;
  Id3v2Rendering Render(const Id3v2Changes& changes) const;

 private:
  struct Parts;
  std::string_view bytes_;
  std::unique_ptr<const Parts> parts_;
};

// The tag `old` (empty: none, so a new version 2.3 tag) with `changes`.
// It keeps its version; changed frames use the frame's text encoding,
// Latin-1 where a text fits it and else the version's Unicode encoding
// (UTF-16 for 2.2 and 2.3, UTF-8 for 2.4). Other frames keep their bytes.
// The result is never written unsynchronised and has no extended header
// and no footer. When it fits the old tag's size it is padded to exactly
// that size (the file can then be written in place); otherwise it gets
// kId3v2Padding bytes of padding. Refused: a tag with compressed or
// encrypted frames and one whose frames cannot be made out.
Id3v2Rendering RenderId3v2(std::string_view old, const Id3v2Changes& changes);

// The name of ID3v1 genre number `index` (empty for one without), and the
// number of a genre name (255 for a name the list lacks).
std::u32string GenreName(int index);
int GenreNumber(std::u32string_view name);

}  // namespace sonavex
