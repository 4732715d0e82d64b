#pragma once
// The typed record of one file as it was read: its name as bytes, size and
// date, the tag's fields as they stand in the file and the first frame
// header as numbers. Texts are made from it only where they are shown or
// written out, so that a view over many files keeps little per file.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/mp3/id3v1.h"
#include "core/mp3/id3v2.h"

namespace sonavex {

enum class MpegVersion : std::uint8_t { None, V1, V2, V25 };
// In the order of the header's mode bits; None without a header.
enum class ChannelMode : std::uint8_t { Stereo, JointStereo, DualChannel, Mono, None };

struct InfoRecord {
  std::string name;              // the file name as bytes
  std::int64_t size = 0;         // bytes
  std::int64_t modified = 0;     // last write, seconds since the epoch
  std::int64_t seconds = 0;      // whole seconds of playing time
  std::int32_t bitrateKbps = 1;  // 1 when not decoded
  std::int32_t sampleRate = 0;   // Hz; 0 when not decoded
  MpegVersion version = MpegVersion::None;
  std::uint8_t layer = 0;        // 1 to 3, 4 for the reserved value, 0 without header
  ChannelMode mode = ChannelMode::None;
  bool isMp3 = false;
  bool statKnown = false;        // size and date were read
  bool timed = false;            // the playing time was worked out
  bool tagged = false;           // `tag` holds the fields of a tag
  // The file's first ID3v2 tag, for the few files that have one: the
  // record of a file without stays small.
  std::shared_ptr<const Id3v2Info> id3v2;
  // Title, artist and album, 30 bytes each, as the tag holds them.
  std::array<char, 3 * kTagFieldLength> tag{};
};

// The text of an ID3v2 field; empty for a file without a readable tag.
std::u32string Id3v2Text(const InfoRecord& record, Id3v2Field field);

// What the info views show of a file, one value per column.
enum class InfoField {
  Name, Titel, Interpret, Album, Mpeg, Layer, Bitrate, SampFreq, Mode, Dauer, Groesse, Datum
};
inline constexpr int kInfoFieldCount = 12;

// Takes the three fields of `tag` (the 128 bytes of a tag).
void SetTagFields(InfoRecord& record, std::string_view tag);

// A tag field as text: zero bytes dropped, everything else (trailing
// blanks too) kept; empty for a file without a tag.
std::u32string TagText(const InfoRecord& record, TagField field);

// The name and the tag's texts are text; every other value is ASCII.
bool IsText(InfoField field);

// The value of `field` as the file information record holds it: tag texts
// untrimmed, numbers without units, "x" (and "1" for the bit rate) where
// the header gave nothing, whether or not the file is an MP3 file. Name
// gives the whole file name.
std::u32string ValueText(const InfoRecord& record, InfoField field);

// The text the info views show: tag texts trimmed, the bit rate with
// "KBit/s" and the frequency with "Hz", the MP3 values empty for files that
// are not MP3 files.
std::u32string ShownText(const InfoRecord& record, InfoField field);
// ValueText trimmed (as TrimBlanks does) and appended to `out` in UTF-8:
// the values of the list export.
void AppendValueUtf8(std::string& out, const InfoRecord& record, InfoField field);

// ShownText appended to `out` in UTF-8, the name as the bytes it is on
// disk (ShownName).
void AppendShownUtf8(std::string& out, const InfoRecord& record, InfoField field);
// ShownText of the name as bytes, as the name is on disk: a list of
// thousands of files need not decode each name only to encode it again.
std::string ShownName(const InfoRecord& record);

}  // namespace sonavex
